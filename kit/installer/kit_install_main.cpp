// kit_install.exe: installs or removes the kit's model and demo printers in
// the current Wine prefix.
//
//   kit_install [install|uninstall|status] [--source DIR] [--install-dir DIR]
#include <cstdio>
#include <cstring>
#include <string>

#include "installer/kit_install.h"

int main(int argc, char** argv)
{
    std::string command = "install";
    kit::InstallOptions options;
    // As the driver's own installer: the companion programs and the
    // library's key come with it.
    options.bInstallCompanions = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--source") == 0 && i + 1 < argc) {
            options.strSourceDir = argv[++i];
        } else if (std::strcmp(argv[i], "--install-dir") == 0 && i + 1 < argc) {
            options.strInstallDir = argv[++i];
        } else if (argv[i][0] != '-') {
            command = argv[i];
        } else {
            std::fprintf(stderr, "usage: kit_install [install|uninstall|status] [--source DIR] [--install-dir DIR]\n");
            return 2;
        }
    }

    if (command == "status") {
        bool installed = kit::DemoPrintersInstalled(options);
        std::printf("%s\n", installed ? "installed" : "not installed");
        return installed ? 0 : 1;
    }
    kit::InstallReport report;
    bool ok;
    if (command == "install") {
        ok = kit::InstallDemoPrinters(options, &report);
    } else if (command == "uninstall") {
        ok = kit::UninstallDemoPrinters(options, &report);
    } else {
        std::fprintf(stderr, "unknown command %s\n", command.c_str());
        return 2;
    }
    for (const std::string& line : report.log) std::printf("%s\n", line.c_str());
    if (!ok) {
        std::fprintf(stderr, "kit_install %s failed: %s\n", command.c_str(), report.strError.c_str());
        return 1;
    }
    std::printf("kit_install %s: done\n", command.c_str());
    return 0;
}
