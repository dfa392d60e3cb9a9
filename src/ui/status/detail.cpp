#include "ui/status/detail.h"

#include <shellapi.h>

#include <cstring>
#include <vector>

#include "base/fetch_sized.h"
#include "base/resource_ids.h"
#include "base/text.h"
#include "base/trace.h"
#include "comm/com_tolerance.h"
#include "comm/detail_kbstatus.h"
#include "config/notify_settings.h"
#include "config/paths.h"
#include "config/registry.h"
#include "config/regpaths.h"
#include "config/target_keys.h"
#include "coord/window_map.h"
#include "status/status_info.h"
#include "ui/framework/driver_key.h"
#include "ui/framework/win_theme.h"
#include "ui/status/about_box.h"
#include "ui/status/sound_ntfy.h"
#include "ui/status/trouble.h"

using namespace vm2::res;

namespace {

// The "not stored" mark of a pop-up position: far beyond any screen.
constexpr DWORD kNoPosition = 0x70000000;
constexpr int kNetworkTimerDefault = 30;
constexpr DWORD kFirstChannel = 4;  // the first entry of the channel kind table
constexpr int kPlaceholderStatus = 1000;
constexpr int kComStatusTransient = 16;

std::string LoadResString(HMODULE hModule, UINT nId, int nMax = 1040)
{
    std::vector<char> buf(static_cast<size_t>(nMax), '\0');
    if (hModule == nullptr || LoadStringA(hModule, nId, buf.data(), nMax) <= 0) return std::string();
    return buf.data();
}

int MessageBoxRes(HWND hOwner, HMODULE hModule, UINT nTextId, UINT uType)
{
    std::string text = LoadResString(hModule, nTextId);
    std::string caption = LoadResString(hModule, kTitleString, 260);
    return MessageBoxA(hOwner, text.c_str(), caption.c_str(), uType);
}

// A window of another process may hang; its request is not worth ours.
void SendToOther(HWND hWnd, UINT uMsg, WPARAM wParam)
{
    DWORD_PTR dwResult = 0;
    SendMessageTimeoutA(hWnd, uMsg, wParam, 0, SMTO_ABORTIFHUNG, 5000, &dwResult);
}

bool MenuItemUsable(HMENU hMenu, UINT nId)
{
    MENUITEMINFOA info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STATE;
    if (!GetMenuItemInfoA(hMenu, nId, FALSE, &info)) return true;
    return (info.fState & (MFS_GRAYED | MFS_DISABLED)) == 0;
}

}  // namespace

std::string GetDriverKeyPath(const char* pszPrinterName)
{
    if (vm2::IsEmpty(pszPrinterName)) return std::string();
    vm2::UniquePrinter printer;
    if (!KP_OpenPrinter(pszPrinterName, printer.put(), nullptr) || !printer) return std::string();
    std::vector<BYTE> buf;
    if (!vm2::FetchSized(buf, [&](BYTE* p, DWORD cb, DWORD* pNeeded) {
            return GetPrinterA(printer.get(), 2, p, cb, pNeeded) != FALSE;
        }))
        return std::string();
    const auto* pInfo = reinterpret_cast<const PRINTER_INFO_2A*>(buf.data());
    if (vm2::IsEmpty(pInfo->pDriverName)) return std::string();
    return std::string(vm2::regpath::kDriverBase) + "\\" + pInfo->pDriverName;
}

CDetail::CDetail(HWND hWndParent, const DetailEnv& env) : CDialogBox(kStatusTemplate, hWndParent), m_Env(env) {}

CDetail::~CDetail()
{
    if (m_pStatusThread) m_pStatusThread->EndStatusThread();
    delete m_pPrinterStatus;
}

void CDetail::OnAttach(HWND) {}

void CDetail::ReplaceStatus(CPrinterStatus* pStatus)
{
    if (pStatus == nullptr) return;
    delete m_pPrinterStatus;
    m_pPrinterStatus = pStatus;
}

DWORD CDetail::SelectedChannel() const { return m_pStatusThread ? m_pStatusThread->GetSelectedChannel() : 0; }

