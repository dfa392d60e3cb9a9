#include "status/profile_info.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using vm2::MemoryLineSource;
using vm2::ReadProfileItem;
using vm2::StatusLineFields;
using vm2::StatusLineValue;

namespace {

std::vector<std::string> Items(const char* line, int n)
{
    std::vector<std::string> out;
    char item[vm2::kProfileItemMax + 1];
    const char* p = line;
    for (int k = 0; k < n; ++k) {
        p = ReadProfileItem(p, item);
        out.push_back(item);
    }
    return out;
}

int Load(CProfileInfo& profile, const std::string& text, const char* section = "ENU")
{
    MemoryLineSource source(text.data(), text.size());
    return profile.LoadLines(source, section, 3);
}

std::vector<std::string> Messages(CProfileInfo& profile)
{
    std::vector<std::string> out;
    StatusLineFields f;
    for (int more = profile.GetFirst(&f); more; more = profile.GetNext(&f)) out.push_back(f.pszMessage1);
    return out;
}

}  // namespace

TEST(ProfileItem, BlanksQuotesAndCommas)
{
    EXPECT_EQ((std::vector<std::string>{"1", "two words ", "", "x", ""}), Items(" 1,\ttwo words ,,x", 5));
    // A comma ends an item between quotes too; the quotes themselves go.
    EXPECT_EQ((std::vector<std::string>{"Paper out", "reload", "3"}), Items("\"Paper out, reload\",3", 3));
    EXPECT_EQ((std::vector<std::string>{"say hi", "7"}), Items("say \"hi\",7\n", 2));
    // The line end ends the last item; missing items are empty.
    EXPECT_EQ((std::vector<std::string>{"a", "b", "", ""}), Items("a,b\r\n", 4));
}

TEST(ProfileItem, AtMost519Characters)
{
    std::string line(600, 'x');
    line += ",next";
    char item[vm2::kProfileItemMax + 1];
    const char* rest = ReadProfileItem(line.c_str(), item);
    EXPECT_EQ(std::string(519, 'x'), item);
    EXPECT_STREQ("next", rest);  // the rest of a long item is dropped, not a new item
}

TEST(StatusKey, PrefixWithTwoDigits)
{
    EXPECT_STREQ("1", StatusLineValue("STATUS07A=1"));
    EXPECT_STREQ(" 1", StatusLineValue("  STA TUS\t12 = 1"));
    EXPECT_STREQ("1", StatusLineValue("Status99=1"));
    for (const char* no : {"STATUS7=1", "STATUSX1=1", "XSTATUS01=1", "STATUS01 no equals sign\n", "ResDll=x.dll", ""})
        EXPECT_EQ(nullptr, StatusLineValue(no)) << no;
}

TEST(StatusLines, SevenItemsAndDefaults)
{
    CProfileInfo profile;
    EXPECT_EQ(-2, Load(profile, "[ENU]\nSTATUS00=0,5,-2,Jam,Open the cover,1,1\nSTATUS01=65534,-1\n"
                                "STATUS02=0,2,-2,\"Paper jam, rear\",\"Open\",2,7\r\nSTATUS03=1,1,1,c,\"d\"\r\n"));
    ASSERT_EQ(4, profile.GetCount());
    StatusLineFields f;
    ASSERT_EQ(1, profile.GetFirst(&f));
    EXPECT_EQ(0u, f.wST);
    EXPECT_EQ(5u, f.wER);
    EXPECT_EQ(0xFFFEu, f.wWR);
    EXPECT_STREQ("Jam", f.pszMessage1);
    EXPECT_STREQ("Open the cover", f.pszMessage2);
    EXPECT_EQ(1, f.nClassSelector);
    EXPECT_EQ(1, f.nClassFlag);
    ASSERT_EQ(1, profile.GetNext(&f));
    EXPECT_EQ(0xFFFEu, f.wST);
    EXPECT_EQ(0xFFFFu, f.wER);
    EXPECT_EQ(0u, f.wWR);
    EXPECT_STREQ("", f.pszMessage1);
    EXPECT_STREQ("", f.pszMessage2);
    EXPECT_EQ(0, f.nClassSelector);
    EXPECT_EQ(0, f.nClassFlag);
    // A comma inside quotes still splits; leading blanks are skipped; the
    // class flag is reduced to 0 or 1.
    ASSERT_EQ(1, profile.GetNext(&f));
    EXPECT_STREQ("Paper jam", f.pszMessage1);
    EXPECT_STREQ("rear", f.pszMessage2);
    EXPECT_EQ(0, f.nClassSelector) << "\"Open\" read as a number";
    EXPECT_EQ(1, f.nClassFlag);
    ASSERT_EQ(1, profile.GetNext(&f));
    EXPECT_STREQ("d", f.pszMessage2) << "the CR of a CR LF line is not part of the text";
    EXPECT_EQ(0, profile.GetNext(&f));
    ASSERT_EQ(1, profile.GetFirst(&f));  // rewinds
    EXPECT_STREQ("Jam", f.pszMessage1);
}

