#include "installer/kit_install.h"

#include "companions/standin_version.h"

#include <windows.h>
#include <winspool.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

namespace kit {

namespace {

// Wine's own PostScript driver stands in as the driver's code: the kit needs
// the driver only for its name and its data file, and Wine accepts a driver
// whose files it can find.
constexpr char kDriverCode[] = "wineps.drv";

class Installer {
public:
    Installer(const InstallOptions& options, InstallReport* pReport) : m_opt(options), m_pReport(pReport)
    {
        m_strSource = options.strSourceDir.empty() ? ProgramFolder() : WithSlash(options.strSourceDir);
        m_strInstall = WithSlash(options.strInstallDir);
        if (m_pReport != nullptr) {
            m_pReport->strInstallDir = m_strInstall;
            m_pReport->strProfilePath = m_strInstall + kDataFileName;
        }
    }

    bool Install();
    bool Uninstall();
    bool Installed();

private:
    static std::string WithSlash(std::string s)
    {
        if (!s.empty() && s.back() != '\\' && s.back() != '/') s += '\\';
        return s;
    }

    static std::string ProgramFolder()
    {
        char path[MAX_PATH] = "";
        GetModuleFileNameA(nullptr, path, sizeof(path));
        std::string s = path;
        size_t cut = s.find_last_of("\\/");
        return cut == std::string::npos ? std::string(".\\") : s.substr(0, cut + 1);
    }

    static bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

    void Log(const char* fmt, ...)
    {
        char buf[1024];
        va_list ap;
        va_start(ap, fmt);
        std::vsnprintf(buf, sizeof(buf), fmt, ap);
        va_end(ap);
        if (m_pReport != nullptr) m_pReport->log.push_back(buf);
    }

    bool Fail(const char* fmt, ...)
    {
        char buf[1024];
        va_list ap;
        va_start(ap, fmt);
        std::vsnprintf(buf, sizeof(buf), fmt, ap);
        va_end(ap);
        if (m_pReport != nullptr) {
            m_pReport->log.push_back(std::string("error: ") + buf);
            if (m_pReport->strError.empty()) m_pReport->strError = buf;
        }
        return false;
    }

    // The files of the install folder, in copy order; bAll: also those the
    // options leave out (an uninstall removes whatever an install put there).
    std::vector<std::string> InstallFiles(bool bAll = false) const
    {
        std::vector<std::string> files = {kDataFileName, kResDllEnglish, kResDllGerman, kHelpFileEnglish,
                                          kStatusHelpPage, kBmpBlue,    kBmpRed,       kBmpYellow};
        if (m_opt.bInstallModule || bAll) files.push_back(kModuleDllName);
        if (m_opt.bInstallCompanions || bAll) {
            files.push_back(kCompanionEnv);
            files.push_back(kCompanionAgent);
        }
        return files;
    }

    // A driver key value: the one the options give, else the installed
    // stand-in when companions are installed, else none.
    std::string CompanionPath(const std::string& given, const char* pszStandIn) const
    {
        if (!given.empty() || !m_opt.bInstallCompanions) return given;
        return m_strInstall + pszStandIn;
    }

    std::vector<std::string> SimDlls() const
    {
        std::vector<std::string> dlls;
        for (const PrinterSpec& p : m_opt.printers) {
            bool seen = false;
            for (const std::string& d : dlls) seen = seen || lstrcmpiA(d.c_str(), p.strSimDll.c_str()) == 0;
            if (!seen) dlls.push_back(p.strSimDll);
        }
        return dlls;
    }

    static bool SameContent(const std::string& a, const std::string& b)
    {
        std::ifstream fa(a, std::ios::binary);
        std::ifstream fb(b, std::ios::binary);
        if (!fa || !fb) return false;
        std::string ca((std::istreambuf_iterator<char>(fa)), std::istreambuf_iterator<char>());
        std::string cb((std::istreambuf_iterator<char>(fb)), std::istreambuf_iterator<char>());
        return ca == cb;
    }

    // Leaves an identical file alone: it may be loaded (the printer DLL, the
    // library), and a loaded DLL cannot be overwritten.
    bool CopyIfDifferent(const std::string& src, const std::string& dst)
    {
        if (!Exists(src)) return Fail("missing kit file %s", src.c_str());
        if (Exists(dst) && SameContent(src, dst)) return true;
        if (!CopyFileA(src.c_str(), dst.c_str(), FALSE))
            return Fail("cannot copy %s to %s (error %lu)", src.c_str(), dst.c_str(), GetLastError());
        Log("copied %s", dst.c_str());
        return true;
    }

