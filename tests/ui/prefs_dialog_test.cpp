// The preferences dialog on the display: the kit's model variants, settings
// loaded, defaulted and saved, list clicks and keys, and the export's results.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "coord/window_map.h"
#include "harness/gui_objects.h"
#include "ui/prefs/vlx_env_dlg.h"
#include "ui/prefs_fixture.h"
#include "ui/ui_fixture.h"

using namespace vm2test;

namespace {

const char kBuzzerModel[] =
    "SOUND=1\r\nSoundNotifyEnable=1\r\nBeepBuzzerEnable=1\r\nLoopBuzzer=0\r\nTrayIconEnable=1\r\n"
    "TrayIconSelected=1\r\nITEMNUM=2\r\nITEM012=1\r\nITEM011=0";
const char kSoundModel[] =
    "SOUND=1\r\nSoundNotifyEnable=1\r\nTrayIconEnable=0\r\nTrayIconSelected=0\r\nITEMNUM=2\r\nITEM012=0\r\nITEM011=1";
const char kRunKey[] = "software\\Microsoft\\Windows\\CurrentVersion\\Run";

void Press(HWND dlg, int id) { Click(GetDlgItem(dlg, id)); }
bool Checked(HWND dlg, int id) { return IsDlgButtonChecked(dlg, id) == BST_CHECKED; }

// The stand-in companions OK starts, recording to a log of the test's own
// (the agent program answers the wait dialog at once); the printer's logon
// entry starts as "stale" and is removed afterwards.
struct Companions {
    TempDir dir;
    std::string log = dir.File("companions.log");
    std::string name;
    explicit Companions(const PrefsSetup& s) : name(s.printer)
    {
        SetEnvironmentVariableA("VM2PR2_COMPANION_LOG", log.c_str());
        SetEnvironmentVariableA("VM2PR2_AGENT_REPLY", (std::to_string(GetCurrentProcessId()) + ":1").c_str());
        std::string driverKey = "software\\KAVRO\\VLX3\\Driver\\" + s.model.Driver();
        for (auto v : {std::make_pair("K_VICN", "K_VM1IC2.EXE"), std::make_pair("K_VRCV", "K_VAGENT.EXE")}) {
            std::string path = BinDir() + "\\" + v.second;
            RegSetKeyValueA(HKEY_LOCAL_MACHINE, driverKey.c_str(), v.first, REG_SZ, path.c_str(),
                            static_cast<DWORD>(path.size() + 1));
        }
        RegSetKeyValueA(HKEY_CURRENT_USER, kRunKey, name.c_str(), REG_SZ, "stale", 6);
    }
    ~Companions()
    {
        SetEnvironmentVariableA("VM2PR2_COMPANION_LOG", nullptr);
        SetEnvironmentVariableA("VM2PR2_AGENT_REPLY", nullptr);
        RegDeleteKeyValueA(HKEY_CURRENT_USER, kRunKey, name.c_str());
    }
    // A stand-in's record, empty when it did not start within waitMs.
    std::string Records(const char* program, DWORD waitMs = 5000) const
    {
        std::string tag = std::string("[") + program + "]", text;
        for (DWORD t = 0; t <= waitMs && text.find(tag) == std::string::npos; t += 100) {
            Sleep(100);
            text = ReadFileText(log);
        }
        size_t at = text.find(tag);
        return at == std::string::npos ? std::string() : text.substr(at, text.find("[end]", at) - at);
    }
    std::string RunEntry() const { return ReadString(HKEY_CURRENT_USER, kRunKey, name.c_str()); }
};

}  // namespace

