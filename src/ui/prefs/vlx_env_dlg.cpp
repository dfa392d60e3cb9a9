#include "ui/prefs/vlx_env_dlg.h"

#include <commctrl.h>

#include <cstdio>

#include "base/resource_ids.h"
#include "base/trace.h"
#include "config/notify_settings.h"
#include "config/paths.h"
#include "config/registry.h"
#include "config/regpaths.h"
#include "config/target_keys.h"
#include "coord/agent.h"
#include "coord/companion_launch.h"
#include "ui/framework/wait_dlg.h"
#include "coord/window_map.h"
#include "ui/prefs/html_help.h"
#include "ui/prefs/prefs_logic.h"
#include "ui/prefs/prefs_theme.h"

namespace res = vm2::res;
using vm2::prefs::PrefSettings;

namespace {

int (*g_pfnIsAdmin)() = IsAdminUser;

// Values of a registry key, with the model's section of the data file for
// the defaults. A key that is not open reads nothing and takes nothing.
class KeySettingsStore : public vm2::prefs::SettingsStore {
public:
    KeySettingsStore(Registry& key, const char* pszModel, const char* pszProfile)
        : m_key(key), m_pszModel(pszModel), m_pszProfile(pszProfile)
    {
    }
    bool Read(const char* pszName, std::uint32_t* pValue) override
    {
        if (!m_key.IsOpen() || m_key.GetValueType(pszName) != REG_DWORD) return false;
        *pValue = m_key.QueryDword(pszName, 0);
        return true;
    }
    void Write(const char* pszName, std::uint32_t value) override
    {
        if (m_key.IsOpen()) m_key.SetDword(pszName, value);
    }
    int ProfileInt(const char* pszKey) override
    {
        return static_cast<int>(GetPrivateProfileIntA(m_pszModel, pszKey, 0, m_pszProfile));
    }

private:
    Registry& m_key;
    const char* m_pszModel;
    const char* m_pszProfile;
};

// The list's one sort after filling: every pair compares as 1, so the
// list view's own sort decides the order the rows end in.
int CALLBACK CompareAlwaysOne(LPARAM, LPARAM, LPARAM) { return 1; }

bool IsChecked(HWND hDlg, int nId) { return IsDlgButtonChecked(hDlg, nId) == BST_CHECKED; }

void ShowControl(HWND hDlg, int nId, bool bShow)
{
    HWND h = GetDlgItem(hDlg, nId);
    if (h != nullptr) ShowWindow(h, bShow ? SW_SHOW : SW_HIDE);
}

HICON LoadSmallIcon(HMODULE hResDll, int nId, int nSize)
{
    return static_cast<HICON>(LoadImageA(hResDll, MAKEINTRESOURCEA(nId), IMAGE_ICON, nSize, nSize, 0));
}

}  // namespace

// The template is chosen once the resource DLL shows whether the printer
// has a buzzer.
CVlxEnvDlg::CVlxEnvDlg() : CDialogBox(0, nullptr) {}

CVlxEnvDlg::~CVlxEnvDlg() { Release(); }

void CVlxEnvDlg::Release()
{
    for (HBITMAP& bmp : m_hBmpIcon) {
        if (bmp != nullptr) DeleteObject(bmp);
        bmp = nullptr;
    }
    for (HICON* icon : {&m_hIcon204, &m_hIcon201}) {
        if (*icon != nullptr) DestroyIcon(*icon);
        *icon = nullptr;
    }
    if (m_hMapSection != nullptr) CloseHandle(m_hMapSection);
    m_hMapSection = nullptr;
    m_IconList.Destroy();
    m_NotifyList.Destroy();
    if (m_hResDll != nullptr) FreeLibrary(m_hResDll);
    m_hResDll = nullptr;
}

void CVlxEnvDlg::ShowResMessage(HWND hOwner, HMODULE hResDll, UINT nId)
{
    if (hResDll == nullptr || nId == 0) return;
    char text[1025] = "";
    char caption[vm2::kPathBuf] = "";
    LoadStringA(hResDll, nId, text, sizeof(text));
    LoadStringA(hResDll, res::kTitleString, caption, sizeof(caption));
    MessageBoxA(hOwner, text, caption, MB_OK);
}