BOOL CDetail::SetPrinter(const char* pszPrinterName, const char* pszPortName, const char* pszModelID,
                         const char* pszDatFileName)
{
    m_strPrinterName = pszPrinterName != nullptr ? pszPrinterName : "";
    m_strPortName = pszPortName != nullptr ? pszPortName : "";
    m_strModelID = pszModelID != nullptr ? pszModelID : "";
    m_strDatFileName = pszDatFileName != nullptr ? pszDatFileName : "";
    m_bByPort = m_strPrinterName.empty();
    m_szTargetKey[0] = '\0';
    m_hTargetRoot = HKEY_CURRENT_USER;
    const std::string& name = m_bByPort ? m_strPortName : m_strPrinterName;
    if (GetCurrentTargetPrnKey(name.c_str(), m_bByPort ? 1 : 0, m_szTargetKey, &m_hTargetRoot) != 0)
        m_szTargetKey[0] = '\0';
    g_strDriverKey = GetDriverKeyPath(m_strPrinterName.c_str());
    return g_strDriverKey.empty() ? FALSE : TRUE;
}

BOOL CDetail::CreatePollingObject()
{
    if (m_Env.pTolerance == nullptr) return FALSE;
    const std::string& name = m_bByPort ? m_strPortName : m_strPrinterName;
    auto pThread = std::make_unique<CDetailKbStatus>(m_bByPort ? 0 : 1, name.c_str(), *m_Env.pTolerance);
    pThread->Initialize(m_strPrinterName.c_str(), m_strPortName.c_str(), m_strModelID.c_str(), name.c_str());
    if (!pThread->IsEnable()) return FALSE;
    m_pStatusThread = std::move(pThread);
    return TRUE;
}

int CDetail::StartView(const char* pszPrinterName, const char* pszPortName, const char* pszModelID,
                       const char* pszDatFileName, int)
{
    if (!SetPrinter(pszPrinterName, pszPortName, pszModelID, pszDatFileName)) {
        MessageBoxRes(nullptr, m_hViewModule, kNoDriverString, MB_ICONEXCLAMATION);
        return 2;
    }
    // Another window of this printer gets the request at WM_INITDIALOG; this
    // one then polls nothing.
    if (FindMapWindow(m_strPrinterName.c_str(), m_strPortName.c_str(), MAPWND_STATUS) == nullptr &&
        !CreatePollingObject())
        return 2;

    m_pStatusInfo = std::make_unique<CStatusInfo>(m_strDatFileName.c_str(), std::nothrow);
    m_hResModule = m_hViewModule;
    int nResult = DoModal();
    if (nResult < 0) {
        // No window came up: nothing else ended the polling.
        CloseDown();
        nResult = 2;
    }

    m_pSndNtfy.reset();
    m_pBeepBuzzer.reset();
    m_pStatusThread.reset();
    delete m_pPrinterStatus;
    m_pPrinterStatus = nullptr;
    return nResult;
}

