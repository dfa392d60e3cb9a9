#include "ui/status/dialog_view.h"

#include <oleacc.h>

#include <cstring>

#include "base/resource_ids.h"
#include "base/text.h"
#include "base/trace.h"
#include "status/status_info.h"

using namespace vm2::res;

namespace {

constexpr int kMessageBuf = 1024;
constexpr int kPictureWidth = 75;
constexpr int kPictureHeight = 60;
constexpr int kTitlePoints = 12;

int FrameMetric() { return GetSystemMetrics(SM_CYDLGFRAME); }
int CaptionBottom() { return GetSystemMetrics(SM_CYDLGFRAME) + GetSystemMetrics(SM_CYCAPTION); }

// The title font: the control's own font at 12 points, or a plain one when
// the control has none.
HFONT MakeTitleFont(HWND hDialog, HWND hTitle)
{
    HDC hdc = GetDC(hDialog);
    int nLogPixelsY = hdc != nullptr ? GetDeviceCaps(hdc, LOGPIXELSY) : 96;
    if (hdc != nullptr) ReleaseDC(hDialog, hdc);
    LONG lHeight = -MulDiv(kTitlePoints, nLogPixelsY, 72);

    HFONT hFont = hTitle != nullptr ? reinterpret_cast<HFONT>(SendMessageA(hTitle, WM_GETFONT, 0, 0)) : nullptr;
    LOGFONTA lf{};
    if (hFont != nullptr && GetObjectA(hFont, sizeof(lf), &lf) != 0) {
        lf.lfHeight = lHeight;
        return CreateFontIndirectA(&lf);
    }
    return CreateFontA(lHeight, 0, 0, 0, 0, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, PROOF_QUALITY, FF_ROMAN, "");
}

}  // namespace

// ---------------------------------------------------------------- status view

CStatusView::~CStatusView()
{
    if (m_hTitleFont != nullptr) DeleteObject(m_hTitleFont);
}

int CStatusView::Create(HWND hWndDialog, HMODULE hResModule, const void* pInitData)
{
    const auto* pInit = static_cast<const DialogViewInit*>(pInitData);
    const char* pszDatFile = pInit != nullptr && pInit->pszDatFile != nullptr ? pInit->pszDatFile : "";
    const char* pszModelID = pInit != nullptr && pInit->pszModelID != nullptr ? pInit->pszModelID : "";

    m_Picture.Attach(GetDlgItem(hWndDialog, kCtlStatusPicture));
    m_Picture.SetModule(hResModule);
    char szBlue[vm2::kPathBuf] = "", szRed[vm2::kPathBuf] = "", szYellow[vm2::kPathBuf] = "";
    if (pszDatFile[0] != '\0' && pszModelID[0] != '\0') {
        GetPrivateProfileStringA(pszModelID, "BMPBlue", "", szBlue, sizeof(szBlue), pszDatFile);
        GetPrivateProfileStringA(pszModelID, "BMPRed", "", szRed, sizeof(szRed), pszDatFile);
        GetPrivateProfileStringA(pszModelID, "BMPYellow", "", szYellow, sizeof(szYellow), pszDatFile);
    }
    m_Picture.SetFileNames(szBlue, szRed, szYellow);

    m_hWndMessage = GetDlgItem(hWndDialog, kCtlStatusMessage);
    m_hWndTitle = GetDlgItem(hWndDialog, kCtlStatusTitle);
    m_hWndHelpCompanion = GetDlgItem(hWndDialog, kCtlHelpCompanion);
    m_hWndHelp = GetDlgItem(hWndDialog, kCtlHelpButton);
    m_Icon.Attach(GetDlgItem(hWndDialog, kCtlStatusIcon));
    m_Icon.SetModule(hResModule);

    // What a screen reader says for each control: the picture and the icon
    // show what the message says; the help text beside the button, when the
    // template leaves it empty, is the button's.
    HWND hOK = GetDlgItem(hWndDialog, IDOK);
    bool bCompanionEmpty = GetWindowTextLengthA(m_hWndHelpCompanion) == 0;
    m_AccNames.Add(m_Picture.m_hWnd, m_hWndMessage, ROLE_SYSTEM_GRAPHIC);
    m_AccNames.Add(m_Icon.m_hWnd, m_hWndMessage, ROLE_SYSTEM_GRAPHIC);
    m_AccNames.Add(m_hWndMessage, nullptr, ROLE_SYSTEM_STATICTEXT);
    m_AccNames.Add(m_hWndTitle, nullptr, ROLE_SYSTEM_STATICTEXT);
    m_AccNames.Add(m_hWndHelpCompanion, bCompanionEmpty ? m_hWndHelp : nullptr, ROLE_SYSTEM_STATICTEXT);
    m_AccNames.Add(m_hWndHelp, nullptr, ROLE_SYSTEM_PUSHBUTTON);
    m_AccNames.Add(hOK, nullptr, ROLE_SYSTEM_PUSHBUTTON);

    // The view runs from below the caption to the top of the hidden marker 380.
    RECT rcDialog{}, rcMarker{};
    GetWindowRect(hWndDialog, &rcDialog);
    HWND hMarker = GetDlgItem(hWndDialog, kCtlViewBottom);
    if (hMarker != nullptr) GetWindowRect(hMarker, &rcMarker);
    else rcMarker.top = rcDialog.bottom;
    int f = FrameMetric();
    int c = CaptionBottom();
    m_rcLayout = RECT{f, c, (rcDialog.right - rcDialog.left) - f, rcMarker.top - rcDialog.top};
    m_nX = f;
    m_nY = c;

    if (m_hTitleFont != nullptr) DeleteObject(m_hTitleFont);
    m_hTitleFont = MakeTitleFont(hWndDialog, m_hWndTitle);
    if (m_hWndTitle != nullptr && m_hTitleFont != nullptr)
        SendMessageA(m_hWndTitle, WM_SETFONT, reinterpret_cast<WPARAM>(m_hTitleFont), FALSE);

    m_hWndDialog = hWndDialog;
    m_hResModule = hResModule;
    return 1;
}

