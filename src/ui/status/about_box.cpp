#include "ui/status/about_box.h"

#include <cstdio>

#include "base/resource_ids.h"
#include "base/text.h"
#include "base/trace.h"
#include "config/paths.h"
#include "config/registry.h"
#include "config/regpaths.h"
#include "ui/framework/driver_key.h"
#include "ui/framework/win_theme.h"

using namespace vm2::res;

namespace {

constexpr char kNoPackageVersion[] = "N/A";

// Movable global memory, locked while the version record is read.
class GlobalBlock {
public:
    explicit GlobalBlock(DWORD dwSize) : m_h(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, dwSize)) {}
    ~GlobalBlock()
    {
        if (m_p != nullptr) GlobalUnlock(m_h);
        if (m_h != nullptr) GlobalFree(m_h);
    }
    GlobalBlock(const GlobalBlock&) = delete;
    GlobalBlock& operator=(const GlobalBlock&) = delete;
    void* Lock()
    {
        if (m_h != nullptr && m_p == nullptr) m_p = GlobalLock(m_h);
        return m_p;
    }

private:
    HGLOBAL m_h;
    void* m_p = nullptr;
};

}  // namespace

int GetFileVersionString(const char* pszPath, std::string* pText)
{
    if (pText == nullptr) return 0;
    pText->clear();
    if (vm2::IsEmpty(pszPath)) return 0;
    DWORD dwHandle = 0;
    DWORD dwSize = GetFileVersionInfoSizeA(pszPath, &dwHandle);
    if (dwSize == 0) return 0;
    GlobalBlock block(dwSize);
    void* pData = block.Lock();
    if (pData == nullptr || !GetFileVersionInfoA(pszPath, 0, dwSize, pData)) return 0;
    WORD* pTranslation = nullptr;
    UINT cbTranslation = 0;
    if (!VerQueryValueA(pData, "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&pTranslation),
                        &cbTranslation) ||
        pTranslation == nullptr || cbTranslation < 2 * sizeof(WORD))
        return 0;
    char szQuery[64];
    snprintf(szQuery, sizeof(szQuery), "\\StringFileInfo\\%04X%04X\\ProductVersion", pTranslation[0],
             pTranslation[1]);
    char* pszValue = nullptr;
    UINT cchValue = 0;
    if (!VerQueryValueA(pData, szQuery, reinterpret_cast<void**>(&pszValue), &cchValue) || pszValue == nullptr ||
        cchValue == 0)
        return 0;
    // The length counts the terminator when there is one; never read past it.
    pText->assign(pszValue, strnlen(pszValue, cchValue));
    return 1;
}

CAboutBox::CAboutBox(HWND hWndParent, HMODULE hSelfModule, const char* pszDriverName)
    : CDialogBox(kAboutTemplate, hWndParent),
      m_hSelfModule(hSelfModule),
      m_strDriverName(pszDriverName != nullptr ? pszDriverName : "")
{
}

CAboutBox::~CAboutBox() = default;

void CAboutBox::OnAttach(HWND hWnd)
{
    m_hWndPackage = GetDlgItem(hWnd, kCtlAboutPackage);
    m_hWndEnv = GetDlgItem(hWnd, kCtlAboutEnv);
    m_hWndModule = GetDlgItem(hWnd, kCtlAboutModule);
    m_hWndLibrary = GetDlgItem(hWnd, kCtlAboutLibrary);
    m_hWndRcv = GetDlgItem(hWnd, kCtlAboutRcv);
    m_hWndSpare1 = GetDlgItem(hWnd, kCtlAboutSpare1);
    m_hWndSpare2 = GetDlgItem(hWnd, kCtlAboutSpare2);
}

void CAboutBox::SetVersion(HWND hCtl, const std::string& strVersion)
{
    if (hCtl != nullptr) SetWindowTextA(hCtl, ("Ver. " + strVersion).c_str());
}

BOOL CAboutBox::OnInitDialog()
{
    if (IsThemeSupported()) {
        CWinThemeCtrl theme;
        theme.EnableThemeDialogTexture(m_hWnd, kThemeDialogTextureFlags);
    }

    std::string strModelID;
    char szProfile[vm2::kPathBuf] = "";
    bool bProfile = false;
    Registry driverKey(HKEY_LOCAL_MACHINE, g_strDriverKey.c_str(), FALSE, Registry::kRead);
    if (!g_strDriverKey.empty() && driverKey.IsOpen()) {
        strModelID = driverKey.QueryString("ModelID", "", vm2::kPathBuf);
        if (!strModelID.empty())
            bProfile = GetProfilePath(szProfile, m_strDriverName.c_str(), strModelID.c_str()) && szProfile[0] != '\0';
    }

    std::string strFallback = "0";
    if (bProfile) {
        char szValue[vm2::kPathBuf] = "";
        GetPrivateProfileStringA(strModelID.c_str(), "KPWVER", kNoPackageVersion, szValue, sizeof(szValue),
                                 szProfile);
        if (strcmp(szValue, kNoPackageVersion) != 0) {
            SetVersion(m_hWndPackage, szValue);
            strFallback = szValue;
        }
    }

    char szPath[vm2::kPathBuf] = "";
    std::string strVersion;
    if (GetDriverFilePath(szPath, "K_VENV", "K_VM1RN2.EXE", m_strDriverName.c_str(), strModelID.c_str()) &&
        GetFileVersionString(szPath, &strVersion))
        SetVersion(m_hWndEnv, strVersion);

    char szSelf[MAX_PATH] = "";
    DWORD cchSelf = m_hSelfModule != nullptr ? GetModuleFileNameA(m_hSelfModule, szSelf, sizeof(szSelf)) : 0;
    if (cchSelf > 0 && cchSelf < sizeof(szSelf) && GetFileVersionString(szSelf, &strVersion))
        SetVersion(m_hWndModule, strVersion);

    Registry libraryKey(HKEY_LOCAL_MACHINE, vm2::regpath::kKbapiInfoKey, FALSE, Registry::kRead);
    if (libraryKey.IsOpen()) {
        std::string text = libraryKey.QueryString("KBAPIVersion", "", vm2::kPathBuf);
        if (text.empty()) text = libraryKey.QueryString("Version", "", vm2::kPathBuf);
        if (!text.empty()) SetVersion(m_hWndLibrary, text);
    } else {
        SetVersion(m_hWndLibrary, strFallback);
    }

    szPath[0] = '\0';
    if (GetDriverFilePath(szPath, "K_VRCV", nullptr, m_strDriverName.c_str(), strModelID.c_str()) &&
        GetFileVersionString(szPath, &strVersion))
        SetVersion(m_hWndRcv, strVersion);

    if (m_hWndSpare1 != nullptr) ShowWindow(m_hWndSpare1, SW_HIDE);
    if (m_hWndSpare2 != nullptr) ShowWindow(m_hWndSpare2, SW_HIDE);
    // The template may come without WS_VISIBLE.
    ShowWindow(m_hWnd, SW_SHOW);
    return TRUE;
}

INT_PTR CAboutBox::DialogProc(HWND, UINT uMsg, WPARAM wParam, LPARAM)
{
    switch (uMsg) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            EndModal(1);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        EndModal(2);
        return TRUE;
    default:
        return FALSE;
    }
}
