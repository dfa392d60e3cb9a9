// Helper of the concurrency tests: started several times at once, each copy
// waits for the common start signal and then creates target keys.
//   target_race_helper create <base> <prefix> <count> <ready> <go>
//       creates <count> numbered keys below HKCU\<base> named <prefix>#<i>
//   target_race_helper check <printer> <rounds> <ready> <go>
//       rounds times: clears the "Name" of the printer's target key, so that
//       the key is lost and the next sweep removes it, then rebuilds it
// Exit code: the number of calls that failed (a rebuild without printer DLL
// counts as done: it stops at 4 once the key exists).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "config/target_keys.h"

namespace {

bool WaitForStart(const char* ready, const char* go)
{
    HANDLE hReady = OpenSemaphoreA(SEMAPHORE_MODIFY_STATE, FALSE, ready);
    HANDLE hGo = OpenEventA(SYNCHRONIZE, FALSE, go);
    if (hReady == nullptr || hGo == nullptr) return false;
    ReleaseSemaphore(hReady, 1, nullptr);
    bool ok = WaitForSingleObject(hGo, 60000) == WAIT_OBJECT_0;
    CloseHandle(hReady);
    CloseHandle(hGo);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 7 && std::string(argv[1]) == "create") {
        int count = atoi(argv[4]);
        if (!WaitForStart(argv[5], argv[6])) return 100;
        int failed = 0;
        for (int i = 0; i < count; ++i) {
            std::string name = std::string(argv[3]) + "#" + std::to_string(i);
            char path[260];
            if (CreateTargetPrnKey(HKEY_CURRENT_USER, name.c_str(), 0, argv[2], path) != 0) ++failed;
        }
        return failed;
    }
    if (argc == 6 && std::string(argv[1]) == "check") {
        int rounds = atoi(argv[3]);
        if (!WaitForStart(argv[4], argv[5])) return 100;
        int failed = 0;
        for (int i = 0; i < rounds; ++i) {
            char path[260] = "";
            HKEY root = HKEY_CURRENT_USER;
            if (GetCurrentTargetPrnKey(argv[2], 0, path, &root) == 0)
                RegSetKeyValueA(root, path, "Name", REG_SZ, "", 1);
            int kind = -1;
            path[0] = '\0';
            int rc = CheckTargetRegKey(argv[2], "LPT1:", "VM2TK-NO-MODEL", &kind, path);
            // Found again at once: the key this round made is still there.
            char again[260] = "";
            if ((rc != 0 && rc != 4) || GetCurrentTargetPrnKey(argv[2], 0, again, &root) != 0 ||
                strcmp(path, again) != 0)
                ++failed;
        }
        return failed;
    }
    fprintf(stderr, "usage: see the source\n");
    return 200;
}
