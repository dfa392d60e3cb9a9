#include "ui/framework/icon_ctrl.h"

#include <cstring>

#include "base/resource_ids.h"
#include "ui/framework/dialog_box.h"

CIconCtrl::~CIconCtrl()
{
    if (m_nTimerId != 0 && IsWindow(m_hWnd)) KillTimer(m_hWnd, m_nTimerId);
    m_nTimerId = 0;
    Detach();
    if (m_hIds != nullptr) GlobalFree(m_hIds);
}

void CIconCtrl::Attach(HWND hWnd)
{
    if (hWnd != nullptr) m_hWnd = hWnd;
    if (m_hWnd == nullptr || m_pfnOldProc != nullptr) return;
    SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_pfnOldProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
}

void CIconCtrl::Detach()
{
    if (m_pfnOldProc == nullptr) return;
    if (IsWindow(m_hWnd) &&
        GetWindowLongPtrA(m_hWnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(SubclassProc)) {
        SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnOldProc));
        SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, 0);
    }
    m_pfnOldProc = nullptr;
}

int CIconCtrl::SetIcons(int nCount, const DWORD* pdwIds)
{
    if (nCount < 0 || (nCount > 0 && pdwIds == nullptr)) return 0;
    HGLOBAL hIds = nullptr;
    if (nCount > 0) {
        hIds = GlobalAlloc(GMEM_MOVEABLE, sizeof(DWORD) * static_cast<SIZE_T>(nCount));
        void* p = hIds != nullptr ? GlobalLock(hIds) : nullptr;
        if (p == nullptr) {
            if (hIds != nullptr) GlobalFree(hIds);
            return 0;
        }
        std::memcpy(p, pdwIds, sizeof(DWORD) * static_cast<size_t>(nCount));
        GlobalUnlock(hIds);
    }
    if (m_hIds != nullptr) GlobalFree(m_hIds);
    m_hIds = hIds;
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
    return 1;
}

void CIconCtrl::ShowIcon(bool bInvalidate)
{
    if (m_hWnd == nullptr) return;
    HICON hIcon = nullptr;
    if (m_hIds != nullptr && m_nIndex < m_nCount) {
        auto* pIds = static_cast<const DWORD*>(GlobalLock(m_hIds));
        if (pIds != nullptr) {
            HMODULE hModule = m_hModule != nullptr ? m_hModule : GetAppResModule();
            // Icons from LoadIcon are shared: never destroyed.
            if (hModule != nullptr) hIcon = LoadIconA(hModule, MAKEINTRESOURCEA(LOWORD(pIds[m_nIndex])));
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
