#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/dateutils.h"
#include "platform/sysutils.h"

namespace {

constexpr double kMillisecond = 1.0 / 86'400'000;

void ExpectParts(const TDateTimeParts& p, int year, int month, int day, int hour = 0,
                 int minute = 0, int second = 0, int millisecond = 0) {
    EXPECT_EQ(p.year, year);
    EXPECT_EQ(p.month, month);
    EXPECT_EQ(p.day, day);
    EXPECT_EQ(p.hour, hour);
    EXPECT_EQ(p.minute, minute);
    EXPECT_EQ(p.second, second);
    EXPECT_EQ(p.millisecond, millisecond);
}

template <typename Call>
void ExpectConvertError(Call call, const std::string& message) {
    try {
        call();
        ADD_FAILURE() << "no error for: " << message;
    } catch (const EConvertError& error) {
        EXPECT_EQ(error.Message(), message);
    }
}

TEST(EncodeDate, CountsDaysFrom30December1899AndRejectsFieldsOutOfRange) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1980, 1, 1), 29221.0);
    EXPECT_EQ(EncodeDate(2026, 1, 2), 46024.0);
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
    EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465.0);
    EXPECT_EQ(EncodeDate(2000, 2, 29) + 1, EncodeDate(2000, 3, 1));
    const int bad[][3] = {{0, 1, 1},     {10000, 1, 1}, {2026, 0, 1},  {2026, 13, 1}, {2026, 1, 0},
                          {2026, 1, 32}, {2023, 2, 29}, {1900, 2, 29}, {2026, 4, 31}, {-1, 1, 1}};
    for (const auto& d : bad) {
        TDateTime value = 123;
        EXPECT_FALSE(TryEncodeDate(d[0], d[1], d[2], value)) << d[0] << "-" << d[1] << "-" << d[2];
        EXPECT_EQ(value, 123);
        ExpectConvertError([&] { EncodeDate(d[0], d[1], d[2]); },
                           "Invalid argument to date encode");
    }
}

TEST(EncodeTime, IsTheFractionOfTheDay) {
    EXPECT_EQ(EncodeTime(0, 0, 0, 0), 0.0);
    EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
    EXPECT_EQ(EncodeTime(6, 0, 0, 0), 0.25);
    EXPECT_NEAR(EncodeTime(23, 59, 59, 999), 1 - kMillisecond, 1e-12);
    const int bad[][4] = {{24, 0, 0, 0},   {0, 60, 0, 0}, {0, 0, 60, 0},
                          {0, 0, 0, 1000}, {-1, 0, 0, 0}, {0, 0, 0, -1}};
    for (const auto& t : bad)
        ExpectConvertError([&] { EncodeTime(t[0], t[1], t[2], t[3]); },
                           "Invalid argument to time encode");
}

TEST(DecodeDateTime, InvertsEncodingOverTheWholeRange) {
    for (int day = -693593; day <= 2958465; day += 997) {
        const TDateTimeParts p = DecodeDateTime(ComposeDateTime(day, 0.75));
        ASSERT_EQ(EncodeDate(p.year, p.month, p.day), day);
        ASSERT_EQ(p.hour, 18);
    }
    ExpectParts(DecodeDateTime(EncodeDate(9999, 12, 31) + EncodeTime(23, 59, 59, 999)), 9999, 12,
                31, 23, 59, 59, 999);
    // Negative values count days backwards, the time forwards.
    ExpectParts(DecodeDateTime(0), 1899, 12, 30);
    ExpectParts(DecodeDateTime(-1.25), 1899, 12, 29, 6);
    ExpectParts(DecodeDateTime(-0.5), 1899, 12, 30, 12);
    ExpectParts(DecodeDateTime(ComposeDateTime(EncodeDate(1800, 5, 6), EncodeTime(7, 8, 9, 10))),
                1800, 5, 6, 7, 8, 9, 10);
}

TEST(StrToUInt32, ReadsUpTo4294967295) {
    EXPECT_EQ(StrToUInt32("0"), 0u);
    EXPECT_EQ(StrToUInt32("+12"), 12u);
    EXPECT_EQ(StrToUInt32("4294967295"), 4294967295u);
    for (const std::string text :
         {"", "4294967296", "-1", "-0", "18446744073709551616", "1e3", " 5"})
        ExpectConvertError([&] { StrToUInt32(text); },
                           "'" + text + "' is not a valid integer value");
}

TEST(DecodeDateTime, RoundsToTheMillisecondAndRejectsValuesOutsideTheYears1To9999) {
    const TDateTime day = EncodeDate(2026, 1, 2);
    ExpectParts(DecodeDateTime(day + 1.4 * kMillisecond), 2026, 1, 2, 0, 0, 0, 1);
    ExpectParts(DecodeDateTime(day + 1.6 * kMillisecond), 2026, 1, 2, 0, 0, 0, 2);
    ExpectParts(DecodeDateTime(day + 1 - 0.4 * kMillisecond), 2026, 1, 3);
    ExpectParts(DecodeDateTime(-1 - (1 - 0.4 * kMillisecond)), 1899, 12, 30);
    for (double value :
         {-693594.0, 2958466.0, 1e300, -1e300, std::numeric_limits<double>::quiet_NaN(),
          std::numeric_limits<double>::infinity()}) {
        EXPECT_THROW(DecodeDateTime(value), EConvertError) << value;
    }
}

TEST(FileDateToDateTime, ReadsTimeLowAndDateHighAndRejectsFieldsOutOfRange) {
    const DWORD packed = DWORD{(46u << 9) | (1u << 5) | 2u} << 16 | ((15u << 11) | (4u << 5) | 2u);
    EXPECT_DOUBLE_EQ(FileDateToDateTime(packed), EncodeDate(2026, 1, 2) + EncodeTime(15, 4, 4, 0));
    EXPECT_EQ(FileDateToDateTime(DWORD{(1u << 5) | 1u} << 16), EncodeDate(1980, 1, 1));
    const DWORD validDate = (46u << 9) | (1u << 5) | 2u;
    EXPECT_THROW(FileDateToDateTime(0), EConvertError);  // month 0, day 0
    EXPECT_THROW(FileDateToDateTime(DWORD{(46u << 9) | (2u << 5) | 30u} << 16), EConvertError);
    EXPECT_THROW(FileDateToDateTime(validDate << 16 | 30u), EConvertError);          // 60 seconds
    EXPECT_THROW(FileDateToDateTime(validDate << 16 | (24u << 11)), EConvertError);  // hour 24
    EXPECT_THROW(FileDateToDateTime(validDate << 16 | (60u << 5)), EConvertError);   // minute 60
}

TEST(ExpandTwoDigitYear, PlacesTheYearFromFiftyBeforeToFortyNineAfter) {
    // Written, current year, expected.
    const int cases[][3] = {{80, 2026, 1980}, {76, 2026, 1976}, {75, 2026, 2075}, {0, 2026, 2000},
                            {26, 2026, 2026}, {80, 2030, 1980}, {80, 2031, 2080}, {0, 2050, 2000},
                            {99, 2050, 2099}, {0, 2049, 2000},  {99, 2049, 1999}};
    for (const auto& c : cases)
        EXPECT_EQ(ExpandTwoDigitYear(c[0], c[1]), c[2]) << c[0] << " in " << c[1];
}

}  // namespace
