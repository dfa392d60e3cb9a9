// The tray-icon program: its logon entry in the user's Run key and its start
// after the preferences are confirmed. The icon program is found through the
// driver key's "K_VICN" (default "K_VM1IC2.EXE" in the install folder). The
// module never waits for it.
#pragma once

#include <windows.h>

namespace vm2 {
// The temporary folder with its trailing backslash; ".\" when there is none.
// pszOut holds 260 bytes.
void GetTempFolder(char* pszOut);
}  // namespace vm2

// Starts the icon program for a printer, with the printer's identity in a
// one-shot parameter file (/F, which the icon program deletes), or on the
// command line when no file can be written; bTrayIcon FALSE adds /R. Names
// of 260 characters or more are refused. 1 when the process was started,
// else 0 (the parameter file is then deleted, unless no command could be
// formed).
int StartIconProgram(BOOL bTrayIcon, const char* pszPrinter, const char* pszDriver, const char* pszPort,
                     const char* pszModel);

// Keeps the printer's logon entry: a value of the user's Run key (HKCU
// "software\Microsoft\Windows\CurrentVersion\Run") named by the printer name
// (the port name when the printer name is empty). On: the previous entry's ".tmp" parameter file
// is deleted, a new one written and the value set to "<icon> /A "<file>"".
// Off: the value and the parameter file it names are removed. 1 on success
// (also when the Run key cannot be opened); 0 when no command could be
// formed, the value could not be set, a name has 260 characters or more, or
// both names are empty.
int UpdateRunEntry(BOOL bTrayIcon, const char* pszPrinter, const char* pszDriver, const char* pszPort,
                   const char* pszModel);
