// CompareDateTexts on arbitrary pairs of texts, in many locales.
//
// Input: the first text, a "|", the second text, and last one byte that
// picks the user's locale.
//
// Properties: the result is -1, 0 or 1, or the call raises EConvertError
// naming the first text that does not read (the first text before the
// second); no other error escapes. Comparing a text with itself gives 0, and
// swapping two texts that both read negates the result.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "DateFuzzing.h"
#include "FuncUnit.h"
#include "platform/regional.h"
#include "platform/sysutils.h"

namespace {

void UseLocale(const char* name) {
    static const char* current = nullptr;
    if (current == name)
        return;
    setenv("LC_ALL", name, 1);
    RefreshFormatSettings();
    current = name;
}

bool Reads(const std::string& text) {
    TDateTime value = 0;
    return text == FallbackDateText || TryStrToDateTime(text, value);
}

struct Outcome {
    bool raised = false;
    int result = 0;
    std::string message;
};

Outcome Compare(const std::string& first, const std::string& second) {
    Outcome outcome;
    try {
        outcome.result = CompareDateTexts(first, second);
        FUZZ_REQUIRE(outcome.result >= -1 && outcome.result <= 1, "result %d", outcome.result);
    } catch (const EConvertError& error) {
        outcome.raised = true;
        outcome.message = error.Message();
    } catch (const std::exception& error) {
        FUZZ_REQUIRE(false, "'%s' vs '%s' raised %s", Printable(first).c_str(),
                     Printable(second).c_str(), Printable(error.what()).c_str());
    }
    return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    UseLocale(FuzzLocale(input.ConsumeIntegral<std::uint8_t>()));
    const std::string rest = input.ConsumeRemainingBytesAsString();
    const std::size_t bar = rest.find('|');
    const std::string first = rest.substr(0, bar);
    const std::string second = bar == std::string::npos ? "" : rest.substr(bar + 1);

    const bool firstReads = Reads(first);
    const bool secondReads = Reads(second);
    const Outcome forward = Compare(first, second);
    const Outcome backward = Compare(second, first);

    if (!firstReads || !secondReads) {
        const std::string& bad = firstReads ? second : first;
        FUZZ_REQUIRE(forward.raised && forward.message == NotADateMessage(bad),
                     "'%s' vs '%s': raised %d, message '%s'", Printable(first).c_str(),
                     Printable(second).c_str(), forward.raised, Printable(forward.message).c_str());
        FUZZ_REQUIRE(backward.raised, "'%s' vs '%s' did not raise", Printable(second).c_str(),
                     Printable(first).c_str());
        return 0;
    }
    FUZZ_REQUIRE(!forward.raised && !backward.raised, "'%s' vs '%s' raised '%s%s'",
                 Printable(first).c_str(), Printable(second).c_str(),
                 Printable(forward.message).c_str(), Printable(backward.message).c_str());
    FUZZ_REQUIRE(forward.result == -backward.result, "'%s' vs '%s' gives %d, swapped %d",
                 Printable(first).c_str(), Printable(second).c_str(), forward.result,
                 backward.result);
    const Outcome same = Compare(first, first);
    FUZZ_REQUIRE(!same.raised && same.result == 0, "'%s' vs itself gives %d",
                 Printable(first).c_str(), same.result);
    return 0;
}