int CVlxEnvDlg::Run(const char* pszPrinterName, const char* pszDriverName, const char* pszPortName,
                    const char* pszModelID, const char* pszResDllPath, HWND hParent)
{
    m_hWndParent = hParent;
    if (!vm2::CopyText(m_szPrinterName, sizeof(m_szPrinterName), pszPrinterName) ||
        !vm2::CopyText(m_szPortName, sizeof(m_szPortName), pszPortName) ||
        !vm2::CopyText(m_szDriverName, sizeof(m_szDriverName), pszDriverName) ||
        !vm2::CopyText(m_szModelID, sizeof(m_szModelID), pszModelID) ||
        !vm2::CopyText(m_szResDllPath, sizeof(m_szResDllPath), pszResDllPath))
        return -1;

    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    if (GetVersionExA(&version)) m_dwPlatformId = version.dwPlatformId;

    m_hResDll = m_szResDllPath[0] != '\0' ? LoadLibraryA(m_szResDllPath) : nullptr;
    if (m_hResDll == nullptr) {
        MessageBoxA(nullptr, "Cannot link Resource Dll", "KAVRO Vigil 3", MB_OK);
        return -1;
    }
    if (!GetProfilePath(m_szProfile, m_szDriverName, m_szModelID) || m_szProfile[0] == '\0') {
        ShowResMessage(nullptr, m_hResDll, res::kNoDriverString);
        Release();
        return -1;
    }
    bool bBuzzerWave = FindResourceA(m_hResDll, MAKEINTRESOURCEA(res::kBuzzerWave), "WAVE") != nullptr;
    int nBuzzerDefault =
        static_cast<int>(GetPrivateProfileIntA(m_szModelID, "BeepBuzzerEnable", -1, m_szProfile));
    m_bNoBuzzer = bBuzzerWave && nBuzzerDefault >= 0 ? 0 : 1;
    m_bResourcesOk = 1;

    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    m_nTemplateID = static_cast<WORD>(m_bNoBuzzer ? res::kPrefsTemplate : res::kPrefsTemplateBuzzer);
    // The dialog runs from the printer's own resource DLL, never from the
    // one the application context holds for the status window.
    m_hResModule = m_hResDll;
    int rc = DoModal();
    m_hResModule = nullptr;
    Trace("CVlxEnvDlg : DoModal : %d\n", rc);
    int nResult = -3;
    if (rc == IDOK) {
        UpdateRunEntry(m_bTrayIconEnable, m_szPrinterName, m_szDriverName, m_szPortName, m_szModelID);
        StartIconProgram(m_bTrayIconEnable, m_szPrinterName, m_szDriverName, m_szPortName, m_szModelID);
        nResult = 0;
    } else if (rc == IDCANCEL) {
        nResult = 1;
    }
    Release();
    return nResult;
}

void CVlxEnvDlg::OnAttach(HWND hWnd) { m_IconList.Attach(GetDlgItem(hWnd, res::kIdTrayIconList)); }

INT_PTR CVlxEnvDlg::DialogProc(HWND, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    try {
        if (uMsg == WM_INITDIALOG) {
            OnInitDialog();
            // Shown also when initialising stopped early, so that it can be
            // cancelled; never when it closes at once as a duplicate. The
            // template need not say WS_VISIBLE: a modal dialog is shown.
            if (!m_bDuplicate) ShowWindow(m_hWnd, SW_SHOW);
            return TRUE;
        }
        return HandleMessage(uMsg, wParam, lParam);
    } catch (...) {
        // Nothing may unwind through the system's dialog code.
        return FALSE;
    }
}

