// FILETIME values for a universal date and time, and a time zone taken up for
// a while, for tests of time stamps.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

#include "TempDataDir.h"
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

// Converts in the zone TZ names (nullptr: the system's zone) for the lifetime
// of the object, then in the zone the environment said before.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) {
        env_.emplace("TZ", zone);
        TakeUpTimeZone();
    }
    ~ScopedTimeZone() {
        env_.reset();  // the variable must be back before the zone is taken up again
        TakeUpTimeZone();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    std::optional<ScopedEnv> env_;
};
