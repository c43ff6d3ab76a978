// Proleptic Gregorian calendar arithmetic on day numbers, exact for any day
// the 64-bit count can hold. Day 0 is 1 January 1970.
#pragma once

#include <cstdint>

namespace civil {

struct Date {
    std::int64_t year;
    int month;  // 1..12
    int day;    // 1..31
};

inline constexpr std::int64_t kDaysFrom1601To1970 = 134774;
inline constexpr std::int64_t kDaysFrom1899To1970 = 25569;  // from 30 December 1899

constexpr bool IsLeapYear(std::int64_t year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

constexpr int DaysInMonth(std::int64_t year, int month) {
    constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// Eras of 400 years repeat exactly, which keeps the arithmetic free of tables.
constexpr std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

constexpr Date CivilFromDays(std::int64_t days) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    const int month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    return Date{yearOfEra + era * 400 + (month <= 2), month, day};
}

// DaysFromCivil in 32-bit steps, for the years 1 to some million.
constexpr std::int64_t DaysFromCivilOfCommonEra(int year, int month, int day) {
    const std::uint32_t shiftedYear = static_cast<std::uint32_t>(year) - (month <= 2);
    const std::uint32_t era = shiftedYear / 400;
    const std::uint32_t yearOfEra = shiftedYear - era * 400;
    const auto shiftedMonth = static_cast<std::uint32_t>(month > 2 ? month - 3 : month + 9);
    const std::uint32_t dayOfYear =
        (153 * shiftedMonth + 2) / 5 + static_cast<std::uint32_t>(day) - 1;
    const std::uint32_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return static_cast<std::int64_t>(era) * 146097 + dayOfEra - 719468;
}

// CivilFromDays in 32-bit steps, for the days from 1 March of the year 0 to
// some million years on (every instant a FILETIME or a date-time value holds):
// the same date at a third of the cost, which counts when every row of a list
// converts time stamps.
constexpr Date CivilFromDaysOfCommonEra(std::int64_t days) {
    // Days, centuries and years counted from 1 March of the year 0, with the
    // divisions by the lengths of centuries and years done by multiplying.
    const auto fromYearZero = static_cast<std::uint32_t>(days + 719468);
    const std::uint32_t quarterDays = 4 * fromYearZero + 3;
    const std::uint32_t century = quarterDays / 146097;
    const std::uint32_t dayOfCentury = quarterDays % 146097 / 4;
    const std::uint64_t product = std::uint64_t{2939745} * (4 * dayOfCentury + 3);
    const auto yearOfCentury = static_cast<std::uint32_t>(product >> 32);
    const std::uint32_t dayOfYear = static_cast<std::uint32_t>(product) / 2939745 / 4;
    const std::uint32_t monthAndDay = 2141 * dayOfYear + 197913;
    const std::uint32_t month = monthAndDay >> 16;
    const std::uint32_t day = (monthAndDay & 0xFFFF) / 2141 + 1;
    const bool nextYear = dayOfYear >= 306;  // January and February
    return Date{static_cast<std::int64_t>(100 * century + yearOfCentury + nextYear),
                static_cast<int>(nextYear ? month - 12 : month), static_cast<int>(day)};
}

}  // namespace civil