BOOL CDetail::OnInitDialog()
{
    TraceScope scope("WM_INITDIALOG");
    HWND hWnd = m_hWnd;
    m_bClosed = false;

    HWND hExisting = nullptr;
    HANDLE hSection = nullptr;
    UINT nRegister = RegisterMapWindow(m_strPrinterName.c_str(), m_strPortName.c_str(), MAPWND_STATUS, hWnd,
                                       &hExisting, &hSection);
    m_hMapFile.reset(hSection);
    if (nRegister == 0 && !m_pStatusThread && !CreatePollingObject()) nRegister = 4;
    if (nRegister != 0) {
        Trace(scope, "Dialog has already opened.\n");
        if (nRegister == 2 || nRegister == 3) {
            MessageBoxRes(nullptr, m_hViewModule, kRegisterFailedString, MB_OK);
        } else if (nRegister == 1 && hExisting != nullptr) {
            if (m_nViewType == 1) {
                SendToOther(hExisting, WM_USERPOPUP, 0);
                SetForegroundWindow(hExisting);
            } else if (m_nViewType == 2) {
                SetForegroundWindow(hExisting);
                SendToOther(hExisting, WM_COMMAND, kDetailRaiseCommand);
                SendToOther(hExisting, WM_USERDETAIL, 0);
            }
            m_bOtherWindow = 1;
        }
        CloseWith(2);
        return TRUE;
    }

    if (IsThemeSupported()) {
        CWinThemeCtrl theme;
        theme.EnableThemeDialogTexture(hWnd, kThemeDialogTextureFlags);
    }

    m_pSndNtfy = std::make_unique<CResSndNtfy>(m_strModelID.c_str(), m_Env.strDriverName.c_str(), m_hViewModule);
    if (!m_pSndNtfy->IsReady()) m_pSndNtfy.reset();
    m_pBeepBuzzer = std::make_unique<CBeepBuzzer>(m_strModelID.c_str(), m_hViewModule);
    if (!m_pBeepBuzzer->IsReady()) m_pBeepBuzzer.reset();

    HMENU hMenu = GetSystemMenu(hWnd, FALSE);
    if (hMenu != nullptr) {
        std::string about = LoadResString(m_hViewModule, kAboutMenuString, 260);
        if (!about.empty()) {
            AppendMenuA(hMenu, MF_SEPARATOR, 0, nullptr);
            AppendMenuA(hMenu, MF_STRING, kAboutCommand, about.c_str());
        }
        DeleteMenu(hMenu, SC_SIZE, MF_BYCOMMAND);
        DeleteMenu(hMenu, SC_MAXIMIZE, MF_BYCOMMAND);
    }

    HICON hIcon = LoadIconA(m_hViewModule, MAKEINTRESOURCEA(kWindowIcon));
    if (hIcon != nullptr) {
        SendMessageA(hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(hIcon));
        SendMessageA(hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(hIcon));
    }

    {
        char szCaption[vm2::kPathBuf] = "";
        GetWindowTextA(hWnd, szCaption, sizeof(szCaption));
        std::string title = std::string(szCaption) + " : " + (m_bByPort ? m_strPortName : m_strPrinterName);
        SetWindowTextA(hWnd, title.c_str());
    }

    m_pStatusInfo->SetResourceDll(m_hViewModule);
    m_pStatusInfo->SetDriverKey(g_strDriverKey.c_str());
    m_pStatusInfo->SetDataFile(m_strDatFileName.c_str());

    DialogViewInit init;
    init.pszDatFile = m_strDatFileName.c_str();
    init.pszModelID = m_strModelID.c_str();
    init.pszPrinterName = m_strPrinterName.c_str();
    init.pszPortName = m_strPortName.c_str();
    m_DialogView.Create(hWnd, m_hViewModule, init);

    if (m_nViewType == VLX_DLGTYPE_POPUP) {
        m_bPopup = 1;
        m_bAutoClose = 1;
        SetDefStatus();
        m_nViewType = VLX_DLGTYPE_DETAIL;
        Trace(scope, "First dialog type : Popup\n");
    } else {
        m_bPopup = 0;
        m_bAutoClose = 0;
        ReplaceStatus(m_pStatusInfo->CreateStatusObject(0, nullptr, 0, kPlaceholderStatus));
        Trace(scope, "First dialog type : Detail\n");
    }

    m_DialogView.Show(SW_HIDE);
    m_DialogView.SetViewStatus(m_pPrinterStatus);
    if (SetBeepBuzzerStatus(m_pPrinterStatus) == 0) SetSoundStatus(m_pPrinterStatus);
    m_DialogView.ChangeDialogType(m_nViewType);
    SetPopupPosition();
    m_DialogView.Show(SW_SHOW);
    m_DialogView.BringToFront(0);

    int nLocal = m_Env.nDefaultTimer;
    int nNetwork = kNetworkTimerDefault;
    Registry driverKey;
    if (OpenDriverKey(driverKey, m_Env.strDriverName.c_str())) {
        std::string def = LoadResString(m_hViewModule, kDefaultTimerString, 260);
        nLocal = static_cast<int>(vm2::ParseDecimal(driverKey.QueryString("LocalMonitoringTimer", def.c_str(), 260).c_str()));
        nNetwork = static_cast<int>(vm2::ParseDecimal(driverKey.QueryString("NetworkMonitoringTimer", "30", 260).c_str()));
    }
    if (m_szTargetKey[0] != '\0') {
        Registry target(HKEY_CURRENT_USER, m_szTargetKey, FALSE, KEY_SET_VALUE);
        if (target.IsOpen()) target.SetDword("Timer", static_cast<DWORD>(nLocal));
    }
    Trace(scope, "LocalTimer = %d, NetWorkTimer = %d\n", nLocal, nNetwork);
    // 0 keeps the polling object's own default; a negative value polls every second.
    m_pStatusThread->SetIntervals(nLocal, nNetwork);

    if (m_bReadTimer) m_nReadTimerID = SetTimer(hWnd, kReadTimerId, 500, nullptr);

    if (!m_pStatusThread->StartStatusThread(hWnd)) CloseWith(2);
    return TRUE;
}

