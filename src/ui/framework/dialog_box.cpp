#include "ui/framework/dialog_box.h"

#include <cstring>

#include "base/trace.h"

namespace {

HMODULE const* g_phAppResDll = nullptr;

BOOL CALLBACK SetFontOfChild(HWND hChild, LPARAM lParam)
{
    SendMessageA(hChild, WM_SETFONT, static_cast<WPARAM>(lParam), TRUE);
    return TRUE;
}

// The dialog's font replaced by the system's GUI font on double-byte
// systems, where the template's "MS Sans Serif" has no double-byte glyphs.
// Null when the font is kept.
HFONT MakeSubstituteFont(HWND hWnd)
{
    if (GetSystemMetrics(SM_DBCSENABLED) == 0) return nullptr;
    HFONT hFont = reinterpret_cast<HFONT>(SendMessageA(hWnd, WM_GETFONT, 0, 0));
    if (hFont == nullptr) return nullptr;
    LOGFONTA lf{};
    if (GetObjectA(hFont, sizeof(lf), &lf) == 0) return nullptr;

    HDC hdc = GetDC(hWnd);
    int nLogPixelsY = hdc != nullptr ? GetDeviceCaps(hdc, LOGPIXELSY) : 96;
    if (hdc != nullptr) ReleaseDC(hWnd, hdc);

    HGDIOBJ hGui = GetStockObject(DEFAULT_GUI_FONT);
    if (hGui == nullptr) hGui = GetStockObject(SYSTEM_FONT);
    if (hGui == nullptr) return nullptr;
    LOGFONTA gui{};
    if (GetObjectA(hGui, sizeof(gui), &gui) == 0) return nullptr;

    LONG lHeight = 0;
    if (!vm2::ui::SubstituteFontHeight(lf.lfFaceName, lf.lfHeight, nLogPixelsY, gui.lfHeight, &lHeight))
        return nullptr;
    gui.lfHeight = lHeight;
    HFONT hSubst = CreateFontIndirectA(&gui);
    if (hSubst != nullptr) SendMessageA(hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(hSubst), TRUE);
    return hSubst;
}

}  // namespace

bool vm2::ui::SubstituteFontHeight(const char* pszFace, LONG lHeight, int nLogPixelsY, LONG lGuiHeight,
                                   LONG* plHeight)
{
    if (pszFace == nullptr || (std::strcmp(pszFace, "MS Sans Serif") != 0 && std::strcmp(pszFace, "Helv") != 0))
        return false;
    if (nLogPixelsY <= 0) nLogPixelsY = 96;
    LONG lPoints = lHeight < 0 ? -MulDiv(lHeight, 72, nLogPixelsY) : lHeight;
    if (lPoints == 8) *plHeight = lGuiHeight;
    else if (lPoints >= 1) *plHeight = -MulDiv(lPoints, nLogPixelsY, 72);
    else *plHeight = lPoints;
    return true;
}

void SetAppResModuleSlot(HMODULE const* phResDll) { g_phAppResDll = phResDll; }

HMODULE GetAppResModule() { return g_phAppResDll != nullptr ? *g_phAppResDll : nullptr; }

CDialogBox::CDialogBox(UINT nTemplateID, HWND hWndParent)
    : m_hWndParent(hWndParent), m_nTemplateID(static_cast<WORD>(nTemplateID))
{
}

CDialogBox::~CDialogBox()
{
    if (m_hSubstFont != nullptr) DeleteObject(m_hSubstFont);
}

INT_PTR CDialogBox::DialogProc(HWND, UINT, WPARAM, LPARAM) { return 0; }

void CDialogBox::OnAttach(HWND) {}

BOOL CDialogBox::PreTranslateMessage(MSG*) { return FALSE; }

void CDialogBox::EndModal(int nResult)
{
    m_bQuitPosted = true;
    if (m_hWnd != nullptr) EndDialog(m_hWnd, nResult);
    PostQuitMessage(nResult);
}

