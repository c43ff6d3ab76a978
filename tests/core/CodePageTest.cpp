#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace {

const std::string kMixed = "a\u00E9\u20AC\U0001F600b";  // 1, 2, 3, 4 and 1 bytes

TEST(CopyChars, CountsCharactersNotBytesNeverCutsOneAndCountsBadBytesAsOne) {
    EXPECT_EQ(CopyChars(kMixed, 0, 3), "a\u00E9\u20AC");
    EXPECT_EQ(CopyChars(kMixed, 1, 1), "\u00E9");
    EXPECT_EQ(CopyChars(kMixed, 6, 1), "\U0001F600");
    EXPECT_EQ(CopyChars(kMixed, 0, 100), kMixed);
    EXPECT_EQ(CopyChars(kMixed, 0, 0), "");
    EXPECT_EQ(CopyChars(kMixed, kMixed.size(), 1), "");
    EXPECT_EQ(CopyChars(kMixed, kMixed.size() + 5, 1), "");
    EXPECT_EQ(CharCount(kMixed), 5u);
    for (std::size_t count = 0; count <= 5; ++count) {
        const std::string part = CopyChars(kMixed, 0, count);
        EXPECT_EQ(CharCount(part), count);
        EXPECT_EQ(AnsiToWide(part).find(u'\uFFFD'), std::u16string::npos) << count;
    }
    // Each invalid byte counts as one character.
    const std::string broken =
        "\xFF\xFE"
        "a\xE2\x82";  // stray bytes and a cut-off euro sign
    EXPECT_EQ(CharCount(broken), 5u);
    EXPECT_EQ(CopyChars(broken, 0, 2), "\xFF\xFE");
    EXPECT_EQ(CopyChars(broken, 3, 1), "\xE2");
    EXPECT_EQ(CharCount("\xC0\x80"), 2u);  // overlong form of NUL
}

TEST(WideToAnsi, EncodesUtf8AndReplacesUnpairedSurrogates) {
    EXPECT_EQ(WideToAnsi(u"a\u00E9\u20AC\U0001F600b"), kMixed);
    EXPECT_EQ(WideToAnsi(u""), "");
    // A lone high, a lone low, a high at the end, a pair reversed.
    EXPECT_EQ(WideToAnsi(std::u16string{0xD83D, u'x'}), "\uFFFDx");
    EXPECT_EQ(WideToAnsi(std::u16string{u'x', 0xDE00}), "x\uFFFD");
    EXPECT_EQ(WideToAnsi(std::u16string{u'x', 0xD83D}), "x\uFFFD");
    EXPECT_EQ(WideToAnsi(std::u16string{0xDE00, 0xD83D}), "\uFFFD\uFFFD");
}

TEST(AnsiToWide, DecodesUtf8AndReplacesEachInvalidByte) {
    EXPECT_EQ(AnsiToWide(kMixed), u"a\u00E9\u20AC\U0001F600b");
    EXPECT_EQ(AnsiToWide("\xC0\x80"), u"\uFFFD\uFFFD");
    EXPECT_EQ(AnsiToWide("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");            // an encoded surrogate
    EXPECT_EQ(AnsiToWide("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // beyond U+10FFFF
    EXPECT_EQ(AnsiToWide("a\xE2\x82"), u"a\uFFFD\uFFFD");
    EXPECT_EQ(AnsiToWide("\xEF\xBB\xBFx"), u"\uFEFFx");  // a leading byte order mark is text
}

TEST(AnsiToWide, RoundTripsEveryCodePoint) {
    for (char32_t code = 0; code <= 0x10FFFF; ++code) {
        if (code >= 0xD800 && code <= 0xDFFF)
            continue;
        std::u16string wide;
        if (code < 0x10000) {
            wide = std::u16string(1, static_cast<char16_t>(code));
        } else {
            wide = {static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)),
                    static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF))};
        }
        const std::string narrow = WideToAnsi(wide);
        ASSERT_EQ(CharCount(narrow), 1u) << std::hex << static_cast<unsigned>(code);
        ASSERT_EQ(AnsiToWide(narrow), wide) << std::hex << static_cast<unsigned>(code);
    }
}

}  // namespace
