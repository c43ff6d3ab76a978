// The DOS date and time converted last on this thread, with its date-time
// value. A list turns each time stamp into a DOS date and time, that into a
// value, and the value into text, one right after the other; each step finds
// here what the step before worked out, instead of working it out again from
// its input. Exact: a DOS date and time is a whole day and an even second,
// which the value holds far from where rounding could move either.
#pragma once

#include <cstdint>

#include "platform/dateutils.h"

namespace file_date {

inline constexpr std::int64_t kMillisecondsPerDay = 86'400'000;

// The value of a day (counted from 30 December 1899) and a time of that day.
constexpr TDateTime ValueOf(std::int64_t day, std::int64_t millisecond) {
    return static_cast<TDateTime>(day) +
           static_cast<TDateTime>(millisecond) / static_cast<TDateTime>(kMillisecondsPerDay);
}

// The date in the high half, the time in the low.
constexpr TDateTimeParts PartsOf(std::uint32_t fileDate) {
    TDateTimeParts parts;
    parts.year = static_cast<int>(1980 + (fileDate >> 25));
    parts.month = static_cast<int>(fileDate >> 21 & 0x0F);
    parts.day = static_cast<int>(fileDate >> 16 & 0x1F);
    parts.hour = static_cast<int>(fileDate >> 11 & 0x1F);
    parts.minute = static_cast<int>(fileDate >> 5 & 0x3F);
    parts.second = static_cast<int>((fileDate & 0x1F) * 2);
    parts.millisecond = 0;
    return parts;
}

struct Last {
    // 1 January 1980, midnight, until a conversion comes.
    std::uint32_t fileDate = 0x0021'0000;
    TDateTime value = 29221;
};

extern constinit thread_local Last last;

inline void Remember(std::uint32_t fileDate, std::int64_t day, std::int64_t secondOfDay) {
    last.fileDate = fileDate;
    last.value = ValueOf(day, secondOfDay * 1000);
}

}  // namespace file_date
