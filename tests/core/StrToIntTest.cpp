#include <gtest/gtest.h>

#include "platform/sysutils.h"

namespace {

template <typename Call>
void ExpectNotAnInteger(const std::string& text, Call call) {
    try {
        call(text);
        ADD_FAILURE() << "no error for '" << text << "'";
    } catch (const EConvertError& error) {
        EXPECT_EQ(error.Message(), "'" + text + "' is not a valid integer value");
    }
}

TEST(StrToUInt32, ReadsUpTo4294967295) {
    EXPECT_EQ(StrToUInt32("0"), 0u);
    EXPECT_EQ(StrToUInt32("+12"), 12u);
    EXPECT_EQ(StrToUInt32("4294967295"), 4294967295u);
    for (const char* text : {"", "4294967296", "-1", "-0", "18446744073709551616", "1e3", " 5"})
        ExpectNotAnInteger(text, [](const std::string& t) { StrToUInt32(t); });
}

}  // namespace
