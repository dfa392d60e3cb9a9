// The themed tab background of the preferences dialog, where visual styles
// are active.
#pragma once

#include <windows.h>

namespace vm2 {
namespace prefs {
void EnableDialogTheme(HWND hDlg);
}  // namespace prefs
}  // namespace vm2
