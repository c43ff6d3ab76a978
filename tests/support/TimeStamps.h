// FILETIME values for a universal date and time, for tests of time stamps.
#pragma once

#include <cstdint>
#include <ctime>

#include "platform/windef.h"

inline constexpr std::uint64_t kTicksPerSecond = 10'000'000;

// `ticks` are the 100-nanosecond intervals after the second.
inline FILETIME UtcFileTime(int year, int month, int day, int hour = 0, int minute = 0,
                            int second = 0, std::uint64_t ticks = 0) {
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    const std::int64_t unixSeconds = timegm(&fields);
    constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;
    return QuadToFileTime(
        static_cast<std::uint64_t>(unixSeconds + kSecondsFrom1601To1970) * kTicksPerSecond + ticks);
}
