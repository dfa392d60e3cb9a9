// Visual styles bound at run time: the library is optional (absent before
// Windows XP, or switched off), so every call finds its entry by name when it
// is made and does nothing when the library or the entry is missing.
#pragma once

#include <windows.h>

// Flags the module's dialogs enable their texture with: ETDT_ENABLE |
// ETDT_USETABTEXTURE.
constexpr DWORD kThemeDialogTextureFlags = 6;

class CWinThemeCtrl {
public:
    // Loads UxTheme.dll when the platform supports themes.
    CWinThemeCtrl();
    virtual ~CWinThemeCtrl();

    CWinThemeCtrl(const CWinThemeCtrl&) = delete;
    CWinThemeCtrl& operator=(const CWinThemeCtrl&) = delete;

    // The library's EnableThemeDialogTexture, only when the dialog's texture
    // may be enabled and a theme is active. The library's result, or
    // E_NOTIMPL when nothing was called.
    HRESULT EnableThemeDialogTexture(HWND hWnd, DWORD dwFlags);

    // Opens theme data for the window (an open handle is closed first).
    HANDLE OpenThemeData(HWND hWnd, LPCWSTR pszClassList);
    void CloseThemeData();

    HMODULE m_hUxTheme = nullptr;
    HANDLE m_hTheme = nullptr;  // HTHEME

private:
    FARPROC Entry(const char* pszName) const;
};

// 1 on Windows NT 5.1 (XP) and later, else 0.
int IsThemeSupported();

namespace vm2 {
namespace ui {
// The rule of IsThemeSupported on the values GetVersionEx reports.
int IsThemeVersion(DWORD dwPlatformId, DWORD dwMajor, DWORD dwMinor);
}  // namespace ui
}  // namespace vm2
