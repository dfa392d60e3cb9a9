// The start of the library settings program ("kbapiset.exe") that switches
// the agent on or off and answers the wait dialog (ui/framework/wait_dlg.h)
// with WM_USER+10.
#pragma once

#include <windows.h>

class TraceScope;

namespace vm2 {
// The settings program's start, elevated with parameters; its answer goes to
// hReply with WM_USER+10. 1 when started.
int StartKbapiset(const TraceScope& scope, HWND hReply, const char* pszPath, bool bOn);
}  // namespace vm2
