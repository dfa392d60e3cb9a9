// The status window's views: CStatusView drives the controls of template 102
// that show a status (picture, icon, title, message, help button); the
// CDialogView above it knows the window's dialog type and sets the title,
// system menu, style and size of the window for it.
#pragma once

#include <windows.h>

#include <string>

#include "ui/framework/acc_names.h"
#include "ui/framework/bmp256_ctrl.h"
#include "ui/framework/icon_ctrl.h"
#include "ui/framework/view_base.h"

class CPrinterStatus;

// Dialog types of the status window. Any other value behaves like
// VLX_DLGTYPE_DETAIL; a window of type 4 polls but is never shown.
constexpr int VLX_DLGTYPE_POPUP = 1;
constexpr int VLX_DLGTYPE_DETAIL = 2;
constexpr int VLX_DLGTYPE_HIDDEN = 4;

// What the views start from. The window layer does not reach for the
// application context: the window hands in the printer's data file and model
// and the names its title is made of.
struct DialogViewInit {
    const char* pszDatFile = "";
    const char* pszModelID = "";
    const char* pszPrinterName = "";  // the title names it, or the port when empty
    const char* pszPortName = "";
};

class CStatusView : public CViewBase {
public:
    CStatusView() = default;
    ~CStatusView() override;

    // pInitData: a DialogViewInit.
    int Create(HWND hWndDialog, HMODULE hResModule, const void* pInitData) override;
    void Stop() override;
    int Enable(int bEnable) override;
    int Show(int bShow) override;
    int SetDefaultFocus() override;
    void GetSize(int* pnWidth, int* pnHeight) override;
    int MoveTo(int x, int y) override;
    int SetViewStatus(CPrinterStatus* pStatus) override;
    void OnDrawItem(WPARAM wParam, LPARAM lParam) override;

    DWORD GetHelpKind() const { return m_dwHelpKind; }
    const CBMP256Ctrl& GetPicture() const { return m_Picture; }
    const CIconCtrl& GetIcon() const { return m_Icon; }

private:
    // Help button and its companion follow the flag and the help kind.
    void ApplyHelpControls(BOOL bShowCall, int bFlag);

    CBMP256Ctrl m_Picture;
    HWND m_hWndMessage = nullptr;
    CIconCtrl m_Icon;
    HWND m_hWndTitle = nullptr;
    HWND m_hWndHelpCompanion = nullptr;
    HWND m_hWndHelp = nullptr;
    std::string m_strMessage;
    DWORD m_dwHelpKind = 0;
    HFONT m_hTitleFont = nullptr;
    int m_nIconID = 0;
    int m_nPictureNo = 0;
    CAccNames m_AccNames;
};

class CDialogView {
public:
    CDialogView();
    virtual ~CDialogView();

    CDialogView(const CDialogView&) = delete;
    CDialogView& operator=(const CDialogView&) = delete;

    // 1, or 0 when the view cannot be created. pInit: the window's data file,
    // model and names.
    int Create(HWND hWndDialog, HMODULE hResModule, const DialogViewInit& init);
    void Stop();
    void Show(int nCmdShow);
    // 1, or 0 while the window is meant to be hidden. Type 0: the current one.
    int BringToFront(int nType);
    // Returns the previous type; the current type again changes nothing.
    int ChangeDialogType(int nType);
    int SetViewStatus(CPrinterStatus* pStatus);
    int GetDialogType() const { return m_nDialogType; }
    void OnSize(UINT nSizeType, int cx, int cy);
    void OnDrawItem(WPARAM wParam, LPARAM lParam);

    // The window's size as the layout left it; the window keeps it while dragged.
    int GetWidth() const { return m_nWidth; }
    int GetHeight() const { return m_nHeight; }
    CStatusView& GetStatusView() { return m_StatusView; }

private:
    void SetTitle();

    CStatusView m_StatusView;
    CViewBase* m_pViews[1];
    HWND m_hWnd = nullptr;
    HMODULE m_hResModule = nullptr;
    int m_bVisible = 1;
    int m_nDialogType = 0;
    int m_nWidth = 0;
    int m_nHeight = 0;
    std::string m_strTitleName;
};
