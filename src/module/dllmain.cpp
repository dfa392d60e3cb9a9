#include <windows.h>

#include "comm/kbapi.h"
#include "config/logon_user.h"
#include "module/app.h"

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID pReserved)
{
    if (dwReason == DLL_PROCESS_ATTACH) {
        g_hInstance = hInstance;
        // No resource DLL is loaded yet: string 1340 of the host's executable.
        g_nDefaultTimer = ReadDefaultTimer(nullptr);
    }
    // Only when the host unloads the module: at process exit the library may
    // already be gone.
    if (dwReason == DLL_PROCESS_DETACH && pReserved == nullptr) {
        // A session the host left open.
        CKbApiBase::Instance().ReleaseAtUnload();
        vm2::ReleaseTerminalServicesLibrary();
    }
    return TRUE;
}
