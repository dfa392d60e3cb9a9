// What the window framework tests share: a dialog of template 102 that
// records what happens to it and ends on its buttons, and an owner window.
// The kit's resource DLLs come from status_fixture.h.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "ui/framework/dialog_box.h"
#include "ui/status_fixture.h"

namespace uitest {

constexpr UINT kStatusTemplate = 102;
constexpr int kHelpButton = 215;

// The kit's English resource DLL, loaded as the module loads it (as data).
struct KitResDll : statustest::KitDll {
    KitResDll() : KitDll("KX9100EN.DLL") {}
};

// A dialog of template 102 with its own caption, shown topmost at
// WM_INITDIALOG (some tests read it back from the screen). OK ends it with
// nOkResult; the help button runs OnHelp (if set); WM_APP runs a function
// on the dialog's thread (OnDialogThread).
class TestDialog : public CDialogBox {
public:
    TestDialog(std::string caption, HWND hParent, HMODULE hRes, int nOkResult = IDOK);

    INT_PTR DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    void OnAttach(HWND hWnd) override;

    std::string m_caption;
    int m_nOkResult;
    std::function<void()> OnHelp;
    std::function<void(HWND)> OnInit;
    bool m_bAttachedBeforeUser = false;  // DWLP_USER still empty in OnAttach
};

// Runs fn on the thread of a TestDialog (the controls' timers belong to it).
LRESULT OnDialogThread(HWND hDialog, const std::function<LRESULT()>& fn);

// The colour of a point of a window's client area as the screen shows it.
COLORREF ScreenPixel(HWND hWnd, int x, int y);

// An owner window of the test's own thread.
struct OwnerWindow {
    OwnerWindow();
    ~OwnerWindow();
    HWND hWnd;
};

}  // namespace uitest
