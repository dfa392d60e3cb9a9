#include "coord/wait_dlg.h"

#include <cstdint>
#include <string>
#include <vector>

#include "base/text.h"
#include "config/registry.h"
#include "config/regpaths.h"
#include "coord/agent.h"
#include "coord/companion_commands.h"
#include "base/trace.h"

namespace {

// Window handles travel on command lines as 32-bit values: that is all a
// window handle holds, on 64-bit Windows too.
std::uint32_t WindowWord(HWND hWnd) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(hWnd)); }

}  // namespace

CWaitDlg::CWaitDlg(const char* pszResDllPath, HWND hOwner) : m_hOwner(hOwner)
{
    if (!vm2::IsEmpty(pszResDllPath)) m_hResDll = LoadLibraryExA(pszResDllPath, nullptr, LOAD_LIBRARY_AS_DATAFILE);
}

CWaitDlg::~CWaitDlg()
{
    if (m_hResDll != nullptr) FreeLibrary(m_hResDll);
}

INT_PTR CWaitDlg::DoModal(LPARAM lParam)
{
    m_lParam = lParam;
    if (m_hResDll == nullptr || FindResourceA(m_hResDll, MAKEINTRESOURCEA(kTemplateId), RT_DIALOG) == nullptr)
        return m_nResult;
    DialogBoxParamA(m_hResDll, MAKEINTRESOURCEA(kTemplateId), m_hOwner, DialogProc, reinterpret_cast<LPARAM>(this));
    m_hWnd = nullptr;
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
    if (LoadStringA(m_hResDll, kTitleString, text, sizeof(text)) > 0) SetWindowTextA(m_hWnd, text);
    text[0] = '\0';
    if (LoadStringA(m_hResDll, kTextString, text, sizeof(text)) > 0) SetDlgItemTextA(m_hWnd, kTextControl, text);

    m_nPhase = 1;
    m_nTimerId = SetTimer(m_hWnd, kFirstTimer, kFirstDelay, nullptr) != 0 ? kFirstTimer : 0;
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

void CWaitDlg::OnClose() { EndDialog(m_hWnd, 2); }

void CWaitDlg::OnDestroy() { StopTimer(); }

INT_PTR CALLBACK CWaitDlg::DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    CWaitDlg* self = nullptr;
    if (uMsg == WM_INITDIALOG) {
        self = reinterpret_cast<CWaitDlg*>(lParam);
        SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
        self->m_hWnd = hWnd;
        return self->OnInitDialog();
    }
    self = reinterpret_cast<CWaitDlg*>(GetWindowLongPtrA(hWnd, DWLP_USER));
    if (self == nullptr) return FALSE;
    switch (uMsg) {
    case WM_TIMER: self->OnTimer(wParam); return TRUE;
    case WM_AGENT_REPLY: self->OnReply(); return TRUE;
    case WM_CLOSE: self->OnClose(); return TRUE;
    case WM_DESTROY: self->OnDestroy(); return FALSE;
    default: return FALSE;
    }
}

namespace vm2 {

int StartKbapiset(const TraceScope& scope, bool bElevated, HWND hReply, const char* pszPath, bool bOn)
{
    if (bElevated) {
        std::string parameters = KbapisetParameters(WindowWord(hReply), WM_AGENT_REPLY, bOn);
        Trace(scope, "szCmdLine = %s\n", parameters.c_str());
        DWORD dwErr = 0;
        INT_PTR hExec = StartElevated(hReply, pszPath, parameters.c_str(), &dwErr);
        Trace(scope, "(int)hExec = %d, dwLastErr = %d\n", static_cast<int>(hExec), static_cast<int>(dwErr));
        return dwErr == ERROR_CANCELLED || hExec <= 32 ? 0 : 1;
    }
    std::string command = KbapisetCommandLine(pszPath, WindowWord(hReply), WM_AGENT_REPLY, bOn);
    Trace(scope, "szCmdLine = %s\n", command.c_str());
    return StartCommandLine(pszPath, command);
}

}  // namespace vm2

int CWaitDlg::SetSAgent(int bOn)
{
    TraceScope scope("CWaitDlg::SetSAgent");
    Registry key(HKEY_LOCAL_MACHINE, vm2::regpath::kKbapiInfoKey, FALSE, Registry::kRead);
    std::string installDir = key.QueryString("InstallDir", "", vm2::kPathBuf);
    if (installDir.empty()) return 0;
    std::string path = vm2::KbapisetPath(installDir.c_str());
    Trace(scope, "szKbapiPath = %s\n", path.c_str());
    return vm2::StartKbapiset(scope, vm2::StartsElevated(), m_hWnd, path.c_str(), bOn != 0);
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

    if (!vm2::StartAgentProgram(vm2::StartsElevated(), hDlg, program.c_str(), pszDriverName, pszPrinterName, iService))
        return 0;

    CWaitDlg wait(pszResDllPath, hDlg);
    wait.DoModal(iService);
    return 1;
}
