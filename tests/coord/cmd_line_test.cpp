// The option reader of the companion command lines and parameter-file lines.
#include "coord/cmd_line.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Opt {
    int result;
    std::string name;
    std::string value;
};

Opt Get(const std::string& text, int index)
{
    CCmdLine cmd;
    EXPECT_TRUE(cmd.SetCmdLine(text.c_str())) << text;
    char name[vm2::kOptionNameBuf];
    char value[vm2::kOptionValueBuf];
    memset(name, 'N', sizeof(name));
    memset(value, 'V', sizeof(value));
    int r = cmd.GetOption(index, name, value);
    return {r, name, value};
}

// Every option of a text, as (name, value) pairs.
std::vector<std::pair<std::string, std::string>> All(const std::string& text)
{
    std::vector<std::pair<std::string, std::string>> out;
    for (int i = 0; i < 50; ++i) {
        Opt o = Get(text, i);
        if (o.result == -1) break;
        out.emplace_back(o.name, o.value);
    }
    return out;
}

using Pairs = std::vector<std::pair<std::string, std::string>>;

}  // namespace

TEST(CmdLineGetOption, FlagAloneGivesItsNameAndLengthZero)
{
    Opt o = Get("/S", 0);
    EXPECT_EQ(0, o.result);
    EXPECT_EQ("S", o.name);
    EXPECT_EQ("", o.value);
    EXPECT_EQ(-1, Get("/S", 1).result);
}

TEST(CmdLineGetOption, NoSuchIndexLeavesBothOutputsEmpty)
{
    for (const char* text : {"", "no options here", "/R", "\"/quoted\""}) {
        SCOPED_TRACE(text);
        Opt o = Get(text, 3);
        EXPECT_EQ(-1, o.result);
        EXPECT_EQ("", o.name);
        EXPECT_EQ("", o.value);
    }
    EXPECT_EQ(-1, Get("/R", -1).result);
}

TEST(CmdLineGetOption, NamesKeepTheirSpellingAndEndAtDigitsQuotesSlashesAndBlanks)
{
    EXPECT_EQ((Pairs{{"p", "x"}, {"Kpm", "y"}, {"BH", "z"}, {"r", ""}, {"S", ""}}),
              All("/p \"x\" /Kpm \"y\" /BH\"z\"\t/r/S"));
}

TEST(CmdLineGetOption, QuotedValueWithoutLengthMayHoldSlashes)
{
    EXPECT_EQ((Pairs{{"M", "a/b c"}, {"R", ""}}), All("/M \"a/b c\" /R"));
    // A slash inside a quoted section outside any option starts nothing.
    EXPECT_EQ((Pairs{{"F", "K_V1.tmp"}}), All("\"C:\\odd /dir\\K_VM1IC2.EXE\" /F \"K_V1.tmp\""));
}

TEST(CmdLineGetOption, FlagDoesNotTakeTheNextOptionsValue)
{
    Opt o = Get("/R /P \"printer\"", 0);
    EXPECT_EQ(0, o.result);
    EXPECT_EQ("R", o.name);
    EXPECT_EQ("", o.value);
}

TEST(CmdLineGetOption, LengthPrefixTakesExactlyThatManyCharacters)
{
    // The value holds quotes, a slash and blanks; the reader never looks
    // inside it and the following options are still found.
    std::string text = "/P9 \"a\"b/ \"c d\" /O4 \"\"/\"\" /M \"KX\"";
    EXPECT_EQ((Pairs{{"P", "a\"b/ \"c d"}, {"O", "\"/\"\""}, {"M", "KX"}}), All(text));
    EXPECT_EQ(9, Get(text, 0).result);
    EXPECT_EQ(4, Get(text, 1).result);
}

TEST(CmdLineGetOption, LengthPrefixRunningPastTheEndGivesTheNameAlone)
{
    Opt o = Get("/P10 \"abc\"", 0);
    EXPECT_EQ(10, o.result);
    EXPECT_EQ("P", o.name);
    EXPECT_EQ("", o.value);
    // One character short of fitting.
    o = Get("/P3 \"ab", 0);
    EXPECT_EQ(3, o.result);
    EXPECT_EQ("", o.value);
    // All there but the closing quote, which the reader does not need.
    o = Get("/P3 \"abc", 0);
    EXPECT_EQ(3, o.result);
    EXPECT_EQ("abc", o.value);
    o = Get("/P3 \"abc\"", 0);
    EXPECT_EQ(3, o.result);
    EXPECT_EQ("abc", o.value);
}

TEST(CmdLineGetOption, LengthPrefixWithoutAQuoteIsNoOption)
{
    Opt o = Get("/P3 abc", 0);
    EXPECT_EQ(-1, o.result);
    EXPECT_EQ("", o.name);
    EXPECT_EQ("", o.value);
}

TEST(CmdLineGetOption, ZeroLengthPrefixReadsAsAnEmptyQuotedValue)
{
    EXPECT_EQ((Pairs{{"P", ""}, {"O", "LPT1:"}, {"M", ""}}), All("/P0 \"\" /O5 \"LPT1:\" /M \"\""));
}

