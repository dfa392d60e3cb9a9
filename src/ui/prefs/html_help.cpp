#include "ui/prefs/html_help.h"

#include "base/text.h"
#include "base/trace.h"
#include "config/registry.h"

namespace {

constexpr char kHelpControlKey[] = "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";
constexpr WORD kHtmlHelpOrdinal = 14;

using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);

// One binding per process, made on the module's UI thread. The control
// stays loaded until the process ends: hosts call help again and again,
// and unloading an OCX with windows open is unsafe.
HMODULE g_hHelpControl = nullptr;
HtmlHelpFn g_pfnHtmlHelp = nullptr;
bool g_bHelpFailed = false;

}  // namespace

namespace vm2 {

bool ReadHelpControlPath(char* pszOut)
{
    pszOut[0] = '\0';
    Registry key;
    if (!key.Open(HKEY_CLASSES_ROOT, kHelpControlKey, Registry::kRead)) return false;
    std::string value = key.QueryString("", "", kPathBuf);
    if (value.empty()) return false;
    if (key.GetValueType("") == REG_EXPAND_SZ) {
        DWORD n = ExpandEnvironmentStringsA(value.c_str(), pszOut, static_cast<DWORD>(kPathBuf));
        // n counts the terminator; a text that does not fit is not used.
        if (n == 0 || n > kPathBuf) {
            pszOut[0] = '\0';
            return false;
        }
        return true;
    }
    return CopyText(pszOut, kPathBuf, value.c_str());
}

}  // namespace vm2

extern "C" HWND WINAPI HtmlHelpA(HWND hwndCaller, LPCSTR pszFile, UINT uCommand, DWORD_PTR dwData)
{
    if (g_bHelpFailed) return nullptr;
    if (g_hHelpControl == nullptr) {
        char path[vm2::kPathBuf] = "";
        if (vm2::ReadHelpControlPath(path)) g_hHelpControl = LoadLibraryA(path);
        if (g_hHelpControl == nullptr) g_hHelpControl = LoadLibraryA("hhctrl.ocx");
        if (g_hHelpControl == nullptr) {
            g_bHelpFailed = true;
            return nullptr;
        }
    }
    if (g_pfnHtmlHelp == nullptr) {
        g_pfnHtmlHelp = reinterpret_cast<HtmlHelpFn>(GetProcAddress(g_hHelpControl, MAKEINTRESOURCEA(kHtmlHelpOrdinal)));
        if (g_pfnHtmlHelp == nullptr) {
            g_bHelpFailed = true;
            return nullptr;
        }
    }
    return g_pfnHtmlHelp(hwndCaller, pszFile, uCommand, dwData);
}