int CDialogBox::DoModal()
{
    if (m_nTemplateID == 0) return -1;
    if (m_hResModule == nullptr) m_hResModule = GetAppResModule();
    if (m_hResModule == nullptr) {
        Trace("CDialogBox::DoModal : error : no resource module : %u\n", m_nTemplateID);
        return -1;
    }

    bool bDisabledParent = false;
    if (m_hWndParent != nullptr && IsWindowEnabled(m_hWndParent)) {
        EnableWindow(m_hWndParent, FALSE);
        bDisabledParent = true;
    }
    m_bQuitPosted = false;
    HWND hDlg = CreateDialogParamA(m_hResModule, MAKEINTRESOURCEA(m_nTemplateID), m_hWndParent, SharedDialogProc,
                                   reinterpret_cast<LPARAM>(this));
    if (hDlg == nullptr) {
        // A loop without a dialog would wait for a WM_QUIT nobody posts.
        Trace("CDialogBox::DoModal : error : CreateDialogParam(%u) : %lu\n", m_nTemplateID, GetLastError());
        if (bDisabledParent) EnableWindow(m_hWndParent, TRUE);
        m_hWnd = nullptr;
        return -1;
    }

    int nResult = 0;
    MSG msg;
    for (;;) {
        BOOL bGot = GetMessageA(&msg, nullptr, 0, 0);
        if (bGot == 0) {
            nResult = static_cast<int>(msg.wParam);
            break;
        }
        if (bGot == -1) {
            nResult = -1;
            break;
        }
        if (PreTranslateMessage(&msg)) continue;
        if (IsDialogMessageA(hDlg, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    // EndDialog hides the dialog; a dialog still shown did not end itself.
    bool bOwnQuit = m_bQuitPosted || !IsWindow(hDlg) || !IsWindowVisible(hDlg);
    if (!bOwnQuit) Trace("CDialogBox::DoModal : WM_QUIT of an outer loop : %d\n", nResult);

    // The owner is enabled before the dialog goes so that activation returns
    // to it rather than to another application's window. EndDialog enables
    // the owner of any dialog: one that was disabled before is disabled again.
    if (bDisabledParent) EnableWindow(m_hWndParent, TRUE);
    else if (m_hWndParent != nullptr && IsWindow(m_hWndParent)) EnableWindow(m_hWndParent, FALSE);
    if (IsWindow(hDlg)) DestroyWindow(hDlg);
    m_hWnd = nullptr;
    m_bQuitPosted = false;
    if (!bOwnQuit) {
        PostQuitMessage(nResult);
        return 0;
    }
    return nResult;
}

INT_PTR CALLBACK CDialogBox::SharedDialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_INITDIALOG) {
        auto* pDlg = reinterpret_cast<CDialogBox*>(lParam);
        if (pDlg == nullptr) return FALSE;
        pDlg->m_hWnd = hWnd;
        pDlg->OnAttach(hWnd);
        SetWindowLongPtrA(hWnd, DWLP_USER, reinterpret_cast<LONG_PTR>(pDlg));
        if (pDlg->m_hSubstFont != nullptr) DeleteObject(pDlg->m_hSubstFont);
        pDlg->m_hSubstFont = MakeSubstituteFont(hWnd);
        if (pDlg->m_hSubstFont != nullptr)
            EnumChildWindows(hWnd, SetFontOfChild, reinterpret_cast<LPARAM>(pDlg->m_hSubstFont));
        RECT rc;
        if (GetWindowRect(hWnd, &rc)) {
            int x = (GetSystemMetrics(SM_CXSCREEN) - (rc.right - rc.left)) / 2;
            int y = (GetSystemMetrics(SM_CYSCREEN) - (rc.bottom - rc.top)) / 2;
            SetWindowPos(hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        return pDlg->DialogProc(hWnd, uMsg, wParam, lParam);
    }

    auto* pDlg = reinterpret_cast<CDialogBox*>(GetWindowLongPtrA(hWnd, DWLP_USER));
    // Before WM_INITDIALOG (WM_SETFONT, notifications of the children being
    // made) there is no object yet: not handled, the default processing runs.
    if (pDlg == nullptr) return FALSE;
    INT_PTR result = pDlg->DialogProc(hWnd, uMsg, wParam, lParam);
    if (uMsg == WM_DESTROY) {
        // The controls are gone with their window; the font may go now.
        if (pDlg->m_hSubstFont != nullptr) DeleteObject(pDlg->m_hSubstFont);
        pDlg->m_hSubstFont = nullptr;
        SetWindowLongPtrA(hWnd, DWLP_USER, 0);
    }
    return result;
}
