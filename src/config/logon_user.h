// Who is logged on at the console and which account this process runs in:
// the facts the choice of the target keys' hive is made from.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "config/target_rules.h"

class TraceScope;

// The account that owns a process: user and domain names into the caller's
// buffers. 1 on success, 0 on any failure (also for a missing buffer or a
// zero size).
int GetProcessAccountName(DWORD dwProcessId, char* pszUserName, DWORD nUserSize, char* pszDomainName,
                          DWORD nDomainSize);

namespace vm2 {

// Looks a SID up to its account names (on this machine).
bool LookupAccount(PSID pSid, AccountName* pOut);

// The account of this process's own token.
bool GetOwnAccount(AccountName* pOut);

// Whether the session queries of terminal services can be asked here.
bool HasTerminalServices();

// The user and domain of the current terminal-services session, through
// "WTSAPI32.DLL" loaded at run time. False when the library is missing;
// the names then stay empty.
bool QuerySessionAccount(AccountName* pOut);

// Unloads the terminal-services library when the module is unloaded.
void ReleaseTerminalServicesLibrary();

// The first process whose executable name begins with pszShell (at most 128
// are considered) whose owner can be read. False when none can. What it
// traces is also appended to pLines when given.
bool FindShellProcessAccount(const char* pszShell, const TraceScope* pScope, AccountName* pOut,
                             std::vector<std::string>* pLines = nullptr);

// The shell named by Winlogon's "Shell", else "explorer.exe".
std::string ShellProgramName();

// Winlogon's "DefaultUserName" and "DefaultDomainName". False when the key
// cannot be opened.
bool ReadWinlogonDefaults(AccountName* pOut);

// The subkeys of the machine's profile list with their "Sid" resolved.
// False when the list cannot be opened.
bool ReadProfileList(std::vector<ProfileEntry>* pOut);

// Gathers everything ChooseTargetBase needs, tracing as it goes (and keeping
// the texts in traceLines). The profile list is read only when this process
// is not the logged-on user.
LogonFacts GatherLogonFacts(const TraceScope& scope);

}  // namespace vm2
