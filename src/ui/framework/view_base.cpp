#include "ui/framework/view_base.h"

CViewBase::~CViewBase() = default;

int CViewBase::Create(HWND hWndDialog, HMODULE hResModule, const void*)
{
    m_hWndDialog = hWndDialog;
    m_hResModule = hResModule;
    return 1;
}

void CViewBase::Stop() {}

int CViewBase::IsEnabled() { return m_bEnable; }

int CViewBase::Enable(int bEnable)
{
    int bOld = m_bEnable;
    m_bEnable = bEnable;
    return bOld;
}

int CViewBase::IsShown() { return m_bShow; }

int CViewBase::Show(int bShow)
{
    int bOld = m_bShow;
    m_bShow = bShow;
    return bOld;
}

int CViewBase::SetDefaultFocus() { return 0; }

void CViewBase::OnDrawItem(WPARAM, LPARAM) {}

int CViewBase::MoveChild(HWND hWndChild, int x, int y)
{
    RECT rcDialog{}, rcChild{};
    GetWindowRect(m_hWndDialog, &rcDialog);
    GetWindowRect(hWndChild, &rcChild);
    int nFrame = GetSystemMetrics(SM_CYDLGFRAME);
    int nLeft = rcChild.left - rcDialog.left - nFrame + x;
    int nTop = rcChild.top - rcDialog.top - (nFrame + GetSystemMetrics(SM_CYCAPTION)) + y;
    SetWindowPos(hWndChild, nullptr, nLeft, nTop, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    return 1;
}