// The kit's variants: a buzzer gets template 110 (buzzer boxes, no sound
// box), none template 100; "SOUND" 0 hides the sound box and the speaker
// too and keeps the sound setting unwritten. A shown chooser spreads its
// three icons with equal gaps and frames the stored choice.
TEST(PrefsDialog, KitModelVariantsChooseTemplateAndControls)
{
    struct Case {
        const char* model;
        bool buzzer, sound, speaker;
        int selected;  // -1: tray icon off
    } cases[] = {{"[KX-9100]", true, false, true, 0},
                 {"[KX-9100-SOUND]", false, true, true, 2},
                 {"[KX-9100-QUIET]", false, false, false, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model);
        PrefsSetup s(c.model);
        std::vector<bool> seen;  // template 110, buzzer boxes, repeat enabled, sound box, speaker
        POINT pos[3] = {};
        RECT outer = {}, icon = {};
        COLORREF frame = 0;
        EXPECT_EQ(1, s.Run([&](HWND dlg) {
            seen = {GetDlgItem(dlg, 392) != nullptr, Visible(dlg, 392) && Visible(dlg, 393) && Checked(dlg, 392),
                    IsWindowEnabled(GetDlgItem(dlg, 393)) != FALSE, Visible(dlg, 202) && Checked(dlg, 202),
                    Visible(dlg, 201)};
            HWND list = GetDlgItem(dlg, 205);
            GetWindowRect(list, &outer);
            for (int i = 0; i < 3; ++i) SendMessageA(list, LVM_GETITEMPOSITION, i, reinterpret_cast<LPARAM>(&pos[i]));
            if (c.selected >= 0) {
                Sleep(500);
                icon.left = LVIR_ICON;
                SendMessageA(list, LVM_GETITEMRECT, c.selected, reinterpret_cast<LPARAM>(&icon));
                // The outer frame lies 4 and 5 pixels outside the 34 x 34 rectangle.
                HDC dc = GetDC(list);
                frame = GetPixel(dc, (icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2 - 17 - 4);
                ReleaseDC(list, dc);
            }
            vm2test::Screenshot(dlg, c.buzzer  ? "prefs_template_110"
                                       : c.sound ? "prefs_template_100"
                                                 : "prefs_quiet");
            WindowWatch::PressButton(dlg, IDCANCEL);
        }));
        EXPECT_EQ((std::vector<bool>{c.buzzer, c.buzzer, c.buzzer, c.sound, c.speaker}), seen);
        if (!c.sound) {
            EXPECT_EQ(0xBAADF00Du, s.Value("SoundNotifyEnable")) << "not offered: neither read nor filled";
        }
        if (c.selected < 0) continue;
        int gap = pos[0].x, width = outer.right - outer.left;
        EXPECT_GT(gap, 0);
        EXPECT_EQ(gap, pos[1].x - pos[0].x - 32);
        EXPECT_EQ(gap, pos[2].x - pos[1].x - 32);
        EXPECT_NEAR(gap, width - pos[2].x - 32, 3) << "integer division leaves at most count pixels";
        for (const POINT& p : pos) EXPECT_EQ((outer.bottom - outer.top - 32) / 2, p.y);
        EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), frame);
    }
}

// Loading fills values missing from the key from the model and keeps them
// after Cancel; present values follow their rules (TrayIconEnable 2 is off,
// TrayIconSelected 7 is kept and shows no picture) and are not rewritten.
// Cancel saves nothing and tells nobody; OK saves the choices, sets the
// logon entry and starts the tray program, but an agent box set and
// cleared again leaves the agent program alone.
TEST(PrefsDialog, LoadFillsMissingValuesCancelSavesNothingOkSavesTheChoices)
{
    PrefsSetup s(kBuzzerModel);
    Companions c(s);
    RegSetKeyValueA(HKEY_CURRENT_USER, s.key.c_str(), "TrayIconEnable", REG_DWORD, "\x02\0\0\0", 4);
    RegSetKeyValueA(HKEY_CURRENT_USER, s.key.c_str(), "TrayIconSelected", REG_DWORD, "\x07\0\0\0", 4);
    auto change = [](HWND dlg) {
        Press(dlg, 392);  // buzzer off: the repeat box is disabled with it
        Press(dlg, 206);  // tray icon on
    };
    bool tray = true, buzzer = false, loopEnabled = true;
    int item12 = -1, item11 = -1;
    EXPECT_EQ(1, s.Run([&](HWND dlg) {
        tray = Checked(dlg, 206);
        buzzer = Checked(dlg, 392);
        item12 = RowSwitch(dlg, 12);
        item11 = RowSwitch(dlg, 11);
        change(dlg);
        Settle(dlg);
        loopEnabled = IsWindowEnabled(GetDlgItem(dlg, 393)) != FALSE;
        WindowWatch::PressButton(dlg, IDCANCEL);
    }));
    EXPECT_FALSE(tray) << "TrayIconEnable 2 reads as 0";
    EXPECT_TRUE(buzzer);
    EXPECT_FALSE(loopEnabled);
    EXPECT_EQ(1, item12);
    EXPECT_EQ(0, item11);
    EXPECT_EQ(
        (std::vector<DWORD>{1, 0, 2, 7, 0xBAADF00D, 1, 0}),
        (std::vector<DWORD>{s.Value("BeepBuzzerEnable"), s.Value("LoopBuzzer"), s.Value("TrayIconEnable"),
                            s.Value("TrayIconSelected"), s.Value("SoundNotifyEnable"), s.Item("012"), s.Item("011")}));
    EXPECT_EQ("stale", c.RunEntry());

    EXPECT_EQ(0, s.Run([&](HWND dlg) {
        change(dlg);
        Press(dlg, 208);
        Press(dlg, 208);
        WindowWatch::PressButton(dlg, IDOK);
    }));
    EXPECT_EQ((std::vector<DWORD>{0, 0, 1, 7, 0}),
              (std::vector<DWORD>{s.Value("BeepBuzzerEnable"), s.Value("LoopBuzzer"), s.Value("TrayIconEnable"),
                                  s.Value("TrayIconSelected"), s.Value("SoundNotifyEnable")}))
        << "sound written on OK even when not offered";
    EXPECT_NE(std::string::npos, c.RunEntry().find(" /A \"")) << c.RunEntry();
    std::string log = c.Records("icon");
    EXPECT_NE(std::string::npos, log.find("R=0")) << log;
    EXPECT_EQ("", c.Records("agent", 1000));
}

