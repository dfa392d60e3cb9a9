// The host's polling interval, from the driver key or the resource DLL.
#include "comm/comm_fixture.h"
#include "config/regpaths.h"
#include "module/exports.h"

namespace {

// Sets (or, with nullptr, removes) a timer value of the kit's driver key and
// puts the installed value back afterwards.
class DriverTimer {
public:
    explicit DriverTimer(const char* name) : m_name(name)
    {
        Registry key(HKEY_LOCAL_MACHINE, KeyPath().c_str(), FALSE, Registry::kRead);
        m_had = key.GetValueType(name) != 0;
        m_old = key.QueryString(name, "", 260);
    }
    ~DriverTimer()
    {
        if (m_had) Set(m_old.c_str());
        else Set(nullptr);
    }
    void Set(const char* value)
    {
        Registry key(HKEY_LOCAL_MACHINE, KeyPath().c_str(), FALSE, Registry::kAll);
        if (value == nullptr) key.DeleteValue(m_name);
        else key.SetString(m_name, value);
    }

private:
    static std::string KeyPath() { return std::string(vm2::regpath::kDriverBase) + "\\" + kit::kDriverName; }
    const char* m_name;
    bool m_had;
    std::string m_old;
};

class TimerTest : public SimPrinterTest {
protected:
    void UsePrinter(const char* printer, const char* port)
    {
        ASSERT_EQ(0, PrReleaseRegistry(printer, kit::kDriverName, port, kit::kModelId));
    }
};

}  // namespace

// Per row: the driver key's two values (null: none), then the answer for a
// local and for a network printer; the resource default (string 1340, 10) is
// three times longer over the network.
TEST_F(TimerTest, DriverKeyValuesOrTheResourceDefault)
{
    DriverTimer local("LocalMonitoringTimer"), network("NetworkMonitoringTimer");
    struct {
        const char *local, *network;
        int usb, net;
    } rows[] = {{"10,5", "40", 10, 40}, {nullptr, nullptr, 10, 30}, {"0", nullptr, -1, 30}, {"abc", "0,5", -1, -1}};
    for (const auto& row : rows) {
        local.Set(row.local);
        network.Set(row.network);
        DWORD isNetwork = 7;
        UsePrinter(commtest::kUsb, "USB001");
        EXPECT_EQ(row.usb, PrGetTimerValue(4, &isNetwork)) << (row.local ? row.local : "(none)");
        EXPECT_EQ(0u, isNetwork) << "set whenever the driver key opens";
        UsePrinter(commtest::kNet, "NET001:");
        EXPECT_EQ(row.net, PrGetTimerValue(0x10000005, &isNetwork)) << (row.network ? row.network : "(none)");
        EXPECT_EQ(1u, isNetwork);
    }
}

// An invalid context: LoadedModule.TimerNeedsAValidContext.
TEST_F(TimerTest, UnknownChannelsAndNoLibrary)
{
    DriverTimer local("LocalMonitoringTimer");
    local.Set("10");
    UsePrinter(commtest::kUsb, "USB001");
    DWORD isNetwork = 7;
    EXPECT_EQ(-1, PrGetTimerValue(0x77, &isNetwork)) << "not a channel of the printer";
    EXPECT_EQ(7u, isNetwork) << "untouched";
    EXPECT_EQ(-1, PrGetTimerValue(0x10000003, &isNetwork)) << "offered, but not a status channel";
    UsePrinter(commtest::kMissingLib, "USB001");
    EXPECT_EQ(-1, PrGetTimerValue(4, nullptr));
}
