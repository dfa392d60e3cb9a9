// Run by the theming tests under other Windows versions and without the
// visual-styles library (per-program settings of the Wine prefix). Exit
// code: 1 themes supported, 2 library loaded, 4 the dialog texture call
// came back without calling the library, 8 a theme is active.
#include <windows.h>

#include "ui/framework/win_theme.h"

int main()
{
    int nBits = IsThemeSupported() ? 1 : 0;
    CWinThemeCtrl theme;
    if (theme.m_hUxTheme != nullptr) nBits |= 2;
    HWND hWnd = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    if (theme.EnableThemeDialogTexture(hWnd, kThemeDialogTextureFlags) == E_NOTIMPL) nBits |= 4;
    DestroyWindow(hWnd);
    HMODULE hUx = GetModuleHandleA("uxtheme.dll");
    auto pActive = hUx != nullptr ? reinterpret_cast<BOOL(WINAPI*)()>(
                                        reinterpret_cast<void*>(GetProcAddress(hUx, "IsThemeActive")))
                                  : nullptr;
    if (pActive != nullptr && pActive()) nBits |= 8;
    return nBits;
}
