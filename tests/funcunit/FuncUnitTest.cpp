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

TEST_F(FuncUnitTest, FileTimeToTextShowsEvenSecondsDropsMidnightAndFallsBackOutsideDos) {
    EXPECT_EQ(FileTimeToText(UtcFileTime(2026, 1, 2, 15, 4, 5)), "1/2/2026 3:04:04 PM");
    EXPECT_EQ(FileTimeToText(UtcFileTime(2026, 1, 2, 15, 4, 6)), "1/2/2026 3:04:06 PM");
    EXPECT_EQ(FileTimeToText(UtcFileTime(2026, 1, 2)), "1/2/2026");
    EXPECT_EQ(FileTimeToText(UtcFileTime(2026, 1, 2, 0, 0, 1)), "1/2/2026");  // 00:00:00 in DOS
    EXPECT_EQ(FileTimeToText(UtcFileTime(2026, 1, 2, 0, 0, 2)), "1/2/2026 12:00:02 AM");
    EXPECT_EQ(FileTimeToText(FILETIME{}), kFallback);
    EXPECT_EQ(FileTimeToText(UtcFileTime(1979, 12, 31, 23, 59, 59)), kFallback);
    EXPECT_EQ(FileTimeToText(UtcFileTime(1980, 1, 1)), "1/1/1980");
    EXPECT_EQ(FileTimeToText(UtcFileTime(2107, 12, 31, 23, 59, 59)), "12/31/2107 11:59:58 PM");
    EXPECT_EQ(FileTimeToText(UtcFileTime(2108, 1, 1)), kFallback);
    EXPECT_EQ(FileTimeToText(QuadToFileTime(std::numeric_limits<std::uint64_t>::max())), kFallback);
    EXPECT_EQ(FileTimeToText(QuadToFileTime(std::numeric_limits<std::int64_t>::max())), kFallback);
}

TEST_F(FuncUnitTest, FileTimeToTextShowsLocalTimeInTheUsersFormats) {
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
    const FILETIME afternoon = UtcFileTime(2026, 1, 2, 15, 4, 5);
    {
        ScopedLocale german("de_DE.UTF-8");
        EXPECT_EQ(FileTimeToText(afternoon), "02.01.2026 15:04:04");
        EXPECT_EQ(FileTimeToText(FILETIME{}), kFallback);
    }
    ScopedLocale japanese("ja_JP.UTF-8");
    EXPECT_EQ(FileTimeToText(afternoon), "2026/01/02 15時04分04秒");
}

TEST_F(FuncUnitTest, CompareDateTextsOrdersByTimeWhatFileTimeToTextWrote) {
    const std::string second = "1/2/2026 3:04:04 PM";
    const std::string tenth = "1/10/2026 3:04:04 PM";
    ASSERT_GT(second, tenth);
    EXPECT_EQ(CompareDateTexts(second, tenth), -1);
    EXPECT_EQ(CompareDateTexts(tenth, second), 1);
    EXPECT_EQ(CompareDateTexts(second, second), 0);
    EXPECT_EQ(CompareDateTexts("1/2/2026 11:00:00 AM", "1/2/2026 1:00:00 PM"), -1);
    EXPECT_EQ(CompareDateTexts("1/2/2026", "1/2/2026 12:00:02 AM"), -1);

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

TEST_F(FuncUnitTest, CompareDateTextsReadsTheFallbackAs1980AndRaisesForOtherBadTexts) {
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
    // Other texts that do not parse raise.
    EXPECT_EQ(DateTextError("yesterday", "1/2/2026"), "'yesterday' is not a valid date and time");
    EXPECT_EQ(DateTextError("1/2/2026", "1/32/2026"), "'1/32/2026' is not a valid date and time");
    EXPECT_EQ(DateTextError("bad1", "bad2"), "'bad1' is not a valid date and time");
    ScopedLocale german("de_DE.UTF-8");
    // Only the exact fallback text is read as a fixed date.
    EXPECT_EQ(DateTextError("01/01/80", "01.01.1980"), "'01/01/80' is not a valid date and time");
    EXPECT_EQ(DateTextError(kFallback + " ", kFallback),
              "'" + kFallback + " ' is not a valid date and time");
}

TEST_F(FuncUnitTest, DateTextCacheGivesWhatReadingEachTimeGivesErrorsIncluded) {
    const std::vector<std::string> texts = {"1/10/2026 3:04:04 PM", "1/2/2026 3:04:04 PM",
                                            kFallback, "1/2/2026", "12/31/2079 11:59:58 PM"};
    const auto compareAll = [&] {
        std::vector<int> orders;
        for (const auto& first : texts) {
            for (const auto& second : texts)
                orders.push_back(CompareDateTexts(first, second));
        }
        return orders;
    };
    const std::vector<int> uncached = compareAll();
    const TDateTextCache cache;
    for (int round = 0; round < 2; ++round)
        EXPECT_EQ(compareAll(), uncached) << "round " << round;
    // A text changed where it lies is read again.
    std::string text = "1/2/2026";
    EXPECT_EQ(CompareDateTexts(text, "1/3/2026"), -1);
    text = "1/4/2026";
    EXPECT_EQ(CompareDateTexts(text, "1/3/2026"), 1);
    // A bad text raises every time, and leaves the cache working.
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
    const struct {
        std::string text;
        int count;
        std::string left;
    } cases[] = {{"abc", 1, "ab"},
                 {"ab", 0, "ab"},
                 {"ab", -3, "ab"},
                 {"ab", 5, ""},
                 {"", 1, ""},
                 {"caf\u00E9", 1, "caf"},
                 // ASCII, then a character of several bytes, then a byte that
                 // starts no character, which counts as one.
                 {"x\xff\u00E9ab", 3, "x\xff"},
                 {"x\xff", 1, "x"}};
    for (const auto& c : cases) {
        std::string text = c.text;
        DropTail(text, c.count);
        EXPECT_EQ(text, c.left) << c.text << " less " << c.count;
    }
}

TEST(CookieCaption, IsTheHostAndPathAfterTheFirstAtCutTo260CharactersThenASlash) {
    EXPECT_EQ(CookieCaption("Cookie:user@example.com/"), "example.com");
    EXPECT_EQ(CookieCaption("Cookie:user@example.com/path//"), "example.com/path/");
    EXPECT_EQ(CookieCaption("Cookie:user@host@other/"), "host@other");
    EXPECT_EQ(CookieCaption("example.org/a/"), "example.org/a");
    EXPECT_EQ(CookieCaption("Cookie:user@"), "");
    EXPECT_EQ(CookieCaption("@/"), "");
    EXPECT_EQ(CookieCaption(""), "");

    const std::string host(259, 'h');
    // The slash is the 260th character, so it is cut and then dropped.
    EXPECT_EQ(CookieCaption("u@" + host + "/tail"), host);
    EXPECT_EQ(CookieCaption("u@" + host + "x/"), host + "x");
    // Four-byte characters are counted, not cut: 260 of them, whole.
    const std::string emoji = "\U0001F600";
    std::string many;
    for (int i = 0; i < 261; ++i)
        many += emoji;
    EXPECT_EQ(CookieCaption("u@" + many), many.substr(0, 260 * emoji.size()));
    // A byte that is not UTF-8 counts as one character.
    EXPECT_EQ(CookieCaption("u@\xF0\x9F" + host), ("\xF0\x9F" + host).substr(0, 260));
}

}  // namespace