    void RemoveFile(const std::string& path)
    {
        if (!Exists(path)) return;
        if (DeleteFileA(path.c_str())) {
            Log("deleted %s", path.c_str());
        } else {
            Fail("cannot delete %s (error %lu)", path.c_str(), GetLastError());
        }
    }

    bool MakeFolders(const std::string& path)
    {
        for (size_t i = 3; i <= path.size(); ++i) {
            if (i < path.size() && path[i] != '\\') continue;
            std::string part = path.substr(0, i);
            if (Exists(part)) continue;
            if (!CreateDirectoryA(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
                return Fail("cannot create folder %s (error %lu)", part.c_str(), GetLastError());
        }
        return true;
    }

    static std::string DriverKey() { return std::string(kDriverKeyBase) + "\\" + kDriverName; }

    // Writes a string value unless it already holds that text; *pChanged
    // tells whether anything was written.
    bool SetString(HKEY hKey, const char* pszName, const std::string& value, bool* pChanged)
    {
        if (value.empty()) return true;
        char old[1024];
        DWORD type = 0, size = sizeof(old);
        if (RegQueryValueExA(hKey, pszName, nullptr, &type, reinterpret_cast<BYTE*>(old), &size) == ERROR_SUCCESS &&
            type == REG_SZ && size == value.size() + 1 && std::memcmp(old, value.c_str(), size) == 0)
            return true;
        LONG r = RegSetValueExA(hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                static_cast<DWORD>(value.size() + 1));
        if (r != ERROR_SUCCESS) return Fail("cannot write registry value %s (error %ld)", pszName, r);
        *pChanged = true;
        return true;
    }

    static bool KeyIsEmpty(HKEY hRoot, const std::string& path)
    {
        HKEY h = nullptr;
        if (RegOpenKeyExA(hRoot, path.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
        DWORD keys = 1, values = 1;
        LONG r = RegQueryInfoKeyA(h, nullptr, nullptr, nullptr, &keys, nullptr, nullptr, &values, nullptr, nullptr,
                                  nullptr, nullptr);
        RegCloseKey(h);
        return r == ERROR_SUCCESS && keys == 0 && values == 0;
    }

    void DeleteKeyIfEmpty(const std::string& path)
    {
        if (KeyIsEmpty(HKEY_LOCAL_MACHINE, path) && RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str()) == ERROR_SUCCESS)
            Log("deleted key HKLM\\%s", path.c_str());
    }

    // The driver's files as the spooler knows them; empty when not installed.
    static bool FindDriver(std::string* pDataFile)
    {
        DWORD needed = 0, count = 0;
        EnumPrinterDriversA(nullptr, nullptr, 3, nullptr, 0, &needed, &count);
        if (needed == 0) return false;
        std::unique_ptr<BYTE[]> buf(new BYTE[needed]);
        if (!EnumPrinterDriversA(nullptr, nullptr, 3, buf.get(), needed, &needed, &count)) return false;
        auto* info = reinterpret_cast<DRIVER_INFO_3A*>(buf.get());
        for (DWORD i = 0; i < count; ++i) {
            if (info[i].pName != nullptr && lstrcmpiA(info[i].pName, kDriverName) == 0) {
                if (pDataFile != nullptr) *pDataFile = info[i].pDataFile != nullptr ? info[i].pDataFile : "";
                return true;
            }
        }
        return false;
    }

    static std::string FolderOf(const std::string& path)
    {
        size_t cut = path.find_last_of('\\');
        return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
    }

    static std::string DriverDirectory()
    {
        char dir[MAX_PATH] = "";
        DWORD needed = 0;
        if (!GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(dir), sizeof(dir), &needed))
            return std::string();
        return WithSlash(dir);
    }

    // Port and driver of an existing printer; false when there is none.
    static bool ReadPrinter(const std::string& name, std::string* pPort, std::string* pDriver)
    {
        HANDLE h = nullptr;
        PRINTER_DEFAULTSA pd = {nullptr, nullptr, PRINTER_ACCESS_USE};
        if (!OpenPrinterA(const_cast<char*>(name.c_str()), &h, &pd) || h == nullptr) return false;
        DWORD needed = 0;
        GetPrinterA(h, 2, nullptr, 0, &needed);
        bool ok = false;
        if (needed > 0) {
            std::unique_ptr<BYTE[]> buf(new BYTE[needed]);
            if (GetPrinterA(h, 2, buf.get(), needed, &needed)) {
                auto* pi = reinterpret_cast<PRINTER_INFO_2A*>(buf.get());
                *pPort = pi->pPortName != nullptr ? pi->pPortName : "";
                *pDriver = pi->pDriverName != nullptr ? pi->pDriverName : "";
                ok = true;
            }
        }
        ClosePrinter(h);
        return ok;
    }

    // Printers of the spooler that use the kit's driver.
    static int PrintersUsingDriver()
    {
        DWORD needed = 0, count = 0;
        EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
        if (needed == 0) return 0;
        std::unique_ptr<BYTE[]> buf(new BYTE[needed]);
        if (!EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buf.get(), needed, &needed, &count)) return 0;
        auto* pi = reinterpret_cast<PRINTER_INFO_2A*>(buf.get());
        int n = 0;
        for (DWORD i = 0; i < count; ++i) {
            if (pi[i].pDriverName != nullptr && lstrcmpiA(pi[i].pDriverName, kDriverName) == 0) ++n;
        }
        return n;
    }

    bool DeletePrinterNamed(const std::string& name)
    {
        HANDLE h = nullptr;
        PRINTER_DEFAULTSA pd = {nullptr, nullptr, PRINTER_ALL_ACCESS};
        if (!OpenPrinterA(const_cast<char*>(name.c_str()), &h, &pd) || h == nullptr) return true;
        BOOL ok = DeletePrinter(h);
        DWORD err = GetLastError();
        ClosePrinter(h);
        if (!ok) return Fail("cannot delete printer %s (error %lu)", name.c_str(), err);
        Log("deleted printer %s", name.c_str());
        return true;
    }

    bool InstallFolder();
    bool InstallRegistry();
    bool InstallDriver();
    bool InstallPrinter(const PrinterSpec& wanted);
    bool InstallLibraryInfo();

    const InstallOptions& m_opt;
    InstallReport* m_pReport;
    std::string m_strSource;
    std::string m_strInstall;
    std::string m_strDriverFolder;  // folder of the driver's data file
};

bool Installer::InstallFolder()
{
    if (!MakeFolders(m_strInstall)) return false;
    for (const std::string& f : InstallFiles()) {
        if (!CopyIfDifferent(m_strSource + f, m_strInstall + f)) return false;
    }
    return true;
}

bool Installer::InstallRegistry()
{
    HKEY h = nullptr;
    LONG r = RegCreateKeyExA(HKEY_LOCAL_MACHINE, DriverKey().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h,
                             nullptr);
    if (r != ERROR_SUCCESS) return Fail("cannot create HKLM\\%s (error %ld)", DriverKey().c_str(), r);
    bool changed = false;
    bool ok = SetString(h, "InstallPath", m_strInstall, &changed) &&
              SetString(h, "Profile", m_strInstall + kDataFileName, &changed) &&
              SetString(h, "ModelID", kModelId, &changed) &&
              SetString(h, "LocalMonitoringTimer", m_opt.strLocalTimer, &changed) &&
              SetString(h, "NetworkMonitoringTimer", m_opt.strNetworkTimer, &changed) &&
              SetString(h, "K_VICN", m_opt.strCompanionIcon, &changed) &&
              SetString(h, "K_VENV", CompanionPath(m_opt.strCompanionEnv, kCompanionEnv), &changed) &&
              SetString(h, "K_VRCV", CompanionPath(m_opt.strCompanionRcv, kCompanionAgent), &changed);
    RegCloseKey(h);
    if (!ok) return false;
    if (changed) Log("wrote HKLM\\%s", DriverKey().c_str());

    r = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kProfileKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr);
    if (r != ERROR_SUCCESS) return Fail("cannot create HKLM\\%s (error %ld)", kProfileKey, r);
    changed = false;
    ok = SetString(h, kModelId, m_strInstall + kDataFileName, &changed);
    RegCloseKey(h);
    if (ok && changed) Log("wrote HKLM\\%s \"%s\"", kProfileKey, kModelId);
    return ok;
}

bool Installer::InstallDriver()
{
    std::string dataFile;
    if (!FindDriver(&dataFile)) {
        // The spooler takes the driver's files from its driver directory and
        // files them under its version folder.
        std::string dir = DriverDirectory();
        if (dir.empty()) return Fail("no printer driver directory (error %lu)", GetLastError());
        std::string staged = dir + kDataFileName;
        if (!CopyIfDifferent(m_strSource + kDataFileName, staged)) return false;
        DRIVER_INFO_3A di = {};
        di.cVersion = 3;
        di.pName = const_cast<char*>(kDriverName);
        di.pDriverPath = const_cast<char*>(kDriverCode);
        di.pDataFile = const_cast<char*>(kDataFileName);
        di.pConfigFile = const_cast<char*>(kDriverCode);
        BOOL ok = AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(&di));
        DWORD err = GetLastError();
        DeleteFileA(staged.c_str());
        if (!ok) return Fail("AddPrinterDriver %s failed (error %lu)", kDriverName, err);
        Log("added printer driver %s", kDriverName);
        if (!FindDriver(&dataFile)) return Fail("driver %s not listed after adding it", kDriverName);
    }
    m_strDriverFolder = FolderOf(dataFile);
    if (m_strDriverFolder.empty()) return Fail("driver data file %s has no folder", dataFile.c_str());
    if (m_pReport != nullptr) m_pReport->strDriverDataFile = dataFile;
    // Refresh the data file (the kit's copy may have changed since) and put
    // the communication libraries beside it, where the module looks for them.
    if (!CopyIfDifferent(m_strSource + kDataFileName, dataFile)) return false;
    for (const std::string& dll : SimDlls()) {
        if (!CopyIfDifferent(m_strSource + dll, m_strDriverFolder + dll)) return false;
    }
    return !m_opt.bInstallCompanions || InstallLibraryInfo();
}

// The library's own key, as its installer leaves it: the folder of its
// settings program (beside the library) and its version.
bool Installer::InstallLibraryInfo()
{
    if (!CopyIfDifferent(m_strSource + kKbapiSet, m_strDriverFolder + kKbapiSet)) return false;
    HKEY h = nullptr;
    LONG r = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKbapiInfoKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr);
    if (r != ERROR_SUCCESS) return Fail("cannot create HKLM\\%s (error %ld)", kKbapiInfoKey, r);
    bool changed = false;
    bool ok = SetString(h, "InstallDir", m_strDriverFolder, &changed) &&
              SetString(h, "KBAPIVersion", KIT_VERSION_LIBRARY, &changed) &&
              SetString(h, "Version", KIT_VERSION_LIBRARY, &changed);
    RegCloseKey(h);
    if (ok && changed) Log("wrote HKLM\\%s", kKbapiInfoKey);
    return ok;
}

