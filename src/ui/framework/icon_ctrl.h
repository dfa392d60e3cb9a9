// The status icon: a static icon control of the dialog template, subclassed,
// that shows an icon resource and, given several, shows them in turn every
// 500 ms (timer 20).
#pragma once

#include <windows.h>

#include "ui/framework/wnd_base.h"

class CIconCtrl : public CStatic {
public:
    CIconCtrl() = default;
    ~CIconCtrl() override;

    void Attach(HWND hWnd);
    void SetModule(HMODULE hModule) { m_hModule = hModule; }
    // Shows pdwIds[0] (low 16 bits: the icon's resource id) and cycles
    // through the list when it has two or more. 0 when the list cannot be
    // copied (the previous one stays).
    int SetIcons(int nCount, const DWORD* pdwIds);

    UINT_PTR m_nTimerId = 0;
    HMODULE m_hModule = nullptr;  // null: the application's resource DLL
    int m_nCount = 0;
    HGLOBAL m_hIds = nullptr;  // DWORD per icon
    // The icons of the list, loaded on first show and owned here: a shared
    // LoadIcon of a resource DLL loaded as data is not shared under Wine, and
    // a fresh icon every 500 ms would never be freed.
    HICON* m_phIcons = nullptr;
    int m_nIndex = 0;
    WNDPROC m_pfnOldProc = nullptr;

private:
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    void ShowIcon(bool bInvalidate);
    static void FreeIcons(HICON* phIcons, int nCount);
    void Detach();
};
