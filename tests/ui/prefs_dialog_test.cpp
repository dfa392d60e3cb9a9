// The preferences dialog on the display, acted on from a watcher thread with
// real mouse and keyboard input; context help through the recording control.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench/import_patch.h"
#include "config/target_fixtures.h"
#include "coord/window_map.h"
#include "harness/gui_objects.h"
#include "harness/test_support.h"
#include "ui/prefs/html_help.h"
#include "ui/prefs/vlx_env_dlg.h"

using namespace vm2test;

namespace {

const char kBuzzerModel[] =
    "SOUND=1\r\nSoundNotifyEnable=1\r\nBeepBuzzerEnable=1\r\nLoopBuzzer=0\r\nTrayIconEnable=1\r\n"
    "TrayIconSelected=1\r\nITEMNUM=2\r\nITEM012=1\r\nITEM011=0";
const char kSoundModel[] =
    "SOUND=1\r\nSoundNotifyEnable=1\r\nTrayIconEnable=0\r\nTrayIconSelected=0\r\nITEMNUM=2\r\nITEM012=0\r\nITEM011=1";
const char kRunKey[] = "software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kClsidKey[] = "Software\\Classes\\CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";
// Wine reads the Windows version it reports to a program from here when the program starts.
const char kWineAppKey[] = "Software\\Wine\\AppDefaults\\test_prefs_dialog.exe";

// Lets the dialog's thread handle what was sent to it and paint.
void Settle(HWND hDlg)
{
    RedrawWindow(hDlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    for (int i = 0; i < 3; ++i) {
        SendMessageTimeoutA(hDlg, WM_NULL, 0, 0, SMTO_NORMAL, 2000, nullptr);
        Sleep(50);
    }
}

// A click at client coordinates of hCtrl; a negative coordinate: its centre.
void Click(HWND hCtrl, int x = -1, int y = -1, bool bRight = false)
{
    RECT rc = {};
    GetClientRect(hCtrl, &rc);
    POINT pt = {x >= 0 ? x : rc.right / 2, y >= 0 ? y : rc.bottom / 2};
    ClientToScreen(hCtrl, &pt);
    SetCursorPos(pt.x, pt.y);
    Sleep(50);
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = bRight ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = bRight ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    SendInput(2, in, sizeof(INPUT));
    Sleep(250);
}

void PressKey(WORD vk)
{
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = vk;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
    Sleep(250);
}

// The dialog active, the control focused: the dialog thread's input state borrowed.
void FocusControl(HWND hCtrl)
{
    DWORD self = GetCurrentThreadId(), owner = GetWindowThreadProcessId(hCtrl, nullptr);
    AttachThreadInput(self, owner, TRUE);
    SetForegroundWindow(GetAncestor(hCtrl, GA_ROOT));
    SetFocus(hCtrl);
    AttachThreadInput(self, owner, FALSE);
    Sleep(100);
}

void Press(HWND dlg, int id) { Click(GetDlgItem(dlg, id)); }
bool Checked(HWND dlg, int id) { return IsDlgButtonChecked(dlg, id) == BST_CHECKED; }
bool Visible(HWND dlg, int id) { return IsWindowVisible(GetDlgItem(dlg, id)) != FALSE; }

// A notification row's switch (image) by its number wherever it is; -1: none.
int RowSwitch(HWND dlg, int number, RECT* pLabel = nullptr)
{
    HWND list = GetDlgItem(dlg, 200);
    LVFINDINFOA find = {LVFI_PARAM, nullptr, number, {}, 0};
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = ListView_FindItem(list, -1, &find);
    if (item.iItem < 0 || !ListView_GetItem(list, &item)) return -1;
    if (pLabel != nullptr) ListView_GetItemRect(list, item.iItem, pLabel, LVIR_LABEL);
    return item.iImage;
}

// A model of its own ("SOUND=1...") or of the kit ("[KX-9100-QUIET]") in the
// kit's data file, with its resource DLL and help file; the target key.
struct PrefsSetup {
    explicit PrefsSetup(const std::string& lines, const char* pszPrinter = nullptr, const char* pszPort = "LPT1:")
        : model(std::string()),
          modelId(lines[0] == '[' ? lines.substr(1, lines.find(']') - 1) : model.Model()),
          printer(pszPrinter != nullptr ? pszPrinter : UniqueName("vm2tk-prefs")),
          port(pszPort),
          resDll(model.dir.File("KX9100EN.DLL"))
    {
        std::string own = lines[0] == '[' ? std::string() : "\r\n[" + modelId + "]\r\n" + lines + "\r\n";
        model.Install(ReadFileText(BinDir() + "\\KX9100.INI") + own, "KX9100.INI");
        for (const char* f : {"KX9100EN.DLL", "KX9100EN.CHM"})
            CopyFileA((BinDir() + "\\" + f).c_str(), model.dir.File(f).c_str(), FALSE);
        const char* base = printer.empty() ? kPortBase : kPrinterBase;
        MakeTargetKey(HKEY_CURRENT_USER, base, 0, printer.empty() ? port.c_str() : printer.c_str());
        key = TargetKeyPath(base, 0);
    }

    CleanTargetBases clean;
    TestModel model;
    std::string modelId, printer, port, resDll, key;

    DWORD Value(const char* name) const { return ReadDword(HKEY_CURRENT_USER, key, name); }
    DWORD Item(const char* name) const { return ReadDword(HKEY_CURRENT_USER, key + "\\Notify", name); }
    // Runs the dialog; the action runs on the watcher thread once it is shown.
    int Run(const std::function<void(HWND)>& action, WindowSnapshot* pSeen = nullptr) const
    {
        WindowWatch watch("KX-9100 Monitoring Preferences : " + (printer.empty() ? port : printer), std::string(),
                          20000, [&action](HWND h) {
                              Settle(h);
                              action(h);
                          });
        int rc = vm2::prefs::StartPreference(printer.c_str(), model.Driver().c_str(), port.c_str(), modelId.c_str(),
                                             resDll.c_str());
        WindowSnapshot seen = watch.Join();
        if (pSeen != nullptr) *pSeen = seen;
        return rc;
    }
};

// The stand-ins OK starts log to a file of the test's (the agent program
// answers at once); the printer's logon entry starts as "stale".
struct Companions {
    TempDir dir;
    std::string log = dir.File("companions.log"), name;
    explicit Companions(PrefsSetup& s) : name(s.printer)
    {
        SetEnvironmentVariableA("VM2PR2_COMPANION_LOG", log.c_str());
        SetEnvironmentVariableA("VM2PR2_AGENT_REPLY", (std::to_string(GetCurrentProcessId()) + ":1").c_str());
        s.model.driverKey.SetString("K_VICN", BinDir() + "\\K_VM1IC2.EXE");
        s.model.driverKey.SetString("K_VRCV", BinDir() + "\\K_VAGENT.EXE");
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
        WaitUntil([&] { return (text = ReadFileText(log)).find(tag) != std::string::npos; }, waitMs);
        size_t at = text.find(tag);
        return at == std::string::npos ? std::string() : text.substr(at, text.find("[end]", at) - at);
    }
    std::string RunEntry() const { return ReadString(HKEY_CURRENT_USER, kRunKey, name.c_str()); }
};

// A help control of the test's under the HTML help control's CLSID.
struct HelpControl {
    std::string old;
    DWORD oldType = REG_SZ;
    TempDir dir;
    std::string log = dir.File("help.log");
    explicit HelpControl(const std::string& value, DWORD type = REG_SZ)
    {
        char buf[600] = "";
        DWORD size = sizeof(buf);
        if (RegGetValueA(HKEY_LOCAL_MACHINE, kClsidKey, "", RRF_RT_ANY | RRF_NOEXPAND, &oldType, buf, &size) ==
            ERROR_SUCCESS)
            old = buf;
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, kClsidKey, "", type, value.c_str(), static_cast<DWORD>(value.size() + 1));
        SetEnvironmentVariableA("VM2PR2_HELP_LOG", log.c_str());
    }
    ~HelpControl()
    {
        SetEnvironmentVariableA("VM2PR2_HELP_LOG", nullptr);
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, kClsidKey, "", oldType, old.c_str(), static_cast<DWORD>(old.size() + 1));
    }
};

