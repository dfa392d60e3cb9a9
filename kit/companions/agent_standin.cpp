// Stand-in for the driver's agent setting program (the driver key's
// "K_VRCV"). Records how it was started (command line and the path it runs
// from: an elevated start runs a copy) and, when VM2PR2_AGENT_REPLY asks for
// it, answers the wait dialog of the given process with WM_USER+10.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "companion_log.h"

namespace {

struct Search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindWaitDialog(HWND hWnd, LPARAM lp)
{
    auto* s = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hWnd, &pid);
    if (pid != s->pid || !IsWindowVisible(hWnd) || GetDlgItem(hWnd, 222) == nullptr) return TRUE;
    s->found = hWnd;
    return FALSE;
}

}  // namespace

int main()
{
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    companion::Fields f;
    f.emplace_back("cmdline", GetCommandLineA());
    f.emplace_back("exe", self);

    std::string reply = companion::EnvValue(companion::kAgentReplyVariable);
    std::string replied = "none";
    if (!reply.empty()) {
        Search s = {static_cast<DWORD>(strtoul(reply.c_str(), nullptr, 10)), nullptr};
        size_t colon = reply.find(':');
        LPARAM lParam = colon != std::string::npos ? strtol(reply.c_str() + colon + 1, nullptr, 10) : 1;
        // The dialog appears only after this program has been started.
        for (int i = 0; i < 250 && s.found == nullptr; ++i) {
            EnumWindows(FindWaitDialog, reinterpret_cast<LPARAM>(&s));
            if (s.found == nullptr) Sleep(20);
        }
        if (s.found != nullptr && PostMessageA(s.found, WM_USER + 10, 0, lParam)) {
            char buf[32];
            snprintf(buf, sizeof(buf), "%lx", static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(s.found)));
            replied = buf;
        }
    }
    f.emplace_back("replied", replied);
    companion::AppendCompanionRecord("agent", f);
    return 0;
}
