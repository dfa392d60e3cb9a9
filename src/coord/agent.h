// The agent service: which generation belongs to a driver, whether it may
// monitor, and how a change is carried out. The module never writes the
// agent's setting itself: it starts the driver's agent setting program
// ("K_VRCV", elevated) and shows a wait dialog
// while that program works.
#pragma once

#include <windows.h>

#include <string>

class TraceScope;

// The agent settings program's completion message; bit 0 of lParam set
// means success.
constexpr UINT WM_AGENT_REPLY = WM_USER + 10;

// 2 when the driver key's "KBAPI32" is "KBAPI2.DLL" (any case), else 1.
int GetAgentGeneration(const char* pszDriverName);

// Generation 2 or more: the DWORD "AllowMonitoring" of the SAgent2 key (0
// when missing); generation 1: 1 when the "KNAgent" service key exists. 0
// when the key does not open.
int IsAgentAllowed(int nGeneration);

// 1 when only the NWLINK network component is there (generation 1 without
// the eKBAPI key), else 0.
int IsNwlinkOnly(int nGeneration);

// 1 when the caller's token (the thread's, else the process's) holds the
// local Administrators group, else 0 (also on any failure).
int IsAdminUser();

namespace vm2 {

// 1 when one of the token's groups is the local Administrators group, else 0
// (also for null): the part of IsAdminUser that a test can hand any group list.
int GroupsHoldAdministrators(const TOKEN_GROUPS* pGroups);

// Starts pszFile with the "runas" verb. Returns the start's instance value
// (more than 32 on success) and leaves the last error in *pdwLastError.
INT_PTR StartElevated(HWND hOwner, const char* pszFile, const char* pszParameters, DWORD* pdwLastError);

// Starts a command line as a new process without waiting for it. 1 when it
// started. The program file is passed apart from the command line, so that
// an unquoted path with a blank is never taken for a shorter program
// ("C:\Program.exe"); empty, the command line alone names it.
int StartCommandLine(const char* pszProgram, const std::string& strCommand);

// Where the agent setting program is copied before an elevated start: the
// common application-data folder + "\KAVRO\", which only administrators and
// SYSTEM may write (created so, or given that access list when found
// otherwise). False when the folder cannot be made so.
bool AgentCopyFolder(HWND hOwner, std::string* pFolder);

// The start of the agent setting program, elevated from its copy; 1 when it
// was started. Nothing starts when a name holds a double quote, or when the
// copy fails or differs from the program.
int StartAgentProgram(HWND hOwner, const char* pszProgram, const char* pszDriverName,
                      const char* pszPrinterName, int iService);

}  // namespace vm2
