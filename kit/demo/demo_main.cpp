// vm2pr2_demo.exe: a small monitoring host. It installs the kit's demo
// printers when they are missing, loads K_VM2PR2.dll the way a host of the
// suite does, and polls the simulated parallel printer through a working day
// (ready, printing, paper out, cover open, ribbon low, a cable pulled and
// plugged back, ready again), one line per poll: the time of the simulated
// day, what came back, and the status message a host shows for it. Then a
// shorter round of the USB printer's other states and the network printer's
// interval. When a poll says a pop-up is due, the demo shows it as a host
// does: from a second process (PrStartView is modal), which runs this
// program with "--popup PRINTER"; the pop-up follows the printer on its own
// and closes itself when the printer recovers.
//
//   vm2pr2_demo [--no-install] [--uninstall] [--view] [--preferences] [--pause MS] [--gallery [MS]]
//               [--quick] [--shots FOLDER]
//
// --preferences runs only the preferences dialog of the parallel printer
// (PrStartPreference; it is modal: choose and press OK or Cancel), then
// prints the settings saved in the printer's target key and the command
// line the stand-in tray-icon program was started with.
// --gallery shows, instead of the walk, each status of the printer day in
// the status window's template as the module's status view lays it out (MS
// each, default 1500), plays the status sounds and the looping buzzer, and
// walks the trouble dialog of the statuses' help.
// --view also opens the status window on demand at the end (it is modal:
// close it to finish). --quick, for unattended runs: one pop-up only, and
// the demo closes the window it opened on demand itself. --shots FOLDER (a
// folder of the machine) saves screenshots of the windows there with
// ImageMagick's import. --uninstall removes the demo printers and exits.
// Exit code 0 when the walk completes, every poll came back as the kit's
// presets say, every pop-up closed itself when its printer recovered and no
// channel is left open in the library.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "config/notify_settings.h"
#include "base/resource_ids.h"
#include "config/regpaths.h"
#include "demo/demo_windows.h"
#include "demo/gallery.h"
#include "installer/kit_install.h"
#include "module/app.h"
#include "module/exports.h"
#include "status/status_info.h"
// winspool.h turns SetPrinter into SetPrinterA; the simulator's method keeps its name.
#undef SetPrinter
#include "kbsim/kbsim_control.h"

namespace {

struct ModuleExports {
    decltype(&PrSetRegDefaultValue) pSetRegDefaultValue = nullptr;
    decltype(&PrReleaseRegistry) pReleaseRegistry = nullptr;
    decltype(&PrMonitoringStart) pMonitoringStart = nullptr;
    decltype(&PrMonitoringEnd) pMonitoringEnd = nullptr;
    decltype(&PrGetChannel) pGetChannel = nullptr;
    decltype(&PrGetDeviceID) pGetDeviceID = nullptr;
    decltype(&PrGetStatus) pGetStatus = nullptr;
    decltype(&PrGetTimerValue) pGetTimerValue = nullptr;
    decltype(&PrSendPrinterData) pSendPrinterData = nullptr;
    decltype(&PrGetPrinterData) pGetPrinterData = nullptr;
    decltype(&PrReleasePrinterData) pReleasePrinterData = nullptr;
    decltype(&PrStartView) pStartView = nullptr;
    decltype(&PrStartPreference) pStartPreference = nullptr;
};

template <typename T>
bool Bind(HMODULE h, const char* name, T* pOut)
{
    *pOut = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(h, name)));
    if (*pOut == nullptr) std::printf("  export %-22s MISSING\n", name);
    return *pOut != nullptr;
}

bool BindAll(HMODULE h, ModuleExports* e)
{
    bool ok = true;
    ok = Bind(h, "PrSetRegDefaultValue", &e->pSetRegDefaultValue) && ok;
    ok = Bind(h, "PrReleaseRegistry", &e->pReleaseRegistry) && ok;
    ok = Bind(h, "PrMonitoringStart", &e->pMonitoringStart) && ok;
    ok = Bind(h, "PrMonitoringEnd", &e->pMonitoringEnd) && ok;
    ok = Bind(h, "PrGetChannel", &e->pGetChannel) && ok;
    ok = Bind(h, "PrGetDeviceID", &e->pGetDeviceID) && ok;
    ok = Bind(h, "PrGetStatus", &e->pGetStatus) && ok;
    ok = Bind(h, "PrGetTimerValue", &e->pGetTimerValue) && ok;
    ok = Bind(h, "PrSendPrinterData", &e->pSendPrinterData) && ok;
    ok = Bind(h, "PrGetPrinterData", &e->pGetPrinterData) && ok;
    ok = Bind(h, "PrReleasePrinterData", &e->pReleasePrinterData) && ok;
    ok = Bind(h, "PrStartView", &e->pStartView) && ok;
    ok = Bind(h, "PrStartPreference", &e->pStartPreference) && ok;
    return ok;
}

