// The trouble dialog: a walk through the remedy of a printer trouble, page by
// page, from the trouble page resource that the status names. It has no
// owner, so the status window stays usable while it is open; its end never
// ends the status window's loop, and a status window that closes meanwhile
// takes it along.
#pragma once

#include <windows.h>

#include <string>

#include "ui/framework/bmp256_ctrl.h"
#include "ui/framework/dialog_box.h"
#include "ui/status/trouble_pages.h"

class CTrouble : public CDialogBox {
public:
    explicit CTrouble(HWND hWndParent);
    ~CTrouble() override;

    INT_PTR DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    void OnAttach(HWND hWnd) override;

    // Runs the dialog on the page resource hResource of the resource DLL.
    // 1 when the user ended it (OK or the close button) or when the resource
    // cannot be loaded or has no page (then no window is made); 0 when it was
    // ended from outside; -1 when it could not be created.
    virtual int Run(HRSRC hResource);
    virtual void OnOK();
    // The WM_INITDIALOG answer: FALSE once the first page has set the focus.
    virtual BOOL OnInitDialog();

    // For a window of this thread that is closing while trouble dialogs it
    // opened are up: ends them all, and the WM_QUIT the window posts next to
    // end its own loop is handed on by each of them, so that every loop
    // around them ends too, even when a user's OK was already on its way.
    static void EndOpenDialogs();

    int GetPageIndex() const { return m_nPageIndex; }
    int GetPageCount() const { return m_nPageCount; }
    const CBMP256Ctrl& GetPicture() const { return m_Picture; }

private:
    void ShowPage(int nIndex);

    CBMP256Ctrl m_Picture;
    HWND m_hWndClose = nullptr;
    HWND m_hWndBack = nullptr;
    HWND m_hWndNext = nullptr;
    HWND m_hWndOK = nullptr;
    HRSRC m_hResource = nullptr;
    int m_nPageCount = 0;
    vm2::TroublePages m_Pages;  // the records inside the locked resource
    std::string m_strTitle;
    int m_nPageIndex = 0;

    bool m_bEndedFromOutside = false;
    CTrouble* m_pOuter = nullptr;  // the trouble dialog this one runs inside, if any
};
