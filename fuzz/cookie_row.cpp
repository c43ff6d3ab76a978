// The texts of a cookie row: the caption made from an arbitrary cache
// address, and the date-time text of an arbitrary FILETIME.
//
// Input: the address, one byte whose low half picks the time zone and high
// half the user's locale, and last 8 bytes of FILETIME (low half first).
//
// Caption properties, checked against a UTF-8 reading of its own: the caption
// is the part of the address after its first "@" (or all of it), cut after
// at most 260 characters - never inside a well-formed sequence - less one
// trailing "/".
// Date properties: FileTimeToText never raises; it gives the fallback text
// exactly when the local time lies outside 1980 to 2107, and otherwise a text
// that CompareDateTexts reads as that local time, down to even seconds.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "DateFuzzing.h"
#include "FuncUnit.h"
#include "platform/codepage.h"
#include "platform/dateutils.h"
#include "platform/regional.h"
#include "platform/sysutils.h"
#include "platform/winbase.h"

namespace {

constexpr std::size_t kMaxCaptionChars = 260;

constexpr std::array kZones = {"UTC",
                               "America/New_York",
                               "Europe/Berlin",
                               "Asia/Kolkata",
                               "Pacific/Kiritimati",
                               "Pacific/Pago_Pago",
                               "Australia/Lord_Howe",
                               "America/St_Johns"};

bool UseEnvironment(const char* name, const char* value, const char*& current) {
    if (current == value)
        return false;
    setenv(name, value, 1);
    current = value;
    return true;
}

void UseZoneAndLocale(std::uint8_t selector) {
    static const char* zone = nullptr;
    static const char* locale = nullptr;
    if (UseEnvironment("TZ", kZones[selector % kZones.size()], zone))
        TakeUpTimeZone();
    if (UseEnvironment("LC_ALL", FuzzLocale(selector >> 4), locale))
        RefreshFormatSettings();
}

// Bytes of the character at `pos`: a well-formed UTF-8 sequence (no overlong
// form, no surrogate, nothing past U+10FFFF), else the single byte.
std::size_t CharacterLength(std::string_view text, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t length = 0;
    char32_t code = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07;
    } else {
        return 1;
    }
    if (text.size() - pos < length)
        return 1;
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[pos + i]);
        if ((byte & 0xC0) != 0x80)
            return 1;
        code = code << 6 | (byte & 0x3F);
    }
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
        return 1;
    return length;
}

void CheckCaption(std::string_view address) {
    const std::string caption = CookieCaption(address);

    const std::size_t at = address.find('@');
    const std::string_view host = at == std::string_view::npos ? address : address.substr(at + 1);
    std::size_t end = 0;
    std::size_t characters = 0;
    for (; end < host.size() && characters < kMaxCaptionChars; ++characters)
        end += CharacterLength(host, end);
    std::string expected(host.substr(0, end));
    if (!expected.empty() && expected.back() == '/')
        expected.pop_back();

    FUZZ_REQUIRE(caption == expected, "address '%s': caption '%s', expected '%s'",
                 Printable(address).c_str(), Printable(caption).c_str(),
                 Printable(expected).c_str());
    FUZZ_REQUIRE(CharCount(caption) <= kMaxCaptionChars, "caption of %zu characters",
                 CharCount(caption));
}

// The local time as a date-time value, cut to even seconds; false when it
// cannot be had.
bool ExpectedLocalTime(const FILETIME& universal, TDateTime& value) {
    FILETIME local{};
    if (!FileTimeToLocalFileTime(&universal, &local))
        return false;
    using namespace std::chrono;
    constexpr sys_days kDateTimeEpoch{year{1899} / December / 30};
    const seconds evenSeconds = floor<seconds>(ToTimePoint(local) - kDateTimeEpoch) / 2 * 2;
    value = duration<TDateTime, days::period>(evenSeconds).count();
    return true;
}

void CheckDateText(const FILETIME& ft) {
    std::string text;
    try {
        text = FileTimeToText(ft);
    } catch (const std::exception& error) {
        FUZZ_REQUIRE(false, "FileTimeToText(%llx) raised %s",
                     static_cast<unsigned long long>(FileTimeToQuad(ft)), error.what());
    }
    static const TDateTime kFirstDosDay = EncodeDate(1980, 1, 1);
    static const TDateTime kPastLastDosDay = EncodeDate(2108, 1, 1);
    TDateTime expected = 0;
    const bool inDosRange =
        ExpectedLocalTime(ft, expected) && expected >= kFirstDosDay && expected < kPastLastDosDay;
    if (!inDosRange) {
        FUZZ_REQUIRE(text == FallbackDateText, "%llx outside the DOS range shows '%s'",
                     static_cast<unsigned long long>(FileTimeToQuad(ft)), Printable(text).c_str());
        return;
    }
    const TDateTime shown = StrToDateTime(text);  // raises if CompareDateTexts cannot read it
    FUZZ_REQUIRE(std::abs(shown - expected) * 86400 < 0.5, "%llx shows '%s', expected %.9f",
                 static_cast<unsigned long long>(FileTimeToQuad(ft)), Printable(text).c_str(),
                 expected);
    FUZZ_REQUIRE(CompareDateTexts(text, text) == 0, "'%s' vs itself", Printable(text).c_str());
    const int againstFallback = CompareDateTexts(text, std::string(FallbackDateText));
    FUZZ_REQUIRE(againstFallback == (expected > kFirstDosDay ? 1 : 0), "'%s' vs fallback: %d",
                 Printable(text).c_str(), againstFallback);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const FILETIME ft = QuadToFileTime(input.ConsumeIntegral<std::uint64_t>());
    UseZoneAndLocale(input.ConsumeIntegral<std::uint8_t>());
    CheckCaption(input.ConsumeRemainingBytesAsString());
    CheckDateText(ft);
    return 0;
}
