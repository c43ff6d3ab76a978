// Date-time texts parsed with the settings of many locales.
//
// Input: the text, and last one byte that picks the locale. A last byte of
// 0xFF instead takes the settings themselves from the input (short date
// picture, long time picture, AM text, PM text, then the text, separated by
// newlines): those need not round-trip, but must not crash either. A last
// byte of 0xFE starts from a value instead: before it a locale byte, and
// before that 8 bytes that pick a day of the years 1 to 9999 and a whole
// second of it.
//
// Properties: TryStrToDateTime and StrToDateTime agree (the latter raises
// EConvertError exactly when the former fails, with the text in its message);
// a value that was read formats without error, and its text reads back to the
// very same value. Only the value is compared: the text may differ from the
// input (two-digit years, missing seconds, spaces, designator case). Every
// whole-second value of the years 1 to 9999 shows as a text that reads back
// to it.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "DateFuzzing.h"
#include "platform/dateutils.h"
#include "platform/regional.h"
#include "platform/sysutils.h"

namespace {

const TFormatSettings& SettingsOfLocale(unsigned char selector) {
    static const std::vector<TFormatSettings> settings = [] {
        std::vector<TFormatSettings> all;
        for (const char* name : kFuzzLocales)
            all.push_back(LocaleFormatSettings(name));
        return all;
    }();
    return settings[selector % settings.size()];
}

std::string_view NextLine(std::string_view& text) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    return line;
}

// Parses with both calls and returns whether the text read as a date.
bool ParseBothWays(std::string_view text, const TFormatSettings& settings, TDateTime& value) {
    const bool parsed = TryStrToDateTime(text, value, settings);
    try {
        const TDateTime raised = StrToDateTime(text, settings);
        FUZZ_REQUIRE(parsed, "StrToDateTime read '%s', TryStrToDateTime did not",
                     Printable(text).c_str());
        FUZZ_REQUIRE(raised == value, "the two calls read '%s' differently",
                     Printable(text).c_str());
    } catch (const EConvertError& error) {
        FUZZ_REQUIRE(!parsed, "StrToDateTime raised for '%s'", Printable(text).c_str());
        FUZZ_REQUIRE(error.Message() == NotADateMessage(text), "message: %s",
                     Printable(error.Message()).c_str());
    }
    return parsed;
}

void CheckRoundTrip(std::string_view text, const TFormatSettings& settings) {
    TDateTime value = 0;
    if (!ParseBothWays(text, settings, value))
        return;
    const std::string shown = DateTimeToStr(value, settings);  // must not raise
    TDateTime again = 0;
    FUZZ_REQUIRE(TryStrToDateTime(shown, again, settings),
                 "'%s' read as %.9f in %s, shown as '%s', which does not read back",
                 Printable(text).c_str(), value, settings.LocaleName.c_str(),
                 Printable(shown).c_str());
    FUZZ_REQUIRE(again == value, "'%s' read as %.9f in %s, shown as '%s', read back as %.9f",
                 Printable(text).c_str(), value, settings.LocaleName.c_str(),
                 Printable(shown).c_str(), again);
}

void CheckShownValue(FuzzedDataProvider& input) {
    const TFormatSettings& settings = SettingsOfLocale(input.ConsumeIntegral<std::uint8_t>());
    static const TDateTime kFirstDay = EncodeDate(1, 1, 1);
    static const TDateTime kLastDay = EncodeDate(9999, 12, 31);
    const auto pick = input.ConsumeIntegral<std::uint64_t>();
    const auto days = static_cast<std::int64_t>(pick % 3'652'059);  // days of the years 1 to 9999
    const auto second = static_cast<int>(pick / 3'652'059 % 86'400);
    const TDateTime date = kFirstDay + static_cast<TDateTime>(days);
    FUZZ_REQUIRE(date <= kLastDay, "day %lld", static_cast<long long>(days));
    const TDateTime value =
        ComposeDateTime(date, EncodeTime(second / 3600, second / 60 % 60, second % 60, 0));
    const std::string shown = DateTimeToStr(value, settings);
    TDateTime again = 0;
    FUZZ_REQUIRE(ParseBothWays(shown, settings, again) && again == value,
                 "%.9f shown as '%s' in %s reads back as %.9f", value, Printable(shown).c_str(),
                 settings.LocaleName.c_str(), again);
}

void CheckOwnSettings(std::string_view input) {
    TFormatSettings settings;
    settings.LocaleName = "fuzz";
    settings.ShortDateFormat = NextLine(input);
    settings.LongTimeFormat = NextLine(input);
    settings.TimeAMString = NextLine(input);
    settings.TimePMString = NextLine(input);
    TDateTime value = 0;
    if (!ParseBothWays(input, settings, value))
        return;
    // Whatever was read has a year from 1 to 9999, so it can be shown; made-up
    // pictures need not read their own text back, but must not fail on it.
    const std::string shown = DateTimeToStr(value, settings);
    ParseBothWays(shown, settings, value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const auto selector = input.ConsumeIntegral<std::uint8_t>();
    if (selector == 0xFF) {
        CheckOwnSettings(input.ConsumeRemainingBytesAsString());
    } else if (selector == 0xFE) {
        CheckShownValue(input);
    } else {
        CheckRoundTrip(input.ConsumeRemainingBytesAsString(), SettingsOfLocale(selector));
    }
    return 0;
}