std::string ExeFolder()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string s = path;
    size_t cut = s.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : s.substr(0, cut + 1);
}

std::string Format(const char* fmt, ...)
{
    char buf[512];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf, sizeof(buf), fmt, ap);
    va_end(ap);
    return buf;
}

// One export call other than a poll: what was called, its result, what came
// back with it.
void Show(const std::string& call, int nResult, const std::string& detail = std::string())
{
    std::printf("  %-44s = %3d  %s\n", call.c_str(), nResult, detail.c_str());
}

// One printer as the host knows it.
struct HostPrinter {
    std::string strName, strDriver, strPort, strModel, strDatFile, strResDll;
};

HostPrinter HostView(const kit::PrinterSpec& printer, const kit::InstallReport& report)
{
    return {printer.strName, kit::kDriverName, printer.strPort, kit::kModelId, report.strProfilePath,
            report.strInstallDir + kit::kResDllEnglish};
}

// The status message beside the numbers. The exports answer with numbers
// only; a host shipped with the printer driver looks the real status number
// up in the module's own status tables (linked into this program) and takes
// the text from the printer's resource DLL, as the status window does.
class StatusTexts {
public:
    ~StatusTexts()
    {
        m_pInfo.reset();
        if (m_hRes != nullptr) {
            GetApp()->SetResDll(nullptr);
            FreeLibrary(m_hRes);
        }
    }

    bool Load(const std::string& strDatFile, const std::string& strResDll)
    {
        m_hRes = LoadLibraryExA(strResDll.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        if (m_hRes == nullptr) return false;
        GetApp()->SetResDll(m_hRes);
        m_pInfo.reset(new (std::nothrow) CStatusInfo(strDatFile.c_str(), std::nothrow));
        if (!m_pInfo) return false;
        m_pInfo->SetDataFile(strDatFile.c_str());
        m_pInfo->SetResourceDll(m_hRes);
        return true;
    }

    // The status window's caption (string 1100), which the title of its
    // windows begins with.
    std::string Caption() const
    {
        char text[256] = "";
        if (m_hRes != nullptr) LoadStringA(m_hRes, 1100, text, sizeof(text));
        return text;
    }

    // The title of what one poll reported. A communication error comes back
    // as real status 0 with the simple number of status 21, or 22 when the
    // host asked for the stronger report (16 only when no channel is open,
    // which a host that holds its channels never sees).
    std::string Describe(DWORD dwChannel, int nResult, int nReal, int nSimple, int nEnableErr) const
    {
        if (nResult == -1) return "(no answer yet: poll again)";
        if (nResult == 0) return "(the printer had nothing to report)";
        if (!m_pInfo) return std::string();
        int n = nReal != 0 ? nReal : (nEnableErr > 0 ? 22 : 21);
        std::unique_ptr<CPrinterStatus> st(m_pInfo->CreateStatusObject(dwChannel, nullptr, 0, n));
        if (!st) return Format("(status %d is not in the tables)", n);
        char title[256] = "";
        st->GetMessage1(title, sizeof(title));
        std::string text = title;
        if (st->GetSimpleStatusNo() != nSimple) text += Format("  [tables: simple %d]", st->GetSimpleStatusNo());
        return text;
    }

private:
    HMODULE m_hRes = nullptr;
    std::unique_ptr<CStatusInfo> m_pInfo;
};

// The simulated day's clock: events happen at set times, and the host polls
// every "interval" seconds in between.
class DayClock {
public:
    void At(int nHour, int nMinute) { m_nSeconds = nHour * 3600 + nMinute * 60; }
    void Advance(int nSeconds) { m_nSeconds += nSeconds; }
    std::string Text() const
    {
        return Format("%02d:%02d:%02d", m_nSeconds / 3600, m_nSeconds / 60 % 60, m_nSeconds % 60);
    }

private:
    int m_nSeconds = 0;
};

// What a poll should answer; kAny skips a number.
struct Expect {
    static constexpr int kAny = -1000;
    int nResult = 1;
    int nReal = kAny;
    int nSimple = kAny;
};

Expect FromPreset(const kbsim::StatePreset& p)
{
    if (p.nRealStatus == 0) return {1, 0, p.nSimpleStatus};  // reported as a communication error
    return {1, p.nRealStatus, p.nSimpleStatus};
}

class Demo {
public:
    Demo(const ModuleExports& e, kbsim::Control& sim, const StatusTexts& texts, DWORD dwPauseMs)
        : m_e(e), m_sim(sim), m_texts(texts), m_dwPause(dwPauseMs)
    {
    }

