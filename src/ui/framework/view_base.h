// A view: a group of controls of a dialog that is created, shown, enabled,
// laid out and fed with a status object as a unit.
#pragma once

#include <windows.h>

class CPrinterStatus;

class CViewBase {
public:
    CViewBase() = default;
    virtual ~CViewBase();

    CViewBase(const CViewBase&) = delete;
    CViewBase& operator=(const CViewBase&) = delete;

    // Binds the view to its dialog; pInitData is the view's own start data.
    virtual int Create(HWND hWndDialog, HMODULE hResModule, const void* pInitData);
    virtual void Stop();
    virtual int IsEnabled();
    virtual int Enable(int bEnable);  // returns the previous flag
    virtual int IsShown();
    virtual int Show(int bShow);  // returns the previous flag
    virtual int SetDefaultFocus();
    virtual void GetSize(int* pnWidth, int* pnHeight) = 0;
    virtual int MoveTo(int x, int y) = 0;
    virtual int SetViewStatus(CPrinterStatus* pStatus) = 0;
    virtual void OnDrawItem(WPARAM wParam, LPARAM lParam);

    // Moves a child of the dialog by (x, y) in the dialog's client area,
    // keeping its size. The frame width is taken from the vertical dialog
    // frame metric on both axes, as the layouts of the views expect.
    virtual int MoveChild(HWND hWndChild, int x, int y);

    HWND m_hWndDialog = nullptr;
    int m_bEnable = 0;
    int m_bShow = 0;
    HMODULE m_hResModule = nullptr;
    RECT m_rcLayout{0, 0, 0, 0};
    int m_nX = 0;
    int m_nY = 0;
};
