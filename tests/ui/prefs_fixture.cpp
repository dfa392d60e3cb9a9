#include "ui/prefs_fixture.h"

#include <commctrl.h>

#include <cstdio>

#include "ui/prefs/vlx_env_dlg.h"

namespace vm2test {

PrefsSetup::PrefsSetup(const std::string& modelLines, const std::string& helpFile, const char* pszPrinter,
                       const char* pszPort)
    : model(modelLines + "\r\n[Language]\r\nEnglish=09,01\r\n[English]\r\nResDll=KX9100EN.DLL\r\n" +
            (helpFile.empty() ? std::string() : "HelpFile=" + helpFile + "\r\n")),
      printer(pszPrinter != nullptr ? pszPrinter : UniqueName("vm2tk-prefs")), port(pszPort)
{
    resDll = model.Folder() + "\\KX9100EN.DLL";
    CopyFileA((BinDir() + "\\KX9100EN.DLL").c_str(), resDll.c_str(), FALSE);
    CopyFileA((BinDir() + "\\KX9100EN.CHM").c_str(), (model.Folder() + "\\KX9100EN.CHM").c_str(), FALSE);
    bool byPort = printer.empty();
    MakeTargetKey(HKEY_CURRENT_USER, byPort ? kPortBase : kPrinterBase, 0, byPort ? port.c_str() : printer.c_str());
    key = TargetKeyPath(byPort ? kPortBase : kPrinterBase, 0);
}

DWORD PrefsSetup::Value(const char* name, DWORD fallback) const
{
    return ReadDword(HKEY_CURRENT_USER, key, name, fallback);
}

DWORD PrefsSetup::Item(const char* name, DWORD fallback) const
{
    return ReadDword(HKEY_CURRENT_USER, Notify(), name, fallback);
}

int PrefsSetup::Run(const std::function<void(HWND)>& action, WindowSnapshot* pSeen) const
{
    WindowWatch watch(Title(), std::string(), 20000, [&action](HWND h) {
        Settle(h);
        action(h);
    });
    int rc = vm2::prefs::StartPreference(printer.c_str(), model.Driver().c_str(), port.c_str(),
                                         model.Model().c_str(), resDll.c_str());
    WindowSnapshot seen = watch.Join();
    if (pSeen != nullptr) *pSeen = seen;
    return rc;
}

namespace {

void SendMouse(int x, int y, DWORD down, DWORD up)
{
    int w = GetSystemMetrics(SM_CXSCREEN) - 1;
    int h = GetSystemMetrics(SM_CYSCREEN) - 1;
    INPUT in[3] = {};
    for (INPUT& i : in) {
        i.type = INPUT_MOUSE;
        i.mi.dx = x * 65535 / w;
        i.mi.dy = y * 65535 / h;
        i.mi.dwFlags = MOUSEEVENTF_ABSOLUTE;
    }
    in[0].mi.dwFlags |= MOUSEEVENTF_MOVE;
    in[1].mi.dwFlags |= down;
    in[2].mi.dwFlags |= up;
    SendInput(1, &in[0], sizeof(INPUT));
    Sleep(50);
    SendInput(2, &in[1], sizeof(INPUT));
}

}  // namespace

void Click(HWND hCtrl, int x, int y, bool bRight)
{
    POINT pt = {x, y};
    ClientToScreen(hCtrl, &pt);
    SendMouse(pt.x, pt.y, bRight ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN,
              bRight ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
    Sleep(250);
}

void ClickCenter(HWND hCtrl, bool bRight)
{
    RECT rc = {};
    GetClientRect(hCtrl, &rc);
    Click(hCtrl, rc.right / 2, rc.bottom / 2, bRight);
}

void FocusControl(HWND hCtrl)
{
    // The watcher's thread borrows the dialog thread's input state, as a
    // user's click on the window would make it the active one.
    DWORD self = GetCurrentThreadId();
    DWORD owner = GetWindowThreadProcessId(hCtrl, nullptr);
    AttachThreadInput(self, owner, TRUE);
    SetForegroundWindow(GetAncestor(hCtrl, GA_ROOT));
    SetFocus(hCtrl);
    AttachThreadInput(self, owner, FALSE);
    Sleep(100);
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

void Settle(HWND hDlg)
{
    for (int i = 0; i < 3; ++i) {
        SendMessageTimeoutA(hDlg, WM_NULL, 0, 0, SMTO_NORMAL, 2000, nullptr);
        Sleep(50);
    }
}

bool Checked(HWND hDlg, int id)
{
    return SendMessageA(GetDlgItem(hDlg, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool Visible(HWND hDlg, int id)
{
    HWND h = GetDlgItem(hDlg, id);
    return h != nullptr && IsWindowVisible(h);
}

namespace {

int RowOf(HWND list, int number)
{
    LVFINDINFOA find = {};
    find.flags = LVFI_PARAM;
    find.lParam = number;
    return static_cast<int>(SendMessageA(list, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

}  // namespace

int RowSwitch(HWND hDlg, int number)
{
    HWND list = GetDlgItem(hDlg, 200);
    int row = RowOf(list, number);
    if (row < 0) return -1;
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
}

RECT RowLabelRect(HWND hDlg, int number)
{
    HWND list = GetDlgItem(hDlg, 200);
    RECT rc = {};
    rc.left = LVIR_LABEL;
    SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(RowOf(list, number)), reinterpret_cast<LPARAM>(&rc));
    return rc;
}

void Screenshot(const std::string& name)
{
    // The display is the test's X server: ImageMagick's import reads it
    // directly, started as a Unix program through Wine.
    char dir[MAX_PATH] = "";
    if (GetEnvironmentVariableA("VM2PR2_SCREENSHOTS", dir, sizeof(dir)) == 0) return;
    Sleep(1500);  // the X server shows the window after Wine has drawn it
    // The first picture a process takes comes out black: take it twice.
    static bool s_bFirst = true;
    for (int i = s_bFirst ? 2 : 1; i > 0; --i) {
        std::string line = "/usr/bin/import -window root " + std::string(dir) + "/" + name + ".png";
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return;
        WaitForSingleObject(pi.hProcess, 10000);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    s_bFirst = false;
}

}  // namespace vm2test
