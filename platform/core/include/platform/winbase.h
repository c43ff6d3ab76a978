// Time conversion of the platform.
#pragma once

#include <chrono>
#include <cstdint>

#include "platform/windef.h"

// FILETIME on the standard clock: its tick, and the instant it counts from.
using FileTimeTicks = std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>>;
using FileTimePoint = std::chrono::sys_time<FileTimeTicks>;
inline constexpr std::chrono::sys_days kFileTimeEpoch{std::chrono::year{1601} / 1 / 1};

// For time stamps up to 2^63 - 1 ticks: the upper half stands for no instant.
constexpr FileTimePoint ToTimePoint(FILETIME ft) {
    return kFileTimeEpoch + FileTimeTicks{static_cast<std::int64_t>(FileTimeToQuad(ft))};
}
constexpr FILETIME ToFileTime(FileTimePoint point) {
    return QuadToFileTime(static_cast<std::uint64_t>((point - kFileTimeEpoch).count()));
}

// The current universal time.
void GetSystemTimeAsFileTime(LPFILETIME lpSystemTimeAsFileTime);

// Takes up the system time zone as it is now (TZ, else /etc/localtime) for
// the conversions that follow. The C library reads the zone again only when
// told to, and that costs a look at the zone's file each time, too much for
// every one of a list's time stamps: call it where a change of zone should
// show, before each walk of a store and on a change of regional settings.
// The first conversion takes up the zone by itself.
void TakeUpTimeZone();

// Universal time to the user's local time, with the offset localtime_r gives
// for the instant converted (daylight saving included), in the zone taken up
// last. Fails (FALSE, last error 87) when either time lies outside 0 to
// 2^63 - 1 or the C library cannot convert it; the result is then left as it
// was.
BOOL FileTimeToLocalFileTime(const FILETIME* lpFileTime, LPFILETIME lpLocalFileTime);

// A FILETIME to MS-DOS date and time. Date: bits 0-4 day, 5-8 month, 9-15
// year minus 1980; time: bits 0-4 seconds / 2, 5-10 minutes, 11-15 hours.
// Parts of a second and an odd second are dropped.
// Fails (FALSE, last error 87) outside 1 January 1980 to 31 December 2107.
BOOL FileTimeToDosDateTime(const FILETIME* lpFileTime, LPWORD lpFatDate, LPWORD lpFatTime);