INT_PTR CVlxEnvDlg::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam));
        return TRUE;
    case WM_NOTIFY:
        OnNotify(reinterpret_cast<NMHDR*>(lParam));
        return TRUE;
    case WM_CONTEXTMENU:
        return OnContextMenu(reinterpret_cast<HWND>(wParam), LOWORD(lParam), HIWORD(lParam));
    case WM_HELP:
        return OnHelpInfo(reinterpret_cast<const HELPINFO*>(lParam));
    case WM_AGENT_REPLY:
        if ((lParam & 1) == 0) ShowResMessage(m_hWnd, m_hResDll, res::kAgentFailedMessage);
        return TRUE;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(m_hWnd, &ps);
        EndPaint(m_hWnd, &ps);
        return TRUE;
    }
    case WM_CLOSE:
        // The close box, Alt+F4 and a duplicate dialog closing itself: as
        // Cancel.
        EndModal(IDCANCEL);
        return TRUE;
    case WM_DESTROY:
        OnDestroy();
        return TRUE;
    default:
        return FALSE;
    }
}

BOOL CVlxEnvDlg::OnInitDialog()
{
    HWND hExisting = nullptr;
    UINT rc = RegisterMapWindow(m_szPrinterName, m_szPortName, 0, m_hWnd, &hExisting, &m_hMapSection);
    if (rc != 0) {
        Trace("CVlxEnvDlg : RegisterMapWindow : %u\n", rc);
        if (rc == 1 && hExisting != nullptr) SetForegroundWindow(hExisting);
        // This dialog keeps no entry, so it keeps no section either.
        if (m_hMapSection != nullptr) CloseHandle(m_hMapSection);
        m_hMapSection = nullptr;
        m_bDuplicate = 1;
        PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
        return TRUE;
    }
    vm2::prefs::EnableDialogTheme(m_hWnd);
    m_IconList.Attach(GetDlgItem(m_hWnd, res::kIdTrayIconList));

    char helpName[vm2::kPathBuf] = "";
    if (GetLangProfileString("HelpFile", helpName, sizeof(helpName), m_szProfile) != 0)
        vm2::CopyText(helpName, sizeof(helpName), "K_VMSTE2.HLP");
    char installDir[vm2::kPathBuf] = "";
    if (!GetInstallPath(installDir, m_szDriverName, m_szModelID) ||
        !vm2::FormatText(m_szHelpFile, sizeof(m_szHelpFile), "%s%s", installDir, helpName))
        return TRUE;
    SetWindowLongPtrA(m_hWnd, GWL_EXSTYLE, GetWindowLongPtrA(m_hWnd, GWL_EXSTYLE) | WS_EX_CONTEXTHELP);
    SetWindowContextHelpId(m_hWnd, vm2::prefs::kHelpDialog);

    char title[vm2::kPathBuf] = "";
    LoadStringA(m_hResDll, res::kPrefsTitle, title, sizeof(title));
    std::string caption = std::string(title) + " : " + (m_szPrinterName[0] != '\0' ? m_szPrinterName : m_szPortName);
    SetWindowTextA(m_hWnd, caption.c_str());

    m_bNoSound = (GetPrivateProfileIntA(m_szModelID, "SOUND", 0, m_szProfile) == 0 || !m_bNoBuzzer) ? 1 : 0;

    LoadSettings();

    m_NotifyList.Attach(GetDlgItem(m_hWnd, res::kIdNotifyList));
    m_NotifyList.m_hResDll = m_hResDll;
    m_NotifyList.Init();
    if (!FillNotifyList()) return TRUE;
    m_NotifyList.AutoSizeColumns();

    m_IconList.m_bEnabled = m_bTrayIconEnable;
    m_IconList.m_nSelected = m_nTrayIconSelected;
    ExchangeControls(FALSE);
    m_IconList.LoadImages(m_hResDll);
    for (int i = 0; i < 3; ++i)
        m_hBmpIcon[i] = static_cast<HBITMAP>(
            LoadImageA(m_hResDll, MAKEINTRESOURCEA(res::kTrayPreviewFirst + i), IMAGE_BITMAP, 0, 0, 0));
    m_hBmpIcon[3] =
        static_cast<HBITMAP>(LoadImageA(m_hResDll, MAKEINTRESOURCEA(res::kTrayPreviewOff), IMAGE_BITMAP, 0, 0, 0));
    ShowTrayPreview();

    m_hIcon204 = LoadSmallIcon(m_hResDll, res::kPrefsIcon, 16);
    SendDlgItemMessageA(m_hWnd, res::kIdPrefsIcon, STM_SETICON, reinterpret_cast<WPARAM>(m_hIcon204), 0);
    bool bSpeaker = !m_bNoSound || !m_bNoBuzzer;
    if (bSpeaker) {
        m_hIcon201 = LoadSmallIcon(m_hResDll, res::kSpeakerIcon, 32);
        SendDlgItemMessageA(m_hWnd, res::kIdSpeakerIcon, STM_SETICON, reinterpret_cast<WPARAM>(m_hIcon201), 0);
    }
    if (m_bNoSound) ShowControl(m_hWnd, res::kIdSound, false);
    ShowControl(m_hWnd, res::kIdSpeakerIcon, bSpeaker);
    if (m_bNoBuzzer) {
        ShowControl(m_hWnd, res::kIdBuzzer, false);
        ShowControl(m_hWnd, res::kIdLoopBuzzer, false);
    }

    InitAgentControls();
    HelpStartUp();
    return TRUE;
}

