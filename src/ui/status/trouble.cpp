#include "ui/status/trouble.h"

#include <vector>

#include "base/resource_ids.h"
#include "base/trace.h"

using namespace vm2::res;

namespace {

// The trouble dialogs running on this thread, innermost first.
thread_local CTrouble* t_pInnermost = nullptr;

void SetButtonStyle(HWND hButton, LONG lStyle)
{
    if (hButton != nullptr) SendMessageA(hButton, BM_SETSTYLE, static_cast<WPARAM>(lStyle), TRUE);
}

}  // namespace

CTrouble::CTrouble(HWND hWndParent) : CDialogBox(kTroubleTemplate, hWndParent) {}

CTrouble::~CTrouble() = default;

void CTrouble::OnAttach(HWND hWnd)
{
    m_Picture.Attach(GetDlgItem(hWnd, kCtlTroublePicture));
    m_hWndOK = GetDlgItem(hWnd, IDOK);
    m_hWndBack = GetDlgItem(hWnd, kCtlTroubleBack);
    m_hWndNext = GetDlgItem(hWnd, kCtlTroubleNext);
    m_hWndClose = GetDlgItem(hWnd, kCtlTroubleClose);
}

int CTrouble::Run(HRSRC hResource)
{
    m_hResource = hResource;
    // Read before there is a window: a resource without pages shows none (the
    // template may be visible from its creation on).
    HGLOBAL hData = m_hResource != nullptr ? LoadResource(m_hResModule, m_hResource) : nullptr;
    const void* pData = hData != nullptr ? LockResource(hData) : nullptr;
    DWORD dwSize = pData != nullptr ? SizeofResource(m_hResModule, m_hResource) : 0;
    m_Pages = vm2::TroublePages(pData, dwSize);
    m_nPageCount = m_Pages.Count();
    if (m_nPageCount == 0) {
        // Nothing to walk through: as if the user had closed it.
        Trace("CTrouble::Run : error : no pages : resource %p, %lu bytes, %u declared\n", pData, dwSize,
              m_Pages.DeclaredCount());
        return 1;
    }
    m_bEndedFromOutside = false;
    m_pOuter = t_pInnermost;
    t_pInnermost = this;
    int nResult = DoModal();
    t_pInnermost = m_pOuter;
    if (m_bEndedFromOutside) {
        // The WM_QUIT this loop took was meant for the window around it.
        Trace("CTrouble::Run : ended from outside : %d\n", nResult);
        PostQuitMessage(nResult);
        nResult = 0;
    }
    return nResult;
}

void CTrouble::EndOpenDialogs()
{
    for (CTrouble* p = t_pInnermost; p != nullptr; p = p->m_pOuter) {
        p->m_bEndedFromOutside = true;
        if (p->m_hWnd != nullptr) EndDialog(p->m_hWnd, 0);
    }
}

BOOL CTrouble::OnInitDialog()
{
    m_nPageIndex = 0;
    if (m_Pages.DeclaredCount() != m_nPageCount)
        Trace("CTrouble::OnInitDialog : %u pages declared, %d in the resource\n", m_Pages.DeclaredCount(),
              m_nPageCount);
    m_strTitle = m_Pages.Title();
    SetWindowTextA(m_hWnd, m_strTitle.c_str());
    // The pictures are bitmaps of the module the dialog came from.
    m_Picture.SetModule(m_hResModule);
    m_Picture.SetSize(160, 120);
    // Shown and activated before the first page takes the focus: the dialog
    // manager's activation would otherwise move the focus to the first tab
    // stop, and FALSE keeps it from doing the same after this message.
    ShowWindow(m_hWnd, SW_SHOW);
    ShowPage(0);
    return FALSE;
}

void CTrouble::ShowPage(int nIndex)
{
    vm2::TroublePage page;
    if (!m_Pages.Page(nIndex, &page)) return;
    m_nPageIndex = nIndex;

    char szText[1024] = "";
    if (LoadStringA(m_hResModule, page.wTextId, szText, sizeof(szText)) <= 0) szText[0] = '\0';
    SetDlgItemTextA(m_hWnd, kCtlTroubleText, szText);

    vm2::PageControls c = vm2::LayoutPage(page, nIndex);
    HWND hPicture = GetDlgItem(m_hWnd, kCtlTroublePicture);
    std::vector<int> frames(page.wPictureCount);
    int nFrames = frames.empty() ? 0 : vm2::PageFrames(page, frames.data(), static_cast<int>(frames.size()));
    if (c.bPicture && nFrames > 0) {
        m_Picture.SetFrames(nFrames, frames.data());
        ShowWindow(hPicture, SW_SHOW);
    } else {
        m_Picture.Stop();
        ShowWindow(hPicture, SW_HIDE);
    }

    ShowWindow(m_hWndClose, c.bClose ? SW_SHOWNORMAL : SW_HIDE);
    if (c.bClose) EnableWindow(m_hWndClose, TRUE);
    EnableWindow(m_hWndBack, c.bBack);

    // Whichever of Next and OK a page hides keeps its enabled state: a page
    // ending the walk leaves Next enabled, so the first page's focus request
    // below still lands on it.
    ShowWindow(m_hWndNext, c.bNextShown ? SW_SHOWNORMAL : SW_HIDE);
    if (c.bNextShown) EnableWindow(m_hWndNext, c.bNextEnabled);
    ShowWindow(m_hWndOK, c.bOkShown ? SW_SHOWNORMAL : SW_HIDE);
    if (c.bOkShown) EnableWindow(m_hWndOK, TRUE);
    if (c.bOkDefault) {
        SetButtonStyle(m_hWndOK, BS_DEFPUSHBUTTON);
        SetFocus(m_hWndOK);
    }

    if (c.bFirstPage) {
        // The first page always hands the default and the focus to Next, even
        // where Next is hidden: Enter then goes nowhere rather than past a
        // page the user has not read.
        SetButtonStyle(m_hWndClose, BS_PUSHBUTTON);
        SetButtonStyle(m_hWndBack, BS_PUSHBUTTON);
        SetButtonStyle(m_hWndOK, BS_PUSHBUTTON);
        SetButtonStyle(m_hWndNext, BS_DEFPUSHBUTTON);
        SetFocus(m_hWndNext);
    }
}

void CTrouble::OnOK() { EndModal(1); }

INT_PTR CTrouble::DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            OnOK();
            return 1;
        case kCtlTroubleBack:
            ShowPage(vm2::StepPage(m_nPageIndex, -1, m_nPageCount));
            return 1;
        case kCtlTroubleNext:
            ShowPage(vm2::StepPage(m_nPageIndex, +1, m_nPageCount));
            return 1;
        case kCtlTroubleClose:
            EndModal(1);
            return 1;
        default:
            // IDCANCEL (Escape, the caption's close box) does nothing: the
            // walk ends by its own buttons only.
            return 0;
        }
    case WM_DESTROY:
        // The picture's cycle ends with the dialog. No WM_QUIT here: the
        // window this dialog was opened from goes on running.
        m_Picture.Stop();
        return 1;
    default:
        return 0;
    }
}
