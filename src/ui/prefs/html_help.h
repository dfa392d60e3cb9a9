// The HTML help engine, bound at run time from the system's HTML help
// control so that the module runs without it.
#pragma once

#include <windows.h>

// Published HTML Help API commands the module uses.
constexpr UINT kHH_DISPLAY_TOPIC = 0x0000;
constexpr UINT kHH_SET_WIN_TYPE = 0x0004;
constexpr UINT kHH_GET_WIN_TYPE = 0x0005;
constexpr UINT kHH_HELP_CONTEXT = 0x000F;
constexpr UINT kHH_TP_HELP_CONTEXTMENU = 0x0010;
constexpr UINT kHH_TP_HELP_WM_HELP = 0x0011;
constexpr UINT kHH_INITIALIZE = 0x001C;
constexpr UINT kHH_UNINITIALIZE = 0x001D;

// The help engine's window type record (HH_WINTYPE): 196 bytes on 32-bit
// targets; pointer members make it larger on 64-bit ones.
struct VlxHHWinType {
    int cbStruct;
    BOOL fUniCodeStrings;
    LPCSTR pszType;
    DWORD fsValidMembers;
    DWORD fsWinProperties;
    LPCSTR pszCaption;
    DWORD dwStyles;
    DWORD dwExStyles;
    RECT rcWindowPos;
    int nShowState;
    HWND hwndHelp;
    HWND hwndCaller;
    void* paInfoTypes;
    HWND hwndToolBar;
    HWND hwndNavigation;
    HWND hwndHTML;
    int iNavWidth;
    RECT rcHTML;
    LPCSTR pszToc;
    LPCSTR pszIndex;
    LPCSTR pszFile;
    LPCSTR pszHome;
    DWORD fsToolBarFlags;
    BOOL fNotExpanded;
    int curNavType;
    int tabpos;
    int idNotify;
    BYTE tabOrder[20];
    int cHistory;
    LPCSTR pszJump1;
    LPCSTR pszJump2;
    LPCSTR pszUrlJump1;
    LPCSTR pszUrlJump2;
    RECT rcMinSize;
    int cbInfoTypes;
    LPCSTR pszCustomTabs;
};
#if !defined(_WIN64)
static_assert(sizeof(VlxHHWinType) == 196, "HH_WINTYPE is 196 bytes on 32-bit targets");
#endif

// Forwards to the help control's entry (ordinal 14) and returns its result;
// 0 when the control cannot be bound. The control is looked for once per
// process: the CLSID's "InprocServer32", then "hhctrl.ocx" by name.
extern "C" HWND WINAPI HtmlHelpA(HWND hwndCaller, LPCSTR pszFile, UINT uCommand, DWORD_PTR dwData);

namespace vm2 {
// The control's file as registered: the CLSID's "InprocServer32" default
// value, expanded; empty when missing, not text or 260 characters or more
// once expanded.
bool ReadHelpControlPath(char* pszOut /*260*/);
}  // namespace vm2