void CVlxEnvDlg::LoadSettings()
{
    int nKind = 0;
    CheckTargetRegKey(m_szPrinterName, m_szPortName, m_szModelID, &nKind, m_szTargetKey);
    Registry key;
    if (vm2::prefs::IsTargetKeyPath(m_szTargetKey) && key.Open(HKEY_CURRENT_USER, m_szTargetKey, Registry::kAll)) {
        KeySettingsStore store(key, m_szModelID, m_szProfile);
        PrefSettings s = vm2::prefs::LoadPrefSettings(store, !m_bNoBuzzer, !m_bNoSound);
        m_bBeepBuzzer = static_cast<int>(s.bBeepBuzzer);
        m_bLoopBuzzer = static_cast<int>(s.bLoopBuzzer);
        m_bSoundNotify = static_cast<int>(s.bSoundNotify);
        m_bTrayIconEnable = static_cast<int>(s.bTrayIconEnable);
        m_nTrayIconSelected = static_cast<int>(s.nTrayIconSelected);
        m_nAgentGeneration = GetAgentGeneration(m_szDriverName);
        m_bAgentAllowed = IsAgentAllowed(m_nAgentGeneration) >= 1 ? 1 : 0;
        m_bAgentInitial = m_bAgentAllowed;
    }
    ExchangeControls(FALSE);
}

BOOL CVlxEnvDlg::FillNotifyList()
{
    bool bKey = vm2::prefs::IsTargetKeyPath(m_szTargetKey);
    if (bKey) ChkNtfyReg(HKEY_CURRENT_USER, m_szTargetKey, m_szModelID, m_szProfile);
    Registry notify;
    char path[vm2::kPathBuf] = "";
    if (bKey && vm2::FormatText(path, sizeof(path), "%s\\Notify", m_szTargetKey))
        notify.Create(HKEY_CURRENT_USER, path, nullptr, Registry::kAll);
    KeySettingsStore store(notify, m_szModelID, m_szProfile);

    char text[vm2::kPathBuf] = "";
    int nIndex = 0;
    int nNumber = 0;
    int nCount = 0;
    while (EnumNotifyItem(m_hResDll, &nIndex, text, &nNumber) == 0) ++nCount;
    m_pEntries.assign(static_cast<size_t>(nCount), CNtfyEntry());
    m_nEntries = nCount;
    for (int i = 0; i < nCount; ++i) {
        EnumNotifyItem(m_hResDll, &nIndex, text, &nNumber);
        CNtfyEntry& e = m_pEntries[static_cast<size_t>(i)];
        if (!vm2::prefs::NotifyValueName(nNumber, e.m_szName, sizeof(e.m_szName))) return FALSE;
        e.m_nNumber = nNumber;
        e.m_bEnable = static_cast<int>(vm2::prefs::LoadNotifySwitch(store, e.m_szName));
        vm2::CopyText(e.m_szText, sizeof(e.m_szText), text);
        m_NotifyList.AddItem(e.m_szText, e.m_bEnable, e.m_nNumber);
    }
    if (m_NotifyList.m_hWnd != nullptr)
        ListView_SortItems(m_NotifyList.m_hWnd, CompareAlwaysOne, 0);
    return TRUE;
}