// The tracked context menu's item count (negative unless command 243), chosen.
int ChooseFromMenu(HWND dlg, const char* shot = nullptr)
{
    HWND menu = nullptr;
    if (!WaitUntil([&] { return (menu = FindWindowA("#32768", nullptr)) != nullptr; }, 4000)) return 0;
    HMENU h = reinterpret_cast<HMENU>(SendMessageA(menu, 0x01E1 /* MN_GETHMENU */, 0, 0));
    int count = GetMenuItemCount(h) * (GetMenuItemID(h, 0) == 243 ? 1 : -1);
    if (shot != nullptr) Screenshot(dlg, shot);
    PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    Settle(dlg);
    return count;
}

// The dialog's WinHelp requests: "command data control file", a table as its first pair.
std::vector<std::string> g_winHelp;
BOOL WINAPI RecordWinHelp(HWND hWnd, LPCSTR file, UINT command, ULONG_PTR data)
{
    const DWORD* pair = command == HELP_CONTEXT ? nullptr : reinterpret_cast<const DWORD*>(data);
    char line[600] = "";
    snprintf(line, sizeof(line), "%u %x:%x %d %s", command, pair ? unsigned(pair[0]) : 0u,
             pair ? unsigned(pair[1]) : unsigned(data), hWnd ? GetDlgCtrlID(hWnd) : -1, file ? file : "");
    g_winHelp.push_back(line);
    return TRUE;
}

}  // namespace

