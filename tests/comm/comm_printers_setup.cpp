// Installs the printers of the communication tests into the test prefix.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <string>

#include "comm/comm_printers.h"
#include "installer/kit_install.h"

namespace {

bool SetData(const char* printer, const char* value)
{
    PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE h = nullptr;
    if (!OpenPrinterA(const_cast<char*>(printer), &h, &defaults)) return false;
    DWORD rc = SetPrinterDataA(h, const_cast<char*>(kit::kPrinterDataName), REG_SZ,
                               reinterpret_cast<BYTE*>(const_cast<char*>(value)), static_cast<DWORD>(strlen(value) + 1));
    ClosePrinter(h);
    return rc == ERROR_SUCCESS;
}

// Wine has no DeletePrinterData; its spooler keeps printer data here.
bool RemoveData(const char* printer)
{
    std::string key = std::string("System\\CurrentControlSet\\Control\\Print\\Printers\\") + printer +
                      "\\PrinterDriverData";
    LONG rc = RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, key.c_str(), kit::kPrinterDataName);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

}  // namespace

int main()
{
    kit::InstallOptions options;
    for (const auto& [name, dll] : {std::pair<const char*, const char*>{commtest::kNoSend, kit::kSimDllNoSend},
                                    {commtest::kNoStatus, kit::kSimDllNoStatus}, {commtest::kMissingLib, kit::kSimDllName},
                                    {commtest::kLongData, kit::kSimDllName}, {commtest::kNoData, kit::kSimDllName}}) {
        kit::PrinterSpec printer;
        printer.strName = name;
        printer.strPort = "USB001";
        printer.link = kit::Link::Usb;
        printer.strSimDll = dll;
        options.printers.push_back(printer);
    }
    kit::InstallReport report;
    if (!kit::InstallDemoPrinters(options, &report)) {
        fprintf(stderr, "install failed: %s\n", report.strError.c_str());
        return 1;
    }
    if (!SetData(commtest::kMissingLib, "MISSING.DLL") || !SetData(commtest::kLongData, std::string(300, 'x').c_str()) ||
        !RemoveData(commtest::kNoData)) {
        fprintf(stderr, "could not set the printer data of the broken printers\n");
        return 1;
    }
    printf("communication test printers installed in %s\n", report.strInstallDir.c_str());
    return 0;
}
