#include "tz_rule.h"

#include "civil_calendar.h"

namespace tz {

namespace {

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    bool AtEnd() const { return at_ == text_.size(); }
    bool Take(char c) {
        if (AtEnd() || text_[at_] != c)
            return false;
        ++at_;
        return true;
    }
    bool PeekDigit() const { return !AtEnd() && IsDigit(text_[at_]); }

    // Three or more letters, or "<...>" with letters, digits and signs.
    bool Name() {
        std::size_t length = 0;
        if (Take('<')) {
            while (!AtEnd() && text_[at_] != '>') {
                const char c = text_[at_];
                if (!IsAsciiLetter(c) && !IsDigit(c) && c != '+' && c != '-')
                    return false;
                ++at_;
                ++length;
            }
            return Take('>') && length >= 3;
        }
        while (!AtEnd() && IsAsciiLetter(text_[at_])) {
            ++at_;
            ++length;
        }
        return length >= 3;
    }

    bool Number(int digitsAtMost, int largest, int& value) {
        value = 0;
        int digits = 0;
        while (PeekDigit() && digits < digitsAtMost) {
            value = value * 10 + (text_[at_++] - '0');
            ++digits;
        }
        return digits > 0 && !PeekDigit() && value <= largest;
    }

    // [+|-]hh[:mm[:ss]], hours up to the given count.
    bool SignedTime(int largestHours, std::int32_t& seconds) {
        const bool negative = Take('-');
        if (!negative)
            Take('+');
        int hours = 0, minutes = 0, secs = 0;
        if (!Number(3, largestHours, hours))
            return false;
        if (Take(':')) {
            if (!Number(2, 59, minutes))
                return false;
            if (Take(':') && !Number(2, 59, secs))
                return false;
        }
        seconds = (hours * 60 + minutes) * 60 + secs;
        if (negative)
            seconds = -seconds;
        return true;
    }

    bool Day(ChangeDay& change) {
        if (Take('J')) {
            change.form = ChangeDay::Form::Julian;
            return Number(3, 365, change.day) && change.day >= 1;
        }
        if (Take('M')) {
            change.form = ChangeDay::Form::MonthWeekDay;
            return Number(2, 12, change.month) && change.month >= 1 && Take('.') &&
                   Number(1, 5, change.week) && change.week >= 1 && Take('.') &&
                   Number(1, 6, change.weekday);
        }
        change.form = ChangeDay::Form::ZeroBased;
        return Number(3, 365, change.day);
    }

    bool Change(ChangeDay& change) {
        if (!Day(change))
            return false;
        return !Take('/') || SignedTime(167, change.seconds);
    }

private:
    std::string_view text_;
    std::size_t at_ = 0;
};

std::int64_t FloorModulo(std::int64_t value, std::int64_t divisor) {
    const std::int64_t rest = value % divisor;
    return rest < 0 ? rest + divisor : rest;
}

// Days from 1 January to the change day.
std::int64_t DayOfYear(const ChangeDay& change, std::int64_t year) {
    switch (change.form) {
        case ChangeDay::Form::Julian:
            return change.day - 1 + (civil::IsLeapYear(year) && change.day >= 60);
        case ChangeDay::Form::ZeroBased:
            return change.day;
        case ChangeDay::Form::MonthWeekDay:
            break;
    }
    const std::int64_t firstOfMonth = civil::DaysFromCivil(year, change.month, 1);
    // 1 January 1970 was a Thursday.
    const std::int64_t firstWeekday = FloorModulo(firstOfMonth + 4, 7);
    std::int64_t day = FloorModulo(change.weekday - firstWeekday, 7) + 7 * (change.week - 1);
    const int length = civil::DaysInMonth(year, change.month);
    while (day >= length)
        day -= 7;
    return firstOfMonth - civil::DaysFromCivil(year, 1, 1) + day;
}

}  // namespace

std::optional<Rule> ParseRule(std::string_view text) {
    Reader reader(text);
    Rule rule;
    std::int32_t west = 0;
    if (!reader.Name() || !reader.SignedTime(24, west))
        return std::nullopt;
    rule.standardOffset = -west;
    if (reader.AtEnd())
        return rule;

    if (!reader.Name())
        return std::nullopt;
    rule.hasDaylight = true;
    rule.daylightOffset = rule.standardOffset + 3600;
    if (!reader.AtEnd() && !reader.Take(',')) {
        if (!reader.SignedTime(24, west))
            return std::nullopt;
        rule.daylightOffset = -west;
        if (!reader.Take(','))
            return std::nullopt;
    } else if (reader.AtEnd()) {
        return std::nullopt;
    }
    if (!reader.Change(rule.start) || !reader.Take(',') || !reader.Change(rule.end) ||
        !reader.AtEnd())
        return std::nullopt;
    return rule;
}

std::int64_t ChangeInstant(const ChangeDay& change, std::int64_t year,
                           std::int32_t offsetInEffect) {
    const std::int64_t day = civil::DaysFromCivil(year, 1, 1) + DayOfYear(change, year);
    return day * 86400 + change.seconds - offsetInEffect;
}

}  // namespace tz
