// The window classes of the module's dialogs and controls: anything with a
// window handle, and the bases of the subclassed static and button controls.
#pragma once

#include <windows.h>

#include <string>

class CWndBase {
public:
    CWndBase() = default;
    virtual ~CWndBase();

    CWndBase(const CWndBase&) = delete;
    CWndBase& operator=(const CWndBase&) = delete;

    // The window text; empty when there is none or it cannot be read.
    std::string GetWindowTextString() const;

    HWND m_hWnd = nullptr;
};

// Bases of the subclassed controls; they add no state.
class CButton : public CWndBase {
public:
    ~CButton() override;
};

class CStatic : public CWndBase {
public:
    ~CStatic() override;
};

namespace vm2 {
// Puts pfnProc in front of a control's own window procedure and keeps pSelf
// in its GWLP_USERDATA slot; answers the procedure it replaced.
WNDPROC SubclassControl(HWND hWnd, WNDPROC pfnProc, void* pSelf);
// Gives the control its own procedure back, unless someone subclassed it
// after us (then our procedure stays and must keep forwarding).
void UnsubclassControl(HWND hWnd, WNDPROC pfnProc, WNDPROC pfnOldProc);
}  // namespace vm2
