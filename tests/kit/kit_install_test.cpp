// Installing the kit's model and reading back, through the real spooler and
// registry, what the module will find there.
#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/fetch_sized.h"
#include "companions/standin_version.h"
#include "config/paths.h"
#include "config/registry.h"
#include "harness/test_support.h"
#include "installer/kit_install.h"
#include "ui/status/about_box.h"

namespace {

std::string ReadPrinterData(const std::string& printer, const char* value)
{
    HANDLE h = nullptr;
    PRINTER_DEFAULTSA pd = {nullptr, nullptr, PRINTER_ACCESS_USE};
    if (!OpenPrinterA(const_cast<char*>(printer.c_str()), &h, &pd)) return "<no printer>";
    char buf[260] = "";
    DWORD type = 0, needed = 0;
    DWORD r = GetPrinterDataA(h, const_cast<char*>(value), &type, reinterpret_cast<BYTE*>(buf), sizeof(buf), &needed);
    ClosePrinter(h);
    return r == ERROR_SUCCESS ? std::string(buf) : "<no value>";
}

// A printer's level-2 record, or its driver's level-6 record.
std::vector<unsigned char> PrinterRecord(const std::string& printer, bool driver)
{
    std::vector<unsigned char> out;
    HANDLE h = nullptr;
    PRINTER_DEFAULTSA pd = {nullptr, nullptr, PRINTER_ACCESS_USE};
    if (!OpenPrinterA(const_cast<char*>(printer.c_str()), &h, &pd)) return out;
    vm2::FetchSized(out, [&](unsigned char* buf, unsigned long cb, unsigned long* needed) {
        DWORD n = 0;
        BOOL ok = driver ? GetPrinterDriverA(h, nullptr, 6, buf, cb, &n) : GetPrinterA(h, 2, buf, cb, &n);
        *needed = n;
        return ok != FALSE;
    });
    ClosePrinter(h);
    return out;
}

std::string DriverDataFile(const std::string& printer)
{
    std::vector<unsigned char> r = PrinterRecord(printer, true);
    return r.empty() ? "" : reinterpret_cast<DRIVER_INFO_6A*>(r.data())->pDataFile;
}

std::string PrinterPort(const std::string& printer)
{
    std::vector<unsigned char> r = PrinterRecord(printer, false);
    return r.empty() ? "" : reinterpret_cast<PRINTER_INFO_2A*>(r.data())->pPortName;
}

int CountPrinters(const std::string& name)
{
    DWORD needed = 0, count = 0;
    EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
    if (needed == 0) return 0;
    std::unique_ptr<BYTE[]> buf(new BYTE[needed]);
    if (!EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buf.get(), needed, &needed, &count)) return -1;
    int n = 0;
    auto* pi = reinterpret_cast<PRINTER_INFO_2A*>(buf.get());
    for (DWORD i = 0; i < count; ++i) n += lstrcmpiA(pi[i].pPrinterName, name.c_str()) == 0 ? 1 : 0;
    return n;
}

std::string FolderOf(const std::string& path) { return path.substr(0, path.find_last_of('\\') + 1); }

std::string DriverKeyValue(const char* value)
{
    char out[260] = "";
    return GetDriverKeyValue(out, value, kit::kDriverName, kit::kModelId) ? std::string(out) : "<absent>";
}

