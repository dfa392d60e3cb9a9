// The preferences rules the display (prefs_dialog_test.cpp) does not show.
#include "ui/prefs/prefs_logic.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using namespace vm2::prefs;

namespace {

// A model section in memory; the key's values are never read for defaults.
struct ProfileOnly : SettingsStore {
    std::map<std::string, int> profile;
    bool Read(const char*, std::uint32_t*) override { return false; }
    void Write(const char*, std::uint32_t) override { ADD_FAILURE() << "defaults write nothing"; }
    int ProfileInt(const char* key) override { return profile.count(key) ? profile[key] : 0; }
};

}  // namespace

TEST(NotifyItems, CountAndValueNames)
{
    for (const char* bad : {"", "x", "-3", "0", " ", "000000003" /* only seven characters are read */})
        EXPECT_EQ(0, ParseItemCount(bad)) << bad;
    EXPECT_EQ(2, ParseItemCount("2"));
    EXPECT_EQ(kMaxNotifyItems, ParseItemCount("9999999"));
    char name[8];
    EXPECT_FALSE(NotifyValueName(1000, name, sizeof(name)));
}

// Default leaves the tray settings; a switch of 2 reads as 0; no buzzer, no repeat.
TEST(PrefSettings, DefaultsTouchSoundAndBuzzerOnly)
{
    ProfileOnly s;
    s.profile = {{"SoundNotifyEnable", 1}, {"BeepBuzzerEnable", 2}, {"LoopBuzzer", 1}};
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
}

TEST(PrefSettings, OnlyNumberedTargetKeysTakeValues)
{
    EXPECT_TRUE(IsTargetKeyPath("software\\KAVRO\\VLX3\\VLXData\\KPLTarget\\P0000000000000003"));
    for (const char* bad : {"", "software\\KAVRO\\VLX3\\VLXData\\KPLTarget", "a\\P000000000000000",
                            "a\\P00000000000000x0", "\\P0000000000000000"})
        EXPECT_FALSE(IsTargetKeyPath(bad)) << bad;
    EXPECT_FALSE(IsTargetKeyPath(nullptr));
}

// Spare width shared, else the state column kept; the help window flips per edge.
TEST(Layout, ColumnsAndHelpWindow)
{
    int c0 = 0, c1 = 0;
    NotifyColumnWidths(100, 50, 300, &c0, &c1);
    EXPECT_EQ((std::vector<int>{175, 125}), (std::vector<int>{c0, c1}));
    NotifyColumnWidths(280, 50, 300, &c0, &c1);
    EXPECT_EQ((std::vector<int>{250, 50}), (std::vector<int>{c0, c1}));
    Rect r = HelpWindowRect(1000, 10, 1280, 1024);
    EXPECT_EQ((std::vector<int>{680, 10, 1000, 266}), (std::vector<int>{r.left, r.top, r.right, r.bottom}));
}

// HTML help by the text from the last dot; topics of the hidden box and of none.
TEST(ContextHelp, FileKindAndTopics)
{
    for (const char* yes : {"C:\\x\\KX.CHM", "a.b\\help.Chm", "help.chmx"}) EXPECT_TRUE(IsHtmlHelpFile(yes)) << yes;
    for (const char* no : {"", "help.hlp", "help.ch", "chm"}) EXPECT_FALSE(IsHtmlHelpFile(no)) << no;
    EXPECT_FALSE(IsHtmlHelpFile(nullptr));
    EXPECT_EQ(0x3020u, HelpContextOf(209));
    EXPECT_EQ(0u, HelpContextOf(1));
}