// A click on a row's label or the space bar toggles it, a click right of
// the label does not; Default restores the rows; OK saves them and applies
// a changed agent box through the agent program.
TEST(PrefsDialog, LabelClicksAndSpaceToggleRowsAndOkAppliesTheAgentChange)
{
    PrefsSetup s(kSoundModel);
    Companions c(s);
    int afterLabel = -1, afterRight = -1, afterDefault = -1, before = -1, afterSpace = -1;
    EXPECT_EQ(0, s.Run([&](HWND dlg) {
        HWND list = GetDlgItem(dlg, 200);
        RECT label = {}, client = {};
        RowSwitch(dlg, 12, &label);
        GetClientRect(list, &client);
        int y = (label.top + label.bottom) / 2;
        Click(list, label.left + 4, y);
        Settle(dlg);
        afterLabel = RowSwitch(dlg, 12);
        Click(list, client.right - 3, y);
        Settle(dlg);
        afterRight = RowSwitch(dlg, 12);
        Click(list, label.left + 4, y);  // off again, and the selected row
        FocusControl(list);
        before = RowSwitch(dlg, 12);
        PressKey(VK_SPACE);
        Settle(dlg);
        afterSpace = RowSwitch(dlg, 12);
        Press(dlg, 203);
        Settle(dlg);
        afterDefault = RowSwitch(dlg, 11);
        Click(list, label.left + 4, y);
        Press(dlg, 208);  // the agent changed: applied on OK
        WindowWatch::PressButton(dlg, IDOK);
    }));
    EXPECT_EQ(1, afterLabel);
    EXPECT_EQ(1, afterRight) << "a click right of the row's label toggles nothing";
    EXPECT_EQ(0, before);
    EXPECT_EQ(1, afterSpace) << "the space bar toggles the selected row";
    EXPECT_EQ(1, afterDefault);
    EXPECT_EQ(1u, s.Item("012"));
    EXPECT_EQ(1u, s.Item("011"));
    std::string agent = c.Records("agent");
    EXPECT_NE(std::string::npos, agent.find("/p:\"" + s.printer + "\" /im:1")) << agent;
}