bool Installer::InstallPrinter(const PrinterSpec& wanted)
{
    std::string port, driver;
    if (ReadPrinter(wanted.strName, &port, &driver)) {
        if (lstrcmpiA(port.c_str(), wanted.strPort.c_str()) != 0 || lstrcmpiA(driver.c_str(), kDriverName) != 0) {
            if (!DeletePrinterNamed(wanted.strName)) return false;
        }
    }
    HANDLE h = nullptr;
    PRINTER_DEFAULTSA pd = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!OpenPrinterA(const_cast<char*>(wanted.strName.c_str()), &h, &pd) || h == nullptr) {
        PRINTER_INFO_2A pi = {};
        pi.pPrinterName = const_cast<char*>(wanted.strName.c_str());
        pi.pPortName = const_cast<char*>(wanted.strPort.c_str());
        pi.pDriverName = const_cast<char*>(kDriverName);
        pi.pPrintProcessor = const_cast<char*>("WinPrint");
        pi.pDatatype = const_cast<char*>("RAW");
        pi.Attributes = PRINTER_ATTRIBUTE_LOCAL;
        h = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&pi));
        if (h == nullptr)
            return Fail("AddPrinter %s on %s failed (error %lu)", wanted.strName.c_str(), wanted.strPort.c_str(),
                        GetLastError());
        Log("added printer %s on %s", wanted.strName.c_str(), wanted.strPort.c_str());
    }
    DWORD r = SetPrinterDataA(h, const_cast<char*>(kPrinterDataName), REG_SZ,
                              reinterpret_cast<BYTE*>(const_cast<char*>(wanted.strSimDll.c_str())),
                              static_cast<DWORD>(wanted.strSimDll.size() + 1));
    ClosePrinter(h);
    if (r != ERROR_SUCCESS)
        return Fail("SetPrinterData %s on %s failed (error %lu)", kPrinterDataName, wanted.strName.c_str(), r);
    return true;
}

