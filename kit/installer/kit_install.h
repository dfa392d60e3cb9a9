// Installs the kit's model, KAVRO KX-9100, into the running Wine prefix the
// way its printer driver's installer would: the driver with its data file in
// the spooler's driver directory, the printers, the printer data that names
// the communication library (with the library beside the driver's data
// file), the driver and Profile keys, and the install folder with the model
// data file, the resource DLLs and the printer DLL. Everything is idempotent.
// Uninstalling removes the printers of the options; the driver, its keys and
// its files go with the last printer that uses the driver, so printers that
// other installs added on the same driver keep working.
#pragma once

#include <string>
#include <vector>

namespace kit {

constexpr char kModelId[] = "KX-9100";
constexpr char kDriverName[] = "KAVRO KX-9100";
constexpr char kDataFileName[] = "KX9100.INI";
constexpr char kResDllEnglish[] = "KX9100EN.DLL";
constexpr char kResDllGerman[] = "KX9100DE.DLL";
constexpr char kHelpFileEnglish[] = "KX9100EN.CHM";  // the English help (HelpFile)
// The statuses' help page ("TSF000" of the data file variant KX9100H.INI).
constexpr char kStatusHelpPage[] = "KX9100ST.HTM";
// Companion stand-ins: the printer environment program ("K_VENV"), the agent
// setting program ("K_VRCV"), both in the install folder, and the library's
// settings program, in the library's folder ("InstallDir" of kKbapiInfoKey).
constexpr char kCompanionEnv[] = "K_VM1RN2.EXE";
constexpr char kCompanionAgent[] = "K_VAGENT.EXE";
constexpr char kKbapiSet[] = "kbapiset.exe";
constexpr char kKbapiInfoKey[] = "software\\KAVRO\\KBAPIInfo";
// The status pictures the data file names (BMPBlue, BMPRed, BMPYellow).
constexpr char kBmpBlue[] = "KX9100B.BMP";
constexpr char kBmpRed[] = "KX9100R.BMP";
constexpr char kBmpYellow[] = "KX9100Y.BMP";
constexpr char kSimDllName[] = "KBSIM.DLL";
constexpr char kSimDllNoSend[] = "KBSIM_NOSEND.DLL";
constexpr char kSimDllNoStatus[] = "KBSIM_NOSTATUS.DLL";
constexpr char kModuleDllName[] = "K_VM2PR2.dll";
constexpr char kPrinterDataName[] = "KBAPIB6Namex86";
constexpr char kDefaultInstallDir[] = "C:\\Program Files\\KAVRO\\KX9100";
constexpr char kDriverKeyBase[] = "software\\KAVRO\\VLX3\\Driver";
constexpr char kProfileKey[] = "software\\KAVRO\\VLX3\\Profile";

enum class Link { Parallel, Usb, Network };

struct PrinterSpec {
    std::string strName;
    std::string strPort;
    Link link = Link::Usb;
    // File name stored in the printer data "KBAPIB6Namex86"; the file is
    // copied beside the driver's data file.
    std::string strSimDll = kSimDllName;
};

// "KX-9100 Demo LPT" on LPT1:, "KX-9100 Demo USB" on USB001,
// "KX-9100 Demo Network" on NET001: (its channels carry the network bit).
const std::vector<PrinterSpec>& DemoPrinters();
// The printer the demo walks through its day.
const PrinterSpec& MainDemoPrinter();

struct InstallOptions {
    // Where the kit's built files are (KBSIM.DLL, KX9100.INI, ...); empty:
    // the folder of the running program.
    std::string strSourceDir;
    std::string strInstallDir = kDefaultInstallDir;
    std::vector<PrinterSpec> printers = DemoPrinters();
    // Driver key values; an empty text is not written.
    std::string strLocalTimer = "5";
    std::string strNetworkTimer = "15";
    std::string strCompanionIcon;  // "K_VICN", full path
    std::string strCompanionEnv;   // "K_VENV"
    std::string strCompanionRcv;   // "K_VRCV"
    // Copy K_VM2PR2.dll into the install folder (the data file's "PrnDll").
    bool bInstallModule = true;
    // Install the companion stand-ins as the driver's installer would: the
    // programs, "K_VENV" and "K_VRCV" naming them (unless given above), and
    // the library's "KBAPIInfo" key ("InstallDir", "KBAPIVersion",
    // "Version"). Off by default: these keys are machine-wide, and tests
    // that write them themselves would race an install running beside them.
    bool bInstallCompanions = false;
};

struct InstallReport {
    std::string strInstallDir;     // with a trailing backslash
    std::string strProfilePath;    // the model data file in the install folder
    std::string strDriverDataFile; // the driver's data file as the spooler reports it
    std::vector<std::string> log;  // one line per step done
    std::string strError;          // the first failure, empty on success
};

bool InstallDemoPrinters(const InstallOptions& options, InstallReport* pReport = nullptr);
bool UninstallDemoPrinters(const InstallOptions& options, InstallReport* pReport = nullptr);
// True when the driver and every printer of the options are in the spooler.
bool DemoPrintersInstalled(const InstallOptions& options);

}  // namespace kit
