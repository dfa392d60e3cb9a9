// The option reader of the companion command lines and parameter-file lines.
#include "coord/cmd_line.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(CmdLineGetOption, TableOfTextsIndexesAndResults)
{
    const std::string longName(150, 'N');
    struct Row {
        std::string text;
        int index, result;
        std::string name, value;
    } rows[] = {
        {"/S", 0, 0, "S", ""},
        {"/S", 1, -1, "", ""},
        {"", 0, -1, "", ""},
        {"no options here", 0, -1, "", ""},
        {"\"/quoted\"", 0, -1, "", ""},
        {"/R", -1, -1, "", ""},
        // Names keep their spelling and end at digits, quotes, slashes, blanks.
        {"/p \"x\" /Kpm \"y\" /BH\"z\"\t/r/S", 1, 1, "Kpm", "y"},
        {"/p \"x\" /Kpm \"y\" /BH\"z\"\t/r/S", 2, 1, "BH", "z"},
        {"/p \"x\" /Kpm \"y\" /BH\"z\"\t/r/S", 4, 0, "S", ""},
        {"/M \"a/b c\" /R", 0, 5, "M", "a/b c"},
        {"/M \"a/b c\" /R", 1, 0, "R", ""},
        // A slash inside a quoted section outside any option starts nothing.
        {"\"C:\\odd /dir\\K_VM1IC2.EXE\" /F \"K_V1.tmp\"", 0, 8, "F", "K_V1.tmp"},
        {"/R /P \"printer\"", 0, 0, "R", ""},
        // A length prefix takes exactly that many characters, whatever they are.
        {"/P9 \"a\"b/ \"c d\" /O4 \"\"/\"\" /M \"KX\"", 0, 9, "P", "a\"b/ \"c d"},
        {"/P9 \"a\"b/ \"c d\" /O4 \"\"/\"\" /M \"KX\"", 1, 4, "O", "\"/\"\""},
        {"/P9 \"a\"b/ \"c d\" /O4 \"\"/\"\" /M \"KX\"", 2, 2, "M", "KX"},
        {"/P10 \"abc\"", 0, 10, "P", ""},
        {"/P3 \"ab", 0, 3, "P", ""},
        {"/P3 \"abc", 0, 3, "P", "abc"},
        {"/P3 abc", 0, -1, "", ""},
        {"/P0 \"\" /O5 \"LPT1:\" /M \"\"", 1, 5, "O", "LPT1:"},
        {"/P0 \"\" /O5 \"LPT1:\" /M \"\"", 2, 0, "M", ""},
        {"/M \"ab\ncd\"", 0, 2, "M", "ab"},
        {"/" + longName + " \"v\"", 0, 1, std::string(vm2::kOptionNameBuf - 1, 'N'), "v"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text + " #" + std::to_string(row.index));
        CCmdLine cmd;
        ASSERT_TRUE(cmd.SetCmdLine(row.text.c_str()));
        char name[vm2::kOptionNameBuf];
        char value[vm2::kOptionValueBuf];
        memset(name, 'N', sizeof(name));
        memset(value, 'V', sizeof(value));
        EXPECT_EQ(row.result, cmd.GetOption(row.index, name, value));
        EXPECT_EQ(row.name, name);
        EXPECT_EQ(row.value, value);
    }
}

TEST(CmdLineSetCmdLine, RefusesTextThatDoesNotFit)
{
    CCmdLine cmd;
    std::string fits = "/P \"" + std::string(254, 'x') + "\"";  // 259 characters
    EXPECT_TRUE(cmd.SetCmdLine(fits.c_str()));
    EXPECT_STREQ(fits.c_str(), cmd.m_szCmdLine);
    EXPECT_FALSE(cmd.SetCmdLine((fits + " ").c_str()));
    EXPECT_STREQ("", cmd.m_szCmdLine);
    EXPECT_TRUE(cmd.SetCmdLine(nullptr));
    EXPECT_STREQ("", cmd.m_szCmdLine);
}

TEST(FindCmdOption, LongValuesHugePrefixesAndTheGivenLength)
{
    // Texts longer than the command-line buffer reach the reader directly.
    std::string name, value;
    std::string text = "/P300 \"" + std::string(300, 'v') + "\"";
    EXPECT_EQ(300, vm2::FindCmdOption(text.c_str(), text.size(), 0, &name, &value));
    EXPECT_EQ(std::string(300, 'v'), value);

    text = "/P99999999999999999999999 \"x\" /R";
    EXPECT_GT(vm2::FindCmdOption(text.c_str(), text.size(), 0, &name, &value), 0);
    EXPECT_EQ("P", name);
    EXPECT_EQ("", value);
    EXPECT_EQ(-1, vm2::FindCmdOption(text.c_str(), text.size(), 1, &name, &value));

    EXPECT_EQ(0, vm2::FindCmdOption("/R /S", 2, 0, &name, &value));
    EXPECT_EQ(-1, vm2::FindCmdOption("/R /S", 2, 1, &name, &value));
    EXPECT_EQ(-1, vm2::FindCmdOption(nullptr, 5, 0, &name, &value));
}

TEST(ParseParamLine, ValueRunsFromTheFirstToTheLastQuote)
{
    struct Case {
        const char* line;
        bool ok;
        const char* name;
        const char* value;
    } cases[] = {
        {"/P \"KX-9100 Demo USB\"\r\n", true, "P", "KX-9100 Demo USB"},
        {"/P \"KX-9100 Demo USB\"", true, "P", "KX-9100 Demo USB"},
        {"/P \"a\"b\"c\"\n", true, "P", "a\"b\"c"},
        {"/P \"a/b\"", true, "P", "a/b"},
        {"   /m\"x\"  trailing\n", true, "m", "x"},
        {"/BH \"\"\n", true, "BH", ""},
        {"/P \"unterminated\r\n", true, "P", "unterminated"},
        {"/KPM \"\xE4\xF6\xFC\"\n", true, "KPM", "\xE4\xF6\xFC"},
        {"/R\r\n", true, "R", "/R"},  // no quote: the whole line
        {"P \"printer\"\n", false, "", ""},
        {"", false, "", ""},
        {nullptr, false, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line != nullptr ? c.line : "(null)");
        std::string name = "x", value = "y";
        EXPECT_EQ(c.ok, vm2::ParseParamLine(c.line, &name, &value));
        EXPECT_EQ(c.name, name);
        EXPECT_EQ(c.value, value);
    }
}