// A buzzer: template 110 (no sound box), else 100; "SOUND" 0 hides sound box and
// speaker. The chooser spreads its icons with equal gaps, frames the choice.
TEST(PrefsDialog, KitModelVariantsChooseTemplateAndControls)
{
    struct Case {
        const char* model;
        bool buzzer, sound, speaker;
        int selected;  // -1: tray icon off
        const char* shot;
    } cases[] = {{"[KX-9100]", true, false, true, 0, "prefs_template_110"},
                 {"[KX-9100-SOUND]", false, true, true, 2, "prefs_template_100"},
                 {"[KX-9100-QUIET]", false, false, false, -1, "prefs_quiet"}};
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
            for (int i = 0; i < 3; ++i) ListView_GetItemPosition(list, i, &pos[i]);
            if (c.selected >= 0) {
                Sleep(500);
                ListView_GetItemRect(list, c.selected, &icon, LVIR_ICON);
                // The outer frame lies 4 and 5 pixels outside the 34 x 34 rectangle.
                HDC dc = GetDC(list);
                frame = GetPixel(dc, (icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2 - 17 - 4);
                ReleaseDC(list, dc);
            }
            Screenshot(dlg, c.shot);
            WindowWatch::PressButton(dlg, IDCANCEL);
        }));
        EXPECT_EQ((std::vector<bool>{c.buzzer, c.buzzer, c.buzzer, c.sound, c.speaker}), seen);
        if (!c.sound) {
            EXPECT_EQ(0xBAADF00Du, s.Value("SoundNotifyEnable")) << "not offered: neither read nor filled";
        }
        if (c.selected < 0) continue;
        long gap = pos[0].x;
        EXPECT_GT(gap, 0);
        EXPECT_NEAR(gap, outer.right - outer.left - pos[2].x - 32, 3) << "integer division leaves at most 3 pixels";
        for (long i = 0; i < 3; ++i)
            EXPECT_EQ((std::vector<long>{gap + i * (32 + gap), (outer.bottom - outer.top - 32) / 2}),
                      (std::vector<long>{pos[i].x, pos[i].y}));
        EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), frame);
    }
}

