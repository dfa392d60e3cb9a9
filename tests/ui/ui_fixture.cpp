#include "ui/ui_fixture.h"

#include "harness/test_support.h"

namespace uitest {

KitResDll::KitResDll()
    : m_h(LoadLibraryExA((vm2test::BinDir() + "\\KX9100EN.DLL").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE))
{
}

KitResDll::~KitResDll()
{
    if (m_h != nullptr) FreeLibrary(m_h);
}

TestDialog::TestDialog(std::string caption, HWND hParent, HMODULE hRes, int nOkResult)
    : CDialogBox(kStatusTemplate, hParent), m_caption(std::move(caption)), m_nOkResult(nOkResult)
{
    m_hResModule = hRes;
}

void TestDialog::OnAttach(HWND hWnd)
{
    m_seen.push_back(WM_NULL);
    m_bAttachedBeforeUser = GetWindowLongPtrA(hWnd, DWLP_USER) == 0 && m_hWnd == hWnd;
}

BOOL TestDialog::PreTranslateMessage(MSG*)
{
    ++m_nPreTranslated;
    return FALSE;
}

INT_PTR TestDialog::DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    m_seen.push_back(uMsg);
    if (uMsg == WM_INITDIALOG) {
        SetWindowTextA(hWnd, m_caption.c_str());
        if (OnInit) OnInit(hWnd);
        ShowWindow(hWnd, SW_SHOW);
        return TRUE;
    }
    if (uMsg == WM_COMMAND && LOWORD(wParam) == IDOK) {
        EndModal(m_nOkResult);
        return TRUE;
    }
    if (uMsg == WM_COMMAND && LOWORD(wParam) == kHelpButton && OnHelp) {
        OnHelp();
        return TRUE;
    }
    return FALSE;
}

OwnerWindow::OwnerWindow()
    : hWnd(CreateWindowExA(0, "STATIC", "ui owner", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr))
{
}

OwnerWindow::~OwnerWindow() { DestroyWindow(hWnd); }

}  // namespace uitest
