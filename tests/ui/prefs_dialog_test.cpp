// The preferences dialog on the display: templates and hidden controls,
// settings loaded, defaulted and saved, list clicks and keys, and the
// results of the export's dialog run.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "coord/window_map.h"
#include "ui/prefs/vlx_env_dlg.h"
#include "harness/gui_objects.h"
#include "ui/prefs_fixture.h"

using namespace vm2test;

namespace {

const char kBuzzerModel[] =
    "SOUND=1\r\nSoundNotifyEnable=1\r\nBeepBuzzerEnable=1\r\nLoopBuzzer=0\r\nTrayIconEnable=1\r\n"
    "TrayIconSelected=1\r\nITEMNUM=2\r\nITEM012=1\r\nITEM011=0";
const char kSoundModel[] =
    "SOUND=1\r\nSoundNotifyEnable=1\r\nTrayIconEnable=0\r\nTrayIconSelected=0\r\nITEMNUM=2\r\nITEM012=0\r\nITEM011=1";
const char kSilentModel[] = "SOUND=0\r\nSoundNotifyEnable=1\r\nITEMNUM=1\r\nITEM012=1";

void Press(HWND dlg, int id) { ClickCenter(GetDlgItem(dlg, id)); }

// The Run entry and the icon program's start that OK makes, kept apart
// from the user's: a log for the stand-ins, the value removed afterwards.
struct Companions {
    TempDir dir;
    std::string log = dir.File("companions.log");
    std::string printer;
    Companions(const PrefsSetup& s) : printer(s.printer.empty() ? s.port : s.printer)
    {
        SetEnvironmentVariableA("VM2PR2_COMPANION_LOG", log.c_str());
        std::string driverKey = "software\\KAVRO\\VLX3\\Driver\\" + s.model.Driver();
        for (auto v : {std::make_pair("K_VICN", "K_VM1IC2.EXE"), std::make_pair("K_VRCV", "K_VAGENT.EXE")}) {
            std::string path = BinDir() + "\\" + v.second;
            RegSetKeyValueA(HKEY_LOCAL_MACHINE, driverKey.c_str(), v.first, REG_SZ, path.c_str(),
                            static_cast<DWORD>(path.size() + 1));
        }
    }
    ~Companions()
    {
        SetEnvironmentVariableA("VM2PR2_COMPANION_LOG", nullptr);
        RegDeleteKeyValueA(HKEY_CURRENT_USER, "software\\Microsoft\\Windows\\CurrentVersion\\Run", printer.c_str());
    }
    // The stand-ins write when they have started; wait a moment for them.
    std::string Records(const char* program, DWORD waitMs = 5000) const
    {
        std::string text;
        for (DWORD t = 0; t <= waitMs; t += 100) {
            text = ReadFileText(log);
            if (text.find(std::string("[") + program + "]") != std::string::npos) break;
            Sleep(100);
        }
        return text;
    }
};

}  // namespace

// A buzzer printer gets template 110 (buzzer and loop boxes, no sound box),
// one without template 100; SOUND=0 hides the sound box and the speaker.
TEST(PrefsDialog, TemplateAndSoundBoxFollowTheModel)
{
    struct Case {
        const char* model;
        bool sound, speaker, buzzer;
    } cases[] = {{kBuzzerModel, false, true, true}, {kSoundModel, true, true, false}, {kSilentModel, false, false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model);
        PrefsSetup s(c.model);
        bool sound = !c.sound, speaker = !c.speaker, buzzer = !c.buzzer, loop = !c.buzzer, loopEnabled = !c.buzzer;
        EXPECT_EQ(1, s.Run([&](HWND dlg) {
            sound = Visible(dlg, 202);
            speaker = Visible(dlg, 201);
            buzzer = Visible(dlg, 392);
            loop = Visible(dlg, 393);
            loopEnabled = Visible(dlg, 393) && IsWindowEnabled(GetDlgItem(dlg, 393)) != FALSE;
            WindowWatch::PressButton(dlg, IDCANCEL);
        }));
        EXPECT_EQ(c.sound, sound);
        EXPECT_EQ(c.speaker, speaker);
        EXPECT_EQ(c.buzzer, buzzer);
        EXPECT_EQ(c.buzzer, loop);
        EXPECT_EQ(c.buzzer, loopEnabled) << "the model's buzzer is on";
        if (c.model == kSilentModel) {
            EXPECT_EQ(0xBAADF00Du, s.Value("SoundNotifyEnable")) << "not offered: neither read nor filled in";
        }
    }
}