// With an empty printer name the port names the title and the register
// entry; a second dialog for it raises the first and ends with 1. A user
// without administrator rights gets disabled agent boxes; a failed reply of
// the agent program is told.
TEST(PrefsDialog, PortOnlyPrinterSecondDialogNonAdministratorAndAgentFailure)
{
    PrefsSetup s(kSoundModel, "", "LPT7:");
    vm2::prefs::SetAdminCheck([] { return 0; });
    int second = 99;
    bool agent = true, secondAgent = true;
    HWND foreground = nullptr, self = nullptr, registered = nullptr;
    WindowSnapshot seen, box;
    EXPECT_EQ(1, s.Run(
                     [&](HWND dlg) {
                         self = dlg;
                         registered = FindMapWindow("", "LPT7:", 0);
                         agent = IsWindowEnabled(GetDlgItem(dlg, 208)) != FALSE;
                         secondAgent = Visible(dlg, 209);
                         second = vm2::prefs::StartPreference("", s.model.Driver().c_str(), "LPT7:", s.modelId.c_str(),
                                                              s.resDll.c_str());
                         Settle(dlg);
                         foreground = GetForegroundWindow();
                         PostMessageA(dlg, WM_USER + 10, 0, 2);  // bit 0 clear: failed
                         box = WindowWatch("KX-9100 Status Monitor", "#32770", 5000).Join();
                         WindowWatch::PressButton(dlg, IDCANCEL);
                     },
                     &seen));
    vm2::prefs::SetAdminCheck(nullptr);
    EXPECT_EQ(std::string(kPrefsTitle) + " : LPT7:", seen.caption);
    EXPECT_EQ(self, registered);
    EXPECT_EQ(nullptr, FindMapWindow("", "LPT7:", 0)) << "unregistered when closed";
    EXPECT_EQ(1, second);
    EXPECT_EQ(self, foreground);
    EXPECT_FALSE(agent);
    EXPECT_FALSE(secondAgent);
    EXPECT_NE(std::string::npos, box.AllText().find("The agent setting could not be changed.")) << box.AllText();
}

TEST(PrefsDialog, BadRunsEndWithTheirResults)
{
    PrefsSetup s(kSoundModel);
    auto run = [&s](const std::string& printer, const char* driver, const char* model, const std::string& dll) {
        return vm2::prefs::StartPreference(printer.c_str(), driver, "LPT1:", model, dll.c_str());
    };
    const char* driver = s.model.Driver().c_str();
    EXPECT_EQ(-1, run(std::string(260, 'p'), driver, s.modelId.c_str(), s.resDll));
    WindowWatch noDll("KAVRO Vigil 3", "#32770", 5000);
    EXPECT_EQ(-1, run(s.printer, driver, s.modelId.c_str(), "Z:\\nowhere\\none.dll"));
    EXPECT_NE(std::string::npos, noDll.Join().AllText().find("Cannot link Resource Dll"));
    WindowWatch noProfile("KX-9100 Status Monitor", "#32770", 5000);
    EXPECT_EQ(-1, run(s.printer, "no such driver", "NOMODEL", s.resDll));
    EXPECT_NE(std::string::npos, noProfile.Join().AllText().find("cannot be found"));
    EXPECT_EQ(-3, run(s.printer, driver, s.modelId.c_str(), BinDir() + "\\KBSIM.DLL")) << "no templates";
    // A WM_QUIT of the host's ends the dialog unsaved and is posted again.
    EXPECT_EQ(-3, s.Run([](HWND dlg) { PostThreadMessageA(GetWindowThreadProcessId(dlg, nullptr), WM_QUIT, 5, 0); }));
    MSG msg = {};
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && msg.wParam == 5);
}

TEST(PrefsDialog, HundredOpenAndCloseCyclesLeaveNothingBehind)
{
    PrefsSetup s(kSoundModel);
    auto cycle = [&s](int id) { return s.Run([id](HWND dlg) { WindowWatch::PressButton(dlg, id); }); };
    // Open kernel handles (Wine reports no handle count).
    auto handles = [](int n = 0, DWORD flags = 0) {
        for (UINT_PTR h = 4; h < 0x10000; h += 4) n += GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags);
        return n;
    };
    cycle(IDOK);  // the first run loads what stays: list view classes, help control
    cycle(IDCANCEL);
    GuiObjects gui = CountGuiObjects();
    int nHandles = handles();
    int oks = 0, cancels = 0;
    for (int i = 0; i < 50; ++i) {
        oks += cycle(IDOK) == 0;
        cancels += cycle(IDCANCEL) == 1;
    }
    EXPECT_EQ(50, oks);
    EXPECT_EQ(50, cancels);
    EXPECT_EQ(gui.Describe(), CountGuiObjects().Describe());
    EXPECT_EQ(nHandles, handles());
    EXPECT_EQ(nullptr, GetModuleHandleA(s.resDll.c_str())) << "resource DLL unloaded";
    EXPECT_EQ(nullptr, FindMapWindow(s.printer.c_str(), s.port.c_str(), 0));
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kRunKey, s.printer.c_str());
}
