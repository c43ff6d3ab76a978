#include <chrono>
#include <cmath>
#include <cstdint>

#include "platform/dateutils.h"
#include "platform/sysutils.h"

namespace {

using namespace std::chrono;

constexpr sys_days kDateTimeEpoch{year{1899} / December / 30};
constexpr std::int64_t kMillisecondsPerDay = 86'400'000;
// 1 January 0001 and the last millisecond of 31 December 9999.
constexpr TDateTime kMinDateTime = -693593.0;
constexpr TDateTime kMaxDateTime = 2958466.0;

}  // namespace

bool TryEncodeDate(int year, int month, int day, TDateTime& value) {
    // Checked before the calendar sees them: it keeps months and days in a byte.
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31)
        return false;
    const year_month_day date{std::chrono::year{year}, std::chrono::month(month),
                              std::chrono::day(day)};
    if (!date.ok())
        return false;
    value = static_cast<TDateTime>((sys_days{date} - kDateTimeEpoch).count());
    return true;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& value) {
    if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0 ||
        msec > 999)
        return false;
    const std::int64_t milliseconds = ((hour * 60 + min) * 60 + sec) * 1000 + msec;
    value = static_cast<TDateTime>(milliseconds) / kMillisecondsPerDay;
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime value = 0;
    if (!TryEncodeDate(year, month, day, value))
        throw EConvertError("Invalid argument to date encode");
    return value;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
    TDateTime value = 0;
    if (!TryEncodeTime(hour, min, sec, msec, value))
        throw EConvertError("Invalid argument to time encode");
    return value;
}

TDateTime ComposeDateTime(TDateTime date, TDateTime time) {
    return date < 0 ? date - time : date + time;
}

TDateTimeParts DecodeDateTime(TDateTime value) {
    if (!(value > kMinDateTime - 1 && value < kMaxDateTime))
        throw EConvertError("Invalid argument to date decode");
    // Before 30 December 1899 the whole days count down while the fraction
    // still counts the time of day forward.
    auto wholeDays = static_cast<std::int64_t>(value);
    std::int64_t milliseconds =
        std::llround(std::fabs(value - static_cast<double>(wholeDays)) * kMillisecondsPerDay);
    if (milliseconds >= kMillisecondsPerDay) {
        milliseconds -= kMillisecondsPerDay;
        ++wholeDays;
    }
    const year_month_day date{kDateTimeEpoch + days{wholeDays}};
    const hh_mm_ss time{std::chrono::milliseconds{milliseconds}};
    TDateTimeParts parts;
    parts.year = static_cast<int>(date.year());
    parts.month = static_cast<int>(static_cast<unsigned>(date.month()));
    parts.day = static_cast<int>(static_cast<unsigned>(date.day()));
    parts.hour = static_cast<int>(time.hours().count());
    parts.minute = static_cast<int>(time.minutes().count());
    parts.second = static_cast<int>(time.seconds().count());
    parts.millisecond = static_cast<int>(time.subseconds().count());
    return parts;
}

TDateTime FileDateToDateTime(DWORD fileDate) {
    const DWORD date = fileDate >> 16;
    const DWORD time = fileDate & 0xFFFF;
    const TDateTime day =
        EncodeDate(static_cast<int>(1980 + (date >> 9)), static_cast<int>(date >> 5 & 0x0F),
                   static_cast<int>(date & 0x1F));
    return ComposeDateTime(
        day, EncodeTime(static_cast<int>(time >> 11), static_cast<int>(time >> 5 & 0x3F),
                        static_cast<int>((time & 0x1F) * 2), 0));
}

int ExpandTwoDigitYear(int twoDigitYear, int currentYear) {
    const int windowStart = currentYear - 50;
    int year = windowStart - windowStart % 100 + twoDigitYear;
    if (year < windowStart)
        year += 100;
    return year;
}
