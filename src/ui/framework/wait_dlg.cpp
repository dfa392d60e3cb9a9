#include "ui/framework/wait_dlg.h"

#include <string>

#include "base/resource_ids.h"
#include "base/text.h"
#include "base/trace.h"
#include "config/registry.h"
#include "config/regpaths.h"
#include "coord/agent.h"
#include "coord/companion_commands.h"
#include "coord/wait_dlg.h"

CWaitDlg::CWaitDlg(const char* pszResDllPath, HWND hOwner) : CDialogBox(vm2::res::kWaitTemplate, hOwner)
{
    if (!vm2::IsEmpty(pszResDllPath)) m_hResModule = LoadLibraryExA(pszResDllPath, nullptr, LOAD_LIBRARY_AS_DATAFILE);
}

CWaitDlg::~CWaitDlg()
{
    if (m_hResModule != nullptr) FreeLibrary(m_hResModule);
}

INT_PTR CWaitDlg::DoModal(LPARAM lParam)
{
    m_lParam = lParam;
    if (m_hResModule == nullptr ||
        FindResourceA(m_hResModule, MAKEINTRESOURCEA(vm2::res::kWaitTemplate), RT_DIALOG) == nullptr)
        return m_nResult;
    CDialogBox::DoModal();
    return m_nResult;
}

BOOL CWaitDlg::OnInitDialog()
{
    // The user cannot close it: it ends when the settings program answers
    // or the wait is over.
    HMENU hMenu = GetSystemMenu(m_hWnd, FALSE);
    if (hMenu != nullptr) {
        EnableMenuItem(hMenu, SC_CLOSE, MF_BYCOMMAND | MF_DISABLED | MF_GRAYED);
        EnableMenuItem(hMenu, SC_MOVE, MF_BYCOMMAND | MF_GRAYED);
    }
    LONG_PTR style = GetWindowLongPtrA(m_hWnd, GWL_STYLE);
    SetWindowLongPtrA(m_hWnd, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_MINIMIZEBOX));

    char text[257] = "";
    if (LoadStringA(m_hResModule, vm2::res::kPrefsTitle, text, sizeof(text)) > 0) SetWindowTextA(m_hWnd, text);
    text[0] = '\0';
    if (LoadStringA(m_hResModule, vm2::res::kWaitTextString, text, sizeof(text)) > 0)
        SetDlgItemTextA(m_hWnd, vm2::res::kCtlWaitText, text);

    m_nPhase = 1;
    m_nTimerId = SetTimer(m_hWnd, kFirstTimer, kFirstDelay, nullptr) != 0 ? kFirstTimer : 0;
    // A modal dialog is shown whatever its template says.
    ShowWindow(m_hWnd, SW_SHOW);
    return TRUE;
}

void CWaitDlg::StopTimer()
{
    if (m_nTimerId != 0) KillTimer(m_hWnd, m_nTimerId);
    m_nTimerId = 0;
}

void CWaitDlg::OnTimer(UINT_PTR nId)
{
    if (nId != m_nTimerId || m_nTimerId == 0) return;
    StopTimer();
    if (m_nPhase == 1) {
        m_nPhase = 0;
        m_nTimerId = SetTimer(m_hWnd, kLongTimer, m_nLongDelay, nullptr) != 0 ? kLongTimer : 0;
    } else {
        SendMessageA(m_hWnd, WM_CLOSE, 0, 0);
    }
}

void CWaitDlg::OnReply()
{
    StopTimer();
    SendMessageA(m_hWnd, WM_CLOSE, 0, 0);
}

void CWaitDlg::OnClose() { EndModal(2); }

void CWaitDlg::OnDestroy() { StopTimer(); }

INT_PTR CWaitDlg::DialogProc(HWND, UINT uMsg, WPARAM wParam, LPARAM)
{
    switch (uMsg) {
    case WM_INITDIALOG: return OnInitDialog();
    case WM_TIMER: OnTimer(wParam); return TRUE;
    case WM_AGENT_REPLY: OnReply(); return TRUE;
    case WM_CLOSE: OnClose(); return TRUE;
    case WM_DESTROY: OnDestroy(); return FALSE;
    default: return FALSE;
    }
}

int CWaitDlg::SetSAgent(int bOn)
{
    TraceScope scope("CWaitDlg::SetSAgent");
    Registry key(HKEY_LOCAL_MACHINE, vm2::regpath::kKbapiInfoKey, FALSE, Registry::kRead);
    std::string installDir = key.QueryString("InstallDir", "", vm2::kPathBuf);
    if (installDir.empty()) return 0;
    std::string path = vm2::KbapisetPath(installDir.c_str());
    Trace(scope, "szKbapiPath = %s\n", path.c_str());
    return vm2::StartKbapiset(scope, m_hWnd, path.c_str(), bOn != 0);
}

int SetSIDMAgent2(HWND hDlg, const char* pszDriverName, const char* pszPrinterName, const char* pszResDllPath,
                  int iService)
{
    TraceScope scope("SetSIDMAgent2()\n");
    Trace(scope, "iService = %d\n", iService);
    if (vm2::IsEmpty(pszDriverName) || vm2::IsEmpty(pszPrinterName)) return 0;

    char path[vm2::kPathBuf];
    if (!vm2::FormatText(path, vm2::kPathBuf, "%s\\%s", vm2::regpath::kDriverBase, pszDriverName)) return 0;
    Registry key(HKEY_LOCAL_MACHINE, path, FALSE, Registry::kRead);
    std::string program = key.QueryString("K_VRCV", "", vm2::kPathBuf);
    if (program.empty()) return 0;

    if (!vm2::StartAgentProgram(hDlg, program.c_str(), pszDriverName, pszPrinterName, iService))
        return 0;

    CWaitDlg wait(pszResDllPath, hDlg);
    wait.DoModal(iService);
    return 1;
}
