#include "ui/prefs_fixture.h"

#include <commctrl.h>

#include "ui/prefs/vlx_env_dlg.h"

namespace vm2test {

namespace {

std::string KitModelId(const std::string& lines)
{
    return lines.size() > 2 && lines.front() == '[' ? lines.substr(1, lines.find(']') - 1) : std::string();
}

}  // namespace

PrefsSetup::PrefsSetup(const std::string& modelLines, const char* pszPrinter, const char* pszPort)
    : model(KitModelId(modelLines).empty() ? modelLines +
                                                 "\r\n[Language]\r\nEnglish=09,01\r\n[English]\r\n"
                                                 "ResDll=KX9100EN.DLL\r\nHelpFile=KX9100EN.CHM\r\n"
                                           : std::string()),
      modelId(KitModelId(modelLines)),
      printer(pszPrinter != nullptr ? pszPrinter : UniqueName("vm2tk-prefs")),
      port(pszPort)
{
    // A model of the kit's data file: the driver's "Profile" names the copy.
    if (modelId.empty()) modelId = model.Model();
    else CopyFileA((BinDir() + "\\KX9100.INI").c_str(), model.DataFile().c_str(), FALSE);
    resDll = model.Folder() + "\\KX9100EN.DLL";
    CopyFileA((BinDir() + "\\KX9100EN.DLL").c_str(), resDll.c_str(), FALSE);
    CopyFileA((BinDir() + "\\KX9100EN.CHM").c_str(), (model.Folder() + "\\KX9100EN.CHM").c_str(), FALSE);
    bool byPort = printer.empty();
    MakeTargetKey(HKEY_CURRENT_USER, byPort ? kPortBase : kPrinterBase, 0, byPort ? port.c_str() : printer.c_str());
    key = TargetKeyPath(byPort ? kPortBase : kPrinterBase, 0);
}

int PrefsSetup::Run(const std::function<void(HWND)>& action, WindowSnapshot* pSeen) const
{
    WindowWatch watch(Title(), std::string(), 20000, [&action](HWND h) {
        Settle(h);
        action(h);
    });
    int rc = vm2::prefs::StartPreference(printer.c_str(), model.Driver().c_str(), port.c_str(), modelId.c_str(),
                                         resDll.c_str());
    WindowSnapshot seen = watch.Join();
    if (pSeen != nullptr) *pSeen = seen;
    return rc;
}

void Click(HWND hCtrl, int x, int y, bool bRight)
{
    RECT rc = {};
    GetClientRect(hCtrl, &rc);
    POINT pt = {x >= 0 ? x : rc.right / 2, y >= 0 ? y : rc.bottom / 2};
    ClientToScreen(hCtrl, &pt);
    INPUT in[3] = {};
    for (INPUT& i : in) {
        i.type = INPUT_MOUSE;
        i.mi.dx = pt.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
        i.mi.dy = pt.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
        i.mi.dwFlags = MOUSEEVENTF_ABSOLUTE;
    }
    in[0].mi.dwFlags |= MOUSEEVENTF_MOVE;
    in[1].mi.dwFlags |= bRight ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    in[2].mi.dwFlags |= bRight ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    SendInput(1, &in[0], sizeof(INPUT));
    Sleep(50);
    SendInput(2, &in[1], sizeof(INPUT));
    Sleep(250);
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
    RedrawWindow(hDlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    for (int i = 0; i < 3; ++i) {
        SendMessageTimeoutA(hDlg, WM_NULL, 0, 0, SMTO_NORMAL, 2000, nullptr);
        Sleep(50);
    }
}

// The row of a notification number: the list's own sort decides the order.
int RowSwitch(HWND hDlg, int number, RECT* pLabel)
{
    HWND list = GetDlgItem(hDlg, 200);
    LVFINDINFOA find = {};
    find.flags = LVFI_PARAM;
    find.lParam = number;
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem =
        static_cast<int>(SendMessageA(list, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
    if (item.iItem < 0) return -1;
    SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    if (pLabel != nullptr) {
        pLabel->left = LVIR_LABEL;
        SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(item.iItem), reinterpret_cast<LPARAM>(pLabel));
    }
    return item.iImage;
}

}  // namespace vm2test
