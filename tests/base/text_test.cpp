#include "base/text.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(CopyText, CutsAndAlwaysTerminates)
{
    char buf[5];
    memset(buf, 'x', sizeof(buf));
    EXPECT_FALSE(vm2::CopyText(buf, sizeof(buf), "abcdefgh"));
    EXPECT_STREQ("abcd", buf);
    EXPECT_TRUE(vm2::CopyText(buf, sizeof(buf), "abcd"));
    EXPECT_STREQ("abcd", buf);
    EXPECT_TRUE(vm2::CopyText(buf, sizeof(buf), nullptr));
    EXPECT_STREQ("", buf);
    EXPECT_FALSE(vm2::CopyText(buf, 0, "a"));
}

TEST(FormatText, RefusesWhatDoesNotFit)
{
    char buf[8];
    EXPECT_TRUE(vm2::FormatText(buf, sizeof(buf), "%s\\%s", "ab", "cd"));
    EXPECT_STREQ("ab\\cd", buf);
    EXPECT_FALSE(vm2::FormatText(buf, sizeof(buf), "%s", "12345678"));
    EXPECT_STREQ("", buf);
}

TEST(ParseDecimal, ReadsLikeAtoi)
{
    EXPECT_EQ(10, vm2::ParseDecimal("10,5"));
    EXPECT_EQ(-3, vm2::ParseDecimal("  -3x"));
    EXPECT_EQ(0, vm2::ParseDecimal("abc"));
    EXPECT_EQ(0, vm2::ParseDecimal(nullptr));
    EXPECT_EQ(2147483647L, vm2::ParseDecimal("99999999999999"));
}

TEST(EqualNoCase, IgnoresAsciiCaseOnly)
{
    EXPECT_TRUE(vm2::EqualNoCase("Printer A", "PRINTER a"));
    EXPECT_FALSE(vm2::EqualNoCase("Printer", "Printer "));
    EXPECT_FALSE(vm2::EqualNoCase("a", nullptr));
}
