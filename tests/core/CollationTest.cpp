#include <gtest/gtest.h>

#include "ScopedLocale.h"
#include "platform/regional.h"

namespace {

TEST(AnsiCompareStr, FollowsTheUsersLocaleRatherThanCharacterCodesAndTellsEveryTextApart) {
    ScopedLocale us("en_US.UTF-8");
    ASSERT_LT(std::string("B"), std::string("a"));
    EXPECT_EQ(AnsiCompareStr("a", "B"), -1);
    EXPECT_EQ(AnsiCompareStr("B", "a"), 1);
    EXPECT_EQ(AnsiCompareStr("www.b.com/", "www.C.com/"), -1);
    EXPECT_EQ(AnsiCompareStr("abc", "abd"), -1);
    EXPECT_EQ(AnsiCompareStr("abc", "abc"), 0);
    EXPECT_EQ(AnsiCompareStr("", "a"), -1);

    // Case tells texts apart, and so does what the rules ignore: the order
    // is definite.
    const int order = AnsiCompareStr("a", "A");
    EXPECT_NE(order, 0);
    EXPECT_EQ(AnsiCompareStr("A", "a"), -order);
    EXPECT_NE(AnsiCompareStr("Host/Path", "host/path"), 0);
    const std::string withIgnorable = "a\u200Bb";  // zero-width space
    const int ignorableOrder = AnsiCompareStr("ab", withIgnorable);
    EXPECT_NE(ignorableOrder, 0);
    EXPECT_EQ(AnsiCompareStr(withIgnorable, "ab"), -ignorableOrder);

    // The user's locale rules.
    {
        ScopedLocale german("de_DE.UTF-8");
        EXPECT_EQ(AnsiCompareStr("ä", "b"), -1);
    }
    {
        ScopedLocale swedish("sv_SE.UTF-8");
        EXPECT_EQ(AnsiCompareStr("ä", "z"), 1);
    }
    {
        ScopedLocale c("C");  // United States rules, not byte order
        EXPECT_EQ(AnsiCompareStr("a", "B"), -1);
    }
}

}  // namespace