// Load fills missing values (kept after Cancel); TrayIconEnable 2 reads as off,
// TrayIconSelected 7 is kept. Rows toggle on their label and Space, not right of
// it. OK saves, starts the tray program, applies an agent change (not a set and
// cleared box).
TEST(PrefsDialog, LoadCancelRowsAndOkSaveTheChoicesAndApplyTheAgentChange)
{
    PrefsSetup s(kBuzzerModel);
    Companions c(s);
    RegSetKeyValueA(HKEY_CURRENT_USER, s.key.c_str(), "TrayIconEnable", REG_DWORD, "\x02\0\0\0", 4);
    RegSetKeyValueA(HKEY_CURRENT_USER, s.key.c_str(), "TrayIconSelected", REG_DWORD, "\x07\0\0\0", 4);
    auto values = [&s] {
        std::vector<DWORD> v = {s.Item("012"), s.Item("011")};
        for (const char* n :
             {"BeepBuzzerEnable", "LoopBuzzer", "TrayIconEnable", "TrayIconSelected", "SoundNotifyEnable"})
            v.push_back(s.Value(n));
        return v;
    };
    auto change = [](HWND dlg) {
        Press(dlg, 392);  // buzzer off: the repeat box is disabled with it
        Press(dlg, 206);  // tray icon on
        Press(dlg, 208);  // agent box changed
        Settle(dlg);
    };
    auto clickRow12 = [](HWND dlg, bool bRightOfLabel = false) {
        RECT label = {}, client = {};
        RowSwitch(dlg, 12, &label);
        GetClientRect(GetDlgItem(dlg, 200), &client);
        Click(GetDlgItem(dlg, 200), bRightOfLabel ? client.right - 3 : label.left + 4, (label.top + label.bottom) / 2);
        Settle(dlg);
        return RowSwitch(dlg, 12);
    };
    std::vector<int> seen;
    EXPECT_EQ(1, s.Run([&](HWND dlg) {
        seen = {Checked(dlg, 206),  Checked(dlg, 392), RowSwitch(dlg, 12),
                RowSwitch(dlg, 11), clickRow12(dlg),   clickRow12(dlg, true)};
        Press(dlg, 203);
        Settle(dlg);
        seen.push_back(RowSwitch(dlg, 12));
        seen.push_back(clickRow12(dlg));  // and the row selected
        FocusControl(GetDlgItem(dlg, 200));
        PressKey(VK_SPACE);
        Settle(dlg);
        seen.push_back(RowSwitch(dlg, 12));
        change(dlg);
        seen.push_back(IsWindowEnabled(GetDlgItem(dlg, 393)));
        WindowWatch::PressButton(dlg, IDCANCEL);
    }));
    EXPECT_EQ((std::vector<int>{0, 1, 1, 0, 0, 0, 1, 0, 1, 0}), seen)
        << "tray, buzzer, rows 12 and 11 as loaded; row 12 after a label click, a click right of it, Default, "
           "a label click, the space bar; the repeat box enabled";
    EXPECT_EQ((std::vector<DWORD>{1, 0, 1, 0, 2, 7, 0xBAADF00D}), values());
    EXPECT_EQ("stale", c.RunEntry());

    EXPECT_EQ(0, s.Run([&](HWND dlg) {
        change(dlg);
        Press(dlg, 208);
        clickRow12(dlg);
        WindowWatch::PressButton(dlg, IDOK);
    }));
    EXPECT_EQ((std::vector<DWORD>{0, 0, 0, 0, 1, 7, 0}), values()) << "sound written on OK even when not offered";
    EXPECT_NE(std::string::npos, c.RunEntry().find(" /A \"")) << c.RunEntry();
    EXPECT_NE(std::string::npos, c.Records("icon").find("R=0")) << ReadFileText(c.log);
    EXPECT_EQ("", c.Records("agent", 1000));

    EXPECT_EQ(0, s.Run([&](HWND dlg) {
        Press(dlg, 208);
        WindowWatch::PressButton(dlg, IDOK);
    }));
    std::string agent = c.Records("agent");
    EXPECT_NE(std::string::npos, agent.find("/p:\"" + s.printer + "\" /im:1")) << agent;
}

// No printer name: the port names title and register entry; a second dialog
// raises the first. Non-administrators get disabled agent boxes.
TEST(PrefsDialog, PortOnlyPrinterSecondDialogNonAdministratorAndAgentFailure)
{
    PrefsSetup s(kSoundModel, "", "LPT7:");
    vm2::prefs::SetAdminCheck([] { return 0; });
    std::vector<bool> seen;
    WindowSnapshot shown, box;
    EXPECT_EQ(1, s.Run(
                     [&](HWND dlg) {
                         seen = {FindMapWindow("", "LPT7:", 0) == dlg, IsWindowEnabled(GetDlgItem(dlg, 208)) != FALSE,
                                 Visible(dlg, 209),
                                 vm2::prefs::StartPreference("", s.model.Driver().c_str(), "LPT7:", s.modelId.c_str(),
                                                             s.resDll.c_str()) == 1};
                         Settle(dlg);
                         seen.push_back(GetForegroundWindow() == dlg);
                         PostMessageA(dlg, WM_USER + 10, 0, 2);  // bit 0 clear: failed
                         box = WindowWatch("KX-9100 Status Monitor", "#32770", 5000).Join();
                         WindowWatch::PressButton(dlg, IDCANCEL);
                     },
                     &shown));
    vm2::prefs::SetAdminCheck(nullptr);
    EXPECT_EQ((std::vector<bool>{true, false, false, true, true}), seen)
        << "registered under the port; agent boxes disabled, hidden; a second dialog ends with 1, raises the first";
    EXPECT_EQ("KX-9100 Monitoring Preferences : LPT7:", shown.caption);
    EXPECT_EQ(nullptr, FindMapWindow("", "LPT7:", 0)) << "unregistered when closed";
    EXPECT_NE(std::string::npos, box.AllText().find("The agent setting could not be changed.")) << box.AllText();
}

