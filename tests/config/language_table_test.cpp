#include "config/language_table.h"

#include <gtest/gtest.h>

#include <string>

using vm2::LanguageLine;
using vm2::ParseLanguageSection;
using vm2::PickLanguageLine;
using vm2::ReadLanguageNumber;

namespace {

std::vector<LanguageLine> Parse(const std::string& lines)  // '|' separates lines
{
    std::string data = lines;
    for (char& c : data)
        if (c == '|') c = '\0';
    data.push_back('\0');
    return ParseLanguageSection(data.data(), data.size());
}

}  // namespace

TEST(LanguageNumber, SkipsEverythingThatIsNotAHexDigit)
{
    struct { const char* text; unsigned expected; } cases[] = {
        {"9", 9},        {"0x09", 9},     {"0X09", 9},    {" 1 1 ", 0x11},
        {"1F", 0x1F},    {"1f", 0x1F},    {"", 0},        {"zz", 0},
        {"12345", 0x2345},  // cut to 16 bits
        {"FFFFFFFFFF", 0xFFFF},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.expected, ReadLanguageNumber(c.text, nullptr));
    }
}

TEST(LanguageSection, SplitsNamePrimaryAndSublanguage)
{
    auto lines = Parse("JPN=0x11,0x01|ENU=9,1,ignored|Bare|NoSub=7");
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ("JPN", lines[0].section);
    EXPECT_EQ(0x11, lines[0].primary);
    EXPECT_EQ(1, lines[0].sublanguage);
    EXPECT_EQ("ENU", lines[1].section);
    EXPECT_EQ(9, lines[1].primary);
    EXPECT_EQ(1, lines[1].sublanguage);
    EXPECT_EQ("Bare", lines[2].section);
    EXPECT_EQ(0, lines[2].primary);
    EXPECT_EQ(7, lines[3].primary);
    EXPECT_EQ(0, lines[3].sublanguage);
}

TEST(LanguageSection, StopsAtLengthWithoutFinalZero)
{
    const char data[] = {'A', '=', '9', ',', '1'};  // no terminator at all
    auto lines = ParseLanguageSection(data, sizeof(data));
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("A", lines[0].section);
    EXPECT_EQ(1, lines[0].sublanguage);
    EXPECT_TRUE(ParseLanguageSection(nullptr, 10).empty());
}

// Exact match first (even after an earlier primary match), then the first
// line of the primary language, then English, then the first line.
TEST(LanguagePick, ExactThenPrimaryThenEnglishThenFirst)
{
    struct {
        const char* lines;
        unsigned lang;
        int pick;
    } rows[] = {
        {"A=0x11,1|B=9,1", 0x0411, 0}, {"A=0x11,1|B=9,1", 0x0809, 1}, {"A=0x11,1|B=9,1", 0x0407, 1},
        {"A=0x11,1|C=0x0c,1", 0x0407, 0}, {"US=9,1|UK=9,2", 0x0809, 1}, {"US=9,1|UK=9,2", 0x0C09, 0},
    };
    for (const auto& r : rows) EXPECT_EQ(r.pick, PickLanguageLine(Parse(r.lines), r.lang)) << r.lines << " " << r.lang;
    EXPECT_EQ(-1, PickLanguageLine({}, 0x0409));
}
