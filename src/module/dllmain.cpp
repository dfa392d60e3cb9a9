#include <windows.h>

#include "module/app.h"

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID)
{
    if (dwReason == DLL_PROCESS_ATTACH) {
        g_hInstance = hInstance;
        g_hModuleInstance = hInstance;
        // No resource DLL is loaded yet: string 1340 of the host's executable.
        g_nDefaultTimer = ReadDefaultTimer(nullptr);
    }
    return TRUE;
}
