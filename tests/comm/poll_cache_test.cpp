// What the host's status polls keep between polls (the target key open, the
// notification list, the data file's buzzer default) must not outlive a
// change that another process makes: each case changes something from a
// second process (or the spooler) and the very next poll must show it.
#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

#include "comm/comm_fixture.h"
#include "config/paths.h"
#include "config/regpaths.h"
#include "module/exports.h"

using vm2test::ChildProcess;

namespace {

constexpr char kPrinter[] = "VM2 Poll Cache Printer";
constexpr char kPort[] = "USB001";

struct Outcome {
    int popup, sound;
    bool stored;  // the printer's key (as found now) holds the poll's reply
};

// Steps are command lines of poll_cache_helper.exe, or "-printer" and
// "+printer" for the spooler. {P} printer, {D} driver, {M} model, {F} the
// data file, {N} its replacement.
struct Case {
    const char* name;
    std::vector<std::string> steps;
    bool newKey;  // the printer's key is a new one, without a reply yet
    Outcome after;
};

// Before each case: the sound switch off, no buzzer switch of the user (the
// model's default, on, applies), the "ready" status's item on.
const Outcome kBefore = {1, 1, true};

const Case kCases[] = {
    {"the preferences dialog switches the item off", {"notify {P} 1 0"}, false, {0, 0, true}},
    {"another host rebuilds the lost key", {"forget {P}", "host {P} {D} USB001 {M} {F}"}, true, {0, 0, true}},
    {"a rebuild moves the key to another number", {"renumber {P}"}, true, {1, 1, true}},
    {"a sweep removes the lost key", {"forget {P}", "sweep"}, false, {0, 0, false}},
    {"the printer is deleted, swept and added again",
     {"-printer", "sweep", "+printer", "host {P} {D} USB001 {M} {F}"},
     true,
     {0, 0, true}},
    {"the data file is replaced by one without the buzzer", {"replace {N} {F}"}, false, {1, 0, true}},
};

std::string Substitute(std::string s, const std::vector<std::pair<std::string, std::string>>& values)
{
    for (const auto& v : values)
        for (size_t at; (at = s.find(v.first)) != std::string::npos;) s.replace(at, v.first.size(), v.second);
    return s;
}

bool InstallPrinter()
{
    kit::InstallOptions options;
    options.printers = {kit::PrinterSpec{kPrinter, kPort}};
    return kit::InstallDemoPrinters(options);
}

bool DeletePrinterFromSpooler()
{
    PRINTER_DEFAULTSA all = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE h = nullptr;
    if (!OpenPrinterA(const_cast<char*>(kPrinter), &h, &all)) return false;
    BOOL ok = DeletePrinter(h);
    ClosePrinter(h);
    return ok != FALSE;
}

class PollCache : public SimPrinterTest {
protected:
    struct Poll {
        int result = 0, popup = -7, sound = -7, printing = -7, real = -7, simple = -7;
    };

    Outcome PollOnce()
    {
        Poll p;
        p.result = PrGetStatus(0, &p.popup, &p.sound, &p.printing, &p.real, &p.simple);
        EXPECT_EQ(1, p.result);
        std::string key = TargetKey(kPrinter);
        return {p.popup, p.sound, !key.empty() && StoredStatus(kPrinter) == Reply("ready")};
    }

    // A fresh data file, the printer's key prepared from it, a session, and
    // a first poll that fills what the polls keep.
    void Prepare()
    {
        ASSERT_TRUE(CopyFileA(m_kitDataFile.c_str(), m_dat.c_str(), FALSE));
        ASSERT_EQ(0, PrSetRegDefaultValue(kPrinter, m_driver.c_str(), kPort, kit::kModelId, m_dat.c_str()));
        Registry key(HKEY_CURRENT_USER, TargetKey(kPrinter).c_str(), FALSE, Registry::kAll);
        ASSERT_TRUE(key.IsOpen());
        key.SetDword("SoundNotifyEnable", 0);
        key.DeleteValue("BeepBuzzerEnable");
        key.DeleteValue("Status");
        Registry notify(key.Handle(), "Notify", TRUE, Registry::kAll);
        notify.SetDword("001", 1);
        ASSERT_EQ(0, PrMonitoringStart(1, kPrinter, m_driver.c_str(), kPort, kit::kModelId, m_dat.c_str(), nullptr));
        DWORD status = 0, data = 0;
        ASSERT_EQ(0, PrGetChannel(&status, &data));
        Outcome o = PollOnce();
        ASSERT_EQ(kBefore.popup, o.popup);
        ASSERT_EQ(kBefore.sound, o.sound);
        ASSERT_TRUE(o.stored);
    }

    void Run(const std::string& step)
    {
        if (step == "-printer" || step == "+printer") {
            ASSERT_TRUE(step == "-printer" ? DeletePrinterFromSpooler() : InstallPrinter()) << step;
            return;
        }
        std::string args = Substitute(step, {{"{P}", "\"" + std::string(kPrinter) + "\""},
                                             {"{D}", "\"" + m_driver + "\""},
                                             {"{M}", kit::kModelId},
                                             {"{F}", "\"" + m_dat + "\""},
                                             {"{N}", "\"" + m_datNoBuzzer + "\""}});
        ChildProcess child("\"" + vm2test::BinDir() + "\\poll_cache_helper.exe\" " + args);
        ASSERT_EQ(0u, child.Wait()) << args;
    }

    vm2test::TempDir m_dir;
    std::string m_driver = vm2test::UniqueName("vm2pc-driver");
    vm2test::ScopedRegKey m_driverKey{HKEY_LOCAL_MACHINE, std::string(vm2::regpath::kDriverBase) + "\\" + m_driver};
    std::string m_dat = m_dir.File("KX9100.INI");
    std::string m_datNoBuzzer;
    std::string m_kitDataFile;
};

}  // namespace

TEST_F(PollCache, TheNextPollSeesAChangeMadeElsewhere)
{
    char kitDat[260] = "";
    ASSERT_TRUE(GetProfilePath(kitDat, kit::kDriverName, kit::kModelId) && kitDat[0]);
    m_kitDataFile = kitDat;
    std::string text = vm2test::ReadFileText(m_kitDataFile);
    size_t at = text.find("BeepBuzzerEnable=1");
    ASSERT_NE(std::string::npos, at);
    m_datNoBuzzer = m_dir.Write("new.ini", text.replace(at, 18, "; replaced\r\nBeepBuzzerEnable=0"));
    m_driverKey.SetString("Profile", m_dat);
    m_sim.DefinePrinter(kbsim::StandardPrinter(kPrinter, kPort, kbsim::Connection::Usb));
    m_sim.SetReply(kPrinter, Reply("ready"));
    ASSERT_TRUE(InstallPrinter());

    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Prepare();
        for (const std::string& step : c.steps) Run(step);
        if (c.newKey) EXPECT_NE(Reply("ready"), StoredStatus(kPrinter)) << "a new key holds no reply yet";
        Outcome o = PollOnce();
        EXPECT_EQ(c.after.popup, o.popup);
        EXPECT_EQ(c.after.sound, o.sound);
        EXPECT_EQ(c.after.stored, o.stored);
        PrMonitoringEnd();
    }
}
