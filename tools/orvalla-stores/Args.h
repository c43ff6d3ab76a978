// Reading the arguments of orvalla-stores commands: options, numbers, times.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Commands.h"
#include "platform/windef.h"

// One command's arguments, split into positional arguments and options.
// An option is "--name VALUE" or "--name=VALUE" when it takes a value, else
// a bare "--name" flag; "--" makes every later argument positional. Unknown
// options, missing values and options given twice raise UsageError, except
// the `listOptions`, which take a value each time they are given.
class ParsedArguments {
public:
    ParsedArguments(const Arguments& args, const std::vector<std::string_view>& valueOptions,
                    const std::vector<std::string_view>& flagOptions = {},
                    const std::vector<std::string_view>& listOptions = {});

    const std::vector<std::string>& Positional() const { return positional_; }
    // Raises UsageError unless there are min to max positional arguments.
    void ExpectPositional(std::size_t min, std::size_t max) const;

    std::optional<std::string> Value(std::string_view name) const;
    bool Flag(std::string_view name) const;
    // Every value of a list option, in the order given.
    std::vector<std::string> Values(std::string_view name) const;

private:
    std::vector<std::string> positional_;
    std::map<std::string, std::string, std::less<>> values_;
    std::map<std::string, bool, std::less<>> flags_;
    std::map<std::string, std::vector<std::string>, std::less<>> lists_;
};

// A decimal number without sign; raises UsageError naming `what` when the
// text is not one or does not fit.
std::uint32_t ParseUInt32(std::string_view text, std::string_view what);
std::uint64_t ParseUInt64(std::string_view text, std::string_view what);

// A time as ISO 8601 UTC ("2026-01-02T03:04:05Z", with up to seven digits of
// fraction) or as a raw FILETIME count ("ft:NUMBER"); raises UsageError.
FILETIME ParseTime(std::string_view text);
// ISO 8601 UTC, with the fraction only when there is one; "ft:NUMBER" for
// times past the year 9999.
std::string FormatTime(FILETIME time);
// The time so many days on, or the largest FILETIME when that lies beyond it.
FILETIME DaysLater(FILETIME time, std::uint64_t days);