// Run without the system's help control too (prefs_tests.cmake).
TEST(PrefsDialog, BadRunsEndWithTheirResultsAndWithoutAHelpControlHelpDoesNothing)
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
    HelpControl hc("%SystemRoot%\\" + std::string(300, 'x'), REG_EXPAND_SZ);
    char path[260] = "x";
    EXPECT_FALSE(vm2::ReadHelpControlPath(path)) << "expands past 260 characters";
    EXPECT_STREQ("", path);
    // The help button does nothing; a WM_QUIT of the host's ends the dialog unsaved and is posted again.
    EXPECT_EQ(-3, s.Run([](HWND dlg) {
        WindowWatch::PressButton(dlg, 9);
        Settle(dlg);
        PostThreadMessageA(GetWindowThreadProcessId(dlg, nullptr), WM_QUIT, 5, 0);
    }));
    MSG msg = {};
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && msg.wParam == 5);
    EXPECT_EQ("", ReadFileText(hc.log));
}

TEST(PrefsDialog, OpenAndCloseCyclesLeaveNothingBehind)
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
}

// F1 and the one-item context menu show their topics in "VlxHH_Context", left
// of and above the cursor in the screen's bottom-right corner.
TEST(PrefsHelp, F1AndRightClicksShowTheirTopicsAtTheCursor)
{
    PrefsSetup s(kSoundModel);
    HelpControl hc(BinDir() + "\\VM2HHREC.DLL");
    int items = 0;
    POINT cursor = {};
    EXPECT_EQ(1, s.Run([&](HWND dlg) {
        FocusControl(GetDlgItem(dlg, 208));
        PressKey(VK_F1);
        Settle(dlg);
        HWND list = GetDlgItem(dlg, 200);
        RECT rc = {};
        GetClientRect(list, &rc);
        Click(list, rc.right / 2, rc.bottom - 10, true);
        items = ChooseFromMenu(dlg, "prefs-menu");
        Screenshot(GetDesktopWindow(), "prefs-help");
        // The dialog moved so that its Default button sits in the corner.
        RECT button = {}, window = {};
        GetWindowRect(GetDlgItem(dlg, 203), &button);
        GetWindowRect(dlg, &window);
        int dx = GetSystemMetrics(SM_CXSCREEN) - 12 - (button.left + button.right) / 2;
        int dy = GetSystemMetrics(SM_CYSCREEN) - 12 - (button.top + button.bottom) / 2;
        SetWindowPos(dlg, nullptr, window.left + dx, window.top + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        Settle(dlg);
        Click(GetDlgItem(dlg, 203), -1, -1, true);
        GetCursorPos(&cursor);
        ChooseFromMenu(dlg);
        WindowWatch::PressButton(dlg, IDCANCEL);
    }));
    EXPECT_EQ(1, items) << "one item, command 243";
    std::string log = ReadFileText(hc.log);
    for (const char* call :
         {"initialize", "get_win_type", "display_topic", "::HTML\\0X3015.htm>VlxHH_Context", "wintype VlxHH_Context",
          "valid=0xd58 exstyle=0x80 show=9", "order=0,1,2,3,4,255,255,255,255,255,255,11,",
          "::HTML\\0X3005.htm>VlxHH_Context", "uninitialize"})
        EXPECT_NE(std::string::npos, log.find(call)) << call << "\n" << log;
    long l = 0, t = 0, r = 0, b = 0;
    size_t at = log.rfind("wintype VlxHH_Context rect=");
    ASSERT_EQ(4, sscanf(log.c_str() + (at == std::string::npos ? 0 : at), "wintype VlxHH_Context rect=%ld,%ld,%ld,%ld",
                        &l, &t, &r, &b))
        << log;
    long w = GetSystemMetrics(SM_CXSCREEN) / 4, h = GetSystemMetrics(SM_CYSCREEN) / 4;
    EXPECT_EQ((std::vector<long>{cursor.x - w, cursor.y - h, cursor.x, cursor.y}), (std::vector<long>{l, t, r, b}));
}

// Any other help file goes to WinHelp (seen through the test program's own import of it): the
// Help button with the dialog's topic, F1 and the right button with the control table.
TEST(PrefsHelp, AHelpFileOtherThanHtmlHelpGoesToWinHelp)
{
    PrefsSetup s(kSoundModel);
    WritePrivateProfileStringA("English", "HelpFile", "KX9100.HLP", s.model.DataFile().c_str());
    HMODULE self = GetModuleHandleA(nullptr);
    void* old = nullptr;
    ASSERT_TRUE(bench::PatchImport(self, "user32.dll", "WinHelpA", reinterpret_cast<void*>(&RecordWinHelp), &old));
    EXPECT_EQ(1, s.Run([](HWND dlg) {
        Press(dlg, 9);
        FocusControl(GetDlgItem(dlg, 208));
        PressKey(VK_F1);
        Click(GetDlgItem(dlg, 200), -1, -1, true);
        Settle(dlg);
        WindowWatch::PressButton(dlg, IDCANCEL);
    }));
    bench::PatchImport(self, "user32.dll", "WinHelpA", old);
    std::string file = " " + s.model.dir.File("KX9100.HLP");
    EXPECT_EQ((std::vector<std::string>{"1 0:3000 0" + file, "12 64:3000 208" + file, "10 64:3000 200" + file}),
              g_winHelp);
}

// Run by the next test in a child process that Wine tells it is Windows 98.
TEST(PrefsWin9x, DISABLED_Run)
{
    ASSERT_NE(0u, GetVersion() & 0x80000000u) << "Wine reports the NT family";
    DeleteRegTree(HKEY_CURRENT_USER, kWineAppKey);  // read: no later start of this program takes it
    PrefsSetup s(kSoundModel);
    Companions c(s);
    ScopedRegKey nwlink(HKEY_LOCAL_MACHINE, "Enum\\Network\\NWLINK"),
        agent(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\services\\KNAgent"),
        library(HKEY_LOCAL_MACHINE, "software\\KAVRO\\KBAPIInfo");
    library.SetString("InstallDir", BinDir() + "\\");
    WindowWatch atStart("KX-9100 Status Monitor", "#32770", 20000);
    std::vector<bool> seen;
    EXPECT_EQ(0, s.Run([&](HWND dlg) {
        seen = {atStart.Join().AllText().find("NWLink protocol only") != std::string::npos, Checked(dlg, 208),
                Visible(dlg, 209)};
        for (auto box : {std::make_pair(208, "NWLink protocol only"), std::make_pair(209, "is not supported")}) {
            WindowWatch watch("KX-9100 Status Monitor", "#32770", 5000);
            Press(dlg, box.first);
            seen.push_back(watch.Join().AllText().find(box.second) != std::string::npos);
            Settle(dlg);
            seen.push_back(Checked(dlg, box.first));
        }
        WindowWatch::PressButton(dlg, IDOK);
    }));
    EXPECT_EQ((std::vector<bool>{true, false, true, true, false, true, false}), seen)
        << "at start: message 1226, agent box cleared, the second one shown; each set again: its message, cleared";
    EXPECT_NE(std::string::npos, c.Records("kbapiset").find("/Agt=Off")) << ReadFileText(c.log);
}

TEST(PrefsDialog, Windows9xWithNwlinkOnlyTurnsTheAgentOffAndRefusesBothAgentBoxes)
{
    ScopedRegKey wine(HKEY_CURRENT_USER, kWineAppKey);
    wine.SetString("Version", "win98");
    std::string out;  // run, and passed
    ChildProcess child(
        "\"" + BinDir() + "\\test_prefs_dialog.exe\" --gtest_also_run_disabled_tests --gtest_filter=PrefsWin9x.*",
        &out);
    EXPECT_TRUE(child.Wait() == 0 && out.find("[       OK ] PrefsWin9x.DISABLED_Run") != std::string::npos) << out;
}
