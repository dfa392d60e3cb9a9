// Stand-in for the communication library's settings program
// (kbapiset.exe). Records its command line and answers the window named by
// "/Ret=WM:<window hex>;<message hex>" with that message (lParam from
// VM2PR2_KBAPISET_RESULT, default 1 = success).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "companion_log.h"

int main()
{
    const char* pszCmdLine = GetCommandLineA();
    companion::Fields f;
    f.emplace_back("cmdline", pszCmdLine);

    std::string posted = "none";
    const char* ret = strstr(pszCmdLine, "/Ret=WM:");
    if (ret != nullptr) {
        char* end = nullptr;
        unsigned long wnd = strtoul(ret + 8, &end, 16);
        unsigned long msg = (end != nullptr && *end == ';') ? strtoul(end + 1, nullptr, 16) : 0;
        std::string result = companion::EnvValue(companion::kKbapisetResultVariable);
        LPARAM lParam = result.empty() ? 1 : strtol(result.c_str(), nullptr, 10);
        HWND hWnd = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(wnd));
        if (hWnd != nullptr && msg != 0 && PostMessageA(hWnd, msg, 0, lParam)) {
            char buf[48];
            snprintf(buf, sizeof(buf), "%lx;%lx", wnd, msg);
            posted = buf;
        }
    }
    f.emplace_back("posted", posted);
    companion::AppendCompanionRecord("kbapiset", f);
    return 0;
}