    DayClock& Clock() { return m_clock; }
    int Mismatches() const { return m_nMismatches; }

    // Pop-ups from now on: at most nMax (-1: any number), shown by a second
    // process of this program.
    // dwHoldMs: how long the printer stays as it is once a pop-up is up.
    void ShowPopups(int nMax, const std::string& strCaption, DWORD dwHoldMs = 0)
    {
        m_nPopupsLeft = nMax;
        m_strCaption = strCaption;
        m_dwPopupHold = dwHoldMs;
    }

    void StartSession(const HostPrinter& p)
    {
        m_printer = p;
        // The host passes the model's own choice of the stronger
        // communication-error report.
        m_nEnableErr = static_cast<int>(
            GetPrivateProfileIntA(p.strModel.c_str(), "EnableGetStatusErr", 0, p.strDatFile.c_str()));
        int r = m_e.pSetRegDefaultValue(p.strName.c_str(), p.strDriver.c_str(), p.strPort.c_str(),
                                        p.strModel.c_str(), p.strDatFile.c_str());
        Show(Format("PrSetRegDefaultValue(\"%s\")", p.strName.c_str()), r);
        r = m_e.pMonitoringStart(0x4B58, p.strName.c_str(), p.strDriver.c_str(), p.strPort.c_str(),
                                 p.strModel.c_str(), p.strDatFile.c_str(), p.strResDll.c_str());
        Show("PrMonitoringStart", r);
        m_dwStatusChannel = 0xFFFFFFFF;
        DWORD data = 0xFFFFFFFF;
        r = m_e.pGetChannel(&m_dwStatusChannel, &data);
        Show("PrGetChannel", r,
             Format("status channel %#lx, data channel %#lx", static_cast<unsigned long>(m_dwStatusChannel),
                    static_cast<unsigned long>(data)));
        m_nInterval = 10;
    }

    void Timer()
    {
        DWORD net = 0xFFFFFFFF;
        int r = m_e.pGetTimerValue(m_dwStatusChannel, &net);
        Show(Format("PrGetTimerValue(%#lx)", static_cast<unsigned long>(m_dwStatusChannel)), r,
             Format("seconds between polls, network %ld", static_cast<long>(net)));
        if (r > 0) m_nInterval = r;
    }

    void DeviceId()
    {
        DWORD size = 0;
        int r = m_e.pGetDeviceID(nullptr, &size);
        Show("PrGetDeviceID(null)", r, Format("size %lu", static_cast<unsigned long>(size)));
        std::vector<char> buf(size > 0 && size < 4096 ? size : 512, '\0');
        size = static_cast<DWORD>(buf.size());
        r = m_e.pGetDeviceID(buf.data(), &size);
        buf.back() = '\0';
        Show(Format("PrGetDeviceID(%lu bytes)", static_cast<unsigned long>(buf.size())), r,
             Format("\"%s\"", buf.data()));
    }

    static void PollHeader()
    {
        std::printf("  %-8s  %-18s %6s %5s %6s %8s %5s %5s %3s  %s\n", "time", "the printer", "result", "real",
                    "simple", "printing", "popup", "sound", "com", "status message");
    }

    // One poll: what the module reports, the stored "ComStatus", and the text.
    void Poll(const char* pszWhat, const Expect& expect)
    {
        const int kUntouched = -99;
        int popup = kUntouched, sound = kUntouched, printing = kUntouched, real = kUntouched, simple = kUntouched;
        int r = m_e.pGetStatus(m_nEnableErr, &popup, &sound, &printing, &real, &simple);
        DWORD com = GetComStatus(m_printer.strName.c_str(), m_printer.strPort.c_str());
        auto num = [&](int v) { return v == kUntouched ? std::string("--") : Format("%d", v); };
        std::string text = m_texts.Describe(m_dwStatusChannel, r, real, simple, m_nEnableErr);
        std::string miss;
        if (r != expect.nResult) miss += Format(" result %d", expect.nResult);
        if (expect.nReal != Expect::kAny && real != expect.nReal) miss += Format(" real %d", expect.nReal);
        if (expect.nSimple != Expect::kAny && simple != expect.nSimple) miss += Format(" simple %d", expect.nSimple);
        if (!miss.empty()) {
            ++m_nMismatches;
            text += "   !! expected" + miss;
        }
        std::printf("  %-8s  %-18s %6d %5s %6s %8s %5s %5s %3lu  %s\n", m_clock.Text().c_str(), pszWhat, r,
                    num(real).c_str(), num(simple).c_str(), num(printing).c_str(), num(popup).c_str(),
                    num(sound).c_str(), static_cast<unsigned long>(com), text.c_str());
        m_clock.Advance(m_nInterval);
        if (m_nPopupsLeft != 0 || m_popup.Running()) FollowPopup(r, popup, pszWhat);
        if (m_dwPause > 0) Sleep(m_dwPause);
    }

