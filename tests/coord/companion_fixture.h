// What the companion tests share: a temporary folder of their own (TMP and
// TEMP point at it, so every parameter file lands there), a log the kit's
// stand-in programs write their starts to, and a driver key of its own whose
// "K_VICN" / "K_VRCV" name the stand-ins.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "companion_log.h"
#include "harness/test_support.h"

namespace comptest {

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* pszName, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    std::string m_old;
    bool m_bHadOld = false;
};

class CompanionSandbox {
public:
    CompanionSandbox();
    ~CompanionSandbox();
    CompanionSandbox(const CompanionSandbox&) = delete;
    CompanionSandbox& operator=(const CompanionSandbox&) = delete;

    const std::string& TempFolder() const { return m_temp.Path(); }  // no trailing backslash
    const std::string& DriverName() const { return m_driver; }
    const std::string& DriverKey() const { return m_driverKey.Path(); }
    void SetDriverValue(const char* pszName, const std::string& value) { m_driverKey.SetString(pszName, value); }

    // The files of the temporary folder (names only), the log excluded.
    std::vector<std::string> TempFiles() const;
    // The records the stand-ins have written so far.
    std::vector<companion::Record> Records() const;
    // Waits until at least nCount records are there (at most 20 s).
    std::vector<companion::Record> WaitForRecords(size_t nCount) const;

private:
    vm2test::TempDir m_temp;
    std::string m_logPath;
    std::string m_driver;
    vm2test::ScopedRegKey m_driverKey;
    ScopedEnv m_tmp;
    ScopedEnv m_temp2;
    ScopedEnv m_log;
};

std::string IconStandIn();    // bin\K_VM1IC2.EXE
std::string AgentStandIn();   // bin\K_VAGENT.EXE
std::string ResourceDll();    // bin\KX9100EN.DLL

// The text a resource string of the kit's resource DLL holds.
std::string KitString(UINT nId);

// Where the agent program is copied before an elevated start, less "\KAVRO\".
std::string CommonAppData();

}  // namespace comptest
