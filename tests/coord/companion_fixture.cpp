#include "coord/companion_fixture.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>

namespace comptest {

ScopedEnv::ScopedEnv(const char* pszName, const std::string& value) : m_name(pszName)
{
    char buf[1024] = "";
    DWORD n = GetEnvironmentVariableA(pszName, buf, sizeof(buf));
    if (n > 0 && n < sizeof(buf)) {
        m_bHadOld = true;
        m_old = buf;
    }
    SetEnvironmentVariableA(pszName, value.c_str());
}

ScopedEnv::~ScopedEnv() { SetEnvironmentVariableA(m_name.c_str(), m_bHadOld ? m_old.c_str() : nullptr); }

namespace {

std::string DriverBase() { return "software\\KAVRO\\VLX3\\Driver\\"; }

}  // namespace

CompanionSandbox::CompanionSandbox()
    : m_logPath(m_temp.File("companion.log")),
      m_driver(vm2test::UniqueName("KAVRO CompTest")),
      m_driverKey(HKEY_LOCAL_MACHINE, DriverBase() + m_driver),
      m_tmp("TMP", m_temp.Path() + "\\"),
      m_temp2("TEMP", m_temp.Path() + "\\"),
      m_log(companion::kLogVariable, m_logPath)
{
    m_driverKey.SetString("K_VICN", IconStandIn());
    m_driverKey.SetString("K_VRCV", AgentStandIn());
    m_driverKey.SetString("ModelID", "KX-CT");
}

CompanionSandbox::~CompanionSandbox() = default;

std::vector<std::string> CompanionSandbox::TempFiles() const
{
    std::vector<std::string> out;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((m_temp.Path() + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return out;
    do {
        std::string name = fd.cFileName;
        if (name != "." && name != ".." && name != "companion.log") out.push_back(name);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<companion::Record> CompanionSandbox::Records() const
{
    return companion::ParseCompanionRecords(vm2test::ReadFileText(m_logPath));
}

std::vector<companion::Record> CompanionSandbox::WaitForRecords(size_t nCount) const
{
    DWORD start = GetTickCount();
    std::vector<companion::Record> records = Records();
    while (records.size() < nCount && GetTickCount() - start < 20000) {
        Sleep(50);
        records = Records();
    }
    EXPECT_GE(records.size(), nCount) << "the stand-in did not report in time";
    return records;
}

std::string IconStandIn() { return vm2test::BinDir() + "\\K_VM1IC2.EXE"; }
std::string AgentStandIn() { return vm2test::BinDir() + "\\K_VAGENT.EXE"; }
std::string ResourceDll() { return vm2test::BinDir() + "\\KX9100EN.DLL"; }

std::string CommonAppData()
{
    char buf[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buf);
    return buf;
}

std::string KitString(UINT nId)
{
    HMODULE h = LoadLibraryExA(ResourceDll().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    char buf[512] = "";
    if (h != nullptr) {
        LoadStringA(h, nId, buf, sizeof(buf));
        FreeLibrary(h);
    }
    return buf;
}

}  // namespace comptest
