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

TEST_F(TimerTest, LocalAndNetworkValuesOfTheDriverKey)
{
    DriverTimer local("LocalMonitoringTimer");
    DriverTimer network("NetworkMonitoringTimer");
    local.Set("10,5");
    network.Set("40");

    DWORD isNetwork = 7;
    UsePrinter(commtest::kUsb, "USB001");
    EXPECT_EQ(10, PrGetTimerValue(4, &isNetwork)) << "the number before the comma";
    EXPECT_EQ(0u, isNetwork);

    UsePrinter(commtest::kNet, "NET001:");
    EXPECT_EQ(40, PrGetTimerValue(0x10000005, &isNetwork));
    EXPECT_EQ(1u, isNetwork);
}

TEST_F(TimerTest, InvalidRegistryValuesAndUnknownChannels)
{
    DriverTimer local("LocalMonitoringTimer");
    UsePrinter(commtest::kUsb, "USB001");
    for (const char* bad : {"0", "abc", "0,5"}) {
        local.Set(bad);
        EXPECT_EQ(-1, PrGetTimerValue(4, nullptr)) << bad;
    }
    local.Set("10");
    DWORD isNetwork = 7;
    EXPECT_EQ(-1, PrGetTimerValue(0x77, &isNetwork)) << "not a channel of the printer";
    EXPECT_EQ(7u, isNetwork) << "untouched";
    EXPECT_EQ(-1, PrGetTimerValue(0x10000003, &isNetwork)) << "offered, but not a status channel";
}

TEST_F(TimerTest, ResourceDefaultIsThreeTimesLongerOverTheNetwork)
{
    DriverTimer network("NetworkMonitoringTimer");
    DriverTimer local("LocalMonitoringTimer");
    network.Set(nullptr);
    local.Set(nullptr);
    DWORD isNetwork = 7;
    UsePrinter(commtest::kNet, "NET001:");
    EXPECT_EQ(30, PrGetTimerValue(0x10000005, &isNetwork)) << "string 1340 is 10";
    EXPECT_EQ(1u, isNetwork);
    UsePrinter(commtest::kUsb, "USB001");
    EXPECT_EQ(10, PrGetTimerValue(4, &isNetwork));
    EXPECT_EQ(0u, isNetwork);
}

TEST_F(TimerTest, NeedsAValidContextAndTheLibrary)
{
    EXPECT_EQ(1, PrReleaseRegistry(commtest::kUsb, "", "USB001", kit::kModelId));
    EXPECT_EQ(-1, PrGetTimerValue(4, nullptr));
    UsePrinter(commtest::kMissingLib, "USB001");
    EXPECT_EQ(-1, PrGetTimerValue(4, nullptr));
}