void CVlxEnvDlg::ExchangeControls(BOOL bFromControls)
{
    struct Pair {
        int nId;
        int* pField;
    } pairs[] = {{res::kIdTrayEnable, &m_bTrayIconEnable}, {res::kIdSound, &m_bSoundNotify},
                 {res::kIdBuzzer, &m_bBeepBuzzer},        {res::kIdLoopBuzzer, &m_bLoopBuzzer},
                 {res::kIdAgent, &m_bAgentAllowed},       {res::kIdAgentSt2, &m_bAgentSt2}};
    for (const Pair& p : pairs) {
        if (bFromControls)
            *p.pField = IsChecked(m_hWnd, p.nId) ? 1 : 0;
        else
            CheckDlgButton(m_hWnd, p.nId, *p.pField ? BST_CHECKED : BST_UNCHECKED);
    }
    if (!bFromControls) {
        HWND loop = GetDlgItem(m_hWnd, res::kIdLoopBuzzer);
        if (loop != nullptr) {
            EnableWindow(loop, m_bBeepBuzzer ? TRUE : FALSE);
            // A printer without buzzer keeps its buzzer boxes hidden.
            if (!m_bNoBuzzer) ShowWindow(loop, SW_SHOW);
        }
    }
}

void CVlxEnvDlg::SaveSettings()
{
    Registry key;
    if (!vm2::prefs::IsTargetKeyPath(m_szTargetKey) || !key.Open(HKEY_CURRENT_USER, m_szTargetKey, Registry::kAll))
        return;
    ExchangeControls(TRUE);
    KeySettingsStore store(key, m_szModelID, m_szProfile);
    PrefSettings s;
    s.bSoundNotify = static_cast<std::uint32_t>(m_bSoundNotify);
    s.bBeepBuzzer = static_cast<std::uint32_t>(m_bBeepBuzzer);
    s.bLoopBuzzer = static_cast<std::uint32_t>(m_bLoopBuzzer);
    s.bTrayIconEnable = static_cast<std::uint32_t>(m_bTrayIconEnable);
    s.nTrayIconSelected = static_cast<std::uint32_t>(m_nTrayIconSelected);
    vm2::prefs::SavePrefSettings(store, s, !m_bNoBuzzer);

    Registry notify;
    char path[vm2::kPathBuf] = "";
    if (!vm2::FormatText(path, sizeof(path), "%s\\Notify", m_szTargetKey)) return;
    notify.Create(HKEY_CURRENT_USER, path, nullptr, Registry::kAll);
    if (!notify.IsOpen()) return;
    int rows = m_NotifyList.GetRowCount();
    for (int row = 0; row < rows; ++row) {
        int nNumber = m_NotifyList.GetRowNumber(row);
        int bEnable = m_NotifyList.GetRowSwitch(row);
        for (CNtfyEntry& e : m_pEntries) {
            if (e.m_nNumber != nNumber) continue;
            e.m_bEnable = bEnable;
            notify.SetDword(e.m_szName, static_cast<DWORD>(bEnable));
            break;
        }
    }
}

void CVlxEnvDlg::LoadDefaults()
{
    ExchangeControls(TRUE);
    Registry none;
    KeySettingsStore profile(none, m_szModelID, m_szProfile);
    PrefSettings s;
    vm2::prefs::LoadPrefDefaults(profile, !m_bNoBuzzer, &s);
    m_bSoundNotify = static_cast<int>(s.bSoundNotify);
    m_bBeepBuzzer = static_cast<int>(s.bBeepBuzzer);
    m_bLoopBuzzer = static_cast<int>(s.bLoopBuzzer);
    int rows = m_NotifyList.GetRowCount();
    for (int row = 0; row < rows; ++row) {
        char key[16] = "";
        vm2::FormatText(key, sizeof(key), "ITEM%03d", m_NotifyList.GetRowNumber(row));
        UINT v = GetPrivateProfileIntA(m_szModelID, key, 0, m_szProfile);
        m_NotifyList.SetRowSwitch(row, static_cast<int>(vm2::prefs::Switch01(v)));
    }
    ExchangeControls(FALSE);
}

