// Time-zone rules in the POSIX TZ form ("EST5EDT,M3.2.0,M11.1.0"), as TZ may
// hold them and as zone files end with them for the years after their table.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tz {

// The day of the year a change falls on, and the local time of day of it.
struct ChangeDay {
    enum class Form { Julian, ZeroBased, MonthWeekDay };
    Form form = Form::MonthWeekDay;
    int day = 0;      // Jn: 1..365 without 29 February; n: 0..365
    int month = 0;    // Mm.w.d
    int week = 0;     // 1..5, 5 being the last
    int weekday = 0;  // 0 is Sunday
    std::int32_t seconds = 2 * 3600;
};

struct Rule {
    std::int32_t standardOffset = 0;  // seconds east of universal time
    bool hasDaylight = false;
    std::int32_t daylightOffset = 0;
    ChangeDay start;  // to daylight time, given in standard time
    ChangeDay end;    // back to standard time, given in daylight time
};

// Only the fully spelled forms: a standard zone alone, or one with a daylight
// zone and both change days. A daylight zone without change days takes them
// from elsewhere on this system, so it reads as nothing here.
std::optional<Rule> ParseRule(std::string_view text);

// The universal instant of a change in the year, in seconds since 1970.
std::int64_t ChangeInstant(const ChangeDay& change, std::int64_t year, std::int32_t offsetInEffect);

}  // namespace tz
