// The printer's status window: a pop-up that announces a status and closes
// itself when the printer recovers, or the window the user asked for. It runs
// modally on the caller's thread, polls the printer on a thread of its own and
// keeps one window per printer on the desktop through the shared window
// register; a second request is handed to the window already open.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "base/printer_context.h"
#include "base/unique_handle.h"
#include "ui/framework/dialog_box.h"
#include "ui/status/dialog_view.h"

class CDetailKbStatus;
class CPrinterStatus;
class CStatusInfo;
class CBeepBuzzer;
class CResSndNtfy;
class ComErrTolerance;

// Messages other programs send to a status window. The values are fixed: the
// windows of other processes and builds answer to the same numbers.
#define WM_USERDETAIL (WM_USER + 6)     // a second request for the window: stop closing by itself
#define WM_USERPOPUP (WM_USER + 7)      // a second pop-up request (not handled)
#define WM_STATUS_READ (WM_USER + 0x32)  // restarts the status-read timer with 100 ms

// Command a second request for the window sends before WM_USERDETAIL.
constexpr UINT kDetailRaiseCommand = 214;
// System-menu command of the about box.
constexpr UINT kAboutCommand = 912;
// The status-read timer.
constexpr UINT_PTR kReadTimerId = 8;

// What the window needs from above: the printer's driver (for its sounds and
// buzzer), the process's parallel-port tolerance shared with the host's status
// polls, the default local interval and this module's own file (for the about
// box).
struct DetailEnv {
    std::string strDriverName;
    ComErrTolerance* pTolerance = nullptr;
    int nDefaultTimer = 10;
    HMODULE hSelfModule = nullptr;
};

// "software\KAVRO\VLX3\Driver\<driver>" of the spooler's printer; empty
// when the printer or its driver cannot be read.
std::string GetDriverKeyPath(const char* pszPrinterName);

class CDetail : public CDialogBox {
public:
    CDetail(HWND hWndParent, const DetailEnv& env);
    ~CDetail() override;

    INT_PTR DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    void OnAttach(HWND hWnd) override;

    // 2 when the window cannot be started, else DoModal's result (1 after
    // OK, 2 after any other way out). bIgnored is not read.
    virtual int StartView(const char* pszPrinterName, const char* pszPortName, const char* pszModelID,
                          const char* pszDatFileName, int bIgnored);
    virtual void OnOK();
    virtual BOOL OnInitDialog();

    HMODULE m_hViewModule = nullptr;  // the resource DLL, loaded by the caller
    int m_nViewType = 2;

    // What the window shows and how it behaves now (for tests and the about box).
    int GetAutoClose() const { return m_bAutoClose; }
    int IsPopup() const { return m_bPopup; }
    const CPrinterStatus* GetCurrentStatus() const { return m_pPrinterStatus; }
    int GetDialogType() const { return m_DialogView.GetDialogType(); }

private:
    BOOL SetPrinter(const char* pszPrinterName, const char* pszPortName, const char* pszModelID,
                    const char* pszDatFileName);
    BOOL CreatePollingObject();
    void SetPopupPosition();
    void SavePopupPosition();
    int SetDefStatus();
    int GetStatus(int nSource);
    void CloseDown();
    void CloseWith(int nCode);
    void OnClose();
    void ShowAboutBox();
    void ReplaceStatus(CPrinterStatus* pStatus);
    DWORD SelectedChannel() const;

    // Status updates and notification.
    void OnResultKBDeviceID(int nResult);
    void OnResultKBStChannel(int nResult);
    void OnResultKBStatus(int nResult);
    void UpdateStatus(int nCallReason, int iStatusResult);
    void StatusProc(int nCallReason, int iStatusResult);
    int IsKeepOpen(CPrinterStatus* pStatus);
    int GetNotifyInfo(CPrinterStatus* pStatus, int* pbSound, int* pnStatusNo, int* pbBuzzer);
    int SetBeepBuzzerStatus(CPrinterStatus* pStatus);
    int SetSoundStatus(CPrinterStatus* pStatus);
    int GetLoopBuzzer();
    void ShowComErrorMessages();
    void OnHelp();

    DetailEnv m_Env;
    std::unique_ptr<CStatusInfo> m_pStatusInfo;
    CPrinterStatus* m_pPrinterStatus = nullptr;
    CDialogView m_DialogView;
    std::unique_ptr<CDetailKbStatus> m_pStatusThread;
    int m_bPopup = 0;
    int m_bAutoClose = 0;
    int m_bReadTimer = 1;
    UINT_PTR m_nReadTimerID = 0;
    char m_szTargetKey[260] = "";
    HKEY m_hTargetRoot = HKEY_CURRENT_USER;
    int m_bByPort = 0;
    std::string m_strPrinterName;
    std::string m_strModelID;
    std::string m_strPortName;
    std::string m_strDatFileName;
    std::unique_ptr<CBeepBuzzer> m_pBeepBuzzer;
    std::unique_ptr<CResSndNtfy> m_pSndNtfy;
    int m_bNotifyEnable = 0;
    int m_nLastNotifiedNo = -1;
    int m_nEnableGetStatusErr = -1;
    int m_bComErrShown = 0;
    int m_bOtherWindow = 0;

    vm2::UniqueHandle m_hMapFile;  // the register's section, held while the window lives
    bool m_bClosed = false;        // CloseDown ran
};
