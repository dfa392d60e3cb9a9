#include "ui/prefs/prefs_theme.h"

#include "ui/framework/win_theme.h"

namespace vm2 {
namespace prefs {

void EnableDialogTheme(HWND hDlg)
{
    if (!IsThemeSupported()) return;
    CWinThemeCtrl theme;
    theme.EnableThemeDialogTexture(hDlg, kThemeDialogTextureFlags);
}

}  // namespace prefs
}  // namespace vm2