TEST(PrefsDialog, MissingValuesAreFilledFromTheModelAndStayAfterCancel)
{
    PrefsSetup s(kBuzzerModel);
    RegSetKeyValueA(HKEY_CURRENT_USER, s.key.c_str(), "TrayIconEnable", REG_DWORD, "\x02\0\0\0", 4);
    RegSetKeyValueA(HKEY_CURRENT_USER, s.key.c_str(), "TrayIconSelected", REG_DWORD, "\x07\0\0\0", 4);
    bool tray = true, buzzer = false;
    int item12 = -1, item11 = -1;
    EXPECT_EQ(1, s.Run([&](HWND dlg) {
        tray = Checked(dlg, 206);
        buzzer = Checked(dlg, 392);
        item12 = RowSwitch(dlg, 12);
        item11 = RowSwitch(dlg, 11);
        WindowWatch::PressButton(dlg, IDCANCEL);
    }));
    EXPECT_FALSE(tray) << "TrayIconEnable 2 reads as 0";
    EXPECT_TRUE(buzzer);
    EXPECT_EQ(1, item12);
    EXPECT_EQ(0, item11);
    EXPECT_EQ(1u, s.Value("BeepBuzzerEnable"));
    EXPECT_EQ(0u, s.Value("LoopBuzzer"));
    EXPECT_EQ(2u, s.Value("TrayIconEnable")) << "present values are not rewritten";
    EXPECT_EQ(7u, s.Value("TrayIconSelected"));
    EXPECT_EQ(0xBAADF00Du, s.Value("SoundNotifyEnable"));
    EXPECT_EQ(1u, s.Item("012"));
    EXPECT_EQ(0u, s.Item("011"));
}

TEST(PrefsDialog, OkWritesTheChoicesAndCancelWritesNothing)
{
    PrefsSetup s(kBuzzerModel);
    Companions c(s);
    auto change = [](HWND dlg) {
        Press(dlg, 392);  // buzzer off: the repeat box is disabled with it
        Press(dlg, 206);  // tray icon off
    };
    bool loopEnabled = true;
    EXPECT_EQ(1, s.Run([&](HWND dlg) {
        change(dlg);
        Settle(dlg);
        loopEnabled = IsWindowEnabled(GetDlgItem(dlg, 393)) != FALSE;
        WindowWatch::PressButton(dlg, IDCANCEL);
    }));
    EXPECT_FALSE(loopEnabled);
    EXPECT_EQ(1u, s.Value("BeepBuzzerEnable"));
    EXPECT_EQ(1u, s.Value("TrayIconEnable"));

    EXPECT_EQ(0, s.Run([&](HWND dlg) {
        change(dlg);
        WindowWatch::PressButton(dlg, IDOK);
    }));
    EXPECT_EQ(0u, s.Value("BeepBuzzerEnable"));
    EXPECT_EQ(0u, s.Value("LoopBuzzer"));
    EXPECT_EQ(0u, s.Value("TrayIconEnable"));
    EXPECT_EQ(1u, s.Value("TrayIconSelected"));
    EXPECT_EQ(0u, s.Value("SoundNotifyEnable")) << "written on OK even when not offered";
    std::string icon = c.Records("icon");
    EXPECT_NE(std::string::npos, icon.find("R=1")) << icon;
}

TEST(PrefsDialog, ClicksOnALabelAndTheSpaceBarToggleRowsButNotRightOfTheLabel)
{
    PrefsSetup s(kSoundModel);
    int afterLabel = -1, afterRight = -1, afterDefault = -1;
    bool spaceToggled = false;
    EXPECT_EQ(0, s.Run([&](HWND dlg) {
        HWND list = GetDlgItem(dlg, 200);
        RECT label = RowLabelRect(dlg, 12);
        Click(list, label.left + 4, (label.top + label.bottom) / 2);
        Settle(dlg);
        afterLabel = RowSwitch(dlg, 12);
        RECT client = {};
        GetClientRect(list, &client);
        Click(list, client.right - 3, (label.top + label.bottom) / 2);
        Settle(dlg);
        afterRight = RowSwitch(dlg, 12);
        // The space bar toggles the selected row, whichever it is.
        FocusControl(list);
        PressKey(VK_DOWN);  // a row gets the focus and the selection
        Settle(dlg);
        int row = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
        LVITEMA item = {};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        int number = static_cast<int>(item.lParam);
        int before = RowSwitch(dlg, number);
        PressKey(VK_SPACE);
        Settle(dlg);
        spaceToggled = row >= 0 && RowSwitch(dlg, number) == 1 - before;
        Press(dlg, 203);
        Settle(dlg);
        afterDefault = RowSwitch(dlg, 11);
        Click(list, label.left + 4, (label.top + label.bottom) / 2);
        WindowWatch::PressButton(dlg, IDOK);
    }));
    EXPECT_EQ(1, afterLabel);
    EXPECT_EQ(1, afterRight) << "a click right of the row's label toggles nothing";
    EXPECT_TRUE(spaceToggled);
    EXPECT_EQ(1, afterDefault);
    EXPECT_EQ(1u, s.Item("012"));
    EXPECT_EQ(1u, s.Item("011"));
}