bool Installer::Install()
{
    if (!InstallFolder() || !InstallRegistry() || !InstallDriver()) return false;
    for (const PrinterSpec& p : m_opt.printers) {
        if (!InstallPrinter(p)) return false;
    }
    return true;
}

bool Installer::Uninstall()
{
    bool ok = true;
    for (const PrinterSpec& p : m_opt.printers) {
        std::string port, driver;
        if (ReadPrinter(p.strName, &port, &driver) && lstrcmpiA(driver.c_str(), kDriverName) == 0)
            ok = DeletePrinterNamed(p.strName) && ok;
    }

    // The driver, its keys and files serve every printer of the model: they
    // go with the last one, as with a real driver.
    int others = PrintersUsingDriver();
    if (others > 0) {
        Log("kept driver %s: %d other printer(s) use it", kDriverName, others);
        return ok && m_pReport->strError.empty();
    }

    std::string dataFile;
    if (FindDriver(&dataFile)) {
        std::string folder = FolderOf(dataFile);
        if (DeletePrinterDriverA(nullptr, nullptr, const_cast<char*>(kDriverName))) {
            Log("deleted printer driver %s", kDriverName);
            // The spooler leaves the files; the data file and the libraries
            // are ours. Wine's driver code stays: other drivers share it.
            RemoveFile(dataFile);
            std::vector<std::string> dlls = SimDlls();
            for (const char* known : {kSimDllName, kSimDllNoSend, kSimDllNoStatus, kKbapiSet}) dlls.push_back(known);
            for (const std::string& dll : dlls) RemoveFile(folder + dll);
        } else {
            ok = Fail("cannot delete printer driver %s (error %lu)", kDriverName, GetLastError()) && ok;
        }
    }

    LONG r = RegDeleteTreeA(HKEY_LOCAL_MACHINE, DriverKey().c_str());
    if (r == ERROR_SUCCESS) {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, DriverKey().c_str());
        Log("deleted key HKLM\\%s", DriverKey().c_str());
    }
    HKEY h = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProfileKey, 0, KEY_ALL_ACCESS, &h) == ERROR_SUCCESS) {
        if (RegDeleteValueA(h, kModelId) == ERROR_SUCCESS) Log("deleted HKLM\\%s \"%s\"", kProfileKey, kModelId);
        RegCloseKey(h);
    }
    if (RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKbapiInfoKey) == ERROR_SUCCESS &&
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKbapiInfoKey) == ERROR_SUCCESS)
        Log("deleted key HKLM\\%s", kKbapiInfoKey);
    DeleteKeyIfEmpty(kProfileKey);
    DeleteKeyIfEmpty(kDriverKeyBase);
    DeleteKeyIfEmpty("software\\KAVRO\\VLX3");
    DeleteKeyIfEmpty("software\\KAVRO");

    for (const std::string& f : InstallFiles(true)) RemoveFile(m_strInstall + f);
    // Only empty folders go; RemoveDirectory refuses the others.
    std::string folder = m_strInstall.substr(0, m_strInstall.size() - 1);
    if (RemoveDirectoryA(folder.c_str())) Log("deleted folder %s", folder.c_str());
    std::string parent = FolderOf(folder);
    if (!parent.empty() && lstrcmpiA(parent.c_str(), "C:\\Program Files\\") != 0 &&
        RemoveDirectoryA(parent.substr(0, parent.size() - 1).c_str()))
        Log("deleted folder %s", parent.c_str());
    return ok && m_pReport->strError.empty();
}