void CDetail::SetPopupPosition()
{
    RECT rc{};
    GetWindowRect(m_hWnd, &rc);
    int w = rc.right - rc.left;
    int h = rc.bottom - rc.top;
    if (!m_bPopup) {
        int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
        int y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
        SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        return;
    }
    Registry key(m_hTargetRoot, m_szTargetKey, FALSE, Registry::kAll);
    if (m_szTargetKey[0] == '\0' || !key.IsOpen()) return;
    int nStoredX = static_cast<int>(key.QueryDword("PopupPOSX", kNoPosition));
    int nStoredY = static_cast<int>(key.QueryDword("PopupPOSY", kNoPosition));
    int W = GetSystemMetrics(SM_CXFULLSCREEN);
    int H = GetSystemMetrics(SM_CYFULLSCREEN) + GetSystemMetrics(SM_CYCAPTION);
    int x = (W - w) / 2;
    int y = (H - h) / 2;
    bool bRewrite = false;
    if (nStoredX <= W && nStoredX + w >= 0) x = nStoredX;
    else bRewrite = true;
    if (nStoredY <= H && nStoredY + h >= 0) y = nStoredY;
    else bRewrite = true;
    SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (bRewrite) {
        key.SetDword("PopupPOSX", static_cast<DWORD>(x));
        key.SetDword("PopupPOSY", static_cast<DWORD>(y));
    }
}

void CDetail::SavePopupPosition()
{
    if (m_szTargetKey[0] == '\0') return;
    Registry key(m_hTargetRoot, m_szTargetKey, FALSE, Registry::kAll);
    if (!key.IsOpen()) return;
    RECT rc{};
    if (!GetWindowRect(m_hWnd, &rc)) return;
    key.SetDword("PopupPOSX", static_cast<DWORD>(rc.left));
    key.SetDword("PopupPOSY", static_cast<DWORD>(rc.top));
}

int CDetail::SetDefStatus()
{
    TraceScope scope("CDetail::SetDefStatus");
    int nStatusNo = CStatusInfo::COMMUNICATION_ERROR;
    Registry key(m_hTargetRoot, m_szTargetKey, FALSE, Registry::kRead);
    if (m_szTargetKey[0] == '\0' || !key.IsOpen()) {
        Trace(scope, "RegStatus.IsOpen() == 0\n");
    } else {
        m_bNotifyEnable = 1;
        DWORD dwComStatus = GetComStatus(m_strPrinterName.c_str(), m_strPortName.c_str());
        Trace(scope, "ComStatus : %d\n", static_cast<int>(dwComStatus));
        if (dwComStatus == 1) {
            GetStatus(1);
            return 1;
        }
        if (dwComStatus == 3) nStatusNo = kComStatusTransient;
        else if (dwComStatus == 4) nStatusNo = CStatusInfo::COMMUNICATION_ERROR_STRONG;
    }
    Trace(scope, "error : %d\n", -1);
    CPrinterStatus* pStatus = m_pStatusInfo->CreateStatusObject(kFirstChannel, nullptr, 0, nStatusNo);
    if (pStatus == nullptr) {
        Trace(scope, "error : m_pPrinterStatus == NULL\n");
        return 0;
    }
    ReplaceStatus(pStatus);
    return 1;
}

