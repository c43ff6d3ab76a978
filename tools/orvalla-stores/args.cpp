#include "args.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

constexpr std::uint64_t kTicksPerSecond = 10'000'000;
constexpr std::uint64_t kTicksPerDay = 86'400 * kTicksPerSecond;
// Days from 1601-01-01, where FILETIME counts from, to 1970-01-01.
constexpr std::int64_t kDaysBefore1970 = 134'774;

bool Contains(const std::vector<std::string_view>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

struct CivilDate {
    std::int64_t year;
    unsigned month;
    unsigned day;
};

CivilDate CivilFromDays(std::int64_t days) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned mp = (5 * dayOfYear + 2) / 153;
    const unsigned day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2), month, day};
}

bool IsLeapYear(std::int64_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned DaysInMonth(std::int64_t year, unsigned month) {
    static constexpr unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// Reads exactly `count` digits at `pos`.
bool ReadDigits(std::string_view text, std::size_t pos, std::size_t count, unsigned& value) {
    if (pos + count > text.size())
        return false;
    value = 0;
    for (std::size_t i = pos; i < pos + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + static_cast<unsigned>(text[i] - '0');
    }
    return true;
}

std::optional<std::uint64_t> ParseIsoTime(std::string_view text) {
    // YYYY-MM-DDTHH:MM:SS[.fffffff]Z
    unsigned year, month, day, hour, minute, second;
    if (text.size() < 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':' || text.back() != 'Z') {
        return std::nullopt;
    }
    if (!ReadDigits(text, 0, 4, year) || !ReadDigits(text, 5, 2, month) ||
        !ReadDigits(text, 8, 2, day) || !ReadDigits(text, 11, 2, hour) ||
        !ReadDigits(text, 14, 2, minute) || !ReadDigits(text, 17, 2, second)) {
        return std::nullopt;
    }
    std::uint64_t fraction = 0;
    const std::string_view rest = text.substr(19, text.size() - 20);
    if (!rest.empty()) {
        if (rest[0] != '.' || rest.size() < 2 || rest.size() > 8)
            return std::nullopt;
        unsigned digits;
        if (!ReadDigits(rest, 1, rest.size() - 1, digits))
            return std::nullopt;
        fraction = digits;
        for (std::size_t i = rest.size() - 1; i < 7; ++i)
            fraction *= 10;
    }
    if (year < 1601 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) ||
        hour > 23 || minute > 59 || second > 59) {
        return std::nullopt;
    }
    const auto days = static_cast<std::uint64_t>(DaysFromCivil(year, month, day) + kDaysBefore1970);
    return days * kTicksPerDay + (hour * 3600ULL + minute * 60ULL + second) * kTicksPerSecond +
           fraction;
}

}  // namespace

ParsedArguments::ParsedArguments(const Arguments& args,
                                 const std::vector<std::string_view>& valueOptions,
                                 const std::vector<std::string_view>& flagOptions) {
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
        if (Contains(valueOptions, name)) {
            if (equals != std::string::npos) {
                values_[name] = arg.substr(equals + 1);
            } else if (i + 1 < args.size()) {
                values_[name] = args[++i];
            } else {
                throw UsageError{"option " + name + " needs a value"};
            }
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

std::uint64_t ParseUInt64(std::string_view text, std::string_view what) {
    const auto fail = [&] {
        return UsageError{std::string(what) + " '" + std::string(text) +
                          "' is not an unsigned number in range"};
    };
    if (text.empty())
        throw fail();
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            throw fail();
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10)
            throw fail();
        value = value * 10 + digit;
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
    if (const auto ticks = ParseIsoTime(text))
        return QuadToFileTime(*ticks);
    throw UsageError{"time '" + std::string(text) +
                     "' is not a valid YYYY-MM-DDTHH:MM:SSZ (UTC) time or ft:NUMBER"};
}

std::string FormatTime(FILETIME time) {
    const std::uint64_t ticks = FileTimeToQuad(time);
    const auto days = static_cast<std::int64_t>(ticks / kTicksPerDay);
    const CivilDate date = CivilFromDays(days - kDaysBefore1970);
    if (date.year > 9999)
        return "ft:" + std::to_string(ticks);
    const std::uint64_t inDay = ticks % kTicksPerDay;
    const std::uint64_t seconds = inDay / kTicksPerSecond;
    const std::uint64_t fraction = inDay % kTicksPerSecond;
    char text[40];
    int length = std::snprintf(
        text, sizeof text, "%04d-%02u-%02uT%02u:%02u:%02u", static_cast<int>(date.year), date.month,
        date.day, static_cast<unsigned>(seconds / 3600), static_cast<unsigned>(seconds / 60 % 60),
        static_cast<unsigned>(seconds % 60));
    if (fraction) {
        length += std::snprintf(text + length, sizeof text - length, ".%07u",
                                static_cast<unsigned>(fraction));
        while (text[length - 1] == '0')
            --length;
    }
    return std::string(text, length) + "Z";
}

FILETIME NowFileTime() {
    using namespace std::chrono;
    const auto sinceEpoch = duration_cast<nanoseconds>(system_clock::now().time_since_epoch());
    const auto ticks = static_cast<std::uint64_t>(sinceEpoch.count() / 100);
    return QuadToFileTime(ticks + static_cast<std::uint64_t>(kDaysBefore1970) * kTicksPerDay);
}