TEST(CmdLineGetOption, LineEndStopsAValue)
{
    Opt o = Get("/M \"ab\ncd\"", 0);
    EXPECT_EQ(2, o.result);
    EXPECT_EQ("ab", o.value);
}

TEST(CmdLineGetOption, LongNameIsCutToItsBuffer)
{
    std::string name(150, 'N');
    Opt o = Get("/" + name + " \"v\"", 0);
    EXPECT_EQ(1, o.result);
    EXPECT_EQ(std::string(vm2::kOptionNameBuf - 1, 'N'), o.name);
    EXPECT_EQ("v", o.value);
}

TEST(CmdLineSetCmdLine, RefusesTextThatDoesNotFit)
{
    CCmdLine cmd;
    std::string fits = "/P \"" + std::string(254, 'x') + "\"";  // 259 characters
    EXPECT_TRUE(cmd.SetCmdLine(fits.c_str()));
    EXPECT_STREQ(fits.c_str(), cmd.m_szCmdLine);
    std::string tooLong = fits + " ";
    EXPECT_FALSE(cmd.SetCmdLine(tooLong.c_str()));
    EXPECT_STREQ("", cmd.m_szCmdLine);
    char name[vm2::kOptionNameBuf], value[vm2::kOptionValueBuf];
    EXPECT_EQ(-1, cmd.GetOption(0, name, value));
    EXPECT_TRUE(cmd.SetCmdLine(nullptr));
    EXPECT_STREQ("", cmd.m_szCmdLine);
}

TEST(FindCmdOption, ValueLongerThanAFieldIsRefusedByGetOptionOnly)
{
    // Texts longer than the command-line buffer reach the reader directly.
    std::string value(300, 'v');
    std::string text = "/P300 \"" + value + "\"";
    std::string name, got;
    EXPECT_EQ(300, vm2::FindCmdOption(text.c_str(), text.size(), 0, &name, &got));
    EXPECT_EQ(value, got);
}

TEST(FindCmdOption, HugeLengthPrefixNeitherOverflowsNorReadsPastTheText)
{
    std::string text = "/P99999999999999999999999 \"x\" /R";
    std::string name, value;
    int r = vm2::FindCmdOption(text.c_str(), text.size(), 0, &name, &value);
    EXPECT_GT(r, 0);
    EXPECT_EQ("P", name);
    EXPECT_EQ("", value);
    EXPECT_EQ(-1, vm2::FindCmdOption(text.c_str(), text.size(), 1, &name, &value));
}

TEST(FindCmdOption, ReadsOnlyTheGivenLength)
{
    const char text[] = "/R /S";
    std::string name, value;
    EXPECT_EQ(0, vm2::FindCmdOption(text, 2, 0, &name, &value));
    EXPECT_EQ(-1, vm2::FindCmdOption(text, 2, 1, &name, &value));
    EXPECT_EQ(-1, vm2::FindCmdOption(nullptr, 5, 0, &name, &value));
}

// ------------------------------------------------------------ file lines

TEST(ParseParamLine, ValueRunsFromTheFirstToTheLastQuote)
{
    struct Case {
        const char* line;
        const char* name;
        const char* value;
    } cases[] = {
        {"/P \"KX-9100 Demo USB\"\n", "P", "KX-9100 Demo USB"},
        {"/P \"KX-9100 Demo USB\"\r\n", "P", "KX-9100 Demo USB"},
        {"/P \"KX-9100 Demo USB\"", "P", "KX-9100 Demo USB"},
        {"/P \"a\"b\"c\"\n", "P", "a\"b\"c"},
        {"/P \"a/b\"", "P", "a/b"},
        {"   /m\"x\"  trailing\n", "m", "x"},
        {"/BH \"\"\n", "BH", ""},
        {"/P \"unterminated\r\n", "P", "unterminated"},
        {"/KPM \"\xE4\xF6\xFC\"\n", "KPM", "\xE4\xF6\xFC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::string name, value;
        ASSERT_TRUE(vm2::ParseParamLine(c.line, &name, &value));
        EXPECT_EQ(c.name, name);
        EXPECT_EQ(c.value, value);
    }
}

TEST(ParseParamLine, LineWithoutQuoteGivesTheWholeLine)
{
    std::string name, value;
    ASSERT_TRUE(vm2::ParseParamLine("/R\r\n", &name, &value));
    EXPECT_EQ("R", name);
    EXPECT_EQ("/R", value);
}

TEST(ParseParamLine, LineWithoutSlashHoldsNoOption)
{
    std::string name = "x", value = "y";
    EXPECT_FALSE(vm2::ParseParamLine("P \"printer\"\n", &name, &value));
    EXPECT_EQ("", name);
    EXPECT_EQ("", value);
    EXPECT_FALSE(vm2::ParseParamLine("", &name, &value));
    EXPECT_FALSE(vm2::ParseParamLine(nullptr, &name, &value));
}
