// vm2pr2_view_bench.exe: what an open status window costs and how fast it
// follows the printer.
//
//   vm2pr2_view_bench [--seconds N] [--changes N] [--cycles N]
//
// Against the kit's simulated USB printer, with K_VM2PR2.dll loaded as a
// host loads it and PrStartView run on a thread of its own:
//  - the process's CPU time over N seconds (default 60) of an open window on
//    a ready printer: the polling thread sleeps between its passes;
//  - the delay from a change of the printer's status to the new text in the
//    window, for N changes (default 6), against the polling interval;
//  - N open/close cycles (default 100) each way out (OK, close box, the
//    pop-up closing itself when the printer recovers, suspend), with the
//    process's GDI and USER objects, handles, threads and the library
//    counted before and after.
// It prints figures and never fails on them. Exit code 1 only when the setup
// fails or a window does not come up.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "bench/proc_counters.h"
#include "harness/gui_objects.h"
#include "installer/kit_install.h"
#include "kbsim/kbsim_control.h"

namespace {

using StartView_t = int(__cdecl*)(int, const char*, const char*, const char*, const char*, const char*, const char*);
using SetRegDefaultValue_t = int(__cdecl*)(const char*, const char*, const char*, const char*, const char*);

struct Setup {
    std::string strPrinter, strPort, strResDll;
    StartView_t pStartView = nullptr;
    kbsim::Control* pSim = nullptr;
};

double CpuSeconds()
{
    FILETIME c, e, k, u;
    GetProcessTimes(GetCurrentProcess(), &c, &e, &k, &u);
    auto secs = [](const FILETIME& f) {
        return static_cast<double>((static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 1e7;
    };
    return secs(k) + secs(u);
}

struct FindTitle {
    std::string suffix;
    HWND h;
};

BOOL CALLBACK MatchTitle(HWND h, LPARAM l)
{
    auto* f = reinterpret_cast<FindTitle*>(l);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    char title[512] = "";
    GetWindowTextA(h, title, sizeof(title));
    std::string t = title;
    if (pid != GetCurrentProcessId() || t.size() < f->suffix.size() ||
        t.compare(t.size() - f->suffix.size(), std::string::npos, f->suffix) != 0)
        return TRUE;
    f->h = h;
    return FALSE;
}

// The status window of this process for the printer (its title ends with
// " : " and the printer's name).
HWND FindStatusWindow(const std::string& strPrinter)
{
    FindTitle find{" : " + strPrinter, nullptr};
    EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&find));
    return find.h;
}

template <typename F>
bool WaitFor(DWORD ms, const F& done)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < ms; Sleep(5))
        if (done()) return true;
    return done();
}

std::string MessageText(HWND h)
{
    char text[1024] = "";
    GetWindowTextA(GetDlgItem(h, 212), text, sizeof(text));
    return text;
}

