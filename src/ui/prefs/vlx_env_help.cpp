// Context help of the preferences dialog: the Help button, the title-bar
// question mark or F1 (the control's topic) and the right mouse button (a
// one-item menu, then the topic). ".chm" files go to the HTML help engine,
// anything else to WinHelp.
#include <windows.h>

#include <htmlhelp.h>

#include "base/resource_ids.h"
#include "base/trace.h"
#include "ui/prefs/html_help.h"
#include "ui/prefs/prefs_logic.h"
#include "ui/prefs/vlx_env_dlg.h"

namespace res = vm2::res;
using vm2::prefs::kHelpTable;

namespace {

// The table as the help engines take it: pairs of ids ended by zeros.
DWORD_PTR HelpTableArg() { return reinterpret_cast<DWORD_PTR>(&kHelpTable[0]); }

bool PointInControl(HWND hDlg, int nId, UINT x, UINT y)
{
    HWND h = GetDlgItem(hDlg, nId);
    RECT rc = {};
    if (h == nullptr || !GetWindowRect(h, &rc)) return false;
    int px = static_cast<int>(x);
    int py = static_cast<int>(y);
    return rc.left <= px && px <= rc.right && rc.top <= py && py <= rc.bottom;
}

bool PointInButtons(HWND hDlg, UINT x, UINT y)
{
    return PointInControl(hDlg, IDOK, x, y) || PointInControl(hDlg, IDCANCEL, x, y) ||
           PointInControl(hDlg, res::kIdHelp, x, y);
}

// The context of the first table entry whose control is hWnd.
std::uint32_t ContextOfWindow(HWND hDlg, HWND hWnd)
{
    for (const vm2::prefs::HelpPair& p : kHelpTable) {
        if (p.nControl == 0) break;
        HWND h = GetDlgItem(hDlg, static_cast<int>(p.nControl));
        if (h != nullptr && h == hWnd) return p.nContext;
    }
    return 0;
}

void ShowTopic(HWND hOwner, const char* pszHelpFile, std::uint32_t nContext)
{
    char topic[521] = "";
    if (vm2::prefs::FormatHelpTopic(pszHelpFile, nContext, topic, sizeof(topic)))
        HtmlHelpA(hOwner, topic, kHH_DISPLAY_TOPIC, 0);
}

}  // namespace

void CVlxEnvDlg::HelpStartUp()
{
    HtmlHelpA(nullptr, nullptr, kHH_INITIALIZE, reinterpret_cast<DWORD_PTR>(&m_dwHelpCookie));
    if (!vm2::prefs::IsHtmlHelpFile(m_szHelpFile)) return;
    char main[vm2::kPathBuf + 8] = "";
    if (!vm2::FormatText(main, sizeof(main), "%s>main", m_szHelpFile)) return;
    HWND rc = HtmlHelpA(m_hWnd, main, kHH_GET_WIN_TYPE, reinterpret_cast<DWORD_PTR>(&m_pHelpWinType));
    Trace("m_hWnd = %#x, GetWinType return value : %#x\n", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(m_hWnd)),
          static_cast<unsigned>(reinterpret_cast<UINT_PTR>(rc)));
}

void CVlxEnvDlg::HelpShutDown() { HtmlHelpA(nullptr, nullptr, kHH_UNINITIALIZE, m_dwHelpCookie); }

void CVlxEnvDlg::OnHelpButton()
{
    if (vm2::prefs::IsHtmlHelpFile(m_szHelpFile))
        HtmlHelpA(m_hWnd, m_szHelpFile, kHH_HELP_CONTEXT, vm2::prefs::kHelpDialog);
    else
        WinHelpA(m_hWnd, m_szHelpFile, HELP_CONTEXT, vm2::prefs::kHelpDialog);
}

BOOL CVlxEnvDlg::OnHelpInfo(const HELPINFO* pInfo)
{
    TraceScope scope("CVlxEnvDlg::OnHelpInfo");
    if (pInfo == nullptr) return TRUE;
    HWND hCtrl = static_cast<HWND>(pInfo->hItemHandle);
    if (!vm2::prefs::IsHtmlHelpFile(m_szHelpFile)) {
        WinHelpA(hCtrl, m_szHelpFile, HELP_WM_HELP, HelpTableArg());
        return TRUE;
    }
    SetHelpWindowType();
    std::uint32_t nContext = ContextOfWindow(m_hWnd, hCtrl);
    if (nContext != 0) {
        ShowTopic(hCtrl, m_szHelpFile, nContext);
    } else if (PointInButtons(m_hWnd, static_cast<UINT>(pInfo->MousePos.x), static_cast<UINT>(pInfo->MousePos.y))) {
        HtmlHelpA(hCtrl, m_szHelpFile, kHH_TP_HELP_WM_HELP, HelpTableArg());
    }
    return TRUE;
}

