// FILETIME values for a universal date and time, for tests of time stamps
// (which take a zone up for a while with ScopedTimeZone).
#pragma once

#include <chrono>
#include <cstdint>

#include "ScopedLocale.h"
#include "platform/winbase.h"

inline constexpr std::uint64_t kTicksPerSecond = 10'000'000;

// `ticks` are the 100-nanosecond intervals after the second.
inline FILETIME UtcFileTime(int year, int month, int day, int hour = 0, int minute = 0,
                            int second = 0, std::uint64_t ticks = 0) {
    using namespace std::chrono;
    const sys_days date{std::chrono::year{year} / month / day};
    return ToFileTime(date + hours{hour} + minutes{minute} + seconds{second} +
                      FileTimeTicks{static_cast<std::int64_t>(ticks)});
}
