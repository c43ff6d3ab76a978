#include <gtest/gtest.h>

#include <string>

#include "FuncUnit.h"

namespace {

TEST(CookieCaption, IsTheHostAndPathAfterTheFirstAt) {
    EXPECT_EQ(CookieCaption("Cookie:user@example.com/"), "example.com");
    EXPECT_EQ(CookieCaption("Cookie:user@example.com/path//"), "example.com/path/");
    EXPECT_EQ(CookieCaption("Cookie:user@host@other/"), "host@other");
    EXPECT_EQ(CookieCaption("example.org/a/"), "example.org/a");
    EXPECT_EQ(CookieCaption("Cookie:user@"), "");
    EXPECT_EQ(CookieCaption("@/"), "");
    EXPECT_EQ(CookieCaption(""), "");
}

TEST(CookieCaption, KeepsAtMost260CharactersThenDropsASlash) {
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
