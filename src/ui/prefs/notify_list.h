// The two list views of the preferences dialog with behaviour of their own:
// the tray icon chooser (a row of large icons, the selected one framed) and
// the notification list (every status event switched on or off by a click
// or the space bar). Both attach to list views the dialog template made.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "base/text.h"

// One notification item as it is saved.
class CNtfyEntry {
public:
    CNtfyEntry() = default;
    virtual ~CNtfyEntry() = default;
    CNtfyEntry(const CNtfyEntry&) = default;
    CNtfyEntry& operator=(const CNtfyEntry&) = default;

    int m_nNumber = 0;                    // notification number
    int m_bEnable = 0;                    // switch
    char m_szName[vm2::kPathBuf] = "";    // the number as "%03d": the value name
    char m_szText[vm2::kPathBuf] = "";    // display text
};

// Yields the model's notification items from the resource DLL: item count =
// string 1000, texts 1001 and up, numbers from the built-in table. 0 while
// it yields an item (*pnIndex advanced), 1 at the end (*pnIndex reset to 0).
int EnumNotifyItem(HMODULE hResDll, int* pnIndex, char* pszText /*260*/, int* pnNumber);

class CNtfyListCtrl {
public:
    CNtfyListCtrl() = default;
    virtual ~CNtfyListCtrl();
    CNtfyListCtrl(const CNtfyListCtrl&) = delete;
    CNtfyListCtrl& operator=(const CNtfyListCtrl&) = delete;

    void Attach(HWND hWnd) { m_hWnd = hWnd; }
    // State texts, state images (bitmap 400), report style and the two
    // columns. 0 without a list view.
    BOOL Init();
    // Inserts a row on top: text, image = switch, item data = number.
    int AddItem(const char* pszText, int bEnable, int nNumber);
    void Toggle(int nRow);
    // Row and switch by row index.
    int GetRowCount() const;
    int GetRowNumber(int nRow) const;
    int GetRowSwitch(int nRow) const;
    void SetRowSwitch(int nRow, int bEnable);
    // NM_CLICK: toggles the row under the message's cursor position when
    // the click is on its icon, label or state icon.
    void OnClick();
    // LVN_KEYDOWN: the space bar toggles every selected row.
    void OnKeyDown(WORD wKey);
    void AutoSizeColumns();
    void Destroy();

    HIMAGELIST m_hImageList = nullptr;
    HWND m_hWnd = nullptr;
    HMODULE m_hResDll = nullptr;
    char m_szStateText[2][vm2::kPathBuf] = {"", ""};  // 0 off, 1 on
};

class CMonIconListCtrl {
public:
    CMonIconListCtrl() = default;
    virtual ~CMonIconListCtrl();
    CMonIconListCtrl(const CMonIconListCtrl&) = delete;
    CMonIconListCtrl& operator=(const CMonIconListCtrl&) = delete;

    // Subclasses the list view; the object is found through its user data.
    void Attach(HWND hWnd);
    // Large-icon single-selection view with icons 700-702 at 32 x 32, then
    // Enable or Disable by m_bEnabled. 0 without a list view.
    BOOL LoadImages(HMODULE hResDll);
    void Enable();
    void Disable();
    void RedrawAll();
    void OnSetFocus();
    void OnKillFocus();
    void DrawSelectionFrames();
    void Destroy();

    HIMAGELIST m_hImageList = nullptr;
    HWND m_hWnd = nullptr;
    WNDPROC m_pfnOldProc = nullptr;
    int m_bEnabled = 0;
    int m_nSelected = 0;
    int m_bFocus = 0;

private:
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
};
