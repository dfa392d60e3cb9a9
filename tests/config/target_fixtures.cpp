#include "config/target_fixtures.h"

#include <winspool.h>

#include <cstdio>

namespace vm2test {

const char kPrinterBase[] = "software\\KAVRO\\VLX3\\VLXData\\KPLTarget";
const char kPortBase[] = "software\\KAVRO\\VLX3\\VLXData\\KPNTarget";

namespace {

// One driver per test process, added with its first printer and removed
// with its last, so parallel test programs never share spooler records.
int g_printers = 0;

std::string DriverName()
{
    char name[64];
    snprintf(name, sizeof(name), "vm2tk driver %lu", GetCurrentProcessId());
    return name;
}

std::string DriverDir()
{
    char dir[MAX_PATH] = "";
    DWORD need = 0;
    GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(dir), sizeof(dir), &need);
    return dir;
}

std::string DriverFile(const char* suffix)
{
    char name[64];
    snprintf(name, sizeof(name), "vm2tk%lu%s", GetCurrentProcessId(), suffix);
    return DriverDir() + "\\" + name;
}

bool AddDriver()
{
    // The spooler only records the files; they need to exist, not to work.
    std::string files[] = {DriverFile("drv.dll"), DriverFile("data.dat"), DriverFile("ui.dll")};
    for (const std::string& f : files) WriteFileText(f, "vm2tk");
    std::string name = DriverName();
    DRIVER_INFO_3A info = {};
    info.cVersion = 3;
    info.pName = const_cast<char*>(name.c_str());
    info.pDriverPath = const_cast<char*>(files[0].c_str());
    info.pDataFile = const_cast<char*>(files[1].c_str());
    info.pConfigFile = const_cast<char*>(files[2].c_str());
    return AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(&info)) != FALSE;
}

void RemoveDriver()
{
    DeletePrinterDriverA(nullptr, nullptr, const_cast<char*>(DriverName().c_str()));
    for (const char* suffix : {"drv.dll", "data.dat", "ui.dll"}) DeleteFileA(DriverFile(suffix).c_str());
}

void DeletePrinterByName(const std::string& name)
{
    PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE h = nullptr;
    if (!OpenPrinterA(const_cast<char*>(name.c_str()), &h, &defaults)) return;
    DeletePrinter(h);
    ClosePrinter(h);
}

}  // namespace

// ------------------------------------------------------------- printers

TestPrinter::TestPrinter(const char* prefix) : m_name(UniqueName(prefix))
{
    if (g_printers == 0 && !AddDriver()) return;
    ++g_printers;
    m_counted = true;
    std::string driver = DriverName();
    PRINTER_INFO_2A info = {};
    info.pPrinterName = const_cast<char*>(m_name.c_str());
    info.pPortName = const_cast<char*>("LPT1:");
    info.pDriverName = const_cast<char*>(driver.c_str());
    info.pPrintProcessor = const_cast<char*>("WinPrint");
    info.pDatatype = const_cast<char*>("RAW");
    HANDLE h = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    if (h != nullptr) {
        ClosePrinter(h);
        m_installed = true;
    }
}

TestPrinter::~TestPrinter()
{
    Remove();
    if (m_counted && --g_printers == 0) RemoveDriver();
}

void TestPrinter::Remove()
{
    if (!m_installed) return;
    DeletePrinterByName(m_name);
    m_installed = false;
}

bool PrinterExists(const std::string& name)
{
    HANDLE h = nullptr;
    if (!OpenPrinterA(const_cast<char*>(name.c_str()), &h, nullptr) || h == nullptr) return false;
    ClosePrinter(h);
    return true;
}

// ---------------------------------------------------------------- model

TestModel::TestModel(const std::string& modelSection, bool withPrinterDll, const std::string& prnDll)
{
    Install("[Install]\r\nDRVNAME=" + driver + "\r\n[" + model + "]\r\n" +
            (prnDll.empty() ? std::string() : "PrnDll=" + prnDll + "\r\n") + modelSection + "\r\n");
    if (withPrinterDll && !prnDll.empty()) CopyFileA(ModuleDllPath().c_str(), dir.File(prnDll).c_str(), FALSE);
}

// ------------------------------------------------------------- registry

static void EmptyTargetBases()
{
    for (const char* base : {kPrinterBase, kPortBase}) DeleteRegTree(HKEY_CURRENT_USER, base);
}

CleanTargetBases::CleanTargetBases() { EmptyTargetBases(); }
CleanTargetBases::~CleanTargetBases() { EmptyTargetBases(); }

std::string TargetKeyPath(const char* base, int number)
{
    char path[300];
    snprintf(path, sizeof(path), "%s\\P%016d", base, number);
    return path;
}

void MakeTargetKey(HKEY root, const std::string& base, int number, const char* name)
{
    std::string path = TargetKeyPath(base.c_str(), number);
    HKEY h = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr) != ERROR_SUCCESS)
        return;
    if (name != nullptr)
        RegSetValueExA(h, "Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(name), static_cast<DWORD>(strlen(name) + 1));
    RegCloseKey(h);
}

std::vector<std::string> SubkeyNames(HKEY root, const std::string& path)
{
    std::vector<std::string> names;
    HKEY h = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return names;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD len = sizeof(name);
        if (RegEnumKeyExA(h, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, len);
    }
    RegCloseKey(h);
    return names;
}

std::string ReadString(HKEY root, const std::string& path, const char* value)
{
    char buf[1024];
    DWORD size = sizeof(buf);
    DWORD type = 0;
    if (RegGetValueA(root, path.c_str(), value, RRF_RT_ANY, &type, buf, &size) != ERROR_SUCCESS || type != REG_SZ)
        return "<missing>";
    return buf;
}

DWORD ReadDword(HKEY root, const std::string& path, const char* value, DWORD fallback)
{
    DWORD v = 0;
    DWORD size = sizeof(v);
    DWORD type = 0;
    if (RegGetValueA(root, path.c_str(), value, RRF_RT_ANY, &type, &v, &size) != ERROR_SUCCESS || type != REG_DWORD)
        return fallback;
    return v;
}

bool HasValue(HKEY root, const std::string& path, const char* value)
{
    return RegGetValueA(root, path.c_str(), value, RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

}  // namespace vm2test