void CVlxEnvDlg::InitAgentControls()
{
    bool bNwlink = m_dwPlatformId != VER_PLATFORM_WIN32_NT && IsNwlinkOnly(m_nAgentGeneration) != 0;
    if (m_dwPlatformId != VER_PLATFORM_WIN32_NT) {
        if (bNwlink && m_bAgentAllowed) {
            ShowResMessage(m_hWnd, m_hResDll, res::kNwlinkAgentMessage);
            CWaitDlg wait(nullptr, nullptr);
            wait.SetSAgent(0);
            m_bAgentAllowed = 0;
            m_bAgentInitial = 0;
            CheckDlgButton(m_hWnd, res::kIdAgent, BST_UNCHECKED);
        }
    } else {
        if (!g_pfnIsAdmin()) {
            EnableWindow(GetDlgItem(m_hWnd, res::kIdAgent), FALSE);
            EnableWindow(GetDlgItem(m_hWnd, res::kIdAgentSt2), FALSE);
            m_bNotAdmin = 1;
        }
        ShowControl(m_hWnd, res::kIdAgentSt2, false);
    }
    m_bAgentSt2 = 0;
    Registry common;
    if (!common.Open(HKEY_LOCAL_MACHINE, vm2::regpath::kSidmCommonKey, Registry::kAll)) return;
    if (common.GetValueType("AGENTST2") == REG_DWORD) {
        DWORD v = common.QueryDword("AGENTST2", 0);
        if (v >= 1 && !bNwlink) {
            m_bAgentSt2 = 1;
        } else {
            if (bNwlink) ShowResMessage(m_hWnd, m_hResDll, res::kNwlinkAgentSt2Message);
            common.DeleteValue("AGENTST2");
        }
    }
    CheckDlgButton(m_hWnd, res::kIdAgentSt2, m_bAgentSt2 ? BST_CHECKED : BST_UNCHECKED);
}

void CVlxEnvDlg::OnDestroy()
{
    if (!m_bDuplicate) {
        BOOL bUsePort = m_szPrinterName[0] == '\0' && m_szPortName[0] != '\0';
        UnregisterMapWindow(m_hMapSection, m_szPrinterName, m_szPortName, 0, bUsePort);
    }
    if (m_hMapSection != nullptr) CloseHandle(m_hMapSection);
    m_hMapSection = nullptr;
    m_pEntries.clear();
    m_nEntries = 0;
    HelpShutDown();
}

void CVlxEnvDlg::OnOK()
{
    ExchangeControls(TRUE);
    SaveSettings();
    if (m_bAgentAllowed != m_bAgentInitial)
        SetSIDMAgent2(m_hWnd, m_szDriverName, m_szPrinterName, m_szResDllPath, m_bAgentAllowed ? 1 : 0);
    EndModal(IDOK);
}

void CVlxEnvDlg::OnCommand(int nId)
{
    switch (nId) {
    case IDOK:
        OnOK();
        break;
    case IDCANCEL:
        EndModal(IDCANCEL);
        break;
    case res::kIdHelp:
        OnHelpButton();
        break;
    case res::kIdSound:
    case res::kIdLoopBuzzer:
        ExchangeControls(TRUE);
        break;
    case res::kIdBuzzer:
        ExchangeControls(TRUE);
        ExchangeControls(FALSE);
        break;
    case res::kIdDefault:
        LoadDefaults();
        break;
    case res::kIdTrayEnable:
        OnTrayEnable();
        break;
    case res::kIdAgent:
        OnAgent();
        break;
    case res::kIdAgentSt2:
        OnAgentSt2();
        break;
    default:
        break;
    }
}