// What the module will find once the kit is installed; used both after an
// install in the test prefix and after kit_install.exe in a fresh prefix.
void ExpectInstalledAsTheModuleSeesIt()
{
    const std::string installDir = std::string(kit::kDefaultInstallDir) + "\\";
    for (const kit::PrinterSpec& p : kit::DemoPrinters()) {
        SCOPED_TRACE(p.strName);
        EXPECT_EQ(PrinterPort(p.strName), p.strPort);
        EXPECT_EQ(ReadPrinterData(p.strName, kit::kPrinterDataName), kit::kSimDllName);
        std::string dataFile = DriverDataFile(p.strName);
        ASSERT_FALSE(dataFile.empty());
        EXPECT_NE(dataFile.find(kit::kDataFileName), std::string::npos) << dataFile;
        EXPECT_TRUE(FileExists((FolderOf(dataFile) + kit::kSimDllName).c_str()))
            << "the library lies beside the driver's data file " << dataFile;
    }

    char out[260] = "";
    ASSERT_TRUE(GetInstallPath(out, kit::kDriverName, kit::kModelId));
    EXPECT_EQ(std::string(out), installDir);
    ASSERT_TRUE(GetProfilePath(out, kit::kDriverName, kit::kModelId));
    const std::string profile = out;
    EXPECT_EQ(profile, installDir + kit::kDataFileName);
    EXPECT_EQ(DriverKeyValue("ModelID"), kit::kModelId);
    EXPECT_EQ(DriverKeyValue("LocalMonitoringTimer"), "5");
    EXPECT_EQ(DriverKeyValue("NetworkMonitoringTimer"), "15");
    ASSERT_TRUE(GetDriverName(kit::kModelId, out));
    EXPECT_STREQ(out, kit::kDriverName) << "from [Install] DRVNAME of the file the Profile key names";
    ASSERT_TRUE(GetPrnDllPath(out, kit::kDriverName, kit::kModelId));
    EXPECT_EQ(std::string(out), installDir + kit::kModuleDllName);
    EXPECT_TRUE(FileExists(out));
    ASSERT_TRUE(GetResDllPath(out, kit::kDriverName, kit::kModelId));
    EXPECT_EQ(std::string(out), installDir + kit::kResDllEnglish);

    // The language section chose the English DLL (above); its texts are
    // test_kit_files' business, here only that the installed copy loads.
    HMODULE hRes = LoadLibraryExA(out, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    EXPECT_NE(hRes, nullptr);
    if (hRes != nullptr) FreeLibrary(hRes);
}

class KitInstall : public ::testing::Test {
protected:
    void SetUp() override
    {
        kit::InstallReport report;
        ASSERT_TRUE(kit::InstallDemoPrinters(options, &report)) << report.strError;
    }
    kit::InstallOptions options;
};

}  // namespace

TEST_F(KitInstall, ReadsBackThroughTheSpoolerAndTheRegistry) { ExpectInstalledAsTheModuleSeesIt(); }

TEST_F(KitInstall, InstallingAgainChangesNothingAndPutsBackAMovedPrinter)
{
    kit::InstallReport again;
    ASSERT_TRUE(kit::InstallDemoPrinters(options, &again)) << again.strError;
    for (const std::string& line : again.log) ADD_FAILURE() << "second install did: " << line;
    for (const kit::PrinterSpec& p : kit::DemoPrinters()) EXPECT_EQ(CountPrinters(p.strName), 1) << p.strName;
    EXPECT_TRUE(kit::DemoPrintersInstalled(options));

    kit::InstallOptions moved = options;
    moved.printers = {kit::DemoPrinters()[0]};
    moved.printers[0].strPort = "LPT2:";
    ASSERT_TRUE(kit::InstallDemoPrinters(moved, &again)) << again.strError;
    EXPECT_EQ(PrinterPort(moved.printers[0].strName), "LPT2:");
    ASSERT_TRUE(kit::InstallDemoPrinters(options, &again)) << again.strError;
    EXPECT_EQ(PrinterPort(moved.printers[0].strName), "LPT1:");
    EXPECT_EQ(CountPrinters(moved.printers[0].strName), 1);
}

TEST_F(KitInstall, APrinterCanUseALibraryVariantAndGoesAloneWhenUninstalled)
{
    kit::InstallOptions variant = options;
    variant.printers = {{"KX-9100 No Send", "USB002", kit::Link::Usb, kit::kSimDllNoSend}};
    kit::InstallReport report;
    ASSERT_TRUE(kit::InstallDemoPrinters(variant, &report)) << report.strError;
    EXPECT_EQ(ReadPrinterData("KX-9100 No Send", kit::kPrinterDataName), kit::kSimDllNoSend);
    std::string folder = FolderOf(DriverDataFile("KX-9100 No Send"));
    EXPECT_TRUE(FileExists((folder + kit::kSimDllNoSend).c_str()));

    // The demo printers still use the driver: it stays, and so does all the
    // demo printers need.
    ASSERT_TRUE(kit::UninstallDemoPrinters(variant, &report)) << report.strError;
    EXPECT_EQ(CountPrinters("KX-9100 No Send"), 0);
    EXPECT_TRUE(kit::DemoPrintersInstalled(options));
    ExpectInstalledAsTheModuleSeesIt();
}

