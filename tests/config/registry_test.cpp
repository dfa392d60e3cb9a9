#include "config/registry.h"

#include <gtest/gtest.h>

#include "harness/test_support.h"

using vm2test::ScopedRegKey;
using vm2test::UniqueName;

namespace {

std::string SandboxPath() { return "Software\\vm2pr2-tests\\" + UniqueName("reg"); }

}  // namespace

TEST(Registry, CreateTellsWhetherTheKeyIsNew)
{
    std::string path = SandboxPath();
    ScopedRegKey cleanup(HKEY_CURRENT_USER, path);
    vm2test::DeleteRegTree(HKEY_CURRENT_USER, path);

    Registry first;
    EXPECT_TRUE(first.Create(HKEY_CURRENT_USER, path.c_str(), nullptr, 0));
    EXPECT_TRUE(first.IsOpen());
    EXPECT_EQ(Registry::kAll, first.Access());

    Registry second;
    EXPECT_FALSE(second.Create(HKEY_CURRENT_USER, path.c_str(), nullptr, 0));
    EXPECT_TRUE(second.IsOpen()) << "an existing key is still opened";
}

TEST(Registry, ClosedKeyAnswersDefaults)
{
    Registry key(HKEY_CURRENT_USER, ("Software\\vm2pr2-tests\\" + UniqueName("absent")).c_str(), FALSE, 0);
    EXPECT_FALSE(key.IsOpen());
    EXPECT_EQ("dflt", key.QueryString("x", "dflt", 260));
    EXPECT_EQ(7u, key.QueryDword("x", 7));
    EXPECT_EQ(0xFFFFFFFFu, key.QueryDwordOrNone("x"));
    EXPECT_TRUE(key.QueryBinary("x").empty());
    EXPECT_EQ(0u, key.GetValueType("x"));
    EXPECT_EQ(0u, key.GetValueSize("x"));
    EXPECT_EQ("", key.EnumKey(0));
    EXPECT_FALSE(key.SetDword("x", 1));
    EXPECT_FALSE(key.SetBinary("x", "a", 1));
}

TEST(Registry, ReadAccessCannotWrite)
{
    ScopedRegKey sandbox(HKEY_CURRENT_USER, SandboxPath());
    Registry key(HKEY_CURRENT_USER, sandbox.Path().c_str(), FALSE, 0);
    ASSERT_TRUE(key.IsOpen());
    EXPECT_EQ(Registry::kRead, key.Access());
    EXPECT_FALSE(key.SetDword("v", 1));
}

TEST(Registry, StringsAreReadOnlyWhenTheyAreTextAndFit)
{
    ScopedRegKey sandbox(HKEY_CURRENT_USER, SandboxPath());
    sandbox.SetString("text", "hello");
    sandbox.SetString("expand", "%TEMP%\\x", REG_EXPAND_SZ);
    sandbox.SetDword("number", 5);
    sandbox.SetString("long", std::string(300, 'a'));
    sandbox.SetString("fits", std::string(259, 'b'));
    sandbox.SetBinary("unterminated", "abc", 3);

    Registry key(HKEY_CURRENT_USER, sandbox.Path().c_str(), FALSE, Registry::kRead);
    ASSERT_TRUE(key.IsOpen());
    EXPECT_EQ("hello", key.QueryString("text", "d", 260));
    EXPECT_EQ("%TEMP%\\x", key.QueryString("expand", "d", 260)) << "no expansion";
    EXPECT_EQ("d", key.QueryString("number", "d", 260)) << "a DWORD is not text";
    EXPECT_EQ("d", key.QueryString("long", "d", 260)) << "too long for the buffer";
    EXPECT_EQ(std::string(259, 'b'), key.QueryString("fits", "d", 260));
    EXPECT_EQ("d", key.QueryString("fits", "d", 259)) << "259 characters need 260 bytes";
    EXPECT_EQ("d", key.QueryString("unterminated", "d", 260)) << "binary is not text";
    EXPECT_EQ("d", key.QueryString("missing", "d", 260));
}

TEST(Registry, DwordsAndBinaries)
{
    ScopedRegKey sandbox(HKEY_CURRENT_USER, SandboxPath());
    Registry key(HKEY_CURRENT_USER, sandbox.Path().c_str(), TRUE, 0);
    ASSERT_TRUE(key.IsOpen());
    EXPECT_TRUE(key.SetDword("d", 0xFFFFFFFF));
    EXPECT_TRUE(key.SetBinary("b", "\x01\x02\x00\x04", 4));
    EXPECT_TRUE(key.SetString("s", "12"));

    EXPECT_EQ(0xFFFFFFFFu, key.QueryDword("d", 3));
    EXPECT_EQ(3u, key.QueryDword("s", 3)) << "text is not a DWORD";
    EXPECT_EQ(0xFFFFFFFFu, key.QueryDwordOrNone("missing"));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), key.GetValueType("d"));
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), key.GetValueType("b"));
    EXPECT_EQ(4u, key.GetValueSize("b"));
    EXPECT_EQ(3u, key.GetValueSize("s"));

    std::vector<BYTE> bytes = key.QueryBinary("b");
    ASSERT_EQ(4u, bytes.size());
    EXPECT_EQ(0, bytes[2]);
    EXPECT_EQ(4, bytes[3]);

    EXPECT_TRUE(key.SetBinary("empty", "", 0));
    EXPECT_TRUE(key.QueryBinary("empty").empty()) << "an empty value counts as none";
}

TEST(Registry, EnumKeyWalksSubkeysThenAnswersEmpty)
{
    ScopedRegKey sandbox(HKEY_CURRENT_USER, SandboxPath());
    {
        Registry a(HKEY_CURRENT_USER, (sandbox.Path() + "\\P0").c_str(), TRUE, 0);
        Registry b;
        b.Create(HKEY_CURRENT_USER, (sandbox.Path() + "\\P1").c_str(), "cls", 0);
    }
    Registry key(HKEY_CURRENT_USER, sandbox.Path().c_str(), FALSE, 0);
    std::string cls;
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
        std::string name = key.EnumKey(i, &cls);
        if (name.empty()) break;
        names.push_back(name);
        if (name == "P1") {
            EXPECT_EQ("cls", cls);
        }
    }
    EXPECT_EQ((std::vector<std::string>{"P0", "P1"}), names);
    EXPECT_EQ("", key.EnumKey(99));
}
