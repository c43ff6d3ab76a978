#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "FuncUnit.h"
#include "ScopedLocale.h"
#include "TempDataDir.h"
#include "TimeStamps.h"
#include "platform/sysutils.h"

namespace {

const std::string kFallback(FallbackDateText);

// Universal time shown as it is, in United States settings.
class FuncUnitTest : public ::testing::Test {
protected:
    ScopedTimeZone tz_{"UTC"};
    ScopedLocale locale_{"en_US.UTF-8"};
};

std::string DateTextError(const std::string& first, const std::string& second) {
    try {
        CompareDateTexts(first, second);
    } catch (const EConvertError& error) {
        return error.Message();
    }
    return "(compared)";
}

TEST_F(FuncUnitTest, FileTimeToTextShowsEvenSecondsAndDropsMidnight) {
    EXPECT_EQ(FileTimeToText(UtcFileTime(2026, 1, 2, 15, 4, 5)), "1/2/2026 3:04:04 PM");
    EXPECT_EQ(FileTimeToText(UtcFileTime(2026, 1, 2, 15, 4, 6)), "1/2/2026 3:04:06 PM");
    EXPECT_EQ(FileTimeToText(UtcFileTime(2026, 1, 2)), "1/2/2026");
    EXPECT_EQ(FileTimeToText(UtcFileTime(2026, 1, 2, 0, 0, 1)), "1/2/2026");  // 00:00:00 in DOS
    EXPECT_EQ(FileTimeToText(UtcFileTime(2026, 1, 2, 0, 0, 2)), "1/2/2026 12:00:02 AM");
}

TEST_F(FuncUnitTest, FileTimeToTextFallsBackOutsideTheDosRange) {
    EXPECT_EQ(FileTimeToText(FILETIME{}), kFallback);
    EXPECT_EQ(FileTimeToText(UtcFileTime(1979, 12, 31, 23, 59, 59)), kFallback);
    EXPECT_EQ(FileTimeToText(UtcFileTime(1980, 1, 1)), "1/1/1980");
    EXPECT_EQ(FileTimeToText(UtcFileTime(2107, 12, 31, 23, 59, 59)), "12/31/2107 11:59:58 PM");
    EXPECT_EQ(FileTimeToText(UtcFileTime(2108, 1, 1)), kFallback);
    EXPECT_EQ(FileTimeToText(QuadToFileTime(std::numeric_limits<std::uint64_t>::max())), kFallback);
    EXPECT_EQ(FileTimeToText(QuadToFileTime(std::numeric_limits<std::int64_t>::max())), kFallback);
}

TEST_F(FuncUnitTest, FileTimeToTextShowsLocalTime) {
    const FILETIME ft = UtcFileTime(2026, 1, 2, 3, 30, 0);
    {
        ScopedTimeZone tz("America/New_York");
        EXPECT_EQ(FileTimeToText(ft), "1/1/2026 10:30:00 PM");
        // The DOS range applies to local time: 03:00 universal is still 1979 here.
        EXPECT_EQ(FileTimeToText(UtcFileTime(1980, 1, 1, 3)), kFallback);
    }
    {
        ScopedTimeZone tz("Europe/Berlin");
        EXPECT_EQ(FileTimeToText(ft), "1/2/2026 4:30:00 AM");
        EXPECT_EQ(FileTimeToText(UtcFileTime(2026, 7, 1, 22, 0, 0)), "7/2/2026");  // summer time
    }
}

TEST_F(FuncUnitTest, FileTimeToTextUsesTheUsersFormats) {
    const FILETIME ft = UtcFileTime(2026, 1, 2, 15, 4, 5);
    {
        ScopedLocale german("de_DE.UTF-8");
        EXPECT_EQ(FileTimeToText(ft), "02.01.2026 15:04:04");
        EXPECT_EQ(FileTimeToText(FILETIME{}), kFallback);
    }
    ScopedLocale japanese("ja_JP.UTF-8");
    EXPECT_EQ(FileTimeToText(ft), "2026/01/02 15時04分04秒");
}

TEST_F(FuncUnitTest, CompareDateTextsOrdersByTimeNotByText) {
    const std::string second = "1/2/2026 3:04:04 PM";
    const std::string tenth = "1/10/2026 3:04:04 PM";
    ASSERT_GT(second, tenth);
    EXPECT_EQ(CompareDateTexts(second, tenth), -1);
    EXPECT_EQ(CompareDateTexts(tenth, second), 1);
    EXPECT_EQ(CompareDateTexts(second, second), 0);
    EXPECT_EQ(CompareDateTexts("1/2/2026 11:00:00 AM", "1/2/2026 1:00:00 PM"), -1);
    EXPECT_EQ(CompareDateTexts("1/2/2026", "1/2/2026 12:00:02 AM"), -1);
}

TEST_F(FuncUnitTest, CompareDateTextsReadsWhatFileTimeToTextWrote) {
    const FILETIME earlier = UtcFileTime(2026, 1, 2, 9, 0, 0);
    const FILETIME later = UtcFileTime(2026, 1, 10, 8, 0, 0);
    for (const char* locale :
         {"en_US.UTF-8", "de_DE.UTF-8", "en_GB.UTF-8", "ja_JP.UTF-8", "ko_KR.UTF-8", "C"}) {
        ScopedLocale scoped(locale);
        EXPECT_EQ(CompareDateTexts(FileTimeToText(earlier), FileTimeToText(later)), -1) << locale;
        EXPECT_EQ(CompareDateTexts(FileTimeToText(later), FileTimeToText(earlier)), 1) << locale;
        EXPECT_EQ(CompareDateTexts(FileTimeToText(later), FileTimeToText(later)), 0) << locale;
    }
}

TEST_F(FuncUnitTest, CompareDateTextsReadsTheFallbackAs1980InEveryLocale) {
    EXPECT_EQ(CompareDateTexts(kFallback, "1/1/1980"), 0);
    EXPECT_EQ(CompareDateTexts(kFallback, "1/1/1980 12:00:02 AM"), -1);
    EXPECT_EQ(CompareDateTexts("12/31/2079", kFallback), 1);
    EXPECT_EQ(CompareDateTexts(kFallback, "1/1/2080"), -1);  // not moved by the year window
    for (const char* locale : {"de_DE.UTF-8", "ja_JP.UTF-8", "en_GB.UTF-8"}) {
        ScopedLocale scoped(locale);
        EXPECT_EQ(CompareDateTexts(kFallback, kFallback), 0) << locale;
        const std::string firstDay = FileTimeToText(UtcFileTime(1980, 1, 1));
        const std::string secondDay = FileTimeToText(UtcFileTime(1980, 1, 2));
        EXPECT_EQ(CompareDateTexts(kFallback, firstDay), 0) << locale;
        EXPECT_EQ(CompareDateTexts(secondDay, kFallback), 1) << locale;
    }
}

TEST_F(FuncUnitTest, CompareDateTextsRaisesForOtherTextsThatDoNotParse) {
    EXPECT_EQ(DateTextError("yesterday", "1/2/2026"), "'yesterday' is not a valid date and time");
    EXPECT_EQ(DateTextError("1/2/2026", "1/32/2026"), "'1/32/2026' is not a valid date and time");
    EXPECT_EQ(DateTextError("bad1", "bad2"), "'bad1' is not a valid date and time");
    ScopedLocale german("de_DE.UTF-8");
    // Only the exact fallback text is read as a fixed date.
    EXPECT_EQ(DateTextError("01/01/80", "01.01.1980"), "'01/01/80' is not a valid date and time");
    EXPECT_EQ(DateTextError(kFallback + " ", kFallback),
              "'" + kFallback + " ' is not a valid date and time");
}

TEST_F(FuncUnitTest, DateTextCacheGivesWhatReadingEachTimeGives) {
    const std::vector<std::string> texts = {"1/10/2026 3:04:04 PM", "1/2/2026 3:04:04 PM",
                                            kFallback, "1/2/2026", "12/31/2079 11:59:58 PM"};
    std::vector<int> uncached;
    for (const auto& first : texts) {
        for (const auto& second : texts)
            uncached.push_back(CompareDateTexts(first, second));
    }
    const TDateTextCache cache;
    std::vector<int> cached;
    for (int round = 0; round < 2; ++round) {
        cached.clear();
        for (const auto& first : texts) {
            for (const auto& second : texts)
                cached.push_back(CompareDateTexts(first, second));
        }
        EXPECT_EQ(cached, uncached) << "round " << round;
    }
    // A text changed where it lies is read again.
    std::string text = "1/2/2026";
    EXPECT_EQ(CompareDateTexts(text, "1/3/2026"), -1);
    text = "1/4/2026";
    EXPECT_EQ(CompareDateTexts(text, "1/3/2026"), 1);
}

TEST_F(FuncUnitTest, DateTextCacheRaisesForABadTextEveryTime) {
    const TDateTextCache cache;
    EXPECT_EQ(DateTextError("1/2/2026", "1/32/2026"), "'1/32/2026' is not a valid date and time");
    EXPECT_EQ(DateTextError("1/32/2026", "1/2/2026"), "'1/32/2026' is not a valid date and time");
    EXPECT_EQ(CompareDateTexts("1/2/2026", "1/3/2026"), -1);
}

TEST_F(FuncUnitTest, DateTextCacheLastsItsScopeOnly) {
    const std::string text = FileTimeToText(UtcFileTime(2026, 3, 4, 5, 6, 8));
    {
        const TDateTextCache outer;
        EXPECT_EQ(CompareDateTexts(text, "3/4/2026 5:06:08 AM"), 0);
        {
            const TDateTextCache inner;
            EXPECT_EQ(CompareDateTexts(text, "3/5/2026"), -1);
        }
        EXPECT_EQ(CompareDateTexts(text, "3/4/2026"), 1);
    }
    // Read afresh once the cache is gone: in German settings the same text
    // no longer reads as a date.
    ScopedLocale german("de_DE.UTF-8");
    EXPECT_EQ(DateTextError(text, "04.03.2026"), "'" + text + "' is not a valid date and time");
}

TEST(StripTrailingSlash, RemovesOneSlashAtTheEnd) {
    EXPECT_EQ(StripTrailingSlash("/"), "");
    EXPECT_EQ(StripTrailingSlash(""), "");
    EXPECT_EQ(StripTrailingSlash("a//"), "a/");
    EXPECT_EQ(StripTrailingSlash("host/path/"), "host/path");
    EXPECT_EQ(StripTrailingSlash("host/path"), "host/path");
    EXPECT_EQ(StripTrailingSlash("/path"), "/path");
}

TEST(DropTail, ShortensByCharactersAndStopsAtEmpty) {
    std::string text = "abc";
    DropTail(text, 1);
    EXPECT_EQ(text, "ab");
    DropTail(text, 0);
    EXPECT_EQ(text, "ab");
    DropTail(text, -3);
    EXPECT_EQ(text, "ab");
    DropTail(text, 5);
    EXPECT_EQ(text, "");
    DropTail(text, 1);
    EXPECT_EQ(text, "");
    std::string accented = "caf\u00E9";
    DropTail(accented, 1);
    EXPECT_EQ(accented, "caf");
    // Trailing ASCII first, then a character of several bytes, then a byte
    // that starts no character, which counts as one.
    std::string mixed = "x\xff\u00E9ab";
    DropTail(mixed, 3);
    EXPECT_EQ(mixed, "x\xff");
    DropTail(mixed, 1);
    EXPECT_EQ(mixed, "x");
}

}  // namespace
