#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <limits>

#include "TimeStamps.h"
#include "platform/regional.h"
#include "platform/winbase.h"

namespace {

constexpr std::uint64_t kLargestSigned = std::numeric_limits<std::int64_t>::max();
constexpr std::uint64_t kLargestUnsigned = std::numeric_limits<std::uint64_t>::max();

std::int64_t LocalOffsetSeconds(FILETIME universal) {
    FILETIME local{};
    EXPECT_TRUE(FileTimeToLocalFileTime(&universal, &local));
    return (static_cast<std::int64_t>(FileTimeToQuad(local)) -
            static_cast<std::int64_t>(FileTimeToQuad(universal))) /
           static_cast<std::int64_t>(kTicksPerSecond);
}

struct Dos {
    WORD date = 0, time = 0;
};

Dos DosOf(FILETIME ft) {
    Dos dos;
    EXPECT_TRUE(FileTimeToDosDateTime(&ft, &dos.date, &dos.time));
    return dos;
}

constexpr WORD DosDate(int year, int month, int day) {
    return static_cast<WORD>((year - 1980) << 9 | month << 5 | day);
}
constexpr WORD DosTime(int hour, int minute, int second) {
    return static_cast<WORD>(hour << 11 | minute << 5 | second / 2);
}

TEST(FileTimeToLocalFileTime, FollowsTheZoneInTZAndTheDaylightSavingOfTheInstant) {
    const struct {
        const char* zone;
        FILETIME universal;
        int offsetMinutes;
    } cases[] = {
        {"UTC", UtcFileTime(2026, 1, 2, 15, 4, 5), 0},
        {"America/New_York", UtcFileTime(2026, 1, 2, 15, 4, 5), -5 * 60},
        {"Europe/Berlin", UtcFileTime(2026, 1, 2, 15, 4, 5), 60},
        {"America/New_York", UtcFileTime(2026, 7, 1, 12), -4 * 60},
        {"Europe/Berlin", UtcFileTime(2026, 7, 1, 12), 2 * 60},
        // Clocks went forward at 2:00 local time on 8 March 2026.
        {"America/New_York", UtcFileTime(2026, 3, 8, 6, 59, 59), -5 * 60},
        {"America/New_York", UtcFileTime(2026, 3, 8, 7, 0, 0), -4 * 60},
    };
    for (const auto& c : cases) {
        ScopedTimeZone tz(c.zone);
        EXPECT_EQ(LocalOffsetSeconds(c.universal), c.offsetMinutes * 60) << c.zone;
    }
    ScopedTimeZone berlin("Europe/Berlin");
    const FILETIME universal = UtcFileTime(2026, 1, 2, 15, 4, 5, 1234567);
    FILETIME local{};
    ASSERT_TRUE(FileTimeToLocalFileTime(&universal, &local));
    EXPECT_EQ(FileTimeToQuad(local) % kTicksPerSecond, 1234567u);  // the fraction is kept
}

TEST(FileTimeToLocalFileTime, TakesUpAChangedZoneWhenToldAndOnNewSettings) {
    const FILETIME summer = UtcFileTime(2026, 7, 1);
    ScopedTimeZone berlin("Europe/Berlin");
    EXPECT_EQ(LocalOffsetSeconds(summer), 2 * 3600);
    setenv("TZ", "Asia/Kathmandu", 1);
    TakeUpTimeZone();
    EXPECT_EQ(LocalOffsetSeconds(summer), 5 * 3600 + 45 * 60);
    setenv("TZ", "America/St_Johns", 1);
    RefreshFormatSettings();
    EXPECT_EQ(LocalOffsetSeconds(summer), -(2 * 3600 + 30 * 60));
}

TEST(FileTimeToLocalFileTime, FailsOutsideTheRangeAndForNullPointers) {
    ScopedTimeZone tz("America/New_York");
    const FILETIME zero{};
    FILETIME local = QuadToFileTime(42);
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(FileTimeToLocalFileTime(&zero, &local));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(FileTimeToQuad(local), 42u);  // untouched

    const FILETIME largest = QuadToFileTime(kLargestSigned);
    EXPECT_TRUE(FileTimeToLocalFileTime(&largest, &local));  // west of Greenwich: smaller
    ScopedTimeZone east("Europe/Berlin");
    EXPECT_FALSE(FileTimeToLocalFileTime(&largest, &local));
    EXPECT_TRUE(FileTimeToLocalFileTime(&zero, &local));

    // The upper half and null pointers are refused even where no offset
    // would carry the result out of range.
    ScopedTimeZone utc("UTC");
    for (std::uint64_t quad : {kLargestSigned + 1, kLargestUnsigned}) {
        const FILETIME ft = QuadToFileTime(quad);
        EXPECT_FALSE(FileTimeToLocalFileTime(&ft, &local));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
    const FILETIME ft = UtcFileTime(2026, 1, 2);
    EXPECT_FALSE(FileTimeToLocalFileTime(nullptr, &local));
    EXPECT_FALSE(FileTimeToLocalFileTime(&ft, nullptr));
}

TEST(FileTimeToDosDateTime, PacksFieldsHalvesTheSecondsAndCoversExactly1980To2107) {
    const Dos dos = DosOf(UtcFileTime(2026, 1, 2, 15, 4, 5, kTicksPerSecond - 1));
    EXPECT_EQ(dos.date, DosDate(2026, 1, 2));
    EXPECT_EQ(dos.time, DosTime(15, 4, 4));
    EXPECT_EQ(DosOf(UtcFileTime(2026, 1, 2, 15, 4, 6)).time, DosTime(15, 4, 6));
    EXPECT_EQ(DosOf(UtcFileTime(2024, 2, 29, 23, 59, 59)).date, DosDate(2024, 2, 29));

    const Dos first = DosOf(UtcFileTime(1980, 1, 1));
    EXPECT_EQ(first.date, DosDate(1980, 1, 1));
    EXPECT_EQ(first.time, 0);
    const Dos last = DosOf(UtcFileTime(2107, 12, 31, 23, 59, 59, kTicksPerSecond - 1));
    EXPECT_EQ(last.date, DosDate(2107, 12, 31));
    EXPECT_EQ(last.time, DosTime(23, 59, 58));

    WORD date = 7, time = 7;
    for (std::uint64_t quad :
         {FileTimeToQuad(UtcFileTime(1980, 1, 1)) - 1, FileTimeToQuad(UtcFileTime(2108, 1, 1)),
          std::uint64_t{0}, kLargestSigned, kLargestUnsigned}) {
        const FILETIME ft = QuadToFileTime(quad);
        SetLastError(ERROR_SUCCESS);
        EXPECT_FALSE(FileTimeToDosDateTime(&ft, &date, &time)) << quad;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
    EXPECT_EQ(date, 7);
    EXPECT_EQ(time, 7);
}

}  // namespace