bool Installer::Installed()
{
    if (!FindDriver(nullptr)) return false;
    for (const PrinterSpec& p : m_opt.printers) {
        std::string port, driver;
        if (!ReadPrinter(p.strName, &port, &driver) || lstrcmpiA(driver.c_str(), kDriverName) != 0) return false;
    }
    return true;
}

}  // namespace

const std::vector<PrinterSpec>& DemoPrinters()
{
    static const std::vector<PrinterSpec> printers = {
        {"KX-9100 Demo LPT", "LPT1:", Link::Parallel, kSimDllName},
        {"KX-9100 Demo USB", "USB001", Link::Usb, kSimDllName},
        {"KX-9100 Demo Network", "NET001:", Link::Network, kSimDllName},
    };
    return printers;
}

const PrinterSpec& MainDemoPrinter() { return DemoPrinters()[1]; }

bool InstallDemoPrinters(const InstallOptions& options, InstallReport* pReport)
{
    InstallReport local;
    return Installer(options, pReport != nullptr ? pReport : &local).Install();
}

bool UninstallDemoPrinters(const InstallOptions& options, InstallReport* pReport)
{
    InstallReport local;
    return Installer(options, pReport != nullptr ? pReport : &local).Uninstall();
}

bool DemoPrintersInstalled(const InstallOptions& options)
{
    InstallReport local;
    return Installer(options, &local).Installed();
}

}  // namespace kit
