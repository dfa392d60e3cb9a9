// Redirects one import of a loaded module: its import-table slot for
// dll!name is pointed at a stand-in, so the module's own calls reach it.
#pragma once

#include <windows.h>

namespace bench {

// True when the module imports pszName from pszDll (compared without case)
// by name and the slot now holds pHook; *ppOld (when given) receives what
// it held before, to put back later.
bool PatchImport(HMODULE hModule, const char* pszDll, const char* pszName, void* pHook, void** ppOld = nullptr);

}  // namespace bench
