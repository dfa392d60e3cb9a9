// The status window's version box: the software package of the printer, its
// two companion programs, this module and the communication library, each as
// "Ver. <version>". A value that cannot be found leaves the template's text.
#pragma once

#include <windows.h>

#include <string>

#include "ui/framework/dialog_box.h"

// The file's "ProductVersion" in its first translation. 0 and an empty text
// when the file has no version data or no such string.
int GetFileVersionString(const char* pszPath, std::string* pText);

class CAboutBox : public CDialogBox {
public:
    // hSelfModule: this module's own file; pszDriverName: the driver of the
    // printer the status window shows.
    CAboutBox(HWND hWndParent, HMODULE hSelfModule, const char* pszDriverName);
    ~CAboutBox() override;

    INT_PTR DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    void OnAttach(HWND hWnd) override;
    virtual BOOL OnInitDialog();

private:
    void SetVersion(HWND hCtl, const std::string& strVersion);

    HWND m_hWndPackage = nullptr;   // 289
    HWND m_hWndEnv = nullptr;       // 290
    HWND m_hWndModule = nullptr;    // 291
    HWND m_hWndLibrary = nullptr;   // 292
    HWND m_hWndRcv = nullptr;       // 293
    HWND m_hWndSpare1 = nullptr;    // 294
    HWND m_hWndSpare2 = nullptr;    // 295
    HMODULE m_hSelfModule;
    std::string m_strDriverName;
};
