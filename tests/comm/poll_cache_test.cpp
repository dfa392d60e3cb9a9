// What the host's status polls keep between polls (the target key open, the
// notification list, the data file's buzzer default) must not outlive a
// change made elsewhere: each case changes something from a second process
// (or the spooler), and the very next poll must show it.
#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

#include "comm/comm_fixture.h"
#include "config/paths.h"
#include "config/regpaths.h"
#include "module/exports.h"

namespace {

constexpr char kPrinter[] = "VM2 Poll Cache Printer";

struct Outcome {
    int popup, sound;
    bool stored;  // the printer's key, as found now, holds the poll's reply
};

// Steps: arguments of poll_cache_helper.exe ({P} printer, {D} driver, {F}
// data file, {N} its replacement), or "-printer" / "+printer" for the spooler.
struct Case {
    const char* name;
    std::vector<std::string> steps;
    bool newKey;  // the printer's key is a new one, without a reply yet
    Outcome after;
};

const Case kCases[] = {
    {"the preferences dialog switches the item off", {"notify {P} 1 0"}, false, {0, 0, true}},
    {"another host rebuilds the lost key", {"forget {P}", "host {P} {D} {F}"}, true, {0, 0, true}},
    {"a rebuild moves the key to another number", {"renumber {P}"}, true, {1, 1, true}},
    {"a sweep removes the lost key", {"forget {P}", "sweep"}, false, {0, 0, false}},
    {"the printer is deleted, swept and added again", {"-printer", "sweep", "+printer", "host {P} {D} {F}"}, true,
     {0, 0, true}},
    {"the data file is replaced by one without the buzzer", {"replace {N} {F}"}, false, {1, 0, true}},
};

bool Spooler(bool bAdd)
{
    kit::InstallOptions options;
    options.printers = {kit::PrinterSpec{kPrinter, "USB001"}};
    if (bAdd) return kit::InstallDemoPrinters(options);
    PRINTER_DEFAULTSA all = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    vm2::UniquePrinter h;
    return OpenPrinterA(const_cast<char*>(kPrinter), h.put(), &all) && DeletePrinter(h.get());
}

class PollCache : public SimPrinterTest {
protected:
    Outcome PollOnce()
    {
        int popup = -7, sound = -7, printing, real, simple;
        EXPECT_EQ(1, PrGetStatus(0, &popup, &sound, &printing, &real, &simple));
        return {popup, sound, !TargetKey(kPrinter).empty() && StoredStatus(kPrinter) == Reply("ready")};
    }

    // A fresh data file, the key prepared from it with the sound switch off,
    // no buzzer switch of the user (the model's, on, applies) and the "ready"
    // item on, a session, and a first poll that fills what the polls keep.
    void Prepare()
    {
        ASSERT_TRUE(CopyFileA(m_kitDat.c_str(), m_dat.c_str(), FALSE));
        ASSERT_EQ(0, PrSetRegDefaultValue(kPrinter, m_driver.c_str(), "USB001", kit::kModelId, m_dat.c_str()));
        Registry key(HKEY_CURRENT_USER, TargetKey(kPrinter).c_str(), FALSE, Registry::kAll);
        key.SetDword("SoundNotifyEnable", 0);
        key.DeleteValue("BeepBuzzerEnable");
        key.DeleteValue("Status");
        ASSERT_TRUE(Registry(key.Handle(), "Notify", TRUE, Registry::kAll).SetDword("001", 1));
        ASSERT_EQ(0, PrMonitoringStart(1, kPrinter, m_driver.c_str(), "USB001", kit::kModelId, m_dat.c_str(), nullptr));
        DWORD status = 0, data = 0;
        ASSERT_EQ(0, PrGetChannel(&status, &data));
        Outcome o = PollOnce();
        ASSERT_TRUE(o.popup == 1 && o.sound == 1 && o.stored) << o.popup << o.sound << o.stored;
    }

    void Run(std::string step)
    {
        if (step[0] == '-' || step[0] == '+') {
            ASSERT_TRUE(Spooler(step[0] == '+')) << step;
            return;
        }
        for (auto v : {std::make_pair("{P}", std::string(kPrinter)), {"{D}", m_driver}, {"{F}", m_dat},
                       {"{N}", m_datNoBuzzer}})
            for (size_t at; (at = step.find(v.first)) != std::string::npos;) step.replace(at, 3, "\"" + v.second + "\"");
        vm2test::ChildProcess child("\"" + vm2test::BinDir() + "\\poll_cache_helper.exe\" " + step);
        ASSERT_EQ(0u, child.Wait()) << step;
    }

    vm2test::TempDir m_dir;
    std::string m_driver = vm2test::UniqueName("vm2pc-driver");
    vm2test::ScopedRegKey m_driverKey{HKEY_LOCAL_MACHINE, std::string(vm2::regpath::kDriverBase) + "\\" + m_driver};
    std::string m_dat = m_dir.File("KX9100.INI"), m_datNoBuzzer, m_kitDat;
};

}  // namespace

TEST_F(PollCache, TheNextPollSeesAChangeMadeElsewhere)
{
    char kitDat[260] = "";
    ASSERT_TRUE(GetProfilePath(kitDat, kit::kDriverName, kit::kModelId) && kitDat[0]);
    m_kitDat = kitDat;
    std::string text = vm2test::ReadFileText(m_kitDat);
    size_t at = text.find("BeepBuzzerEnable=1");
    ASSERT_NE(std::string::npos, at);
    m_datNoBuzzer = m_dir.Write("new.ini", text.replace(at, 18, "; replaced\r\nBeepBuzzerEnable=0"));
    m_driverKey.SetString("Profile", m_dat);
    m_sim.DefinePrinter(kbsim::StandardPrinter(kPrinter, "USB001", kbsim::Connection::Usb));
    m_sim.SetReply(kPrinter, Reply("ready"));
    ASSERT_TRUE(Spooler(true));

    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Prepare();
        for (const std::string& step : c.steps) Run(step);
        if (c.newKey) {
            EXPECT_NE(Reply("ready"), StoredStatus(kPrinter)) << "a new key holds no reply yet";
        }
        Outcome o = PollOnce();
        EXPECT_EQ(c.after.popup, o.popup);
        EXPECT_EQ(c.after.sound, o.sound);
        EXPECT_EQ(c.after.stored, o.stored);
        PrMonitoringEnd();
    }
}
