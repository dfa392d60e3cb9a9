#include "coord/wait_dlg.h"

#include <cstdint>
#include <string>

#include "coord/agent.h"
#include "coord/companion_commands.h"
#include "base/trace.h"

namespace {

// Window handles travel on command lines as 32-bit values: that is all a
// window handle holds, on 64-bit Windows too.
std::uint32_t WindowWord(HWND hWnd) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(hWnd)); }

}  // namespace

namespace vm2 {

int StartKbapiset(const TraceScope& scope, HWND hReply, const char* pszPath, bool bOn)
{
    std::string parameters = KbapisetParameters(WindowWord(hReply), WM_AGENT_REPLY, bOn);
    Trace(scope, "szCmdLine = %s\n", parameters.c_str());
    DWORD dwErr = 0;
    INT_PTR hExec = StartElevated(hReply, pszPath, parameters.c_str(), &dwErr);
    Trace(scope, "(int)hExec = %d, dwLastErr = %d\n", static_cast<int>(hExec), static_cast<int>(dwErr));
    return dwErr == ERROR_CANCELLED || hExec <= 32 ? 0 : 1;
}

}  // namespace vm2
