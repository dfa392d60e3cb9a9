// Run by the theming tests under other Windows versions and without the
// visual-styles library (per-program settings of the Wine prefix). Exit
// code: 1 themes supported, 2 library loaded, 4 the dialog texture call
// came back without calling the library.
#include <windows.h>

#include "ui/framework/win_theme.h"

int main()
{
    CWinThemeCtrl theme;
    HWND hWnd = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    int nBits = (IsThemeSupported() ? 1 : 0) | (theme.m_hUxTheme != nullptr ? 2 : 0) |
                (theme.EnableThemeDialogTexture(hWnd, kThemeDialogTextureFlags) == E_NOTIMPL ? 4 : 0);
    DestroyWindow(hWnd);
    return nBits;
}