// Run by kit.fresh_prefix_install, in this order, after kit_install.exe in a
// new prefix, which also installs the companion programs and the library key
// that the About box reads.
TEST(KitFreshPrefix, DISABLED_ReadsBackWhatKitInstallWrote)
{
    ExpectInstalledAsTheModuleSeesIt();
    char path[260] = "";
    std::string version;
    for (auto c : {std::make_pair("K_VENV", KIT_VERSION_ENV), std::make_pair("K_VRCV", KIT_VERSION_AGENT)}) {
        ASSERT_TRUE(GetDriverFilePath(path, c.first, "", kit::kDriverName, kit::kModelId)) << c.first;
        EXPECT_EQ(1, GetFileVersionString(path, &version));
        EXPECT_EQ(c.second, version) << path;
    }
    Registry info(HKEY_LOCAL_MACHINE, kit::kKbapiInfoKey, FALSE, Registry::kRead);
    EXPECT_EQ(KIT_VERSION_LIBRARY, info.QueryString("KBAPIVersion", "", 260));
    std::string kbapiset = info.QueryString("InstallDir", "", 260) + kit::kKbapiSet;
    EXPECT_EQ(1, GetFileVersionString(kbapiset.c_str(), &version)) << kbapiset;
}

// In a prefix of its own, where no other printer keeps the driver.
TEST(KitFreshPrefix, DISABLED_UninstallRemovesWhatWasInstalledAndNothingElse)
{
    kit::InstallOptions options;
    // Something of another model under the same keys must survive.
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kit::kProfileKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h,
                              nullptr),
              ERROR_SUCCESS);
    const char other[] = "C:\\other\\OTHER.INI";
    RegSetValueExA(h, "OTHER-1", 0, REG_SZ, reinterpret_cast<const BYTE*>(other), sizeof(other));
    RegCloseKey(h);
    const std::string dataFile = DriverDataFile(kit::MainDemoPrinter().strName);
    ASSERT_FALSE(dataFile.empty());

    kit::InstallReport report;
    EXPECT_TRUE(kit::UninstallDemoPrinters(options, &report)) << report.strError;
    for (const kit::PrinterSpec& p : kit::DemoPrinters()) EXPECT_EQ(CountPrinters(p.strName), 0) << p.strName;
    EXPECT_FALSE(kit::DemoPrintersInstalled(options));
    EXPECT_FALSE(FileExists(dataFile.c_str()));
    EXPECT_FALSE(FileExists((FolderOf(dataFile) + kit::kSimDllName).c_str()));
    EXPECT_FALSE(FileExists(kit::kDefaultInstallDir));
    EXPECT_FALSE(vm2test::RegKeyExists(HKEY_LOCAL_MACHINE, kit::kKbapiInfoKey));
    EXPECT_EQ(DriverKeyValue("InstallPath"), "<absent>");
    char out[260] = "";
    EXPECT_FALSE(GetDriverName(kit::kModelId, out));

    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kit::kProfileKey, 0, KEY_ALL_ACCESS, &h), ERROR_SUCCESS);
    char value[260] = "";
    DWORD size = sizeof(value);
    EXPECT_EQ(RegQueryValueExA(h, "OTHER-1", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size), ERROR_SUCCESS);
    RegDeleteValueA(h, "OTHER-1");
    RegCloseKey(h);

    // Uninstalling what is not there is not an error.
    EXPECT_TRUE(kit::UninstallDemoPrinters(options, &report)) << report.strError;
}