TEST(PrefsDialog, ThreeTrayIconsAreSpreadWithEqualGaps)
{
    PrefsSetup s(kBuzzerModel);
    std::vector<POINT> pos;
    std::vector<RECT> icons;
    RECT outer = {};
    COLORREF frame = 0;
    EXPECT_EQ(1, s.Run([&](HWND dlg) {
        HWND list = GetDlgItem(dlg, 205);
        GetWindowRect(list, &outer);
        for (int i = 0; i < 3; ++i) {
            POINT pt = {};
            SendMessageA(list, LVM_GETITEMPOSITION, i, reinterpret_cast<LPARAM>(&pt));
            pos.push_back(pt);
            RECT rc = {};
            rc.left = LVIR_ICON;
            SendMessageA(list, LVM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rc));
            icons.push_back(rc);
        }
        Sleep(500);
        // The selected icon (1) carries the highlight frame: its outer two
        // pixels lie 4 and 5 pixels outside the 34 x 34 frame rectangle.
        HDC dc = GetDC(list);
        int cx = (icons[1].left + icons[1].right) / 2, cy = (icons[1].top + icons[1].bottom) / 2;
        frame = GetPixel(dc, cx, cy - 17 - 4);
        ReleaseDC(list, dc);
        WindowWatch::PressButton(dlg, IDCANCEL);
    }));
    ASSERT_EQ(3u, pos.size());
    int width = outer.right - outer.left, height = outer.bottom - outer.top;
    int gap = pos[0].x;
    EXPECT_GT(gap, 0);
    EXPECT_EQ(gap, pos[1].x - pos[0].x - 32);
    EXPECT_EQ(gap, pos[2].x - pos[1].x - 32);
    EXPECT_NEAR(gap, width - pos[2].x - 32, 3) << "right gap (integer division leaves at most count pixels)";
    for (const POINT& p : pos) EXPECT_EQ((height - 32) / 2, p.y);
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), frame);
}

TEST(PrefsDialog, AgentBoxSetTwiceDoesNotCallTheAgentProgram)
{
    PrefsSetup s(kSoundModel);
    Companions c(s);
    EXPECT_EQ(0, s.Run([&](HWND dlg) {
        Press(dlg, 208);
        Press(dlg, 208);
        WindowWatch::PressButton(dlg, IDOK);
    }));
    EXPECT_EQ(std::string::npos, c.Records("agent", 1500).find("[agent]"));
    EXPECT_NE(std::string::npos, c.Records("icon").find("[icon]"));
}

TEST(PrefsDialog, EmptyPrinterNameUsesThePortForTitleAndRegister)
{
    PrefsSetup s(kSoundModel, "KX9100EN.CHM", "", "LPT7:");
    HWND registered = nullptr, self = nullptr;
    WindowSnapshot seen;
    EXPECT_EQ(1, s.Run([&](HWND dlg) {
        self = dlg;
        registered = FindMapWindow("", "LPT7:", 0);
        WindowWatch::PressButton(dlg, IDCANCEL);
    }, &seen));
    EXPECT_EQ(std::string(kPrefsTitle) + " : LPT7:", seen.caption);
    EXPECT_EQ(self, registered);
    EXPECT_EQ(nullptr, FindMapWindow("", "LPT7:", 0)) << "unregistered when closed";
}

TEST(PrefsDialog, SecondDialogRaisesTheFirstAndANonAdministratorGetsDisabledAgentBoxes)
{
    PrefsSetup s(kSoundModel);
    vm2::prefs::SetAdminCheck([] { return 0; });
    int second = 99;
    bool agent = true, secondAgent = true;
    HWND foreground = nullptr, self = nullptr;
    EXPECT_EQ(1, s.Run([&](HWND dlg) {
        self = dlg;
        agent = IsWindowEnabled(GetDlgItem(dlg, 208)) != FALSE;
        secondAgent = Visible(dlg, 209);
        second = vm2::prefs::StartPreference(s.printer.c_str(), s.model.Driver().c_str(), s.port.c_str(),
                                             s.model.Model().c_str(), s.resDll.c_str());
        Settle(dlg);
        foreground = GetForegroundWindow();
        WindowWatch::PressButton(dlg, IDCANCEL);
    }));
    vm2::prefs::SetAdminCheck(nullptr);
    EXPECT_EQ(1, second);
    EXPECT_EQ(self, foreground);
    EXPECT_FALSE(agent);
    EXPECT_FALSE(secondAgent);
}

