#include "ui/framework/icon_ctrl.h"

#include <cstring>

#include "base/resource_ids.h"
#include "ui/framework/dialog_box.h"

CIconCtrl::~CIconCtrl()
{
    if (m_nTimerId != 0 && IsWindow(m_hWnd)) KillTimer(m_hWnd, m_nTimerId);
    m_nTimerId = 0;
    // The control may still show one of the icons.
    if (IsWindow(m_hWnd) && m_phIcons != nullptr) SendMessageA(m_hWnd, STM_SETICON, 0, 0);
    Detach();
    if (m_hIds != nullptr) GlobalFree(m_hIds);
    FreeIcons(m_phIcons, m_nCount);
}

void CIconCtrl::FreeIcons(HICON* phIcons, int nCount)
{
    if (phIcons == nullptr) return;
    for (int i = 0; i < nCount; ++i)
        if (phIcons[i] != nullptr) DestroyIcon(phIcons[i]);
    HeapFree(GetProcessHeap(), 0, phIcons);
}

void CIconCtrl::Attach(HWND hWnd)
{
    if (hWnd != nullptr) m_hWnd = hWnd;
    if (m_hWnd == nullptr || m_pfnOldProc != nullptr) return;
    m_pfnOldProc = vm2::SubclassControl(m_hWnd, SubclassProc, this);
}

void CIconCtrl::Detach()
{
    if (m_pfnOldProc == nullptr) return;
    vm2::UnsubclassControl(m_hWnd, SubclassProc, m_pfnOldProc);
    m_pfnOldProc = nullptr;
}

int CIconCtrl::SetIcons(int nCount, const DWORD* pdwIds)
{
    if (nCount < 0 || (nCount > 0 && pdwIds == nullptr)) return 0;
    HGLOBAL hIds = nullptr;
    HICON* phIcons = nullptr;
    if (nCount > 0) {
        hIds = GlobalAlloc(GMEM_MOVEABLE, sizeof(DWORD) * static_cast<SIZE_T>(nCount));
        void* p = hIds != nullptr ? GlobalLock(hIds) : nullptr;
        phIcons = static_cast<HICON*>(
            HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(HICON) * static_cast<SIZE_T>(nCount)));
        if (p == nullptr || phIcons == nullptr) {
            if (p != nullptr) GlobalUnlock(hIds);
            if (hIds != nullptr) GlobalFree(hIds);
            if (phIcons != nullptr) HeapFree(GetProcessHeap(), 0, phIcons);
            return 0;
        }
        std::memcpy(p, pdwIds, sizeof(DWORD) * static_cast<size_t>(nCount));
        GlobalUnlock(hIds);
    }
    HGLOBAL hOldIds = m_hIds;
    HICON* phOldIcons = m_phIcons;
    int nOldCount = m_nCount;
    m_hIds = hIds;
    m_phIcons = phIcons;
    m_nCount = nCount;
    m_nIndex = 0;
    if (m_hWnd != nullptr) {
        if (nCount >= 2)
            m_nTimerId = SetTimer(m_hWnd, vm2::res::kControlTimerId, vm2::res::kControlTimerPeriod, nullptr);
        else if (m_nTimerId != 0) {
            KillTimer(m_hWnd, m_nTimerId);
            m_nTimerId = 0;
        }
    }
    ShowIcon(false);
    // Only now does the control no longer show an old icon.
    if (hOldIds != nullptr) GlobalFree(hOldIds);
    FreeIcons(phOldIcons, nOldCount);
    return 1;
}

void CIconCtrl::ShowIcon(bool bInvalidate)
{
    if (m_hWnd == nullptr) return;
    HICON hIcon = nullptr;
    if (m_hIds != nullptr && m_phIcons != nullptr && m_nIndex < m_nCount) {
        auto* pIds = static_cast<const DWORD*>(GlobalLock(m_hIds));
        if (pIds != nullptr) {
            HMODULE hModule = m_hModule != nullptr ? m_hModule : GetAppResModule();
            if (m_phIcons[m_nIndex] == nullptr && hModule != nullptr)
                m_phIcons[m_nIndex] = static_cast<HICON>(LoadImageA(
                    hModule, MAKEINTRESOURCEA(LOWORD(pIds[m_nIndex])), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
            hIcon = m_phIcons[m_nIndex];
            GlobalUnlock(m_hIds);
        }
    }
    SendMessageA(m_hWnd, STM_SETICON, reinterpret_cast<WPARAM>(hIcon), 0);
    if (bInvalidate) InvalidateRect(m_hWnd, nullptr, TRUE);
}

LRESULT CALLBACK CIconCtrl::SubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    auto* pCtrl = reinterpret_cast<CIconCtrl*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
    if (pCtrl == nullptr) return DefWindowProcA(hWnd, uMsg, wParam, lParam);
    WNDPROC pfnOld = pCtrl->m_pfnOldProc;
    if (uMsg == WM_TIMER && pCtrl->m_nTimerId != 0 && wParam == pCtrl->m_nTimerId && pCtrl->m_nCount > 1) {
        pCtrl->m_nIndex = pCtrl->m_nIndex + 1 < pCtrl->m_nCount ? pCtrl->m_nIndex + 1 : 0;
        pCtrl->ShowIcon(true);
    } else if (uMsg == WM_NCDESTROY) {
        pCtrl->m_nTimerId = 0;
        pCtrl->Detach();
    }
    return CallWindowProcA(pfnOld, hWnd, uMsg, wParam, lParam);
}
