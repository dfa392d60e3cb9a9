// Recording HTML help control: stands in for the system's help control
// where Wine's viewer cannot show a page. It answers the help engine's
// entry (ordinal 14) by appending one line per request to the file named by
// VM2PR2_HELP_LOG and shows topic requests in a small window of the window
// type last defined, so that a user (or a screenshot) sees where help opens.
//
// Log lines:
//   <command> window=<hex> file=<text or ->
//   wintype <name> rect=<l>,<t>,<r>,<b> valid=<hex> show=<n> caller=<hex> size=<bytes>
#include <windows.h>

#include <cstdio>
#include <string>

#include "ui/prefs/html_help.h"

namespace {

RECT g_rcWindow = {100, 100, 420, 340};
HWND g_hWindow = nullptr;

void Log(const std::string& line)
{
    char path[MAX_PATH] = "";
    if (GetEnvironmentVariableA("VM2PR2_HELP_LOG", path, sizeof(path)) == 0) return;
    FILE* f = fopen(path, "ab");
    if (f == nullptr) return;
    fprintf(f, "%s\n", line.c_str());
    fclose(f);
}

LRESULT CALLBACK ViewerProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_DESTROY && hWnd == g_hWindow) g_hWindow = nullptr;
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

void ShowViewer(HWND hOwner, const char* pszTopic)
{
    if (g_hWindow != nullptr) DestroyWindow(g_hWindow);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ViewerProc;
    wc.hInstance = GetModuleHandleA("VM2HHREC.DLL");
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = "VlxHelpRecorder";
    RegisterClassA(&wc);
    g_hWindow = CreateWindowExA(WS_EX_TOOLWINDOW, "VlxHelpRecorder", "VlxHH_Context",
                                WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, g_rcWindow.left, g_rcWindow.top,
                                g_rcWindow.right - g_rcWindow.left, g_rcWindow.bottom - g_rcWindow.top, hOwner,
                                nullptr, wc.hInstance, nullptr);
    if (g_hWindow == nullptr) return;
    HWND text = CreateWindowExA(0, "STATIC", pszTopic, WS_CHILD | WS_VISIBLE, 8, 8,
                                g_rcWindow.right - g_rcWindow.left - 24, 120, g_hWindow, nullptr, wc.hInstance,
                                nullptr);
    SendMessageA(text, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
}

const char* CommandName(UINT uCommand)
{
    switch (uCommand) {
    case kHH_DISPLAY_TOPIC: return "display_topic";
    case kHH_SET_WIN_TYPE: return "set_win_type";
    case kHH_GET_WIN_TYPE: return "get_win_type";
    case kHH_HELP_CONTEXT: return "help_context";
    case kHH_TP_HELP_CONTEXTMENU: return "tp_help_contextmenu";
    case kHH_TP_HELP_WM_HELP: return "tp_help_wm_help";
    case kHH_INITIALIZE: return "initialize";
    case kHH_UNINITIALIZE: return "uninitialize";
    default: return "other";
    }
}

}  // namespace

extern "C" HWND WINAPI HtmlHelpA(HWND hwndCaller, LPCSTR pszFile, UINT uCommand, DWORD_PTR dwData)
{
    char line[1200];
    snprintf(line, sizeof(line), "%s window=%p file=%s data=%#llx", CommandName(uCommand),
             static_cast<void*>(hwndCaller), pszFile != nullptr ? pszFile : "-",
             static_cast<unsigned long long>(dwData));
    Log(line);
    switch (uCommand) {
    case kHH_INITIALIZE:
        if (dwData != 0) *reinterpret_cast<DWORD_PTR*>(dwData) = 0x5EED;
        return nullptr;
    case kHH_UNINITIALIZE:
        if (g_hWindow != nullptr) DestroyWindow(g_hWindow);
        return nullptr;
    case kHH_SET_WIN_TYPE: {
        const auto* wt = reinterpret_cast<const VlxHHWinType*>(dwData);
        if (wt == nullptr) return nullptr;
        g_rcWindow = wt->rcWindowPos;
        std::string order;
        for (BYTE b : wt->tabOrder) order += std::to_string(b) + ",";
        snprintf(line, sizeof(line),
                 "wintype %s rect=%ld,%ld,%ld,%ld valid=%#lx exstyle=%#lx show=%d caller=%p size=%d tabpos=%d "
                 "order=%s",
                 wt->pszType != nullptr ? wt->pszType : "-", wt->rcWindowPos.left, wt->rcWindowPos.top,
                 wt->rcWindowPos.right, wt->rcWindowPos.bottom, static_cast<unsigned long>(wt->fsValidMembers),
                 static_cast<unsigned long>(wt->dwExStyles), wt->nShowState, static_cast<void*>(wt->hwndCaller),
                 wt->cbStruct, wt->tabpos, order.c_str());
        Log(line);
        return nullptr;
    }
    case kHH_DISPLAY_TOPIC:
    case kHH_HELP_CONTEXT:
        ShowViewer(hwndCaller, pszFile != nullptr ? pszFile : "");
        return g_hWindow;
    default:
        return nullptr;
    }
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
