#include "ui/prefs/prefs_logic.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using namespace vm2::prefs;
using Names = std::vector<std::string>;

namespace {

// A target key and a model section in memory; records every write in order.
struct MemoryStore : SettingsStore {
    std::map<std::string, std::uint32_t> values;
    std::map<std::string, int> profile;
    Names writes;
    bool Read(const char* name, std::uint32_t* v) override
    {
        auto it = values.find(name);
        if (it != values.end()) *v = it->second;
        return it != values.end();
    }
    void Write(const char* name, std::uint32_t v) override
    {
        values[name] = v;
        writes.push_back(name);
    }
    int ProfileInt(const char* key) override { return profile.count(key) ? profile[key] : 0; }
};

}  // namespace

TEST(NotifyItems, CountTableAndNames)
{
    for (const char* bad : {"", "x", "-3", "0", " ", "000000003" /* only seven characters are read */})
        EXPECT_EQ(0, ParseItemCount(bad)) << bad;
    EXPECT_EQ(2, ParseItemCount("2"));
    EXPECT_EQ(kMaxNotifyItems, ParseItemCount("9999999"));
    int expected[3][2] = {{1001, 12}, {1002, 11}, {1003, 0}};
    for (int i = 0; i < 3; ++i) {
        int text = 0, number = -1;
        NotifyItemAt(i, &text, &number);
        EXPECT_EQ(expected[i][0], text);
        EXPECT_EQ(expected[i][1], number);
    }
    char name[8];
    EXPECT_TRUE(NotifyValueName(12, name, sizeof(name)));
    EXPECT_STREQ("012", name);
    EXPECT_FALSE(NotifyValueName(1000, name, sizeof(name)));
}

// Loading as the dialog runs it is checked on the display; here what the
// display does not show: defaults touch sound, buzzer and nothing else, a
// switch other than 0 and 1 reads as 0, and a notification item's default
// is written once read.
TEST(PrefSettings, DefaultsTouchSoundAndBuzzerOnlyAndItemsTakeTheModelsDefault)
{
    MemoryStore s;
    s.profile = {{"SoundNotifyEnable", 1}, {"BeepBuzzerEnable", 2}, {"LoopBuzzer", 1}, {"ITEM012", 1}};
    PrefSettings p;
    p.bTrayIconEnable = 1;
    p.nTrayIconSelected = 2;
    p.bBeepBuzzer = 1;
    LoadPrefDefaults(s, true, &p);
    EXPECT_EQ((std::vector<std::uint32_t>{1, 0, 1, 1, 2}),
              (std::vector<std::uint32_t>{p.bSoundNotify, p.bBeepBuzzer, p.bLoopBuzzer, p.bTrayIconEnable,
                                          p.nTrayIconSelected}));
    LoadPrefDefaults(s, false, &p);
    EXPECT_EQ(0u, p.bLoopBuzzer) << "no buzzer";
    s.values["011"] = 3;
    EXPECT_EQ(1u, LoadNotifySwitch(s, "012"));
    EXPECT_EQ(0u, LoadNotifySwitch(s, "011"));
    EXPECT_EQ(Names{"012"}, s.writes);
    EXPECT_EQ(1u, s.values["012"]);
}

TEST(PrefSettings, OnlyNumberedTargetKeysTakeValues)
{
    EXPECT_TRUE(IsTargetKeyPath("software\\KAVRO\\VLX3\\VLXData\\KPLTarget\\P0000000000000003"));
    for (const char* bad : {"", "software\\KAVRO\\VLX3\\VLXData\\KPLTarget", "a\\P000000000000000",
                            "a\\P00000000000000x0", "\\P0000000000000000"})
        EXPECT_FALSE(IsTargetKeyPath(bad)) << bad;
    EXPECT_FALSE(IsTargetKeyPath(nullptr));
}

// The list's columns share spare width or give way to the state column; the
// help window flips left of and above the cursor at the screen's edges.
TEST(Layout, ColumnsAndHelpWindow)
{
    int c0 = 0, c1 = 0;
    NotifyColumnWidths(100, 50, 300, &c0, &c1);
    EXPECT_EQ((std::vector<int>{175, 125}), (std::vector<int>{c0, c1}));
    NotifyColumnWidths(280, 50, 300, &c0, &c1);
    EXPECT_EQ((std::vector<int>{250, 50}), (std::vector<int>{c0, c1}));
    struct Case {
        int x, y;
        std::vector<int> rect;
    } cases[] = {
        {100, 50, {100, 50, 420, 306}}, {1270, 1000, {950, 744, 1270, 1000}}, {1000, 10, {680, 10, 1000, 266}}};
    for (const Case& c : cases) {
        Rect r = HelpWindowRect(c.x, c.y, 1280, 1024);
        EXPECT_EQ(c.rect, (std::vector<int>{r.left, r.top, r.right, r.bottom})) << c.x << "," << c.y;
    }
}

TEST(ContextHelp, FileKindTopicAndTable)
{
    for (const char* yes : {"C:\\x\\KX.CHM", "a.b\\help.Chm", "help.chmx" /* the text from the last dot */})
        EXPECT_TRUE(IsHtmlHelpFile(yes)) << yes;
    for (const char* no : {"", "help.hlp", "help.ch", "chm"}) EXPECT_FALSE(IsHtmlHelpFile(no)) << no;
    EXPECT_FALSE(IsHtmlHelpFile(nullptr));
    char topic[64];
    ASSERT_TRUE(FormatHelpTopic("C:\\h.chm", 0x3005, topic, sizeof(topic)));
    EXPECT_STREQ("C:\\h.chm::HTML\\0X3005.htm>VlxHH_Context", topic);
    EXPECT_FALSE(FormatHelpTopic("C:\\h.chm", 0x3005, topic, 20));
    for (auto pair : {std::make_pair(208, 0x3015u), std::make_pair(209, 0x3020u), std::make_pair(200, 0x3005u),
                      std::make_pair(1, 0u)})
        EXPECT_EQ(pair.second, HelpContextOf(pair.first)) << pair.first;
    EXPECT_EQ(0u, kHelpTable[18].nControl);
}
