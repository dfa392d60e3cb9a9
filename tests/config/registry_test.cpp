#include "config/registry.h"

#include <gtest/gtest.h>

#include "harness/test_support.h"

using vm2test::ScopedRegKey;

// Values are read only as the type asked for and only when they fit; a
// closed key answers the defaults and writes nothing.
TEST(Registry, ValuesAreReadOnlyOfTheirTypeAndWhenTheyFit)
{
    ScopedRegKey sandbox(HKEY_CURRENT_USER, "Software\\vm2pr2-tests\\" + vm2test::UniqueName("reg"));
    sandbox.SetString("expand", "%TEMP%\\x", REG_EXPAND_SZ);
    sandbox.SetString("long", std::string(300, 'a'));
    sandbox.SetString("fits", std::string(259, 'b'));
    sandbox.SetBinary("unterminated", "abc", 3);

    Registry key(HKEY_CURRENT_USER, sandbox.Path().c_str(), TRUE, 0);
    ASSERT_TRUE(key.IsOpen());
    EXPECT_TRUE(key.SetDword("d", 0xFFFFFFFF));
    EXPECT_TRUE(key.SetBinary("b", "\x01\x02\x00\x04", 4));
    EXPECT_TRUE(key.SetString("s", "12"));
    EXPECT_EQ("%TEMP%\\x", key.QueryString("expand", "d", 260)) << "no expansion";
    EXPECT_EQ("d", key.QueryString("d", "d", 260)) << "a DWORD is not text";
    EXPECT_EQ("d", key.QueryString("long", "d", 260)) << "too long for the buffer";
    EXPECT_EQ(std::string(259, 'b'), key.QueryString("fits", "d", 260));
    EXPECT_EQ("d", key.QueryString("fits", "d", 259)) << "259 characters need 260 bytes";
    EXPECT_EQ("d", key.QueryString("unterminated", "d", 260)) << "binary is not text";
    EXPECT_EQ(0xFFFFFFFFu, key.QueryDword("d", 3));
    EXPECT_EQ(3u, key.QueryDword("s", 3)) << "text is not a DWORD";
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), key.GetValueType("b"));
    EXPECT_EQ(3u, key.GetValueSize("s"));
    EXPECT_EQ((std::vector<BYTE>{1, 2, 0, 4}), key.QueryBinary("b"));
    EXPECT_TRUE(key.SetBinary("empty", "", 0));
    EXPECT_TRUE(key.QueryBinary("empty").empty()) << "an empty value counts as none";

    Registry closed(HKEY_CURRENT_USER, (sandbox.Path() + "\\absent").c_str(), FALSE, 0);
    EXPECT_FALSE(closed.IsOpen());
    EXPECT_EQ(0xFFFFFFFFu, closed.QueryDwordOrNone("x"));
    EXPECT_FALSE(closed.SetDword("x", 1));
    Registry readOnly(HKEY_CURRENT_USER, sandbox.Path().c_str(), FALSE, 0);
    EXPECT_FALSE(readOnly.SetDword("v", 1)) << "read access cannot write";
}
