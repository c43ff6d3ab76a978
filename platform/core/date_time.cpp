#include <cmath>
#include <cstdint>
#include <ctime>

#include "civil_calendar.h"
#include "last_file_date.h"
#include "platform/dateutils.h"
#include "platform/sysutils.h"

namespace {

constexpr std::int64_t kMillisecondsPerDay = 86'400'000;
// 1 January 0001 and the last millisecond of 31 December 9999.
constexpr TDateTime kMinDateTime = -693593.0;
constexpr TDateTime kMaxDateTime = 2958466.0;

// llround for the milliseconds of a day, without the library call: the
// fraction a whole number leaves of a double is exact.
std::int64_t RoundHalfAway(double nonNegative) {
    const auto whole = static_cast<std::int64_t>(nonNegative);
    return whole + (nonNegative - static_cast<double>(whole) >= 0.5);
}

}  // namespace

constinit thread_local file_date::Last file_date::last;

bool TryEncodeDate(int year, int month, int day, TDateTime& value) {
    if (year < 1 || year > 9999 || month < 1 || month > 12)
        return false;
    if (day < 1 || day > civil::DaysInMonth(year, month))
        return false;
    value =
        static_cast<TDateTime>(civil::DaysFromCivil(year, month, day) + civil::kDaysFrom1899To1970);
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
    if (value == file_date::last.value)
        return file_date::PartsOf(file_date::last.fileDate);
    if (!(value > kMinDateTime - 1 && value < kMaxDateTime))
        throw EConvertError("Invalid argument to date decode");
    // Before 30 December 1899 the whole days count down while the fraction
    // still counts the time of day forward.
    std::int64_t day = static_cast<std::int64_t>(value);
    std::int64_t milliseconds = RoundHalfAway(std::fabs(value - static_cast<double>(day)) *
                                              static_cast<double>(kMillisecondsPerDay));
    if (milliseconds >= kMillisecondsPerDay) {
        milliseconds -= kMillisecondsPerDay;
        ++day;
    }
    const civil::Date date = civil::CivilFromDaysOfCommonEra(day - civil::kDaysFrom1899To1970);
    TDateTimeParts parts;
    parts.year = static_cast<int>(date.year);
    parts.month = date.month;
    parts.day = date.day;
    const auto millisecondOfDay = static_cast<std::uint32_t>(milliseconds);
    const std::uint32_t secondOfDay = millisecondOfDay / 1000;
    parts.hour = static_cast<int>(secondOfDay / 3600);
    parts.minute = static_cast<int>(secondOfDay / 60 % 60);
    parts.second = static_cast<int>(secondOfDay % 60);
    parts.millisecond = static_cast<int>(millisecondOfDay % 1000);
    return parts;
}

TDateTime FileDateToDateTime(DWORD fileDate) {
    if (fileDate == file_date::last.fileDate)
        return file_date::last.value;
    // EncodeDate and EncodeTime, written out: every row of a list comes here.
    const TDateTimeParts parts = file_date::PartsOf(fileDate);
    if (parts.month < 1 || parts.month > 12 || parts.day < 1 ||
        parts.day > civil::DaysInMonth(parts.year, parts.month))
        throw EConvertError("Invalid argument to date encode");
    if (parts.hour > 23 || parts.minute > 59 || parts.second > 59)
        throw EConvertError("Invalid argument to time encode");
    file_date::Remember(fileDate,
                        civil::DaysFromCivilOfCommonEra(parts.year, parts.month, parts.day) +
                            civil::kDaysFrom1899To1970,
                        (parts.hour * 60 + parts.minute) * 60 + parts.second);
    return file_date::last.value;
}

int CurrentYear() {
    const std::time_t now = std::time(nullptr);
    tzset();
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_year + 1900;
}

int ExpandTwoDigitYear(int twoDigitYear, int currentYear) {
    const int windowStart = currentYear - 50;
    int year = windowStart - windowStart % 100 + twoDigitYear;
    if (year < windowStart)
        year += 100;
    return year;
}
