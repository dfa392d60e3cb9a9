// What the demo host needs around the module's windows: finding them as a
// user sees them, pressing their buttons, screenshots taken with ImageMagick
// (`import`, a program of the machine that Wine starts like any other), and
// the second process that shows a pop-up (PrStartView is modal).
#pragma once

#include <windows.h>

#include <string>

namespace kitdemo {

// Folder (a path of the machine, as ImageMagick sees it) that Screenshot
// writes to; empty: no screenshots.
void SetScreenshotFolder(const std::string& strUnixFolder);
// Saves what the screen shows of the window as <folder>/<name>.png; the
// file's path, or empty when no screenshot was taken.
std::string Screenshot(HWND hWnd, const std::string& strName);

// A visible top-level window with this caption (of any process), waited
// for up to dwMs; null when none appeared.
HWND WaitForWindow(const std::string& strCaption, DWORD dwMs);
// Waits up to dwMs for a visible dialog of hOwnerThread's thread other than
// hExcept; null when none appeared.
HWND WaitForDialogOfThread(DWORD dwThread, HWND hExcept, DWORD dwMs);
// Clicks a dialog's button as a user does (BM_CLICK); false when the
// button is not there, hidden or disabled.
bool Click(HWND hDialog, int nId);

// A pop-up shown by a second instance of this program ("--popup PRINTER").
class PopupProcess {
public:
    ~PopupProcess();
    bool Start(const std::string& strPrinter, const std::string& strExtraArgs);
    bool Running() const;
    // Waits up to dwMs for the process to end; true and its exit code when it did.
    bool WaitEnd(DWORD dwMs, DWORD* pdwExitCode);
    DWORD Pid() const { return m_dwPid; }

private:
    HANDLE m_hProcess = nullptr;
    DWORD m_dwPid = 0;
};

}  // namespace kitdemo
