// A host that opens a monitoring session and leaves it open, then ends the
// process with the module still loaded ("exit") or unloads it first ("unload").
//   unload_host <module> <printer> <driver> <port> <model> exit|unload
#include <windows.h>

#include <cstring>

typedef int(__cdecl* PrMonitoringStart_t)(DWORD, const char*, const char*, const char*, const char*, const char*,
                                          const char*);

int main(int argc, char** argv)
{
    if (argc != 7) return 2;
    HMODULE dll = LoadLibraryA(argv[1]);
    if (dll == nullptr) return 3;
    auto start = reinterpret_cast<PrMonitoringStart_t>(reinterpret_cast<void*>(GetProcAddress(dll, "PrMonitoringStart")));
    if (start == nullptr || start(1, argv[2], argv[3], argv[4], argv[5], nullptr, nullptr) != 0) return 4;
    if (strcmp(argv[6], "unload") == 0) FreeLibrary(dll);
    return 0;
}
