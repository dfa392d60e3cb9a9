#include "ui/framework/win_theme.h"

#include <string>
#include <vector>



int vm2::ui::IsThemeVersion(DWORD dwPlatformId, DWORD dwMajor, DWORD dwMinor)
{
    if (dwPlatformId != VER_PLATFORM_WIN32_NT) return 0;
    return (dwMajor == 5 && dwMinor != 0) || dwMajor > 5 ? 1 : 0;
}

int IsThemeSupported()
{
    OSVERSIONINFOA vi{};
    vi.dwOSVersionInfoSize = sizeof(vi);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&vi)) return 0;
#pragma GCC diagnostic pop
    return vm2::ui::IsThemeVersion(vi.dwPlatformId, vi.dwMajorVersion, vi.dwMinorVersion);
}

CWinThemeCtrl::CWinThemeCtrl()
{
    if (!IsThemeSupported()) return;
    // The system folder first, so that no UxTheme.dll of the current folder
    // is loaded in its place.
    std::vector<char> dir(64);
    UINT n = GetSystemDirectoryA(dir.data(), static_cast<UINT>(dir.size()));
    if (n >= dir.size()) {
        dir.resize(n + 1);
        n = GetSystemDirectoryA(dir.data(), static_cast<UINT>(dir.size()));
    }
    if (n > 0 && n < dir.size()) {
        std::string path(dir.data(), n);
        path += "\\UxTheme.dll";
        m_hUxTheme = LoadLibraryA(path.c_str());
    }
    if (m_hUxTheme == nullptr) m_hUxTheme = LoadLibraryA("UxTheme.dll");
}

CWinThemeCtrl::~CWinThemeCtrl()
{
    CloseThemeData();
    if (m_hUxTheme != nullptr) FreeLibrary(m_hUxTheme);
}

FARPROC CWinThemeCtrl::Entry(const char* pszName) const
{
    return m_hUxTheme != nullptr ? GetProcAddress(m_hUxTheme, pszName) : nullptr;
}

HRESULT CWinThemeCtrl::EnableThemeDialogTexture(HWND hWnd, DWORD dwFlags)
{
    using IsEnabledFn = BOOL(WINAPI*)(HWND);
    using IsActiveFn = BOOL(WINAPI*)();
    using EnableFn = HRESULT(WINAPI*)(HWND, DWORD);
    auto pIsEnabled = reinterpret_cast<IsEnabledFn>(Entry("IsThemeDialogTextureEnabled"));
    auto pIsActive = reinterpret_cast<IsActiveFn>(Entry("IsThemeActive"));
    auto pEnable = reinterpret_cast<EnableFn>(Entry("EnableThemeDialogTexture"));
    if (pIsEnabled == nullptr || pIsActive == nullptr || pEnable == nullptr) return E_NOTIMPL;
    if (pIsEnabled(hWnd) != TRUE || pIsActive() != TRUE) return E_NOTIMPL;
    return pEnable(hWnd, dwFlags);
}

HANDLE CWinThemeCtrl::OpenThemeData(HWND hWnd, LPCWSTR pszClassList)
{
    CloseThemeData();
    using OpenFn = HANDLE(WINAPI*)(HWND, LPCWSTR);
    auto pOpen = reinterpret_cast<OpenFn>(Entry("OpenThemeData"));
    if (pOpen == nullptr) return nullptr;
    m_hTheme = pOpen(hWnd, pszClassList);
    return m_hTheme;
}

void CWinThemeCtrl::CloseThemeData()
{
    if (m_hTheme == nullptr) return;
    using CloseFn = HRESULT(WINAPI*)(HANDLE);
    auto pClose = reinterpret_cast<CloseFn>(Entry("CloseThemeData"));
    if (pClose != nullptr) pClose(m_hTheme);
    m_hTheme = nullptr;
}