void CStatusView::Stop()
{
    m_Picture.Stop();
    m_AccNames.Release();
}

void CStatusView::ApplyHelpControls(BOOL bShowCall, int bFlag)
{
    BOOL bOn = bFlag != 0 && m_dwHelpKind != 0;
    for (HWND h : {m_hWndHelp, m_hWndHelpCompanion}) {
        if (h == nullptr) continue;
        if (bShowCall) ShowWindow(h, bOn ? SW_SHOW : SW_HIDE);
        else EnableWindow(h, bOn);
    }
}

int CStatusView::Enable(int bEnable)
{
    BOOL b = bEnable != 0;
    for (HWND h : {m_hWndMessage, m_Picture.m_hWnd, m_hWndTitle, m_Icon.m_hWnd})
        if (h != nullptr) EnableWindow(h, b);
    ApplyHelpControls(FALSE, bEnable);
    HWND hOK = GetDlgItem(m_hWndDialog, IDOK);
    if (hOK != nullptr) EnableWindow(hOK, b);
    return CViewBase::Enable(bEnable);
}

int CStatusView::Show(int bShow)
{
    int nCmd = bShow != 0 ? SW_SHOW : SW_HIDE;
    for (HWND h : {m_hWndMessage, m_Picture.m_hWnd, m_hWndTitle, m_Icon.m_hWnd})
        if (h != nullptr) ShowWindow(h, nCmd);
    int bOld = CViewBase::Show(bShow);
    ApplyHelpControls(TRUE, bShow);
    HWND hOK = GetDlgItem(m_hWndDialog, IDOK);
    if (hOK != nullptr) ShowWindow(hOK, nCmd);
    return bOld;
}

int CStatusView::SetDefaultFocus() { return 0; }

void CStatusView::GetSize(int* pnWidth, int* pnHeight)
{
    if (pnWidth != nullptr) *pnWidth = m_rcLayout.right - m_rcLayout.left;
    if (pnHeight != nullptr) *pnHeight = m_rcLayout.bottom - m_rcLayout.top;
}

int CStatusView::MoveTo(int x, int y)
{
    int dx = x - m_nX;
    int dy = y - m_nY;
    HWND hOK = GetDlgItem(m_hWndDialog, IDOK);
    for (HWND h : {m_hWndMessage, m_hWndTitle, m_Icon.m_hWnd, m_Picture.m_hWnd, m_hWndHelpCompanion, m_hWndHelp, hOK})
        if (h != nullptr) MoveChild(h, dx, dy);
    m_nX = x;
    m_nY = y;
    return 1;
}

int CStatusView::SetViewStatus(CPrinterStatus* pStatus)
{
    if (pStatus == nullptr) return 1;

    // An unchanged message is not written again: the text would flicker.
    char szText[kMessageBuf] = "";
    pStatus->GetMessage2(szText, sizeof(szText));
    if (m_strMessage != szText) {
        SetWindowTextA(m_hWndMessage, szText);
        m_strMessage = szText;
        // Wine raises nothing when a static's text changes; a screen reader
        // speaks the new status on this event.
        NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, m_hWndMessage, OBJID_CLIENT, CHILDID_SELF);
    }

    StatusClassRow row{};
    pStatus->GetClassRow(&row);
    int nSelector = static_cast<int>(row.dwValue[0]);
    int nIconID = static_cast<int>(row.dwValue[2]);
    int nPictureNo = static_cast<int>(row.dwValue[3]);
    int nIconMode = static_cast<int>(row.dwValue[4]);
    if (nIconID == 0) nIconID = kNoStatusIcon;

    m_Picture.SetSize(kPictureWidth, kPictureHeight);
    m_Picture.SelectBitmap(nSelector);
    BOOL bChanged = nPictureNo != m_nPictureNo || (nIconID != m_nIconID && nIconMode == 1);
    m_nPictureNo = nPictureNo;
    m_Picture.SetOverlay(nPictureNo, bChanged);

    pStatus->GetMessage1(szText, sizeof(szText));
    SetWindowTextA(m_hWndTitle, szText);

    if (nIconID != m_nIconID || bChanged) {
        DWORD ids[2] = {static_cast<DWORD>(nIconID), static_cast<DWORD>(kAlternateStatusIcon)};
        m_Icon.SetIcons(nIconMode == 1 ? 2 : 1, ids);
        m_nIconID = nIconID;
    }

    StatusHelpInfo help;
    m_dwHelpKind = pStatus->GetHelpInfo(&help);
    ApplyHelpControls(TRUE, m_bShow);
    ApplyHelpControls(FALSE, m_bShow);
    return 1;
}

