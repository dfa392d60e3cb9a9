// Context help of the preferences dialog through the recording help
// control registered under the HTML help control's CLSID: F1, the context
// menu, the help window's place, and a help control that is not there.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "harness/test_support.h"
#include "ui/prefs/html_help.h"
#include "ui/prefs_fixture.h"
#include "ui/ui_fixture.h"

using namespace vm2test;

namespace {

const char kModel[] = "SOUND=1\r\nSoundNotifyEnable=1\r\nITEMNUM=2\r\nITEM012=1\r\nITEM011=0";
const char kClsidKey[] = "Software\\Classes\\CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";

// Puts a help control path under the CLSID for one test and restores the
// registered one afterwards.
struct HelpControl {
    std::string old;
    DWORD oldType = REG_SZ;
    TempDir dir;
    std::string log = dir.File("help.log");
    HelpControl(const std::string& value, DWORD type = REG_SZ)
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
    std::string Log() const { return ReadFileText(log); }
};

// The one-item context menu the dialog tracks: its item count (negative
// when the item is not command 243), then chosen.
int ChooseFromMenu(HWND dlg, const char* shot = nullptr)
{
    HWND menu = nullptr;
    for (int i = 0; i < 40 && menu == nullptr; ++i) {
        Sleep(100);
        menu = FindWindowA("#32768", nullptr);
    }
    if (menu == nullptr) return 0;
    HMENU h = reinterpret_cast<HMENU>(SendMessageA(menu, 0x01E1 /* MN_GETHMENU */, 0, 0));
    int count = GetMenuItemCount(h) * (GetMenuItemID(h, 0) == 243 ? 1 : -1);
    if (shot != nullptr) vm2test::Screenshot(dlg, shot);
    PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    Settle(dlg);
    return count;
}

}  // namespace

// F1 over the agent box shows its topic; a right click on the notification
// list offers one item, then its topic in the "VlxHH_Context" window; in the
// bottom-right corner of the screen that window opens left of and above the
// cursor.
TEST(PrefsHelp, F1AndRightClicksShowTheirTopicsAtTheCursor)
{
    PrefsSetup s(kModel);
    HelpControl hc(BinDir() + "\\VM2HHREC.DLL");
    int items = 0;
    POINT cursor = {};
    EXPECT_EQ(1, s.Run([&](HWND dlg) {
        HWND agent = GetDlgItem(dlg, 208);
        Click(agent);
        Click(agent);  // back as it was, the focus stays on the box
        FocusControl(agent);
        PressKey(VK_F1);
        Settle(dlg);

        HWND list = GetDlgItem(dlg, 200);
        RECT rc = {};
        GetClientRect(list, &rc);
        Click(list, rc.right / 2, rc.bottom - 10, true);
        items = ChooseFromMenu(dlg, "prefs-menu");
        vm2test::Screenshot(GetDesktopWindow(), "prefs-help");

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
    std::string log = hc.Log();
    for (const char* call :
         {"initialize", "get_win_type", "display_topic", "::HTML\\0X3015.htm>VlxHH_Context", "wintype VlxHH_Context",
          "valid=0xd58 exstyle=0x80 show=9", "order=0,1,2,3,4,255,255,255,255,255,255,11,",
          "::HTML\\0X3005.htm>VlxHH_Context", "uninitialize"})
        EXPECT_NE(std::string::npos, log.find(call)) << call << "\n" << log;
    size_t at = log.rfind("wintype VlxHH_Context rect=");
    ASSERT_NE(std::string::npos, at) << log;
    long l = 0, t = 0, r = 0, b = 0;
    ASSERT_EQ(4, sscanf(log.c_str() + at, "wintype VlxHH_Context rect=%ld,%ld,%ld,%ld", &l, &t, &r, &b));
    long w = GetSystemMetrics(SM_CXSCREEN) / 4, h = GetSystemMetrics(SM_CYSCREEN) / 4;
    EXPECT_EQ((std::vector<long>{cursor.x - w, cursor.y - h, cursor.x, cursor.y}), (std::vector<long>{l, t, r, b}));
}

TEST(PrefsHelp, WithoutAHelpControlHelpRequestsDoNothing)
{
    // An unloadable registered path, and the system's control switched off.
    std::string garbage(300, 'x');
    HelpControl hc("%SystemRoot%\\" + garbage, REG_EXPAND_SZ);
    PrefsSetup s(kModel);
    char path[260] = "x";
    EXPECT_FALSE(vm2::ReadHelpControlPath(path)) << "expands past 260 characters";
    EXPECT_STREQ("", path);
    EXPECT_EQ(1, s.Run([&](HWND dlg) {
        WindowWatch::PressButton(dlg, 9);
        Settle(dlg);
        WindowWatch::PressButton(dlg, IDCANCEL);
    }));
    EXPECT_EQ("", hc.Log());
}