    // A pop-up that is due is opened by a second process; one that is open
    // follows the printer by itself, and when a poll finds the printer
    // recovered, it must close itself within a few of its polling intervals.
    void FollowPopup(int nResult, int nPopup, const char* pszWhat)
    {
        if (nResult == 1 && nPopup == 1 && !m_popup.Running()) {
            if (m_nPopupsLeft == 0) return;
            if (m_nPopupsLeft > 0) --m_nPopupsLeft;
            if (!m_popup.Start(m_printer.strName, "")) {
                std::printf("  >> the pop-up process did not start (error %lu)\n", GetLastError());
                ++m_nMismatches;
                return;
            }
            HWND h = kitdemo::WaitForWindow(m_strCaption + " : " + m_printer.strName, 20000);
            if (h == nullptr) {
                std::printf("  >> no pop-up appeared\n");
                ++m_nMismatches;
                return;
            }
            std::string name = std::string("demo_popup_") + pszWhat;
            for (char& c : name)
                if (c == '-' || c == ' ') c = '_';
            std::string shot = kitdemo::Screenshot(h, name);
            std::printf("  >> pop-up opened by a second process (pid %lu)%s%s\n",
                        static_cast<unsigned long>(m_popup.Pid()), shot.empty() ? "" : ", screenshot ",
                        shot.c_str());
            Sleep(m_dwPopupHold);
        } else if (nResult == 1 && nPopup == 0 && m_popup.Running()) {
            DWORD start = GetTickCount(), code = 0;
            if (m_popup.WaitEnd(30000, &code)) {
                std::printf("  >> the printer recovered: the pop-up closed itself after %.1f s\n",
                            (GetTickCount() - start) / 1000.0);
            } else {
                std::printf("  >> the printer recovered, but the pop-up is still open\n");
                ++m_nMismatches;
            }
        }
    }

    // The printer enters a preset state and the host polls it nPolls times.
    void State(const char* pszPreset, int nPolls = 1)
    {
        const kbsim::StatePreset* p = kbsim::FindPreset(pszPreset);
        m_sim.SetReply(m_printer.strName, p->fields);
        for (int i = 0; i < nPolls; ++i) Poll(pszPreset, FromPreset(*p));
    }

    // The library fails the next status read with nCode.
    void Fault(const char* pszWhat, int nCode, const Expect& expect)
    {
        m_sim.AddFault(m_printer.strName, {kbsim::Entry::GetStatus, nCode, 1, 0, kbsim::Phase::Any});
        Poll(pszWhat, expect);
    }

    void PrinterData()
    {
        DWORD inout = 7, data = 0xFFFFFFFF;
        int r = m_e.pSendPrinterData(1, &inout, &data);
        Show("PrSendPrinterData(1)", r,
             Format("in/out %lu, data %#lx", static_cast<unsigned long>(inout), static_cast<unsigned long>(data)));
        inout = 7;
        data = 0xFFFFFFFF;
        r = m_e.pGetPrinterData(1, &inout, &data);
        Show("PrGetPrinterData(1)", r,
             Format("in/out %lu, data %#lx", static_cast<unsigned long>(inout), static_cast<unsigned long>(data)));
        r = m_e.pReleasePrinterData(&data);
        Show("PrReleasePrinterData", r, Format("data %#lx", static_cast<unsigned long>(data)));
    }

