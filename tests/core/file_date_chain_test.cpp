// A time stamp's way to a date-time value and its fields: FileTimeToDosDateTime,
// FileDateToDateTime and DecodeDateTime give the same, whichever conversion
// came just before.
#include <gtest/gtest.h>

#include <cstdint>

#include "TimeStamps.h"
#include "platform/dateutils.h"
#include "platform/sysutils.h"
#include "platform/winbase.h"

namespace {

struct Moment {
    int year, month, day, hour, minute, second;
};

DWORD FileDateOf(const Moment& m) {
    const DWORD date = static_cast<DWORD>((m.year - 1980) << 9 | m.month << 5 | m.day);
    const DWORD time = static_cast<DWORD>(m.hour << 11 | m.minute << 5 | m.second / 2);
    return date << 16 | time;
}

bool SameParts(const TDateTimeParts& parts, const Moment& m) {
    return parts.year == m.year && parts.month == m.month && parts.day == m.day &&
           parts.hour == m.hour && parts.minute == m.minute && parts.second == m.second &&
           parts.millisecond == 0;
}

// Another conversion in between, so that nothing of the first is at hand.
void ConvertSomethingElse() {
    FileDateToDateTime(FileDateOf({2001, 2, 3, 4, 5, 6}));
    DecodeDateTime(12345.678);
}

TEST(FileDateChain, GivesTheSameValueAndFieldsWhateverCameBefore) {
    const Moment times[] = {{0, 0, 0, 0, 0, 0},
                            {0, 0, 0, 0, 0, 2},
                            {0, 0, 0, 12, 0, 0},
                            {0, 0, 0, 13, 37, 42},
                            {0, 0, 0, 23, 59, 58}};
    int checked = 0;
    for (int year = 1980; year <= 2107; ++year) {
        for (int month = 1; month <= 12; ++month) {
            for (int day = 1; day <= 31; ++day) {
                TDateTime date = 0;
                if (!TryEncodeDate(year, month, day, date))
                    continue;
                for (Moment m : times) {
                    m.year = year;
                    m.month = month;
                    m.day = day;
                    const TDateTime expected = date + EncodeTime(m.hour, m.minute, m.second, 0);
                    const FILETIME ft = UtcFileTime(year, month, day, m.hour, m.minute, m.second);
                    WORD dosDate = 0, dosTime = 0;
                    ASSERT_TRUE(FileTimeToDosDateTime(&ft, &dosDate, &dosTime));
                    const DWORD fileDate = DWORD{dosDate} << 16 | dosTime;
                    ASSERT_EQ(fileDate, FileDateOf(m));

                    // Right after the DOS conversion, then after another one.
                    const TDateTime value = FileDateToDateTime(fileDate);
                    ASSERT_EQ(value, expected) << year << "-" << month << "-" << day;
                    ASSERT_TRUE(SameParts(DecodeDateTime(value), m));
                    ConvertSomethingElse();
                    ASSERT_EQ(FileDateToDateTime(fileDate), expected);
                    ConvertSomethingElse();
                    ASSERT_TRUE(SameParts(DecodeDateTime(value), m));
                    ++checked;
                }
            }
        }
    }
    EXPECT_EQ(checked, (EncodeDate(2108, 1, 1) - EncodeDate(1980, 1, 1)) * 5);
}

TEST(FileDateChain, StillRejectsWhatDoesNotEncode) {
    const FILETIME ft = UtcFileTime(2026, 1, 2, 15, 4, 6);
    WORD dosDate = 0, dosTime = 0;
    ASSERT_TRUE(FileTimeToDosDateTime(&ft, &dosDate, &dosTime));
    EXPECT_THROW(FileDateToDateTime(DWORD{dosDate} << 16 | 30u), EConvertError);  // 60 seconds
    EXPECT_THROW(FileDateToDateTime(0), EConvertError);
}

}  // namespace
