// A simulated printer of the kit per test, in an instance of its own.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "comm/comm_printers.h"
#include "config/registry.h"
#include "config/target_keys.h"
#include "harness/test_support.h"
#include "installer/kit_install.h"
#include "kbsim/kbsim_control.h"

class SimPrinterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        kbsim::SetProcessInstance(vm2test::UniqueName("sim"));
        ASSERT_TRUE(m_sim.Open());
        m_sim.Reset();
        m_sim.DefinePrinter(kbsim::StandardPrinter(commtest::kUsb, "USB001", kbsim::Connection::Usb));
        m_sim.DefinePrinter(kbsim::StandardPrinter(commtest::kLpt, "LPT1:", kbsim::Connection::Parallel));
        m_sim.DefinePrinter(kbsim::StandardPrinter(commtest::kNet, "NET001:", kbsim::Connection::Network));
    }

    static std::string Reply(const char* preset)
    {
        return kbsim::BuildStatusReply(kbsim::FindPreset(preset)->fields);
    }

    // The printer's target key under HKEY_CURRENT_USER (empty when none).
    static std::string TargetKey(const char* printer)
    {
        char path[260] = "";
        HKEY root = HKEY_CURRENT_USER;
        return GetCurrentTargetPrnKey(printer, 0, path, &root) == 0 ? path : "";
    }

    static std::string StoredStatus(const char* printer)
    {
        Registry key(HKEY_CURRENT_USER, TargetKey(printer).c_str(), FALSE, Registry::kRead);
        std::vector<BYTE> bytes = key.QueryBinary("Status");
        return std::string(bytes.begin(), bytes.end());
    }

    static DWORD StoredDword(const char* printer, const char* name, DWORD dflt)
    {
        Registry key(HKEY_CURRENT_USER, TargetKey(printer).c_str(), FALSE, Registry::kRead);
        return key.QueryDword(name, dflt);
    }

    kbsim::Control m_sim;
};
