#include "ui/ui_fixture.h"

#include "harness/test_support.h"

namespace uitest {

TestDialog::TestDialog(std::string caption, HWND hParent, HMODULE hRes, int nOkResult)
    : CDialogBox(kStatusTemplate, hParent), m_caption(std::move(caption)), m_nOkResult(nOkResult)
{
    m_hResModule = hRes;
}

void TestDialog::OnAttach(HWND hWnd)
{
    m_bAttachedBeforeUser = GetWindowLongPtrA(hWnd, DWLP_USER) == 0 && m_hWnd == hWnd;
}

INT_PTR TestDialog::DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_INITDIALOG) {
        SetWindowTextA(hWnd, m_caption.c_str());
        if (OnInit) OnInit(hWnd);
        SetWindowPos(hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    } else if (uMsg == WM_APP && lParam != 0) {
        SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, (*reinterpret_cast<const std::function<LRESULT()>*>(lParam))());
    } else if (uMsg == WM_COMMAND && LOWORD(wParam) == IDOK) {
        EndModal(m_nOkResult);
    } else if (uMsg == WM_COMMAND && LOWORD(wParam) == kHelpButton && OnHelp) {
        OnHelp();
    } else {
        return FALSE;
    }
    return TRUE;
}

LRESULT OnDialogThread(HWND hDialog, const std::function<LRESULT()>& fn)
{
    return SendMessageA(hDialog, WM_APP, 0, reinterpret_cast<LPARAM>(&fn));
}

COLORREF ScreenPixel(HWND hWnd, int x, int y)
{
    POINT pt{x, y};
    ClientToScreen(hWnd, &pt);
    HDC hdc = GetDC(nullptr);
    COLORREF c = GetPixel(hdc, pt.x, pt.y);
    ReleaseDC(nullptr, hdc);
    return c;
}

OwnerWindow::OwnerWindow()
    : hWnd(CreateWindowExA(0, "STATIC", "ui owner", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr))
{
}

OwnerWindow::~OwnerWindow() { DestroyWindow(hWnd); }

}  // namespace uitest