void CStatusView::OnDrawItem(WPARAM, LPARAM) {}

// ---------------------------------------------------------------- dialog view

CDialogView::CDialogView() : m_pViews{&m_StatusView} {}

CDialogView::~CDialogView() = default;

int CDialogView::Create(HWND hWndDialog, HMODULE hResModule, const DialogViewInit& init)
{
    m_hWnd = hWndDialog;
    m_hResModule = hResModule;
    const char* pszPrinter = init.pszPrinterName != nullptr ? init.pszPrinterName : "";
    const char* pszPort = init.pszPortName != nullptr ? init.pszPortName : "";
    m_strTitleName = pszPrinter[0] != '\0' ? pszPrinter : pszPort;
    for (CViewBase* pView : m_pViews)
        if (!pView->Create(hWndDialog, hResModule, &init)) return 0;
    RECT rc{};
    GetWindowRect(hWndDialog, &rc);
    m_nWidth = rc.right - rc.left;
    m_nHeight = CaptionBottom();
    return 1;
}

void CDialogView::Stop() { m_StatusView.Stop(); }

void CDialogView::Show(int nCmdShow)
{
    if (nCmdShow == SW_SHOW) {
        m_bVisible = 1;
        if (m_nDialogType == VLX_DLGTYPE_HIDDEN) nCmdShow = SW_HIDE;
    } else if (nCmdShow == SW_HIDE) {
        m_bVisible = 0;
    }
    ShowWindow(m_hWnd, nCmdShow);
}

int CDialogView::BringToFront(int nType)
{
    if (!m_bVisible) return 0;
    if (nType == 0) nType = m_nDialogType;
    if (nType == VLX_DLGTYPE_HIDDEN) {
        ShowWindow(m_hWnd, SW_HIDE);
    } else {
        SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_SHOWWINDOW);
        SetForegroundWindow(m_hWnd);
    }
    return 1;
}

void CDialogView::SetTitle()
{
    char szTitle[vm2::kPathBuf] = "";
    if (LoadStringA(m_hResModule, kTitleString, szTitle, sizeof(szTitle)) <= 0) szTitle[0] = '\0';
    std::string title = std::string(szTitle) + " : " + m_strTitleName;
    SetWindowTextA(m_hWnd, title.c_str());
}

int CDialogView::ChangeDialogType(int nType)
{
    TraceScope scope("CDialogView::ChangeDialogType");
    int nOld = m_nDialogType;
    if (nType == nOld) return nOld;
    m_nDialogType = nType;
    SetTitle();

    CViewBase* pView = m_pViews[0];
    pView->Show(1);
    pView->Enable(1);

    HMENU hMenu = GetSystemMenu(m_hWnd, FALSE);
    if (hMenu != nullptr) {
        EnableMenuItem(hMenu, SC_CLOSE, MF_BYCOMMAND | MF_ENABLED);
        EnableMenuItem(hMenu, SC_MINIMIZE, MF_BYCOMMAND | MF_GRAYED);
    }
    SetWindowLongPtrA(m_hWnd, GWL_STYLE, GetWindowLongPtrA(m_hWnd, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_MINIMIZEBOX));
    if (IsIconic(m_hWnd)) ShowWindow(m_hWnd, SW_RESTORE);
    Trace(scope, "Dialog type : VLX_DLGTYPE_DETAIL\n");

    int y = CaptionBottom();
    if (pView->IsShown()) {
        pView->MoveTo(FrameMetric(), y);
        int nWidth = 0, nHeight = 0;
        pView->GetSize(&nWidth, &nHeight);
        y += nHeight;
    }
    y += FrameMetric();
    RECT rc{};
    GetWindowRect(m_hWnd, &rc);
    int nWidth = rc.right - rc.left;
    SetWindowPos(m_hWnd, nullptr, 0, 0, nWidth, y, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    m_nWidth = nWidth;
    m_nHeight = y;
    InvalidateRect(m_hWnd, nullptr, TRUE);

    BringToFront(nType);
    pView->SetDefaultFocus();
    return nOld;
}

int CDialogView::SetViewStatus(CPrinterStatus* pStatus)
{
    TraceScope scope("CDialogView::SetViewStatus");
    m_pViews[0]->SetViewStatus(pStatus);
    return 1;
}

void CDialogView::OnSize(UINT nSizeType, int, int)
{
    if (nSizeType == SIZE_RESTORED) SetTitle();
}

void CDialogView::OnDrawItem(WPARAM wParam, LPARAM lParam) { m_pViews[0]->OnDrawItem(wParam, lParam); }
