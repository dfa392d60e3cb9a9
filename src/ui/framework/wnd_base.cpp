#include "ui/framework/wnd_base.h"

#include <vector>

CWndBase::~CWndBase() = default;
CButton::~CButton() = default;
CStatic::~CStatic() = default;

std::string CWndBase::GetWindowTextString() const
{
    if (m_hWnd == nullptr) return std::string();
    // Grow in steps of 64 until the text and its terminator fit: the length
    // GetWindowTextLength reports may change before the read (or be larger,
    // with double-byte text), so the read itself decides.
    std::vector<char> buf(64);
    for (;;) {
        int n = GetWindowTextA(m_hWnd, buf.data(), static_cast<int>(buf.size()));
        if (n <= 0) return std::string();
        if (static_cast<size_t>(n) + 1 < buf.size()) return std::string(buf.data(), static_cast<size_t>(n));
        if (buf.size() >= 0x100000) return std::string(buf.data(), static_cast<size_t>(n));
        buf.resize(buf.size() + 64);
    }
}

WNDPROC vm2::SubclassControl(HWND hWnd, WNDPROC pfnProc, void* pSelf)
{
    SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pSelf));
    return reinterpret_cast<WNDPROC>(SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pfnProc)));
}

void vm2::UnsubclassControl(HWND hWnd, WNDPROC pfnProc, WNDPROC pfnOldProc)
{
    if (!IsWindow(hWnd) || GetWindowLongPtrA(hWnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(pfnProc)) return;
    SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pfnOldProc));
    SetWindowLongPtrA(hWnd, GWLP_USERDATA, 0);
}