int CDetail::GetStatus(int nSource)
{
    TraceScope scope("CDetail::GetStatus");
    int nError = nSource;
    if (nSource == 1) {
        Trace(scope, "from Registry\n");
        nError = -1;
        char szKey[vm2::kPathBuf] = "";
        HKEY hRoot = HKEY_CURRENT_USER;
        bool bByPort = m_strPrinterName.empty() && !m_strPortName.empty();
        const std::string& name = bByPort ? m_strPortName : m_strPrinterName;
        if (GetCurrentTargetPrnKey(name.c_str(), bByPort ? 1 : 0, szKey, &hRoot) == 0) {
            Registry key(hRoot, szKey, FALSE, Registry::kRead);
            std::vector<BYTE> reply = key.QueryBinary("Status");
            if (key.IsOpen() && !reply.empty()) {
                DWORD dwChannel = key.QueryDword("Channel", 0);
                if (dwChannel == 0) dwChannel = SelectedChannel();
                if (m_nEnableGetStatusErr < 0)
                    m_nEnableGetStatusErr = static_cast<int>(GetPrivateProfileIntA(
                        m_strModelID.c_str(), "EnableGetStatusErr", 0, m_strDatFileName.c_str()));
                CPrinterStatus* pStatus = m_pStatusInfo->CreateStatusObject(
                    dwChannel, reply.data(), static_cast<DWORD>(reply.size()), 0);
                if (pStatus == nullptr) pStatus = m_pStatusInfo->CreateStatusObject(0, nullptr, 0, 0);
                ReplaceStatus(pStatus);
                return 1;
            }
        }
    }
    Trace(scope, "error : %d\n", nError);
    if (nError == 0) return 0;
    if (nError == -2) return -2;
    int nStatusNo =
        m_nEnableGetStatusErr > 0 ? CStatusInfo::COMMUNICATION_ERROR_STRONG : CStatusInfo::COMMUNICATION_ERROR;
    ReplaceStatus(m_pStatusInfo->CreateStatusObject(SelectedChannel(), nullptr, 0, nStatusNo));
    return nError;
}

void CDetail::OnOK()
{
    TraceScope scope("IDOK");
    CloseWith(1);
}

void CDetail::CloseDown()
{
    if (m_bClosed) return;
    m_bClosed = true;
    // A trouble dialog or the about box of this window goes with it.
    CTrouble::EndOpenDialogs();
    if (m_hWnd != nullptr) {
        m_DialogView.Stop();
        ShowWindow(m_hWnd, SW_HIDE);
    }
    if (!m_bOtherWindow && m_hMapFile)
        UnregisterMapWindow(m_hMapFile.get(), m_strPrinterName.c_str(), m_strPortName.c_str(), MAPWND_STATUS,
                            m_strPrinterName.empty() ? TRUE : FALSE);
    m_hMapFile.reset();
    if (m_pBeepBuzzer) m_pBeepBuzzer->Stop();
    if (m_pSndNtfy) m_pSndNtfy->Stop();
    if (m_pStatusThread) {
        m_pStatusThread->EndStatusThread();
        if (m_pStatusThread->IsOpen()) {
            m_pStatusThread->ReceiveCancel();
            m_pStatusThread->CloseChannel();
        }
    }
}

void CDetail::CloseWith(int nCode)
{
    CloseDown();
    EndModal(nCode);
}

void CDetail::OnClose()
{
    TraceScope scope("WM_CLOSE");
    HMENU hMenu = GetSystemMenu(m_hWnd, FALSE);
    if (hMenu != nullptr && !MenuItemUsable(hMenu, SC_CLOSE)) return;
    CloseWith(2);
}

void CDetail::ShowAboutBox()
{
    CAboutBox about(m_hWnd, m_Env.hSelfModule, m_Env.strDriverName.c_str());
    about.m_hResModule = m_hViewModule;
    about.DoModal();
}

