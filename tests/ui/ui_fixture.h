// What the window framework tests share: a dialog of the kit's template 102.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "ui/framework/dialog_box.h"
#include "ui/status_fixture.h"

namespace uitest {

constexpr UINT kStatusTemplate = 102;
constexpr int kHelpButton = 215;

// Shown topmost under its own caption (tests read the screen) after OnInit
// ran; OK ends it with nOkResult, the help button runs OnHelp.
class TestDialog : public CDialogBox {
public:
    TestDialog(std::string caption, HWND hParent, HMODULE hRes, int nOkResult = IDOK)
        : CDialogBox(kStatusTemplate, hParent), m_caption(std::move(caption)), m_nOkResult(nOkResult)
    {
        m_hResModule = hRes;
    }

    INT_PTR DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM) override
    {
        if (uMsg == WM_INITDIALOG) {
            SetWindowTextA(hWnd, m_caption.c_str());
            if (OnInit) OnInit(hWnd);
            SetWindowPos(hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
        } else if (uMsg == WM_COMMAND && LOWORD(wParam) == IDOK) {
            EndModal(m_nOkResult);
        } else if (uMsg == WM_COMMAND && LOWORD(wParam) == kHelpButton && OnHelp) {
            OnHelp();
        } else {
            return FALSE;
        }
        return TRUE;
    }

    std::string m_caption;
    int m_nOkResult;
    std::function<void()> OnHelp;
    std::function<void(HWND)> OnInit;
};

}  // namespace uitest
