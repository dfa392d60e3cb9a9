// The monitoring preferences dialog: sound or buzzer, notified statuses,
// tray icon and agent monitoring for one printer. Runs modally on the
// caller's thread from a template of the printer's resource DLL, through
// the dialog framework's own message loop like the module's other dialogs.
#pragma once

#include <windows.h>

#include <vector>

#include "base/text.h"
#include "ui/framework/dialog_box.h"
#include "ui/prefs/notify_list.h"

struct VlxHHWinType;

class CVlxEnvDlg : public CDialogBox {
public:
    CVlxEnvDlg();
    ~CVlxEnvDlg() override;

    // 0 = OK (settings saved, tray program informed); 1 = cancelled or
    // closed (also a second dialog for a printer that has one); -1 = a name
    // of 260 characters or more, no resource DLL or no profile; -3 = the
    // dialog could not be run.
    int Run(const char* pszPrinterName, const char* pszDriverName, const char* pszPortName, const char* pszModelID,
            const char* pszResDllPath, HWND hParent);

    // Message box with resource string nId (up to 1024 characters) and
    // caption string 1100; nothing without a module or id.
    static void ShowResMessage(HWND hOwner, HMODULE hResDll, UINT nId);

    INT_PTR DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    // Subclasses the tray icon chooser (205) before anything else runs.
    void OnAttach(HWND hWnd) override;

    // ----- the dialog's operations
    BOOL OnInitDialog();
    void LoadSettings();
    BOOL FillNotifyList();
    void ExchangeControls(BOOL bFromControls);
    void SaveSettings();
    void LoadDefaults();
    void InitAgentControls();
    void OnDestroy();
    void OnOK();
    void OnCommand(int nId);
    void OnNotify(NMHDR* pHdr);
    void OnTrayEnable();
    void OnAgent();
    void OnAgentSt2();
    void OnIconItemChanged(int nItem);
    void ShowTrayPreview();

    // ----- context help
    void HelpStartUp();
    void HelpShutDown();
    void OnHelpButton();
    BOOL OnHelpInfo(const HELPINFO* pInfo);
    BOOL OnContextMenu(HWND hWndClicked, UINT x, UINT y);
    BOOL PopUpHelpMenu();
    void SetHelpWindowType();

    // Fields in the dialog's own order.
    std::vector<CNtfyEntry> m_pEntries;
    int m_nEntries = 0;
    char m_szHelpFile[vm2::kPathBuf] = "";
    int m_bNotAdmin = 0;
    HBITMAP m_hBmpIcon[4] = {};  // choices 0, 1, 2 (501-503), then off (500)
    HMODULE m_hResDll = nullptr;
    int m_nTrayIconSelected = 0;
    int m_bAgentInitial = 0;
    DWORD_PTR m_dwHelpCookie = 0;       // sized per target: the engine writes a pointer-sized cookie
    VlxHHWinType* m_pHelpWinType = nullptr;
    // m_hWnd and the owner (m_hWndParent) are the dialog framework's.
    int m_bNoSound = 1;
    int m_bResourcesOk = 0;
    char m_szModelID[vm2::kPathBuf] = "";
    char m_szPortName[vm2::kPathBuf] = "";
    char m_szPrinterName[vm2::kPathBuf] = "";
    char m_szDriverName[vm2::kPathBuf] = "";
    char m_szResDllPath[vm2::kPathBuf] = "";
    char m_szTargetKey[vm2::kPathBuf] = "";
    CMonIconListCtrl m_IconList;
    int m_bTrayIconEnable = 0;
    int m_bAgentAllowed = 0;
    int m_bSoundNotify = 0;
    int m_bAgentSt2 = 0;
    CNtfyListCtrl m_NotifyList;
    int m_bNoBuzzer = 1;
    int m_bBeepBuzzer = 0;
    int m_bLoopBuzzer = 0;
    int m_nAgentGeneration = 1;
    int m_bDuplicate = 0;
    DWORD m_dwPlatformId = 0;
    char m_szProfile[vm2::kPathBuf] = "";

    // Kept beside the fields above: the register section of this dialog's
    // entry (closed when the dialog goes) and the two small icons it shows.
    HANDLE m_hMapSection = nullptr;
    HICON m_hIcon204 = nullptr;
    HICON m_hIcon201 = nullptr;

private:
    INT_PTR HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);
    void Release();
};

namespace vm2 {
namespace prefs {

// Runs the preferences dialog for a printer whose context the caller has
// filled and whose driver is installed; the result of CVlxEnvDlg::Run.
int StartPreference(const char* pszPrinterName, const char* pszDriverName, const char* pszPortName,
                    const char* pszModelID, const char* pszResDllPath);

// The administrator check of the agent boxes; tests replace it to run the
// dialog as a user without administrator rights. Null restores the real one.
void SetAdminCheck(int (*pfnIsAdmin)());

}  // namespace prefs
}  // namespace vm2
