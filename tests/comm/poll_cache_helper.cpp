// A second process that changes what a host's status polls keep, the way the
// suite's other programs do. Exit code 0 on success.
//   notify <printer> <number> <value>   the preferences dialog's write
//   forget <printer>                     clears the key's "Name" (the next sweep takes it)
//   sweep                                a rebuild's sweep of the printers' keys
//   host <printer> <driver> <data file>  another host prepares the printer (rebuilding its key)
//   renumber <printer>                   moves the key to another number, without its reply
//   replace <new> <file>                 replaces a file
#include <windows.h>

#include <cstdlib>
#include <string>

#include "config/regpaths.h"
#include "config/registry.h"
#include "config/target_keys.h"
#include "installer/kit_install.h"
#include "module/exports.h"

namespace {

std::string KeyOf(const char* printer)
{
    char path[260] = "";
    HKEY root = HKEY_CURRENT_USER;
    return GetCurrentTargetPrnKey(printer, 0, path, &root) == 0 ? path : "";
}

int Renumber(const std::string& from)
{
    char to[260];
    wsprintfA(to, "%s\\P%016d", vm2::regpath::kTargetByPrinter, 1000 + static_cast<int>(GetTickCount() % 1000));
    Registry target;
    if (from.empty() || !target.Create(HKEY_CURRENT_USER, to, nullptr, Registry::kAll) ||
        RegCopyTreeA(HKEY_CURRENT_USER, from.c_str(), target.Handle()) != ERROR_SUCCESS)
        return 2;
    for (const char* value : {"Status", "Channel", "ComStatus"}) target.DeleteValue(value);
    return RegDeleteTreeA(HKEY_CURRENT_USER, from.c_str()) == ERROR_SUCCESS ? 0 : 3;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string cmd = argc > 1 ? argv[1] : "";
    if (cmd == "notify" && argc == 5) {
        Registry notify(HKEY_CURRENT_USER, (KeyOf(argv[2]) + "\\Notify").c_str(), TRUE, Registry::kAll);
        char name[8];
        wsprintfA(name, "%03d", atoi(argv[3]));
        return notify.SetDword(name, static_cast<DWORD>(atoi(argv[4]))) ? 0 : 1;
    }
    if (cmd == "forget" && argc == 3)
        return Registry(HKEY_CURRENT_USER, KeyOf(argv[2]).c_str(), FALSE, Registry::kAll).SetString("Name", "") ? 0 : 1;
    if (cmd == "sweep" && argc == 2) {
        DeleteNoneReg(HKEY_CURRENT_USER, vm2::regpath::kTargetByPrinter);  // -1 without port-name keys too
        return 0;
    }
    if (cmd == "host" && argc == 5) return PrSetRegDefaultValue(argv[2], argv[3], "USB001", kit::kModelId, argv[4]);
    if (cmd == "renumber" && argc == 3) return Renumber(KeyOf(argv[2]));
    if (cmd == "replace" && argc == 4) return MoveFileExA(argv[2], argv[3], MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
    return 99;
}
