#include "ui/prefs/prefs_logic.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using namespace vm2::prefs;

namespace {

// A target key and a model section in memory; records every write in order.
struct MemoryStore : SettingsStore {
    std::map<std::string, std::uint32_t> values;
    std::map<std::string, int> profile;
    std::vector<std::string> writes;
    bool Read(const char* name, std::uint32_t* v) override
    {
        auto it = values.find(name);
        if (it == values.end()) return false;
        *v = it->second;
        return true;
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
    for (const char* bad : {"", "x", "-3", "0", " "}) EXPECT_EQ(0, ParseItemCount(bad)) << bad;
    EXPECT_EQ(2, ParseItemCount("2"));
    EXPECT_EQ(kMaxNotifyItems, ParseItemCount("9999999"));
    EXPECT_EQ(0, ParseItemCount("000000003"));  // only seven characters are read
    int text = 0, number = -1;
    NotifyItemAt(0, &text, &number);
    EXPECT_EQ(1001, text);
    EXPECT_EQ(12, number);
    NotifyItemAt(1, &text, &number);
    EXPECT_EQ(1002, text);
    EXPECT_EQ(11, number);
    NotifyItemAt(2, &text, &number);
    EXPECT_EQ(1003, text);
    EXPECT_EQ(0, number);
    char name[8];
    EXPECT_TRUE(NotifyValueName(12, name, sizeof(name)));
    EXPECT_STREQ("012", name);
    EXPECT_FALSE(NotifyValueName(1000, name, sizeof(name)));
}

TEST(PrefSettings, MissingValuesComeFromTheModelAndAreWrittenAtOnce)
{
    MemoryStore s;
    s.profile = {{"SoundNotifyEnable", 1}, {"BeepBuzzerEnable", 1}, {"TrayIconEnable", 1}, {"TrayIconSelected", 2}};
    s.values["LoopBuzzer"] = 1;
    PrefSettings p = LoadPrefSettings(s, true, false);
    EXPECT_EQ(1u, p.bBeepBuzzer);
    EXPECT_EQ(1u, p.bLoopBuzzer);
    EXPECT_EQ(0u, p.bSoundNotify);  // not offered: neither read nor written
    EXPECT_EQ(1u, p.bTrayIconEnable);
    EXPECT_EQ(2u, p.nTrayIconSelected);
    EXPECT_EQ((std::vector<std::string>{"BeepBuzzerEnable", "TrayIconEnable", "TrayIconSelected"}), s.writes);
}

TEST(PrefSettings, SwitchesOutsideZeroAndOneReadAsZeroButTheIconChoiceIsKept)
{
    MemoryStore s;
    s.values = {{"SoundNotifyEnable", 5}, {"TrayIconEnable", 2}, {"TrayIconSelected", 7}};
    PrefSettings p = LoadPrefSettings(s, false, true);
    EXPECT_EQ(0u, p.bSoundNotify);
    EXPECT_EQ(0u, p.bTrayIconEnable);
    EXPECT_EQ(7u, p.nTrayIconSelected);
    EXPECT_EQ(0u, p.bBeepBuzzer);
    EXPECT_TRUE(s.writes.empty());
    EXPECT_EQ(0u, s.values.count("BeepBuzzerEnable"));

    MemoryStore n;
    n.profile["ITEM012"] = 1;
    EXPECT_EQ(1u, LoadNotifySwitch(n, "012"));
    EXPECT_EQ(1u, n.values["012"]);
    n.values["011"] = 3;
    EXPECT_EQ(0u, LoadNotifySwitch(n, "011"));
}

TEST(PrefSettings, DefaultsTouchSoundAndBuzzerOnlyAndSaveWritesInOrder)
{
    MemoryStore profile;
    profile.profile = {{"SoundNotifyEnable", 1}, {"BeepBuzzerEnable", 2}, {"LoopBuzzer", 1}};
    PrefSettings p;
    p.bTrayIconEnable = 1;
    p.nTrayIconSelected = 2;
    p.bBeepBuzzer = 1;
    LoadPrefDefaults(profile, true, &p);
    EXPECT_EQ(1u, p.bSoundNotify);
    EXPECT_EQ(0u, p.bBeepBuzzer);
    EXPECT_EQ(1u, p.bLoopBuzzer);
    EXPECT_EQ(1u, p.bTrayIconEnable);
    EXPECT_EQ(2u, p.nTrayIconSelected);
    LoadPrefDefaults(profile, false, &p);
    EXPECT_EQ(0u, p.bLoopBuzzer);

    MemoryStore out;
    SavePrefSettings(out, p, false);
    EXPECT_EQ((std::vector<std::string>{"SoundNotifyEnable", "TrayIconEnable", "TrayIconSelected"}), out.writes);
    out.writes.clear();
    SavePrefSettings(out, p, true);
    EXPECT_EQ((std::vector<std::string>{"SoundNotifyEnable", "BeepBuzzerEnable", "LoopBuzzer", "TrayIconEnable",
                                        "TrayIconSelected"}),
              out.writes);
}

TEST(PrefSettings, OnlyNumberedTargetKeysTakeValues)
{
    EXPECT_TRUE(IsTargetKeyPath("software\\KAVRO\\VLX3\\VLXData\\KPLTarget\\P0000000000000003"));
    for (const char* bad : {"", "software\\KAVRO\\VLX3\\VLXData\\KPLTarget", "a\\P000000000000000",
                            "a\\P00000000000000x0", "\\P0000000000000000"})
        EXPECT_FALSE(IsTargetKeyPath(bad)) << bad;
    EXPECT_FALSE(IsTargetKeyPath(nullptr));
}

TEST(Layout, ColumnsShareSpareWidthOrGiveWayToTheStateColumn)
{
    int c0 = 0, c1 = 0;
    NotifyColumnWidths(100, 50, 300, &c0, &c1);
    EXPECT_EQ(175, c0);
    EXPECT_EQ(125, c1);
    NotifyColumnWidths(280, 50, 300, &c0, &c1);
    EXPECT_EQ(250, c0);
    EXPECT_EQ(50, c1);
}

TEST(Layout, ThreeIconsSpreadWithEqualGapsVerticallyCentred)
{
    int x[3], y = 0;
    for (int i = 0; i < 3; ++i) SpreadIconPosition(i, 3, 32, 32, 228, 52, &x[i], &y);
    EXPECT_EQ(10, y);
    int gap = x[0];
    EXPECT_EQ(gap, x[1] - x[0] - 32);
    EXPECT_EQ(gap, x[2] - x[1] - 32);
    EXPECT_EQ(gap, 228 - x[2] - 32);
}

TEST(Layout, HelpWindowFlipsLeftAndUpAtTheScreenEdges)
{
    Rect r = HelpWindowRect(100, 50, 1280, 1024);
    EXPECT_EQ((std::vector<int>{100, 50, 420, 306}), (std::vector<int>{r.left, r.top, r.right, r.bottom}));
    r = HelpWindowRect(1270, 1000, 1280, 1024);
    EXPECT_EQ((std::vector<int>{950, 744, 1270, 1000}), (std::vector<int>{r.left, r.top, r.right, r.bottom}));
}

TEST(ContextHelp, FileKindTopicAndTable)
{
    EXPECT_TRUE(IsHtmlHelpFile("C:\\x\\KX.CHM"));
    EXPECT_TRUE(IsHtmlHelpFile("a.b\\help.Chm"));
    EXPECT_TRUE(IsHtmlHelpFile("help.chmx"));  // the text from the last dot begins with ".chm"
    for (const char* no : {"", "help.hlp", "help.ch", "chm"}) EXPECT_FALSE(IsHtmlHelpFile(no)) << no;
    EXPECT_FALSE(IsHtmlHelpFile(nullptr));
    char topic[64];
    ASSERT_TRUE(FormatHelpTopic("C:\\h.chm", 0x3005, topic, sizeof(topic)));
    EXPECT_STREQ("C:\\h.chm::HTML\\0X3005.htm>VlxHH_Context", topic);
    EXPECT_FALSE(FormatHelpTopic("C:\\h.chm", 0x3005, topic, 20));
    EXPECT_EQ(0x3015u, HelpContextOf(208));
    EXPECT_EQ(0x3020u, HelpContextOf(209));
    EXPECT_EQ(0x3005u, HelpContextOf(200));
    EXPECT_EQ(0u, HelpContextOf(1));
    EXPECT_EQ(0u, kHelpTable[18].nControl);
}
