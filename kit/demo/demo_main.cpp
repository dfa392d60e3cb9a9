// vm2pr2_demo.exe: a small monitoring host. It installs the kit's demo
// printers when they are missing, loads K_VM2PR2.dll the way a host of the
// suite does, and drives its exports through a working day of the simulated
// printer, printing one line per call with what came back.
//
//   vm2pr2_demo [--no-install] [--uninstall] [--view] [--pause MS]
//
// --view also opens the status window at the end (it is modal: close it to
// finish). --uninstall removes the demo printers and exits.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "installer/kit_install.h"
#include "kbsim/kbsim_control.h"
#include "module/exports.h"

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

// One export call: what was called, its result, what came back with it.
void Show(const std::string& call, int nResult, const std::string& detail = std::string())
{
    std::printf("  %-46s = %3d  %s\n", call.c_str(), nResult, detail.c_str());
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

class Demo {
public:
    Demo(const ModuleExports& e, kbsim::Control& sim, DWORD dwPauseMs) : m_e(e), m_sim(sim), m_dwPause(dwPauseMs) {}

    void Pause() const
    {
        if (m_dwPause > 0) Sleep(m_dwPause);
    }

    void StartSession(const HostPrinter& p)
    {
        int r = m_e.pSetRegDefaultValue(p.strName.c_str(), p.strDriver.c_str(), p.strPort.c_str(),
                                        p.strModel.c_str(), p.strDatFile.c_str());
        Show(Format("PrSetRegDefaultValue(\"%s\")", p.strName.c_str()), r);
        r = m_e.pMonitoringStart(0x4B58, p.strName.c_str(), p.strDriver.c_str(), p.strPort.c_str(),
                                 p.strModel.c_str(), p.strDatFile.c_str(), p.strResDll.c_str());
        Show(Format("PrMonitoringStart(\"%s\")", p.strName.c_str()), r);
        m_dwStatusChannel = 0xFFFFFFFF;
        DWORD data = 0xFFFFFFFF;
        r = m_e.pGetChannel(&m_dwStatusChannel, &data);
        Show("PrGetChannel", r,
             Format("status channel %#lx, data channel %#lx", static_cast<unsigned long>(m_dwStatusChannel),
                    static_cast<unsigned long>(data)));
    }

    void Timer()
    {
        DWORD net = 0xFFFFFFFF;
        int r = m_e.pGetTimerValue(m_dwStatusChannel, &net);
        Show(Format("PrGetTimerValue(%#lx)", static_cast<unsigned long>(m_dwStatusChannel)), r,
             Format("network %ld", static_cast<long>(net)));
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

    // One poll: what the printer says (preset), and what the module reports.
    void Poll(const char* pszTime, const char* pszWhat, const kbsim::StatePreset* pExpect)
    {
        int popup = -99, sound = -99, printing = -99, real = -99, simple = -99;
        int r = m_e.pGetStatus(0, &popup, &sound, &printing, &real, &simple);
        std::string detail = Format("real %4d  simple %4d  printing %3d  popup %3d  sound %3d", real, simple,
                                    printing, popup, sound);
        if (pExpect != nullptr)
            detail += Format("   [tables: real %d, simple %d]", pExpect->nRealStatus, pExpect->nSimpleStatus);
        Show(Format("%s %-22s PrGetStatus", pszTime, pszWhat), r, detail);
        Pause();
    }

    void State(const char* pszTime, const std::string& printer, const char* pszPreset)
    {
        const kbsim::StatePreset* p = kbsim::FindPreset(pszPreset);
        m_sim.SetReply(printer, p->fields);
        Poll(pszTime, pszPreset, p);
    }

    void Fault(const char* pszTime, const std::string& printer, const char* pszWhat, int nCode)
    {
        m_sim.AddFault(printer, {kbsim::Entry::GetStatus, nCode, 1, 0, kbsim::Phase::Any});
        Poll(pszTime, pszWhat, nullptr);
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

    void EndSession(const HostPrinter& p)
    {
        int r = m_e.pMonitoringEnd();
        Show("PrMonitoringEnd", r);
        r = m_e.pReleaseRegistry(p.strName.c_str(), p.strDriver.c_str(), p.strPort.c_str(), p.strModel.c_str());
        Show("PrReleaseRegistry", r);
    }

private:
    const ModuleExports& m_e;
    kbsim::Control& m_sim;
    DWORD m_dwPause;
    DWORD m_dwStatusChannel = 0;
};

void PrintLibrarySummary(const kbsim::Control& sim, uint32_t nSince)
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
    std::printf("  channels left open: %d\n", sim.OpenChannelCount());
}

}  // namespace

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    bool bInstall = true, bUninstall = false, bView = false;
    DWORD dwPause = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-install") == 0) {
            bInstall = false;
        } else if (std::strcmp(argv[i], "--uninstall") == 0) {
            bUninstall = true;
        } else if (std::strcmp(argv[i], "--view") == 0) {
            bView = true;
        } else if (std::strcmp(argv[i], "--pause") == 0 && i + 1 < argc) {
            dwPause = static_cast<DWORD>(std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: vm2pr2_demo [--no-install] [--uninstall] [--view] [--pause MS]\n");
            return 2;
        }
    }

    kit::InstallOptions options;
    kit::InstallReport report;
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
        sim.SetPrinter(kbsim::StandardPrinter(p.strName, p.strPort, c));
    }
    uint32_t nFirstCall = sim.NextSeq();

    // The host loads the printer DLL from the install folder, where the data
    // file's "PrnDll" points; the copy beside this program is the fallback.
    std::string dll = report.strInstallDir + kit::kModuleDllName;
    HMODULE hModule = LoadLibraryA(dll.c_str());
    if (hModule == nullptr) {
        dll = ExeFolder() + kit::kModuleDllName;
        hModule = LoadLibraryA(dll.c_str());
    }
    if (hModule == nullptr) {
        std::printf("cannot load K_VM2PR2.dll (error %lu)\n", GetLastError());
        return 1;
    }
    std::printf("Loaded %s\n", dll.c_str());
    ModuleExports e;
    if (!BindAll(hModule, &e)) {
        std::printf("the module lacks exports\n");
        return 1;
    }
    std::printf("  all 13 exports bound\n\n");

    Demo demo(e, sim, dwPause);
    const std::string usb = kit::MainDemoPrinter().strName;
    HostPrinter main = HostView(kit::MainDemoPrinter(), report);

    std::printf("A day of \"%s\":\n", usb.c_str());
    demo.StartSession(main);
    demo.Timer();
    demo.DeviceId();
    demo.State("08:00", usb, "ready");
    demo.State("08:05", usb, "processing");
    demo.State("08:06", usb, "printing");
    demo.State("09:10", usb, "paper-out");
    demo.State("09:12", usb, "ready");
    demo.State("10:00", usb, "ribbon-low");
    demo.State("11:15", usb, "cover-open");
    demo.State("11:16", usb, "ready");
    demo.State("13:40", usb, "paper-jam");
    demo.State("13:45", usb, "tractor-jam");
    demo.State("14:00", usb, "printing");
    demo.State("15:20", usb, "head-hot");
    demo.State("15:22", usb, "printing");
    demo.Fault("16:00", usb, "cable pulled (-5)", kbsim::kErrCommunication);
    demo.Fault("16:01", usb, "library busy (-17)", kbsim::kErrBusy);
    demo.State("16:02", usb, "no-error-code");
    demo.State("16:30", usb, "off-line");
    demo.State("16:31", usb, "self-test");
    demo.State("17:00", usb, "fatal-error");
    demo.State("17:05", usb, "ready");
    demo.PrinterData();
    demo.EndSession(main);

    const kit::PrinterSpec& lpt = kit::DemoPrinters()[0];
    std::printf("\nThe parallel printer \"%s\" loses its cable for a while:\n", lpt.strName.c_str());
    HostPrinter lptHost = HostView(lpt, report);
    demo.StartSession(lptHost);
    demo.State("09:00", lpt.strName, "ready");
    sim.AddFault(lpt.strName, {kbsim::Entry::GetStatus, kbsim::kErrCommunication, 4, 0, kbsim::Phase::SizeQuery});
    for (int i = 1; i <= 4; ++i) {
        char what[40];
        std::snprintf(what, sizeof(what), "no answer (-5), #%d", i);
        demo.Poll("09:01", what, nullptr);
    }
    demo.State("09:02", lpt.strName, "ready");
    demo.EndSession(lptHost);

    const kit::PrinterSpec& net = kit::DemoPrinters()[2];
    std::printf("\nThe network printer \"%s\":\n", net.strName.c_str());
    HostPrinter netHost = HostView(net, report);
    demo.StartSession(netHost);
    demo.Timer();
    demo.State("12:00", net.strName, "printing");
    demo.EndSession(netHost);

    if (bView) {
        std::printf("\nOpening the status window of \"%s\" (close it to go on)\n", usb.c_str());
        int r = e.pStartView(0, main.strName.c_str(), main.strDriver.c_str(), main.strPort.c_str(),
                             main.strModel.c_str(), main.strDatFile.c_str(), main.strResDll.c_str());
        Show("PrStartView", r);
    }

    PrintLibrarySummary(sim, nFirstCall);
    FreeLibrary(hModule);
    std::printf("\nDemo complete.\n");
    return 0;
}
