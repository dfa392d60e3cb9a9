// A dialog from a template of the resource DLL, run by its own modal message
// loop. DoModal creates the dialog modeless and pumps the thread's messages
// until a WM_QUIT arrives; a dialog ends with EndModal(code), which is
// EndDialog and PostQuitMessage(code), and code becomes DoModal's result.
#pragma once

#include <windows.h>

#include "ui/framework/wnd_base.h"

class CDialogBox : public CWndBase {
public:
    CDialogBox(UINT nTemplateID, HWND hWndParent);
    ~CDialogBox() override;

    // Runs the dialog. -1 when the template id is 0, no resource module is
    // known or the dialog cannot be created (nothing is then created and the
    // owner is left as it was); otherwise the exit code of the WM_QUIT that
    // ended the loop. A WM_QUIT this dialog did not post (an outer dialog of
    // the same thread ended while this one ran) ends this loop too and is
    // posted again, so the outer loop ends after it; the result is then 0.
    virtual int DoModal();

    // The dialog's handler; the base handles nothing.
    virtual INT_PTR DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

    // Called once at WM_INITDIALOG before anything else.
    virtual void OnAttach(HWND hWnd);

    // Nonzero when the message was consumed and must not be dispatched.
    virtual BOOL PreTranslateMessage(MSG* pMsg);

    // Ends the dialog: EndDialog and PostQuitMessage(nResult).
    void EndModal(int nResult);

    // The procedure every CDialogBox dialog is created with.
    static INT_PTR CALLBACK SharedDialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

    HMODULE m_hResModule = nullptr;  // null: the application's resource DLL
    HWND m_hWndParent;
    WORD m_nTemplateID;
    HFONT m_hSubstFont = nullptr;

private:
    bool m_bQuitPosted = false;  // EndModal ran for the current run
};

// Where the application object keeps its resource DLL handle; DoModal reads
// it when the dialog has no module of its own. The application object
// registers its field once; null unregisters.
void SetAppResModuleSlot(HMODULE const* phResDll);
HMODULE GetAppResModule();

namespace vm2 {
namespace ui {

// Height of the substitute font for a dialog font of the given face and
// height on a double-byte system, or false when the font is kept: only "MS
// Sans Serif" and "Helv" are replaced; 8 points keeps the GUI font's own
// height, other sizes are carried over at the screen's resolution.
bool SubstituteFontHeight(const char* pszFace, LONG lHeight, int nLogPixelsY, LONG lGuiHeight, LONG* plHeight);

}  // namespace ui
}  // namespace vm2