// Which lines a load takes: only those of the named section, whose header has
// "]" right after the name (text after it does not matter), up to the next
// header at the start of a line; the result is the lookup's: 3 when another
// section ended the list, -2 at the end of the text.
TEST(StatusLines, OnlyTheNamedSection)
{
    struct {
        const char* what;
        std::string text;
        const char* section;
        int result;
        std::vector<std::string> messages;
    } rows[] = {
        {"headers, comments and other sections",
         "STATUS00=1,1,1,before,,0,0\n[ENUX]\nSTATUS00=1,1,1,other,,0,0\n[ENU\nSTATUS00=1,1,1,wrong,,0,0\n[enu]\n"
         "; a comment\nResDll=x.dll\nSTATUS00=1,1,1,first,,0,0\n  [not a header]\nSTATUS05=1,1,1,second,,0,0\n"
         "[Next]\nSTATUS00=1,1,1,after,,0,0\n[ENU]\nSTATUS00=1,1,1,again,,0,0\n",
         "ENU", 3, {"first", "second"}},
        {"text after the bracket",
         "[ENU ]\nSTATUS00=1,1,1,a,,0,0\n[ENU2]\nSTATUS00=1,1,1,b,,0,0\n[ENU]; note\r\nSTATUS00=1,1,1,c,\"d\"\r\n",
         "ENU", -2, {"c"}},
        {"no such section", "[Other]\nSTATUS00=1,1,1,x,,0,0\n", "ENU", -2, {}},
        {"empty name", "[]\nSTATUS00=1,1,1,x,,0,0\n", "", -2, {}},
        {"empty text", "", "ENU", -2, {}},
        {"header as the last bytes", "[ENU]", "ENU", -2, {}},
        {"last line without newline", "[A]\nx=1\n[ENU]\nSTATUS00=1,1,1,one,,0,0\nSTATUS01=1,1,1,last,,0,0", "ENU", -2,
         {"one", "last"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        CProfileInfo profile;
        EXPECT_EQ(row.result, Load(profile, row.text, row.section));
        EXPECT_EQ(row.messages, Messages(profile));
        EXPECT_EQ(static_cast<int>(row.messages.size()), profile.GetCount());
    }
}

TEST(StatusLines, LongLinesComeInPiecesOf519)
{
    // The piece after the first 519 bytes is read as a line of its own: here it
    // is a status line, and the one after it closes the section.
    std::string text = "[ENU]\nSTATUS00=1,1,1,";
    text += std::string(519 - (text.size() - 6), 'm');
    text += "STATUS01=2,2,2,piece,,0,0";
    text += std::string(519 - 25, ' ');
    text += "[X]\nSTATUS02=3,3,3,gone,,0,0\n";
    CProfileInfo profile;
    EXPECT_EQ(3, Load(profile, text));
    std::vector<std::string> m = Messages(profile);
    ASSERT_EQ(2u, m.size());
    EXPECT_EQ(std::string(519 - 15, 'm'), m[0]);
    EXPECT_EQ("piece", m[1]);
}

TEST(StatusLines, HundredsOfLinesInFileOrder)
{
    std::string text = "[ENU]\n";
    for (int k = 0; k < 400; ++k) text += "STATUS" + std::to_string(10 + k % 90) + "=9,9,9,m" + std::to_string(k) + "\n";
    CProfileInfo profile;
    Load(profile, text);
    ASSERT_EQ(400, profile.GetCount());
    std::vector<std::string> m = Messages(profile);
    EXPECT_EQ("m0", m.front());
    EXPECT_EQ("m399", m.back());

    std::vector<StatusEntry> entries(399);
    std::vector<StatusPattern> patterns(399);
    int next = 100;
    EXPECT_EQ(399, vm2::FillModelRows(profile, entries.data(), patterns.data(), 399, &next));
    EXPECT_EQ(100, entries[0].nRealNo);
    EXPECT_EQ(498, entries[398].nRealNo);
    EXPECT_STREQ("m398", entries[398].szMessage1);
    EXPECT_EQ(499, next);

    profile.Clear();
    EXPECT_EQ(0, profile.GetCount());
    StatusLineFields f;
    EXPECT_EQ(0, profile.GetFirst(&f));
}
