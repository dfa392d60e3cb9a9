// A second process that changes what a host's status polls keep between
// polls, the way the other programs of the suite do:
//   poll_cache_helper notify <printer> <number> <value>   the preferences dialog's write
//   poll_cache_helper forget <printer>     clears the key's "Name": lost, the next sweep takes it
//   poll_cache_helper sweep                a rebuild's sweep of the printers' keys
//   poll_cache_helper host <printer> <driver> <port> <model> <data file>
//                                          another host prepares the printer (rebuilding its key)
//   poll_cache_helper renumber <printer>   moves the key to another number, without its status
//   poll_cache_helper replace <new> <file> replaces a file
// Exit code 0 on success.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "config/regpaths.h"
#include "config/registry.h"
#include "config/target_keys.h"
#include "module/exports.h"

namespace {

std::string KeyOf(const char* printer)
{
    char path[260] = "";
    HKEY root = HKEY_CURRENT_USER;
    return GetCurrentTargetPrnKey(printer, 0, path, &root) == 0 ? path : "";
}

int Renumber(const char* printer)
{
    std::string from = KeyOf(printer);
    if (from.empty()) return 2;
    std::string to;
    for (int n = 1000;; ++n) {
        char sub[32];
        wsprintfA(sub, "\\P%016d", n);
        to = std::string(vm2::regpath::kTargetByPrinter) + sub;
        Registry probe(HKEY_CURRENT_USER, to.c_str(), FALSE, Registry::kRead);
        if (!probe.IsOpen()) break;
    }
    Registry target;
    target.Create(HKEY_CURRENT_USER, to.c_str(), nullptr, Registry::kAll);
    if (!target.IsOpen() || RegCopyTreeA(HKEY_CURRENT_USER, from.c_str(), target.Handle()) != ERROR_SUCCESS) return 3;
    for (const char* value : {"Status", "Channel", "ComStatus"}) target.DeleteValue(value);
    return RegDeleteTreeA(HKEY_CURRENT_USER, from.c_str()) == ERROR_SUCCESS ? 0 : 4;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string cmd = argc > 1 ? argv[1] : "";
    if (cmd == "notify" && argc == 5) {
        Registry notify;
        notify.Create(HKEY_CURRENT_USER, (KeyOf(argv[2]) + "\\Notify").c_str(), nullptr, Registry::kAll);
        char name[8];
        wsprintfA(name, "%03d", atoi(argv[3]));
        return notify.SetDword(name, static_cast<DWORD>(atoi(argv[4]))) ? 0 : 1;
    }
    if (cmd == "forget" && argc == 3) {
        Registry key(HKEY_CURRENT_USER, KeyOf(argv[2]).c_str(), FALSE, Registry::kAll);
        return key.SetString("Name", "") ? 0 : 1;
    }
    if (cmd == "sweep" && argc == 2) {
        // -1 also when there are no port-name keys to look at: the effect is what counts.
        DeleteNoneReg(HKEY_CURRENT_USER, vm2::regpath::kTargetByPrinter);
        return 0;
    }
    if (cmd == "host" && argc == 7) return PrSetRegDefaultValue(argv[2], argv[3], argv[4], argv[5], argv[6]);
    if (cmd == "renumber" && argc == 3) return Renumber(argv[2]);
    if (cmd == "replace" && argc == 4) return MoveFileExA(argv[2], argv[3], MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
    return 99;
}