BOOL CVlxEnvDlg::OnContextMenu(HWND hWndClicked, UINT x, UINT y)
{
    TraceScope scope("CVlxEnvDlg::OnContextMenu");
    Trace(scope, "hWnd=%d, m_hWnd=%d, x = %d, y = %d\n", static_cast<int>(reinterpret_cast<INT_PTR>(hWndClicked)),
          static_cast<int>(reinterpret_cast<INT_PTR>(m_hWnd)), static_cast<int>(x), static_cast<int>(y));
    if (!vm2::prefs::IsHtmlHelpFile(m_szHelpFile)) {
        WinHelpA(hWndClicked, m_szHelpFile, HELP_CONTEXTMENU, HelpTableArg());
        return TRUE;
    }
    std::uint32_t nContext = ContextOfWindow(m_hWnd, hWndClicked);
    if (nContext == 0) {
        if (PointInControl(m_hWnd, res::kIdNotifyFrame, x, y)) nContext = vm2::prefs::kHelpNotify;
        if (PointInControl(m_hWnd, res::kIdTrayFrame, x, y)) nContext = vm2::prefs::kHelpTray;
    }
    if (nContext != 0) {
        if (PopUpHelpMenu()) {
            SetHelpWindowType();
            ShowTopic(hWndClicked, m_szHelpFile, nContext);
        }
    } else if (PointInButtons(m_hWnd, x, y)) {
        if (PopUpHelpMenu()) HtmlHelpA(hWndClicked, m_szHelpFile, kHH_TP_HELP_CONTEXTMENU, HelpTableArg());
    }
    return TRUE;
}

BOOL CVlxEnvDlg::PopUpHelpMenu()
{
    TraceScope scope("CVlxEnvDlg::PopUpHelpMenu");
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr) return FALSE;
    char text[vm2::kPathBuf] = "";
    LoadStringA(m_hResDll, res::kHelpMenuString, text, sizeof(text));
    AppendMenuA(menu, MF_STRING, res::kHelpMenuCommand, text);
    POINT pt = {};
    GetCursorPos(&pt);
    int bTrack = static_cast<int>(
        TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, pt.x, pt.y, 0, m_hWnd, nullptr));
    Trace(scope, "bTrack = %d\n", bTrack);
    DestroyMenu(menu);
    Trace(scope, "Exit CVlxEnvDlg::PopUpHelpMenu\n");
    return bTrack == res::kHelpMenuCommand ? TRUE : FALSE;
}

void CVlxEnvDlg::SetHelpWindowType()
{
    VlxHHWinType wt = {};
    wt.cbStruct = sizeof(wt);
    wt.pszType = vm2::prefs::kHelpWindowType;
    // Extended styles, window rectangle, show state, toolbar flags, tab
    // position and tab order.
    wt.fsValidMembers = 0xD58;
    wt.dwExStyles = WS_EX_TOOLWINDOW;
    wt.nShowState = SW_RESTORE;
    wt.hwndCaller = m_hWnd;
    wt.fsToolBarFlags = 0;
    wt.tabpos = HHWIN_NAVTAB_TOP;
    for (int i = 0; i < 20; ++i) wt.tabOrder[i] = static_cast<BYTE>(i >= 5 && i <= 10 ? 255 : i);

    POINT pt = {};
    GetCursorPos(&pt);
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (GetMonitorInfoA(MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY), &mi)) screen = mi.rcMonitor;
    vm2::prefs::Rect r = vm2::prefs::HelpWindowRect(pt.x - screen.left, pt.y - screen.top,
                                                    screen.right - screen.left, screen.bottom - screen.top);
    wt.rcWindowPos = RECT{r.left + screen.left, r.top + screen.top, r.right + screen.left, r.bottom + screen.top};
    HtmlHelpA(m_hWnd, m_szHelpFile, kHH_SET_WIN_TYPE, reinterpret_cast<DWORD_PTR>(&wt));
}