    void EndSession()
    {
        int r = m_e.pMonitoringEnd();
        Show("PrMonitoringEnd", r,
             Format("channels left open for this printer: %d", m_sim.OpenChannelCount(m_printer.strName)));
        r = m_e.pReleaseRegistry(m_printer.strName.c_str(), m_printer.strDriver.c_str(), m_printer.strPort.c_str(),
                                 m_printer.strModel.c_str());
        Show("PrReleaseRegistry", r);
    }

private:
    const ModuleExports& m_e;
    kbsim::Control& m_sim;
    const StatusTexts& m_texts;
    DWORD m_dwPause;
    DayClock m_clock;
    HostPrinter m_printer;
    DWORD m_dwStatusChannel = 0;
    int m_nEnableErr = 0;
    int m_nInterval = 10;
    int m_nMismatches = 0;
    int m_nPopupsLeft = 0;
    DWORD m_dwPopupHold = 0;
    std::string m_strCaption;
    kitdemo::PopupProcess m_popup;
};

// The parallel printer's day, in one monitoring session.
void WalkTheDay(Demo& demo, kbsim::Control& sim, const HostPrinter& lpt, bool bQuick, const std::string& strCaption)
{
    DayClock& clock = demo.Clock();
    std::printf("A day of \"%s\" (port %s)\n", lpt.strName.c_str(), lpt.strPort.c_str());
    clock.At(7, 55);
    demo.StartSession(lpt);
    demo.Timer();
    demo.DeviceId();
    std::printf("\n");
    Demo::PollHeader();
    demo.ShowPopups(bQuick ? 1 : -1, strCaption, bQuick ? 0 : 3000);
    clock.At(8, 0);
    demo.State("ready", 2);
    clock.At(8, 30);
    demo.State("processing");
    demo.State("printing", 3);
    clock.At(9, 10);
    demo.State("paper-out", 2);
    clock.At(9, 12);
    demo.State("ready");
    demo.State("printing", 2);
    clock.At(10, 0);
    demo.State("cover-open", 2);
    clock.At(10, 1);
    demo.State("ready");
    clock.At(11, 20);
    demo.State("ribbon-low", 2);

    // The cable comes out: the library cannot reach the printer until it is
    // back. The model tolerates "ComErrDisableNum" (3) failures on the
    // parallel port as transient before it reports a communication error.
    clock.At(12, 0);
    sim.AddFault(lpt.strName, {kbsim::Entry::GetStatus, kbsim::kErrCommunication, kbsim::Fault::kForever, 0,
                               kbsim::Phase::Any});
    for (int i = 0; i < 3; ++i) demo.Poll("cable pulled", {-1, 0, Expect::kAny});
    for (int i = 0; i < 3; ++i) demo.Poll("cable pulled", {1, 0, 11});
    clock.At(12, 4);
    sim.ClearFaults(lpt.strName);
    demo.State("ready");
    clock.At(13, 0);
    demo.State("printing", 2);
    clock.At(17, 30);
    demo.State("ready");
    demo.ShowPopups(0, strCaption);
    std::printf("\n");
    demo.PrinterData();
    demo.EndSession();
}

// The USB printer's other states: no tolerance on that port, and a busy
// library is transient.
void UsbRound(Demo& demo, const HostPrinter& usb)
{
    DayClock& clock = demo.Clock();
    std::printf("\nMeanwhile \"%s\" (port %s)\n", usb.strName.c_str(), usb.strPort.c_str());
    clock.At(13, 30);
    demo.StartSession(usb);
    demo.Timer();
    std::printf("\n");
    Demo::PollHeader();
    clock.At(13, 40);
    demo.State("paper-jam");
    demo.State("tractor-jam");
    demo.State("printing");
    clock.At(15, 20);
    demo.State("head-hot");
    demo.State("printing");
    clock.At(16, 0);
    demo.Fault("cable pulled", kbsim::kErrCommunication, {1, 0, 11});
    demo.Fault("library busy", kbsim::kErrBusy, {-1, 0, Expect::kAny});
    demo.State("no-error-code");
    clock.At(16, 30);
    demo.State("off-line");
    demo.State("self-test");
    clock.At(17, 0);
    demo.State("fatal-error");
    demo.State("ready");
    std::printf("\n");
    demo.EndSession();
}

void NetworkRound(Demo& demo, const HostPrinter& net)
{
    std::printf("\nThe network printer \"%s\" is polled less often:\n", net.strName.c_str());
    demo.Clock().At(12, 0);
    demo.StartSession(net);
    demo.Timer();
    std::printf("\n");
    Demo::PollHeader();
    demo.State("printing", 2);
    std::printf("\n");
    demo.EndSession();
}

// Returns the channels still open in the library.
int PrintLibrarySummary(const kbsim::Control& sim, uint32_t nSince)
{
    std::printf("\nWhat the communication library was asked:\n");
    int total = 0;
    for (uint32_t i = 0; i < kbsim::kEntryCount; ++i) {
        auto entry = static_cast<kbsim::Entry>(i);
        int n = sim.CountCalls(entry, nSince);
        total += n;
        if (n > 0) std::printf("  %-22s %d\n", kbsim::EntryName(entry), n);
    }
    if (total == 0) std::printf("  nothing\n");
    int open = sim.OpenChannelCount();
    std::printf("  channels left open: %d\n", open);
    return open;
}

// The preferences dialog as a host opens it from its printer menu, then
// what it left behind: the target key's settings and the tray program's start.
int RunPreferences(const ModuleExports& e, const HostPrinter& p)
{
    char log[MAX_PATH] = "";
    GetTempPathA(sizeof(log), log);
    std::string logPath = std::string(log) + "vm2pr2_demo_companions.log";
    DeleteFileA(logPath.c_str());
    SetEnvironmentVariableA("VM2PR2_COMPANION_LOG", logPath.c_str());
    std::printf("Opening the preferences of \"%s\" (choose, then OK or Cancel)\n", p.strName.c_str());
    int r = e.pStartPreference(p.strName.c_str(), p.strDriver.c_str(), p.strPort.c_str(), p.strModel.c_str(), 0,
                               p.strResDll.c_str());
    std::printf("PrStartPreference = %d (0 OK, 1 cancelled or closed, -1 / -3 failed)\n\n", r);

    // The printer's target key: the one whose "Name" is the printer's.
    std::string key;
    HKEY base = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, vm2::regpath::kTargetByPrinter, 0, KEY_READ, &base) == ERROR_SUCCESS) {
        char sub[MAX_PATH];
        for (DWORD i = 0; key.empty(); ++i) {
            DWORD cch = sizeof(sub);
            if (RegEnumKeyExA(base, i, sub, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            char name[MAX_PATH] = "";
            DWORD size = sizeof(name);
            if (RegGetValueA(base, sub, "Name", RRF_RT_REG_SZ, nullptr, name, &size) == ERROR_SUCCESS &&
                lstrcmpiA(name, p.strName.c_str()) == 0)
                key = std::string(vm2::regpath::kTargetByPrinter) + "\\" + sub;
        }
        RegCloseKey(base);
    }
    if (key.empty()) {
        std::printf("no target key for the printer\n");
        return 1;
    }
    std::printf("Settings in HKCU\\%s\n", key.c_str());
    HKEY h = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &h) == ERROR_SUCCESS) {
        for (const char* name : {"SoundNotifyEnable", "BeepBuzzerEnable", "LoopBuzzer", "TrayIconEnable",
                                 "TrayIconSelected"}) {
            DWORD v = 0, size = sizeof(v), type = 0;
            if (RegQueryValueExA(h, name, nullptr, &type, reinterpret_cast<BYTE*>(&v), &size) == ERROR_SUCCESS)
                std::printf("  %-18s %lu\n", name, v);
            else
                std::printf("  %-18s (none)\n", name);
        }
        HKEY n = nullptr;
        if (RegOpenKeyExA(h, "Notify", 0, KEY_READ, &n) == ERROR_SUCCESS) {
            char name[64];
            for (DWORD i = 0;; ++i) {
                DWORD cch = sizeof(name), v = 0, size = sizeof(v);
                if (RegEnumValueA(n, i, name, &cch, nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size) !=
                    ERROR_SUCCESS)
                    break;
                std::printf("  Notify\\%-11s %lu\n", name, v);
            }
            RegCloseKey(n);
        }
        RegCloseKey(h);
    }
    if (r == 0) {
        // The stand-in writes its record once it runs.
        std::string text;
        for (int i = 0; i < 50 && text.find("[end]") == std::string::npos; ++i) {
            Sleep(100);
            FILE* f = std::fopen(logPath.c_str(), "rb");
            if (f == nullptr) continue;
            char buf[4096];
            size_t got = std::fread(buf, 1, sizeof(buf) - 1, f);
            std::fclose(f);
            text.assign(buf, got);
        }
        size_t at = text.find("cmdline=");
        std::printf("\nTray-icon program started as:\n  %s\n",
                    at == std::string::npos ? "(no start recorded)"
                                            : text.substr(at + 8, text.find('\n', at) - at - 8).c_str());
    }
    SetEnvironmentVariableA("VM2PR2_COMPANION_LOG", nullptr);
    DeleteFileA(logPath.c_str());
    return r == 0 || r == 1 ? 0 : 1;
}