void CVlxEnvDlg::OnNotify(NMHDR* pHdr)
{
    if (pHdr == nullptr) return;
    if (pHdr->idFrom == static_cast<UINT_PTR>(res::kIdTrayIconList)) {
        if (pHdr->code == LVN_ITEMCHANGED) {
            auto* pnmv = reinterpret_cast<NMLISTVIEW*>(pHdr);
            if ((pnmv->uChanged & LVIF_STATE) != 0 && (pnmv->uNewState & LVIS_SELECTED) != 0)
                OnIconItemChanged(pnmv->iItem);
        } else if (pHdr->code == NM_SETFOCUS) {
            m_IconList.OnSetFocus();
        } else if (pHdr->code == NM_KILLFOCUS) {
            m_IconList.OnKillFocus();
        }
    } else if (pHdr->idFrom == static_cast<UINT_PTR>(res::kIdNotifyList)) {
        if (pHdr->code == NM_CLICK)
            m_NotifyList.OnClick();
        else if (pHdr->code == LVN_KEYDOWN)
            m_NotifyList.OnKeyDown(reinterpret_cast<NMLVKEYDOWN*>(pHdr)->wVKey);
    }
}

void CVlxEnvDlg::ShowTrayPreview()
{
    // A stored choice past the icons shows the "off" picture; the choice
    // itself is kept as it was read.
    unsigned sel = static_cast<unsigned>(m_nTrayIconSelected);
    HBITMAP bmp = m_bTrayIconEnable && sel < 3 ? m_hBmpIcon[sel] : m_hBmpIcon[3];
    SendDlgItemMessageA(m_hWnd, res::kIdTrayPreview, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bmp));
}

void CVlxEnvDlg::OnTrayEnable()
{
    ExchangeControls(TRUE);
    m_IconList.m_bEnabled = m_bTrayIconEnable;
    m_IconList.m_nSelected = m_nTrayIconSelected;
    ShowTrayPreview();
    if (m_bTrayIconEnable)
        m_IconList.Enable();
    else
        m_IconList.Disable();
    ExchangeControls(FALSE);
}

void CVlxEnvDlg::OnAgent()
{
    ExchangeControls(TRUE);
    if (m_dwPlatformId != VER_PLATFORM_WIN32_NT && IsNwlinkOnly(m_nAgentGeneration) && m_bAgentAllowed) {
        ShowResMessage(m_hWnd, m_hResDll, res::kNwlinkAgentMessage);
        m_bAgentAllowed = 0;
    } else {
        // BCM_SETSHIELD: the change runs elevated.
        SendDlgItemMessageA(m_hWnd, IDOK, 0x160C, 0, m_bAgentAllowed != m_bAgentInitial ? TRUE : FALSE);
    }
    ExchangeControls(FALSE);
}

void CVlxEnvDlg::OnAgentSt2()
{
    ExchangeControls(TRUE);
    if (m_bAgentSt2 && m_dwPlatformId != VER_PLATFORM_WIN32_NT && IsNwlinkOnly(m_nAgentGeneration)) {
        ShowResMessage(m_hWnd, m_hResDll, res::kNwlinkAgentSt2Message);
        m_bAgentSt2 = 0;
    }
    ExchangeControls(FALSE);
}

void CVlxEnvDlg::OnIconItemChanged(int nItem)
{
    ExchangeControls(TRUE);
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = nItem;
    if (SendMessageA(m_IconList.m_hWnd, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
        m_nTrayIconSelected = item.iImage;
    ShowTrayPreview();
    m_IconList.m_bEnabled = m_bTrayIconEnable;
    m_IconList.m_nSelected = m_nTrayIconSelected;
    ExchangeControls(FALSE);
}

namespace vm2 {
namespace prefs {

int StartPreference(const char* pszPrinterName, const char* pszDriverName, const char* pszPortName,
                    const char* pszModelID, const char* pszResDllPath)
{
    CVlxEnvDlg dlg;
    return dlg.Run(pszPrinterName, pszDriverName, pszPortName, pszModelID, pszResDllPath, nullptr);
}

void SetAdminCheck(int (*pfnIsAdmin)()) { g_pfnIsAdmin = pfnIsAdmin != nullptr ? pfnIsAdmin : IsAdminUser; }

}  // namespace prefs
}  // namespace vm2
