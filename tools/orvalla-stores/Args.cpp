#include "Args.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <utility>

#include "platform/winbase.h"

namespace {

using namespace std::chrono;

// FILETIME ticks before 1 January 10000, the first day ISO 8601 cannot show.
constexpr std::uint64_t kTicksBefore10000 =
    (sys_days{year{10000} / 1 / 1} - kFileTimeEpoch) / FileTimeTicks{1};

bool Contains(const std::vector<std::string_view>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// Reads exactly `count` digits at `pos`.
bool ReadDigits(std::string_view text, std::size_t pos, std::size_t count, unsigned& value) {
    if (pos + count > text.size())
        return false;
    const char* const end = text.data() + pos + count;
    const auto [stop, error] = std::from_chars(text.data() + pos, end, value);
    return error == std::errc() && stop == end;
}

std::optional<FILETIME> ParseIsoTime(std::string_view text) {
    // YYYY-MM-DDTHH:MM:SS[.fffffff]Z
    unsigned y, m, d, hour, minute, second;
    if (text.size() < 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':' || text.back() != 'Z') {
        return std::nullopt;
    }
    if (!ReadDigits(text, 0, 4, y) || !ReadDigits(text, 5, 2, m) || !ReadDigits(text, 8, 2, d) ||
        !ReadDigits(text, 11, 2, hour) || !ReadDigits(text, 14, 2, minute) ||
        !ReadDigits(text, 17, 2, second)) {
        return std::nullopt;
    }
    unsigned fraction = 0;
    const std::string_view rest = text.substr(19, text.size() - 20);
    if (!rest.empty()) {
        if (rest[0] != '.' || rest.size() < 2 || rest.size() > 8 ||
            !ReadDigits(rest, 1, rest.size() - 1, fraction))
            return std::nullopt;
        for (std::size_t i = rest.size() - 1; i < 7; ++i)
            fraction *= 10;
    }
    const year_month_day date{year{static_cast<int>(y)}, month{m}, day{d}};
    if (y < 1601 || !date.ok() || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    return ToFileTime(sys_days{date} + hours{hour} + minutes{minute} + seconds{second} +
                      FileTimeTicks{fraction});
}

}  // namespace

ParsedArguments::ParsedArguments(const Arguments& args,
                                 const std::vector<std::string_view>& valueOptions,
                                 const std::vector<std::string_view>& flagOptions,
                                 const std::vector<std::string_view>& listOptions) {
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            positional_.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        if (values_.count(name) || flags_.count(name)) {
            throw UsageError{"option " + name + " given twice"};
        }
        const bool list = Contains(listOptions, name);
        if (list || Contains(valueOptions, name)) {
            std::string value;
            if (equals != std::string::npos) {
                value = arg.substr(equals + 1);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                throw UsageError{"option " + name + " needs a value"};
            }
            if (list)
                lists_[name].push_back(std::move(value));
            else
                values_[name] = std::move(value);
        } else if (Contains(flagOptions, name) && equals == std::string::npos) {
            flags_[name] = true;
        } else {
            throw UsageError{"unknown option " + arg};
        }
    }
}

void ParsedArguments::ExpectPositional(std::size_t min, std::size_t max) const {
    const std::size_t count = positional_.size();
    if (count < min)
        throw UsageError{"missing argument"};
    if (count > max)
        throw UsageError{"unexpected argument '" + positional_[max] + "'"};
}

std::optional<std::string> ParsedArguments::Value(std::string_view name) const {
    const auto found = values_.find(name);
    if (found == values_.end())
        return std::nullopt;
    return found->second;
}

bool ParsedArguments::Flag(std::string_view name) const {
    return flags_.count(name) > 0;
}

std::vector<std::string> ParsedArguments::Values(std::string_view name) const {
    const auto found = lists_.find(name);
    return found == lists_.end() ? std::vector<std::string>() : found->second;
}

std::uint64_t ParseUInt64(std::string_view text, std::string_view what) {
    std::uint64_t value = 0;
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end) {
        throw UsageError{std::string(what) + " '" + std::string(text) +
                         "' is not an unsigned number in range"};
    }
    return value;
}

std::uint32_t ParseUInt32(std::string_view text, std::string_view what) {
    const std::uint64_t value = ParseUInt64(text, what);
    if (value > UINT32_MAX) {
        throw UsageError{std::string(what) + " '" + std::string(text) +
                         "' is not an unsigned number in range"};
    }
    return static_cast<std::uint32_t>(value);
}

FILETIME ParseTime(std::string_view text) {
    if (text.substr(0, 3) == "ft:")
        return QuadToFileTime(ParseUInt64(text.substr(3), "time"));
    if (const auto time = ParseIsoTime(text))
        return *time;
    throw UsageError{"time '" + std::string(text) +
                     "' is not a valid YYYY-MM-DDTHH:MM:SSZ (UTC) time or ft:NUMBER"};
}

std::string FormatTime(FILETIME time) {
    const std::uint64_t ticks = FileTimeToQuad(time);
    if (ticks >= kTicksBefore10000)
        return "ft:" + std::to_string(ticks);
    const FileTimePoint instant = ToTimePoint(time);
    const sys_days day = floor<days>(instant);
    const year_month_day date{day};
    const hh_mm_ss clock{instant - day};
    char text[40];
    int length = std::snprintf(
        text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d", static_cast<int>(date.year()),
        static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
        static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
        static_cast<int>(clock.seconds().count()));
    if (const auto fraction = clock.subseconds().count()) {
        length += std::snprintf(text + length, sizeof text - length, ".%07lld",
                                static_cast<long long>(fraction));
        while (text[length - 1] == '0')
            --length;
    }
    return std::string(text, length) + "Z";
}

FILETIME DaysLater(FILETIME time, std::uint64_t days) {
    constexpr std::uint64_t kTicksPerDay = std::chrono::days{1} / FileTimeTicks{1};
    const std::uint64_t quad = FileTimeToQuad(time);
    return QuadToFileTime(quad + std::min(UINT64_MAX - quad, days * kTicksPerDay));
}