// The host loads the printer DLL from the install folder, where the data
// file's "PrnDll" points; the copy beside this program is the fallback.
HMODULE LoadModule(const std::string& strInstallDir, bool bTell)
{
    std::string dll = strInstallDir + kit::kModuleDllName;
    HMODULE hModule = LoadLibraryA(dll.c_str());
    if (hModule == nullptr) {
        dll = ExeFolder() + kit::kModuleDllName;
        hModule = LoadLibraryA(dll.c_str());
    }
    if (hModule == nullptr) std::printf("cannot load K_VM2PR2.dll (error %lu)\n", GetLastError());
    else if (bTell) std::printf("Loaded %s\n", dll.c_str());
    return hModule;
}

// The second process of a pop-up: the status window of the printer as a
// pop-up (view type 1), until it closes itself or the user closes it.
int RunPopup(const ModuleExports& e, const HostPrinter& p)
{
    int r = e.pStartView(1, p.strName.c_str(), p.strDriver.c_str(), p.strPort.c_str(), p.strModel.c_str(),
                         p.strDatFile.c_str(), p.strResDll.c_str());
    std::printf("  >> [pop-up process %lu] PrStartView(1, \"%s\") = %d\n", GetCurrentProcessId(),
                p.strName.c_str(), r);
    return r == 0 ? 0 : 1;
}

