#include "ui/prefs/prefs_theme.h"

namespace vm2 {
namespace prefs {

// PENDING: the window framework's theme binding.
void EnableDialogTheme(HWND) {}

}  // namespace prefs
}  // namespace vm2