TEST(PrefsDialog, AgentProgramFailureReplyShowsItsMessage)
{
    PrefsSetup s(kSoundModel);
    WindowSnapshot box;
    EXPECT_EQ(1, s.Run([&](HWND dlg) {
        PostMessageA(dlg, WM_USER + 10, 0, 2);  // bit 0 clear: failed
        WindowWatch msg("KX-9100 Status Monitor", "#32770", 5000);
        box = msg.Join();
        PostMessageA(dlg, WM_USER + 10, 0, 1);  // success: nothing to say
        Settle(dlg);
        WindowWatch::PressButton(dlg, IDCANCEL);
    }));
    EXPECT_TRUE(box.found);
    EXPECT_NE(std::string::npos, box.AllText().find("The agent setting could not be changed.")) << box.AllText();
}

TEST(PrefsDialog, BadRunsEndWithTheirResults)
{
    PrefsSetup s(kSoundModel);
    std::string longName(260, 'p');
    EXPECT_EQ(-1, vm2::prefs::StartPreference(longName.c_str(), s.model.Driver().c_str(), "LPT1:",
                                              s.model.Model().c_str(), s.resDll.c_str()));
    {
        WindowWatch w("KAVRO Vigil 3", "#32770", 5000);
        EXPECT_EQ(-1, vm2::prefs::StartPreference(s.printer.c_str(), s.model.Driver().c_str(), "LPT1:",
                                                  s.model.Model().c_str(), "Z:\\nowhere\\none.dll"));
        EXPECT_NE(std::string::npos, w.Join().AllText().find("Cannot link Resource Dll"));
    }
    {
        WindowWatch w("KX-9100 Status Monitor", "#32770", 5000);
        EXPECT_EQ(-1, vm2::prefs::StartPreference(s.printer.c_str(), "no such driver", "LPT1:", "NOMODEL",
                                                  s.resDll.c_str()));
        EXPECT_NE(std::string::npos, w.Join().AllText().find("cannot be found"));
    }
    // A resource DLL without the templates.
    std::string noTemplates = BinDir() + "\\KBSIM.DLL";
    EXPECT_EQ(-3, vm2::prefs::StartPreference(s.printer.c_str(), s.model.Driver().c_str(), "LPT1:",
                                              s.model.Model().c_str(), noTemplates.c_str()));
}

namespace {

// Open kernel handles of this process (Wine reports no handle count).
int CountHandles()
{
    int n = 0;
    for (UINT_PTR h = 4; h < 0x10000; h += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags)) ++n;
    }
    return n;
}

}  // namespace

TEST(PrefsDialog, HundredOpenAndCloseCyclesLeaveNothingBehind)
{
    PrefsSetup s("SOUND=1\r\nTrayIconEnable=0\r\nITEMNUM=2\r\nITEM012=1\r\nITEM011=0");
    auto cycle = [&s](int id) {
        return s.Run([id](HWND dlg) { WindowWatch::PressButton(dlg, id); });
    };
    cycle(IDOK);  // the first run loads what stays: list view classes, help control
    cycle(IDCANCEL);
    GuiObjects gui = CountGuiObjects();
    int handles = CountHandles();
    int oks = 0, cancels = 0;
    for (int i = 0; i < 50; ++i) {
        oks += cycle(IDOK) == 0;
        cancels += cycle(IDCANCEL) == 1;
    }
    EXPECT_EQ(50, oks);
    EXPECT_EQ(50, cancels);
    EXPECT_EQ(gui.Describe(), CountGuiObjects().Describe());
    EXPECT_EQ(handles, CountHandles());
    EXPECT_EQ(nullptr, GetModuleHandleA(s.resDll.c_str())) << "resource DLL unloaded";
    EXPECT_EQ(nullptr, FindMapWindow(s.printer.c_str(), s.port.c_str(), 0));
    RegDeleteKeyValueA(HKEY_CURRENT_USER, "software\\Microsoft\\Windows\\CurrentVersion\\Run", s.printer.c_str());
}