// The status window the user asks for (view type 2). A user thread takes
// its screenshot and, in an unattended run, presses OK.
void RunView(const ModuleExports& e, const HostPrinter& p, const std::string& strCaption, bool bClose)
{
    std::printf("\nOpening the status window of \"%s\" on demand%s\n", p.strName.c_str(),
                bClose ? "" : " (close it to go on)");
    std::thread user([&] {
        HWND h = kitdemo::WaitForWindow(strCaption + " : " + p.strName, 20000);
        if (h == nullptr) return;
        Sleep(1500);  // its first poll comes 500 ms after the start
        std::string shot = kitdemo::Screenshot(h, "demo_view_on_demand");
        char text[512] = "";
        GetDlgItemTextA(h, vm2::res::kCtlStatusMessage, text, sizeof(text));
        std::printf("  >> the status window shows \"%s\"%s%s\n", text, shot.empty() ? "" : ", screenshot ",
                    shot.c_str());
        if (bClose) {
            Sleep(500);
            kitdemo::Click(h, IDOK);
        }
    });
    int r = e.pStartView(2, p.strName.c_str(), p.strDriver.c_str(), p.strPort.c_str(), p.strModel.c_str(),
                         p.strDatFile.c_str(), p.strResDll.c_str());
    user.join();
    Show("PrStartView(2)", r);
}

}  // namespace

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    bool bInstall = true, bUninstall = false, bView = false, bPrefs = false, bGallery = false, bQuick = false;
    std::string strPopupPrinter;
    DWORD dwPause = 0;
    DWORD dwGalleryMs = 1500;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-install") == 0) {
            bInstall = false;
        } else if (std::strcmp(argv[i], "--uninstall") == 0) {
            bUninstall = true;
        } else if (std::strcmp(argv[i], "--view") == 0) {
            bView = true;
        } else if (std::strcmp(argv[i], "--preferences") == 0) {
            bPrefs = true;
        } else if (std::strcmp(argv[i], "--popup") == 0 && i + 1 < argc) {
            strPopupPrinter = argv[++i];
        } else if (std::strcmp(argv[i], "--quick") == 0) {
            bQuick = true;
        } else if (std::strcmp(argv[i], "--shots") == 0 && i + 1 < argc) {
            kitdemo::SetScreenshotFolder(argv[++i]);
        } else if (std::strcmp(argv[i], "--pause") == 0 && i + 1 < argc) {
            dwPause = static_cast<DWORD>(std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--gallery") == 0) {
            bGallery = true;
            if (i + 1 < argc && std::atoi(argv[i + 1]) > 0) dwGalleryMs = static_cast<DWORD>(std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: vm2pr2_demo [--no-install] [--uninstall] [--view] [--preferences] "
                                 "[--pause MS] [--gallery [MS]] [--quick] [--shots FOLDER]\n");
            return 2;
        }
    }

    kit::InstallOptions options;
    kit::InstallReport report;
    // The tray-icon program the preferences start is the kit's stand-in;
    // the other companions and the library's key come with the install.
    options.strCompanionIcon = ExeFolder() + "K_VM1IC2.EXE";
    options.bInstallCompanions = true;
    if (!strPopupPrinter.empty()) {
        // The pop-up's process: installed already by the process that starts it.
        report.strInstallDir = options.strInstallDir + "\\";
        report.strProfilePath = report.strInstallDir + kit::kDataFileName;
        for (const kit::PrinterSpec& p : kit::DemoPrinters()) {
            if (p.strName != strPopupPrinter) continue;
            HMODULE hModule = LoadModule(report.strInstallDir, false);
            ModuleExports e;
            if (hModule == nullptr || !BindAll(hModule, &e)) return 1;
            int rc = RunPopup(e, HostView(p, report));
            FreeLibrary(hModule);
            return rc;
        }
        std::printf("no demo printer \"%s\"\n", strPopupPrinter.c_str());
        return 2;
    }
    if (bUninstall) {
        bool ok = kit::UninstallDemoPrinters(options, &report);
        for (const std::string& line : report.log) std::printf("%s\n", line.c_str());
        std::printf("uninstall: %s\n", ok ? "done" : report.strError.c_str());
        return ok ? 0 : 1;
    }

    std::printf("KX-9100 monitoring demo\n\n");
    if (bInstall && !kit::DemoPrintersInstalled(options)) {
        if (!kit::InstallDemoPrinters(options, &report)) {
            std::printf("installing the demo printers failed: %s\n", report.strError.c_str());
            return 1;
        }
        std::printf("Installed the demo printers (%zu steps).\n", report.log.size());
    } else {
        // Installed already: the report still names the paths.
        kit::InstallDemoPrinters(options, &report);
    }
    for (const kit::PrinterSpec& p : kit::DemoPrinters())
        std::printf("  printer \"%s\" on %s\n", p.strName.c_str(), p.strPort.c_str());
    std::printf("  data file %s\n  driver data file %s\n\n", report.strProfilePath.c_str(),
                report.strDriverDataFile.c_str());
    if (bGallery) {
        kitdemo::GalleryOptions g;
        g.strInstallDir = report.strInstallDir;
        g.strDriverKey = std::string(kit::kDriverKeyBase) + "\\" + kit::kDriverName;
        g.strDatFile = report.strProfilePath;
        g.strModelId = kit::kModelId;
        g.strDriverName = kit::kDriverName;
        g.strPrinterName = kit::DemoPrinters()[0].strName;
        g.strPortName = kit::DemoPrinters()[0].strPort;
        g.dwDwellMs = dwGalleryMs;
        return kitdemo::RunGallery(g);
    }

    kbsim::Control sim;
    if (!sim.Open()) {
        std::printf("cannot open the simulated printers' state\n");
        return 1;
    }
    sim.Reset();
    for (const kit::PrinterSpec& p : kit::DemoPrinters()) {
        kbsim::Connection c = p.link == kit::Link::Parallel ? kbsim::Connection::Parallel
                              : p.link == kit::Link::Network ? kbsim::Connection::Network
                                                             : kbsim::Connection::Usb;
        sim.DefinePrinter(kbsim::StandardPrinter(p.strName, p.strPort, c));
    }
    uint32_t nFirstCall = sim.NextSeq();

    HMODULE hModule = LoadModule(report.strInstallDir, true);
    if (hModule == nullptr) return 1;
    ModuleExports e;
    if (!BindAll(hModule, &e)) {
        std::printf("the module lacks exports\n");
        return 1;
    }
    std::printf("  all 13 exports bound\n");

    const kit::PrinterSpec& lptSpec = kit::DemoPrinters()[0];
    if (bPrefs) {
        int rc = RunPreferences(e, HostView(lptSpec, report));
        FreeLibrary(hModule);
        return rc;
    }
    const kit::PrinterSpec& netSpec = kit::DemoPrinters()[2];
    HostPrinter lpt = HostView(lptSpec, report);
    HostPrinter usb = HostView(kit::MainDemoPrinter(), report);
    HostPrinter net = HostView(netSpec, report);

    StatusTexts texts;
    if (!texts.Load(lpt.strDatFile, lpt.strResDll))
        std::printf("  (no status texts: %s cannot be loaded)\n", lpt.strResDll.c_str());
    std::printf("  status texts from %s\n\n", lpt.strResDll.c_str());
    std::printf("Columns: result 1 status, 0 nothing to report, -1 poll again; printing 0 no reply,\n"
                "1 a reply, 2 printing; popup/sound: what the user's notification settings ask for;\n"
                "com: the stored \"ComStatus\" (1 talking, 0 communication error); -- left untouched.\n\n");

    Demo demo(e, sim, texts, dwPause);
    WalkTheDay(demo, sim, lpt, bQuick, texts.Caption());
    UsbRound(demo, usb);
    NetworkRound(demo, net);

    if (bView) RunView(e, lpt, texts.Caption(), bQuick);

    int open = PrintLibrarySummary(sim, nFirstCall);
    FreeLibrary(hModule);
    if (demo.Mismatches() > 0 || open > 0) {
        if (demo.Mismatches() > 0)
            std::printf("\n%d poll(s) did not come back as expected (marked !!).\n", demo.Mismatches());
        if (open > 0) std::printf("\nThe sessions left %d channel(s) open in the library.\n", open);
        return 1;
    }
    std::printf("\nDemo complete.\n");
    return 0;
}