INT_PTR CDetail::DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) OnOK();
        else if (LOWORD(wParam) == kCtlHelpButton) OnHelp();
        return TRUE;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == kAboutCommand) ShowAboutBox();
        return FALSE;
    case WM_TIMER: {
        TraceScope scope("WM_TIMER");
        return FALSE;
    }
    case WM_MOVE:
        if (m_bPopup) SavePopupPosition();
        return FALSE;
    case WM_MOVING: {
        auto* pRect = reinterpret_cast<RECT*>(lParam);
        if (pRect != nullptr) {
            pRect->right = pRect->left + m_DialogView.GetWidth();
            pRect->bottom = pRect->top + m_DialogView.GetHeight();
        }
        return TRUE;
    }
    case WM_SIZE: {
        HMENU hMenu = GetSystemMenu(hWnd, FALSE);
        if (hMenu != nullptr) {
            if (wParam == SIZE_RESTORED) {
                EnableMenuItem(hMenu, SC_RESTORE, MF_BYCOMMAND | MF_GRAYED);
                EnableMenuItem(hMenu, SC_MINIMIZE, MF_BYCOMMAND | MF_GRAYED);
            } else if (wParam == SIZE_MINIMIZED) {
                EnableMenuItem(hMenu, SC_RESTORE, MF_BYCOMMAND | MF_ENABLED);
                EnableMenuItem(hMenu, SC_MINIMIZE, MF_BYCOMMAND | MF_GRAYED);
            }
        }
        m_DialogView.OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    }
    case WM_WINDOWPOSCHANGING:
        if (m_DialogView.GetDialogType() == VLX_DLGTYPE_HIDDEN) {
            auto* pPos = reinterpret_cast<WINDOWPOS*>(lParam);
            if (pPos != nullptr) {
                pPos->flags &= ~static_cast<UINT>(SWP_SHOWWINDOW);
                pPos->flags |= SWP_HIDEWINDOW;
            }
        }
        return FALSE;
    case WM_DRAWITEM:
        m_DialogView.OnDrawItem(wParam, lParam);
        return TRUE;
    case WM_QUERYNEWPALETTE:
        InvalidateRect(hWnd, nullptr, TRUE);
        return TRUE;
    case WM_ENTERSIZEMOVE:
    case WM_EXITSIZEMOVE:
        return TRUE;
    case WM_CLOSE:
        OnClose();
        return FALSE;
    case WM_ENDSESSION:
        CloseDown();
        return FALSE;
    case WM_POWERBROADCAST:
        if (wParam == PBT_APMSUSPEND) CloseWith(2);
        return FALSE;
    case WM_USERDETAIL: {
        TraceScope scope("WM_USERDETAIL");
        m_bAutoClose = 0;
        return TRUE;
    }
    case WM_USERPOPUP:
        return FALSE;
    case WM_RESULT_KBDEVICEID:
        OnResultKBDeviceID(static_cast<int>(wParam));
        return TRUE;
    case WM_RESULT_KBSTCHANNEL:
        OnResultKBStChannel(static_cast<int>(wParam));
        return TRUE;
    case WM_RESULT_KBSTATUS:
        OnResultKBStatus(static_cast<int>(wParam));
        return TRUE;
    case WM_STATUS_READ: {
        TraceScope scope("WM_STATUS_READ");
        if (m_bClosed) return TRUE;
        if (m_nReadTimerID != 0) KillTimer(hWnd, kReadTimerId);
        m_nReadTimerID = SetTimer(hWnd, kReadTimerId, 100, nullptr);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

// ------------------------------------------------------- status updates

void CDetail::OnResultKBDeviceID(int nResult)
{
    TraceScope scope("CDetail::OnResultKBDeviceID");
    if (nResult == -1 && !m_bComErrShown) {
        m_bComErrShown = 1;
        ShowComErrorMessages();
    }
    UpdateStatus(2, nResult);
}

void CDetail::OnResultKBStChannel(int nResult)
{
    TraceScope scope("CDetail::OnResultKBStChannel");
    if (nResult == -1 && !m_bComErrShown) {
        m_bComErrShown = 1;
        ShowComErrorMessages();
    }
    UpdateStatus(3, nResult);
}

void CDetail::OnResultKBStatus(int nResult)
{
    TraceScope scope("CDetail::OnResultKBStatus");
    UpdateStatus(4, nResult);
}

void CDetail::UpdateStatus(int nCallReason, int iStatusResult)
{
    TraceScope scope("CDetail::UpdateStatus");
    // A result still queued when the window closed (or posted while one of
    // the error boxes ran into the close) changes nothing.
    if (m_bClosed) return;
    Trace(scope, "CallReason = %d, iStatusResult = %d\n", nCallReason, iStatusResult);
    StatusProc(nCallReason, iStatusResult);
    if (IsKeepOpen(m_pPrinterStatus) == 0) {
        Trace(scope, "CDetail::UpdateStatus : close dialog\n");
        CloseWith(2);
        return;
    }
    m_DialogView.SetViewStatus(m_pPrinterStatus);
    if (SetBeepBuzzerStatus(m_pPrinterStatus) == 0) SetSoundStatus(m_pPrinterStatus);
}

void CDetail::StatusProc(int nCallReason, int iStatusResult)
{
    TraceScope scope("CDetail::StatusProc");
    Trace(scope, "CallReason : %d,  iStatusResult :%d\n", nCallReason, iStatusResult);
    if (nCallReason == 4) {
        GetStatus(iStatusResult);
        return;
    }
    if (nCallReason != 2 && nCallReason != 3) return;
    int nStatusNo;
    if (iStatusResult == -2) nStatusNo = kComStatusTransient;
    else if (iStatusResult == -3) nStatusNo = CStatusInfo::COMMUNICATION_ERROR_STRONG;
    else nStatusNo = m_nEnableGetStatusErr > 0 ? CStatusInfo::COMMUNICATION_ERROR_STRONG
                                               : CStatusInfo::COMMUNICATION_ERROR;
    DWORD dwChannel = m_pStatusThread && m_pStatusThread->IsSelected() ? SelectedChannel() : kFirstChannel;
    if (dwChannel == 0) dwChannel = kFirstChannel;
    ReplaceStatus(m_pStatusInfo->CreateStatusObject(dwChannel, nullptr, 0, nStatusNo));
}

int CDetail::IsKeepOpen(CPrinterStatus* pStatus)
{
    if (m_bAutoClose && GetNotifyInfo(pStatus, nullptr, nullptr, nullptr) == 0) return 0;
    return m_DialogView.GetDialogType();
}

int CDetail::GetNotifyInfo(CPrinterStatus* pStatus, int* pbSound, int* pnStatusNo, int* pbBuzzer)
{
    int bSound = 0, bItem = 0, bBuzzer = 0;
    if (pStatus != nullptr) {
        if (GetSoundNotify(m_strPrinterName.c_str(), m_strPortName.c_str(), pStatus->GetNotifyNo(), &bSound,
                           &bItem) != 0) {
            bSound = 0;
            bItem = 0;
        }
        if (pbBuzzer != nullptr) {
            vm2::PrinterContext ctx;
            ctx.printer = m_strPrinterName;
            ctx.driver = m_Env.strDriverName;
            ctx.port = m_strPortName;
            ctx.model = m_strModelID;
            ctx.datFile = m_strDatFileName;
            if (GetBuzzerNotify(ctx, m_hViewModule, pStatus->GetNotifyNo(), &bBuzzer) != 0) bBuzzer = 0;
        }
    }
    if (pbSound != nullptr) *pbSound = bSound;
    if (pnStatusNo != nullptr) *pnStatusNo = pStatus != nullptr ? pStatus->GetSimpleStatusNo() : -1;
    if (pbBuzzer != nullptr) *pbBuzzer = bBuzzer;
    return bItem;
}

int CDetail::SetBeepBuzzerStatus(CPrinterStatus* pStatus)
{
    TraceScope scope("CDetail::SetBeepBuzzerStatus");
    if (!m_bNotifyEnable || !m_pBeepBuzzer) {
        m_nLastNotifiedNo = -1;
        return 0;
    }
    if (pStatus == nullptr) return 0;
    int nStatusNo = -1, bBuzzer = 0;
    GetNotifyInfo(pStatus, nullptr, &nStatusNo, &bBuzzer);
    if (nStatusNo == m_nLastNotifiedNo || bBuzzer != 1) return 0;
    BOOL bPlayed = m_pBeepBuzzer->Play(GetLoopBuzzer());
    m_nLastNotifiedNo = nStatusNo;
    return bPlayed ? 1 : 0;
}

int CDetail::SetSoundStatus(CPrinterStatus* pStatus)
{
    TraceScope scope("CDetail::SetSoundStatus");
    if (!m_bNotifyEnable || !m_pSndNtfy) {
        m_nLastNotifiedNo = -1;
        return 0;
    }
    if (pStatus == nullptr) return 0;
    int bSound = 0, nStatusNo = -1;
    GetNotifyInfo(pStatus, &bSound, &nStatusNo, nullptr);
    if (nStatusNo == m_nLastNotifiedNo) return 0;
    int nResult = 0;
    if (bSound) {
        Trace(scope, "PlaySound : No.%d\r\n", nStatusNo);
        nResult = m_pSndNtfy->Play(pStatus->GetSoundNo()) ? 1 : 0;
    }
    m_nLastNotifiedNo = nStatusNo;
    return nResult;
}

int CDetail::GetLoopBuzzer()
{
    char szKey[vm2::kPathBuf] = "";
    HKEY hRoot = HKEY_CURRENT_USER;
    if (GetCurrentTargetPrnKey(m_strPrinterName.c_str(), 0, szKey, &hRoot) != 0) return 0;
    Registry key(hRoot, szKey, FALSE, Registry::kRead);
    DWORD dwLoop = key.QueryDwordOrNone("LoopBuzzer");
    if (dwLoop == static_cast<DWORD>(-1))
        dwLoop = static_cast<DWORD>(
            GetPrivateProfileIntA(m_strModelID.c_str(), "LoopBuzzer", 0, m_strDatFileName.c_str()));
    return dwLoop == 1 ? 1 : 0;
}

void CDetail::ShowComErrorMessages()
{
    Registry key(HKEY_LOCAL_MACHINE, vm2::regpath::kVlxCommonKey, FALSE, Registry::kRead);
    if (!key.IsOpen()) return;
    const struct {
        const char* pszName;
        UINT nText;
    } boxes[] = {{"RST_FREPLACE", kPortReplacedString}, {"ERR_KBAPIINUSE", kLibraryInUseString}, {"ERR_OTHERS", kComOthersString}};
    DWORD dwShow[3];
    for (int i = 0; i < 3; ++i) dwShow[i] = key.QueryDword(boxes[i].pszName, 0);
    for (int i = 0; i < 3; ++i) {
        // The user may not wait: the printer can recover and the window close
        // while a box is up.
        if (dwShow[i] == 1 && !m_bClosed) MessageBoxRes(m_hWnd, m_hViewModule, boxes[i].nText, MB_OK);
    }
}

void CDetail::OnHelp()
{
    if (m_pPrinterStatus == nullptr) return;
    StatusHelpInfo help;
    DWORD dwKind = m_pPrinterStatus->GetHelpInfo(&help);
    if (dwKind == StatusHelpInfo::kNone) return;
    if (m_nReadTimerID != 0) KillTimer(m_hWnd, kReadTimerId);
    m_nReadTimerID = 0;
    int bSavedAutoClose = m_bAutoClose;
    m_bAutoClose = 0;
    if (dwKind == StatusHelpInfo::kHtmlFile) {
        ShellExecuteA(m_hWnd, nullptr, help.strPath.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    } else if (dwKind == StatusHelpInfo::kResource) {
        CTrouble trouble(nullptr);
        trouble.m_hResModule = m_hViewModule;
        trouble.Run(help.hResource);
    }
    m_bAutoClose = bSavedAutoClose;
    if (!m_bClosed) m_nReadTimerID = SetTimer(m_hWnd, kReadTimerId, 100, nullptr);
}
