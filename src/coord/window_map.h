// The shared window register between processes: one status window and one
// preferences dialog per printer on the desktop.
//
// Every read-modify-write of a section runs under a named mutex of its own
// ("<section name>_Mutex"), so two processes registering at the same moment
// cannot both claim a record. The mutex is waited for a bounded time; a
// holder that died is detected and the register re-checked before use.
#pragma once

#include <windows.h>

#include "coord/window_map_records.h"

// How long an operation waits for another process's operation to finish
// before going on without the lock rather than hang a window's start.
constexpr DWORD kWindowMapLockTimeoutMs = 5000;

// Sets that wait for this process and returns the one it replaces; tests
// shorten it so that a lock nobody releases costs them milliseconds.
DWORD SetWindowMapLockTimeout(DWORD ms);

// Name of the mutex guarding a section: the section name and "_Mutex".
// Returns false when the buffer is too small.
bool GetWindowMapMutexName(const char* pszMapName, char* pszMutex, size_t cchMutex);

// Creates (or opens) the section pszMapName, sized for the key's length
// (500 records). A section that did not exist yet gets its end marker in
// record 0. Returns the section handle, or null when the section cannot be
// created or a new one cannot be viewed.
HANDLE CreateWindowMap(const char* pszKey, const char* pszMapName);

// Registers hWnd as the window of nKind (MAPWND_*) for the printer (the port
// name when the printer name is null or empty). *phExisting is set to null on
// entry and *phSection to null unless the result is 0 or 1.
//   0  registered; *phSection receives the section handle to keep while the
//      window lives (the caller closes it)
//   1  a live window of that kind is registered: *phExisting receives it;
//      *phSection receives the section handle
//   2  the section could not be viewed, the register is full, or the key is
//      longer than 520 characters (then nothing is created or changed)
//   3  the section could not be created or opened, or phSection is null
UINT RegisterMapWindow(const char* pszPrinterName, const char* pszPortName, int nKind, HWND hWnd,
                       HWND* phExisting, HANDLE* phSection);

// Removes the window of nKind from the record of the key (the port name if
// bUsePort, else the printer name) in the section hSection. A null section, an
// unknown key or kind, or a view that cannot be made changes nothing.
void UnregisterMapWindow(HANDLE hSection, const char* pszPrinterName, const char* pszPortName, int nKind,
                         BOOL bUsePort);

// The registered window of nKind for the printer (the port name when the
// printer name is null or empty), if it is still a window; else null. Never
// creates the section.
HWND FindMapWindow(const char* pszPrinterName, const char* pszPortName, int nKind);
