// The wait dialog shown while the agent settings program works: modal, no
// close item, closes itself after 100 ms + 10 s or as soon as the program
// answers with WM_USER+10. The start of the programs themselves is in
// coord/agent.h and coord/wait_dlg.h; this is what the user sees of it.
#pragma once

#include <windows.h>

#include "ui/framework/dialog_box.h"

class CWaitDlg : public CDialogBox {
public:
    static constexpr UINT_PTR kFirstTimer = 1;   // 100 ms: the dialog is on screen
    static constexpr UINT kFirstDelay = 100;
    static constexpr UINT_PTR kLongTimer = 10;   // 10 s: the longest wait for the answer
    static constexpr UINT kLongDelay = 10000;

    // Loads the resource DLL (as data; none when the path is null or empty).
    CWaitDlg(const char* pszResDllPath, HWND hOwner);
    ~CWaitDlg() override;

    virtual BOOL OnInitDialog();

    // Runs template 111 of the resource DLL when it has one; returns the
    // result field (always 0). Never the application's resource DLL: without
    // its own the dialog is not shown.
    INT_PTR DoModal(LPARAM lParam);
    using CDialogBox::DoModal;

    INT_PTR DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) override;

    // Starts the library settings program ("kbapiset.exe" in HKLM
    // "Software\KAVRO\KBAPIInfo" "InstallDir") to switch the agent on (1) or
    // off (0), answering to this dialog's window (none while it is not
    // shown). 1 when the program was started, else 0.
    int SetSAgent(int bOn);

    void OnTimer(UINT_PTR nId);
    void OnReply();
    void OnClose();
    void OnDestroy();

    INT_PTR m_nResult = 0;
    UINT_PTR m_nTimerId = 0;  // 0 = no timer
    int m_nPhase = 0;         // 1 = first short wait, 0 = long wait
    LPARAM m_lParam = 0;
    UINT m_nLongDelay = kLongDelay;  // tests shorten the long wait

private:
    void StopTimer();
};

// Starts the driver's agent setting program to allow (iService 1) or stop
// (0) agent monitoring of the printer, then shows the wait dialog (template
// 111 of pszResDllPath, owned by hDlg) until the program answers or about
// ten seconds have passed. 1 when the program was started, 0 otherwise
// (empty names, no "K_VRCV" in the driver key, elevation refused, start
// failed).
int SetSIDMAgent2(HWND hDlg, const char* pszDriverName, const char* pszPrinterName, const char* pszResDllPath,
                  int iService);
