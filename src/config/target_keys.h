// The per-printer target keys: "software\KAVRO\VLX3\VLXData\KPLTarget\P%016d"
// (printers known by name) and "...\KPNTarget\P%016d" (known by port name),
// in the hive of the user logged on at the console. A printer's key is
// found by its "Name" value, never by its number. Key path buffers are 260
// bytes.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <string>

#include "config/target_rules.h"

class TraceScope;

// Opens a printer by name; when the ANSI open fails on an NT system, retries
// with the name converted to UTF-16. Nonzero on success.
BOOL KP_OpenPrinter(const char* pszPrinterName, HANDLE* phPrinter, PRINTER_DEFAULTSA* pDefault);

// While one of these lives on a thread, that thread's target-key lookups
// remember the hive they chose and the keys they found. One status poll
// looks the same key up several times, and working out who is logged on is
// most of the cost of a lookup; within one export call neither changes (a
// key is only removed when its printer is gone). Keys not found are not
// remembered, so a key created meanwhile is found.
class TargetKeyLookupMemo {
public:
    TargetKeyLookupMemo();
    ~TargetKeyLookupMemo();
    TargetKeyLookupMemo(const TargetKeyLookupMemo&) = delete;
    TargetKeyLookupMemo& operator=(const TargetKeyLookupMemo&) = delete;

    struct Data;

private:
    Data* m_pData;
    Data* m_pOuter;
};

namespace vm2 {
// Where the lookups learn who is logged on and who this process is
// (GatherLogonFacts). Tests replace it to make the lookup choose a user's
// hive under HKEY_USERS; null restores the real one. Process-wide: the
// status window's polling thread looks keys up too.
using LogonFactsSource = LogonFacts (*)(const TraceScope& scope);
void SetLogonFactsSource(LogonFactsSource pfnSource);
}  // namespace vm2

// Finds the target key of a printer (nKind 0) or port (nKind 1) by name.
// 0 = found (*phRoot and pszKeyPath set); 1 = no key of that name
// (pszKeyPath = the base path); 4 = base key missing; 5 = bad kind, nothing
// touched.
int GetCurrentTargetPrnKey(const char* pszName, int nKind, char* pszKeyPath, HKEY* phRoot);

// Walks the keys below hRoot\basePath for the one whose "Name" is pszName
// (letter case ignored), as GetCurrentTargetPrnKey does once it has chosen
// the hive; traces nothing. 0 = found (*pPath = its path); 1 = none; 4 =
// base key missing. *pbConclusive (may be null): every key in front of the
// match (every key, when none matched) had a name. A key being made has
// none for a moment, so a walk that met one may have to be repeated.
int WalkTargetKeys(HKEY hRoot, const std::string& basePath, const char* pszName, std::string* pPath,
                   bool* pbConclusive);

// Finds the printer's target key, rebuilding it when it is missing. 0 when
// found, else the result of RebuildTargetKey. *pnKind tells the family.
int CheckTargetRegKey(const char* pszPrinterName, const char* pszPortName, const char* pszModelID, int* pnKind,
                      char* pszKeyPath);

// Sweeps the keys of vanished printers, creates a new numbered key and has
// the printer DLL of the model fill it. pszBase holds the base path on entry
// and the new key's path on return. 0 = success; 1 = no key created; 4 = the
// printer DLL cannot be loaded; 5 = it lacks PrSetRegDefaultValue; otherwise
// that export's result.
int RebuildTargetKey(HKEY hRoot, const char* pszPrinterName, const char* pszPortName, const char* pszModelID,
                     int nKind, char* pszBase);

// Creates the first free numbered key below pszBase with "Name", "Setting" 0
// and "Timer" 10; its path goes to pszNewKey (which may be pszBase).
// 0 = success; 1 = no number free or "Setting" not readable back; 2 = "Name"
// not writable; 3 = numbered key not creatable; 4 = base key not creatable.
int CreateTargetPrnKey(HKEY hRoot, const char* pszName, int nKind, const char* pszBase, char* pszNewKey);

// Removes the keys below pszBase whose printer is gone (or that have no
// "Name"), then the port-name keys without "Name". 0, or -1 when a base key
// cannot be opened.
int DeleteNoneReg(HKEY hRoot, const char* pszBase);

// Marks a key condemned ("Setting" 255) and deletes it. 0, or -1.
int DeleteUnusedKey(HKEY hRoot, const char* pszKey);

// Deletes a key with all its subkeys. 0, or -1 when the key or a subkey
// cannot be opened or deleted.
int DeleteTargetKey(HKEY hRoot, const char* pszKey);

// Writes the model's defaults into a target key and checks its
// notification list. 0; 1 = key not openable; 4 = list check failed.
int SetRegDefaultValue(HKEY hRoot, const char* pszDatFile, const char* pszModelID, const char* pszKeyPath);