// Runs a window of nViewType while user() acts on it here; false when no
// window came up.
template <typename F>
bool WithWindow(const Setup& s, int nViewType, const F& user)
{
    std::thread host([&] {
        s.pStartView(nViewType, s.strPrinter.c_str(), kit::kDriverName, s.strPort.c_str(), kit::kModelId, "",
                     s.strResDll.c_str());
    });
    HWND h = nullptr;
    bool bFound = WaitFor(10000, [&] { return (h = FindStatusWindow(s.strPrinter)) != nullptr; });
    if (bFound) user(h);
    else std::printf("  !! no status window came up\n");
    if (bFound && IsWindow(h)) PostMessageA(h, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    host.join();
    return bFound;
}

// GDI objects (display DCs and their regions left out: Wine caches them
// across windows, and the module makes neither), USER objects, threads,
// handles and whether the library is loaded, as one line.
std::string Held(const std::string& strLibrary)
{
    int gdi = 0;
    for (UINT_PTR h = 1; h < 0x10000; ++h) {
        DWORD type = GetObjectType(reinterpret_cast<HGDIOBJ>(h));
        gdi += type != 0 && type != OBJ_DC && type != OBJ_REGION;
    }
    vm2test::GuiObjects user = vm2test::CountGuiObjects();
    const int threads = vm2test::CountThreads();
    char line[256];
    std::snprintf(line, sizeof(line), "gdi %d, icons %d, menus %d, windows %d, threads %d, handles %ld, library %s",
                  gdi, user.nIcons, user.nMenus, user.nWindows, threads, bench::CountHandles(),
                  GetModuleHandleA(strLibrary.c_str()) != nullptr ? "loaded" : "not loaded");
    return line;
}

}  // namespace

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    int nSeconds = 60, nChanges = 6, nCycles = 100;
    for (int i = 1; i + 1 < argc; i += 2) {
        int n = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--seconds") == 0) nSeconds = n;
        else if (std::strcmp(argv[i], "--changes") == 0) nChanges = n;
        else if (std::strcmp(argv[i], "--cycles") == 0) nCycles = n;
    }

    std::printf("Status window benchmark\n\n");
    // Without a window manager Wine waits seconds on each hide and focus
    // change of a window it lets the window manager handle (this prefix is
    // the benchmark's own).
    HKEY hX11 = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hX11,
                        nullptr) == ERROR_SUCCESS) {
        RegSetValueExA(hX11, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
        RegCloseKey(hX11);
    }
    kit::InstallOptions options;
    kit::InstallReport report;
    if (!kit::InstallDemoPrinters(options, &report)) {
        std::printf("installing the demo printers failed: %s\n", report.strError.c_str());
        return 1;
    }
    const kit::PrinterSpec& spec = kit::MainDemoPrinter();
    kbsim::Control sim;
    if (!sim.Open() || !sim.Reset()) {
        std::printf("cannot open the simulated printers' state\n");
        return 1;
    }
    sim.DefinePrinter(kbsim::StandardPrinter(spec.strName, spec.strPort, kbsim::Connection::Usb));
    sim.SetReply(spec.strName, kbsim::FindPreset("ready")->fields);

    HMODULE hModule = LoadLibraryA((report.strInstallDir + kit::kModuleDllName).c_str());
    Setup s{spec.strName, spec.strPort, report.strInstallDir + kit::kResDllEnglish, nullptr, &sim};
    auto pSetDefaults = reinterpret_cast<SetRegDefaultValue_t>(
        reinterpret_cast<void*>(GetProcAddress(hModule, "PrSetRegDefaultValue")));
    s.pStartView = reinterpret_cast<StartView_t>(reinterpret_cast<void*>(GetProcAddress(hModule, "PrStartView")));
    if (pSetDefaults == nullptr || s.pStartView == nullptr ||
        pSetDefaults(s.strPrinter.c_str(), kit::kDriverName, s.strPort.c_str(), kit::kModelId, nullptr) != 0) {
        std::printf("cannot load %s%s\n", report.strInstallDir.c_str(), kit::kModuleDllName);
        return 1;
    }
    const double interval = std::atof(options.strLocalTimer.c_str());
    std::printf("printer   \"%s\" on %s, polling interval %.0f s\n\n", s.strPrinter.c_str(), s.strPort.c_str(),
                interval);

    bool ok = WithWindow(s, 2, [&](HWND h) {
        Sleep(1500);  // the first pass is done
        double cpu0 = CpuSeconds();
        Sleep(static_cast<DWORD>(nSeconds) * 1000);
        double cpu = CpuSeconds() - cpu0;
        double passes = nSeconds / interval;
        std::printf("idle window, ready printer: %.1f ms CPU over %d s, %.0f passes: %.2f ms per pass, %.3f%% of "
                    "one core\n",
                    cpu * 1000, nSeconds, passes, cpu * 1000 / passes, cpu * 100 / nSeconds);

        std::printf("\nstatus changes reaching the window (interval %.0f s):\n", interval);
        double worst = 0;
        for (int i = 0; i < nChanges; ++i) {
            const char* preset = i % 2 == 0 ? "paper-out" : "ready";
            std::string before = MessageText(h);
            Sleep(static_cast<DWORD>(rand() % 2000));  // anywhere in the interval
            LARGE_INTEGER f, t0, t1;
            QueryPerformanceFrequency(&f);
            QueryPerformanceCounter(&t0);
            sim.SetReply(s.strPrinter, kbsim::FindPreset(preset)->fields);
            bool seen = WaitFor(static_cast<DWORD>(interval * 3000), [&] { return MessageText(h) != before; });
            QueryPerformanceCounter(&t1);
            double d = static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(f.QuadPart);
            worst = d > worst ? d : worst;
            std::printf("  to %-10s %6.2f s%s\n", preset, d, seen ? "" : "  !! not seen");
        }
        std::printf("  longest %.2f s: %s one interval\n", worst, worst <= interval + 0.5 ? "within" : "!! beyond");
        PostMessageA(h, WM_COMMAND, IDOK, 0);
    });
    if (!ok) return 1;
    sim.SetReply(s.strPrinter, kbsim::FindPreset("ready")->fields);

    std::printf("\n%d open/close cycles each way:\n", nCycles);
    struct Way {
        const char* pszWay;
        int nViewType;
        UINT uMsg;
        WPARAM wParam;
    } const ways[] = {{"OK", 2, WM_COMMAND, IDOK},
                {"close box", 2, WM_SYSCOMMAND, SC_CLOSE},
                {"recovery", 1, 0, 0},  // the pop-up closes itself at the first pass on a ready printer
                {"suspend", 2, WM_POWERBROADCAST, PBT_APMSUSPEND}};
    auto cycle = [&](const Way& w) {
        return WithWindow(s, w.nViewType, [&](HWND h) {
            WaitFor(5000, [&] { return IsWindowVisible(h) != FALSE; });
            if (w.uMsg != 0) PostMessageA(h, w.uMsg, w.wParam, 0);
            WaitFor(static_cast<DWORD>(interval * 2000), [&] { return !IsWindow(h); });
        });
    };
    // What the first windows load for the process stays.
    for (const auto& w : ways)
        if (!cycle(w)) return 1;
    for (const auto& w : ways) {
        std::string before = Held(spec.strSimDll);
        for (int i = 0; i < nCycles; ++i)
            if (!cycle(w)) return 1;
        std::string after = Held(spec.strSimDll);
        std::printf("  %-10s before: %s\n  %-10s after:  %s%s\n", w.pszWay, before.c_str(), "", after.c_str(),
                    before == after ? "" : "  !! changed");
    }
    FreeLibrary(hModule);
    return 0;
}
