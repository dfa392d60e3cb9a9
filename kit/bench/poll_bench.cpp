// vm2pr2_poll_bench.exe: how fast PrGetStatus polls, measured against the
// floor a poll cannot go below, and whether anything grows while a host polls.
//
//   vm2pr2_poll_bench [--polls N] [--trace-polls N] [--batch N] [--profile-polls N]
//
// One run installs the kit's demo printers when missing, points the
// simulated USB printer at the "ready" reply and then, in one process:
//  - proves the handle counter by opening 50 events and seeing them;
//  - loads K_VM2PR2.dll with the trace off, opens a monitoring session and
//    polls N times, alternating batches of polls with batches of the floor
//    (the two KBGetStatus calls straight to the simulated library on a
//    channel of our own, plus the three values a poll stores, written with
//    RegSetValueEx to one key);
//  - unloads it and does the same with the trace on (the switch is read when
//    the DLL is loaded), then puts the switch back and removes the log;
//  - does the trace-off run again with 300 other printers' target keys in
//    front of the printer's own (made here, and removed afterwards; the
//    first two runs have one);
//  - loads it once more with its imports counted and timed, to show where a
//    poll's time goes.
// Handles and private bytes are taken after 100 polls and after the last.
// It prints figures; it never fails on speed. Exit code 1 only when the
// setup fails or a poll does not come back as "ready".
#include <windows.h>
#include <shlobj.h>
#include <tlhelp32.h>
#include <winspool.h>

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/import_patch.h"
#include "config/regpaths.h"
#include "bench/proc_counters.h"
#include "installer/kit_install.h"
#include "kbsim/kbsim_control.h"

namespace {

// ------------------------------------------------------------------ clock

LONGLONG g_qpf = 1;

LONGLONG Now()
{
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

double Seconds(LONGLONG ticks) { return static_cast<double>(ticks) / static_cast<double>(g_qpf); }

double Median(std::vector<double> v)
{
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

// -------------------------------------------------------- import counting

// Calls the module makes into the system, counted and timed by patching its
// import table. Only the profile pass does this; the timed runs see the
// module untouched.
struct ApiStat {
    const char* pszName = nullptr;
    long long nCalls = 0;
    LONGLONG nTicks = 0;
};
constexpr int kMaxApis = 64;
ApiStat g_api[kMaxApis];
bool g_bCounting = false;

struct Meter {
    explicit Meter(int id) : m_id(id), m_t0(Now()) {}
    ~Meter()
    {
        if (!g_bCounting) return;
        g_api[m_id].nCalls++;
        g_api[m_id].nTicks += Now() - m_t0;
    }
    int m_id;
    LONGLONG m_t0;
};

// One poll's calls, with their arguments, while g_bListing is set.
bool g_bListing = false;
std::vector<std::string> g_listing;

void Note(const char* fmt, ...)
{
    if (!g_bListing) return;
    char buf[600];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf, sizeof(buf), fmt, ap);
    va_end(ap);
    g_listing.push_back(buf);
}

const char* Text(const char* psz) { return psz == nullptr ? "(null)" : psz; }

const char* RootName(HKEY h)
{
    if (h == HKEY_CURRENT_USER) return "HKCU";
    if (h == HKEY_LOCAL_MACHINE) return "HKLM";
    if (h == HKEY_USERS) return "HKU";
    if (h == HKEY_CLASSES_ROOT) return "HKCR";
    return "key";
}

// Calls whose arguments tell where the time goes: listed with them.
enum ListedApi {
    kIdRegOpenKeyExA = 40,
    kIdRegCreateKeyExA,
    kIdRegQueryValueExA,
    kIdRegSetValueExA,
    kIdRegEnumKeyExA,
    kIdLoadLibraryA,
    kIdGetPrivateProfileStringA,
    kIdGetPrivateProfileIntA,
    kIdGetPrivateProfileSectionA,
    kIdFopen,
    kIdOpenPrinterA,
    kIdGetFileAttributesA,
};

decltype(&RegOpenKeyExA) g_pRegOpenKeyExA = &RegOpenKeyExA;
decltype(&RegCreateKeyExA) g_pRegCreateKeyExA = &RegCreateKeyExA;
decltype(&RegQueryValueExA) g_pRegQueryValueExA = &RegQueryValueExA;
decltype(&RegSetValueExA) g_pRegSetValueExA = &RegSetValueExA;
decltype(&RegEnumKeyExA) g_pRegEnumKeyExA = &RegEnumKeyExA;

LONG WINAPI ListedRegOpenKeyExA(HKEY h, LPCSTR sub, DWORD opt, REGSAM sam, PHKEY out)
{
    Note("RegOpenKeyExA     %s\\%s", RootName(h), Text(sub));
    Meter m(kIdRegOpenKeyExA);
    return g_pRegOpenKeyExA(h, sub, opt, sam, out);
}
LONG WINAPI ListedRegCreateKeyExA(HKEY h, LPCSTR sub, DWORD r, LPSTR cls, DWORD opt, REGSAM sam,
                                  LPSECURITY_ATTRIBUTES sa, PHKEY out, LPDWORD disp)
{
    Note("RegCreateKeyExA   %s\\%s", RootName(h), Text(sub));
    Meter m(kIdRegCreateKeyExA);
    return g_pRegCreateKeyExA(h, sub, r, cls, opt, sam, sa, out, disp);
}
LONG WINAPI ListedRegQueryValueExA(HKEY h, LPCSTR name, LPDWORD r, LPDWORD type, LPBYTE data, LPDWORD size)
{
    Note("RegQueryValueExA  \"%s\"", Text(name));
    Meter m(kIdRegQueryValueExA);
    return g_pRegQueryValueExA(h, name, r, type, data, size);
}
LONG WINAPI ListedRegSetValueExA(HKEY h, LPCSTR name, DWORD r, DWORD type, const BYTE* data, DWORD size)
{
    Note("RegSetValueExA    \"%s\"", Text(name));
    Meter m(kIdRegSetValueExA);
    return g_pRegSetValueExA(h, name, r, type, data, size);
}
LONG WINAPI ListedRegEnumKeyExA(HKEY h, DWORD i, LPSTR name, LPDWORD len, LPDWORD r, LPSTR cls, LPDWORD clen,
                                PFILETIME t)
{
    Meter m(kIdRegEnumKeyExA);
    LONG res = g_pRegEnumKeyExA(h, i, name, len, r, cls, clen, t);
    Note("RegEnumKeyExA     #%lu -> %s", static_cast<unsigned long>(i), res == ERROR_SUCCESS ? name : "(end)");
    return res;
}
HMODULE WINAPI ListedLoadLibraryA(LPCSTR name)
{
    Note("LoadLibraryA      %s", Text(name));
    Meter m(kIdLoadLibraryA);
    return LoadLibraryA(name);
}
DWORD WINAPI ListedGetPrivateProfileStringA(LPCSTR sec, LPCSTR key, LPCSTR def, LPSTR out, DWORD size, LPCSTR file)
{
    Note("GetPrivateProfileStringA [%s] %s", Text(sec), Text(key));
    Meter m(kIdGetPrivateProfileStringA);
    return GetPrivateProfileStringA(sec, key, def, out, size, file);
}
UINT WINAPI ListedGetPrivateProfileIntA(LPCSTR sec, LPCSTR key, INT def, LPCSTR file)
{
    Note("GetPrivateProfileIntA    [%s] %s", Text(sec), Text(key));
    Meter m(kIdGetPrivateProfileIntA);
    return GetPrivateProfileIntA(sec, key, def, file);
}
DWORD WINAPI ListedGetPrivateProfileSectionA(LPCSTR sec, LPSTR out, DWORD size, LPCSTR file)
{
    Note("GetPrivateProfileSectionA [%s]", Text(sec));
    Meter m(kIdGetPrivateProfileSectionA);
    return GetPrivateProfileSectionA(sec, out, size, file);
}
FILE* __cdecl ListedFopen(const char* name, const char* mode)
{
    Note("fopen             %s \"%s\"", Text(name), Text(mode));
    Meter m(kIdFopen);
    return fopen(name, mode);
}
BOOL WINAPI ListedOpenPrinterA(LPSTR name, LPHANDLE out, LPPRINTER_DEFAULTSA def)
{
    Note("OpenPrinterA      %s", Text(name));
    Meter m(kIdOpenPrinterA);
    return OpenPrinterA(name, out, def);
}
DWORD WINAPI ListedGetFileAttributesA(LPCSTR name)
{
    Note("GetFileAttributesA %s", Text(name));
    Meter m(kIdGetFileAttributesA);
    return GetFileAttributesA(name);
}

template <int Id, typename F>
struct Hook;
template <int Id, typename R, typename... A>
struct Hook<Id, R(WINAPI*)(A...)> {
    static inline R(WINAPI* real)(A...) = nullptr;
    static R WINAPI Call(A... a)
    {
        Meter m(Id);
        return real(a...);
    }
};

// The C runtime's functions use the C convention, a different type on i686.
template <int Id, typename F>
struct CHook;
template <int Id, typename R, typename... A>
struct CHook<Id, R(__cdecl*)(A...)> {
    static inline R(__cdecl* real)(A...) = nullptr;
    static R __cdecl Call(A... a)
    {
        Meter m(Id);
        return real(a...);
    }
};

template <int Id, typename F>
void Install(HMODULE hModule, const char* pszDll, const char* pszName, F fn)
{
    static_assert(Id < kIdRegOpenKeyExA, "counted imports run into the listed ones");
    Hook<Id, F>::real = fn;
    g_api[Id].pszName = pszName;
    bench::PatchImport(hModule, pszDll, pszName, reinterpret_cast<void*>(&Hook<Id, F>::Call));
}

template <int Id, typename F>
void InstallC(HMODULE hModule, const char* pszName, F fn)
{
    static_assert(Id < kIdRegOpenKeyExA, "counted imports run into the listed ones");
    CHook<Id, F>::real = fn;
    g_api[Id].pszName = pszName;
    bench::PatchImport(hModule, "msvcrt.dll", pszName, reinterpret_cast<void*>(&CHook<Id, F>::Call));
}

// The library's status read, reached through GetProcAddress, not the import
// table: the module's lookup of it is answered with a counting stand-in.
typedef int(__cdecl* KBGetStatus_t)(int, void*, DWORD*);
constexpr int kIdKbGetStatus = kMaxApis - 2;
constexpr int kIdGetProcAddress = kMaxApis - 1;
KBGetStatus_t g_pRealKbGetStatus = nullptr;

int __cdecl CountedKbGetStatus(int hChannel, void* pBuffer, DWORD* pdwSize)
{
    Meter m(kIdKbGetStatus);
    return g_pRealKbGetStatus(hChannel, pBuffer, pdwSize);
}

FARPROC WINAPI CountedGetProcAddress(HMODULE hModule, LPCSTR pszName)
{
    Meter m(kIdGetProcAddress);
    FARPROC p = GetProcAddress(hModule, pszName);
    if (p != nullptr && HIWORD(reinterpret_cast<ULONG_PTR>(pszName)) != 0 && std::strcmp(pszName, "KBGetStatus") == 0) {
        g_pRealKbGetStatus = reinterpret_cast<KBGetStatus_t>(reinterpret_cast<void*>(p));
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&CountedKbGetStatus));
    }
    return p;
}

void Listed(HMODULE hModule, int nId, const char* pszDll, const char* pszName, void* pHook)
{
    g_api[nId].pszName = pszName;
    bench::PatchImport(hModule, pszDll, pszName, pHook);
}
template <typename F>
void Listed(HMODULE hModule, int nId, const char* pszDll, const char* pszName, F fn)
{
    Listed(hModule, nId, pszDll, pszName, reinterpret_cast<void*>(fn));
}

#define COUNT(dll, fn) Install<__COUNTER__>(hModule, dll, #fn, &fn)
#define COUNT_C(fn) InstallC<__COUNTER__>(hModule, #fn, &fn)

void CountImports(HMODULE hModule)
{
    Listed(hModule, kIdRegOpenKeyExA, "ADVAPI32.dll", "RegOpenKeyExA", &ListedRegOpenKeyExA);
    Listed(hModule, kIdRegCreateKeyExA, "ADVAPI32.dll", "RegCreateKeyExA", &ListedRegCreateKeyExA);
    Listed(hModule, kIdRegQueryValueExA, "ADVAPI32.dll", "RegQueryValueExA", &ListedRegQueryValueExA);
    Listed(hModule, kIdRegSetValueExA, "ADVAPI32.dll", "RegSetValueExA", &ListedRegSetValueExA);
    Listed(hModule, kIdRegEnumKeyExA, "ADVAPI32.dll", "RegEnumKeyExA", &ListedRegEnumKeyExA);
    Listed(hModule, kIdLoadLibraryA, "KERNEL32.dll", "LoadLibraryA", &ListedLoadLibraryA);
    Listed(hModule, kIdGetPrivateProfileStringA, "KERNEL32.dll", "GetPrivateProfileStringA",
           &ListedGetPrivateProfileStringA);
    Listed(hModule, kIdGetPrivateProfileIntA, "KERNEL32.dll", "GetPrivateProfileIntA", &ListedGetPrivateProfileIntA);
    Listed(hModule, kIdGetPrivateProfileSectionA, "KERNEL32.dll", "GetPrivateProfileSectionA",
           &ListedGetPrivateProfileSectionA);
    Listed(hModule, kIdFopen, "msvcrt.dll", "fopen", &ListedFopen);
    Listed(hModule, kIdOpenPrinterA, "WINSPOOL.DRV", "OpenPrinterA", &ListedOpenPrinterA);
    Listed(hModule, kIdGetFileAttributesA, "KERNEL32.dll", "GetFileAttributesA", &ListedGetFileAttributesA);
    COUNT("ADVAPI32.dll", RegCloseKey);
    COUNT("ADVAPI32.dll", RegDeleteValueA);
    COUNT("ADVAPI32.dll", RegDeleteKeyA);
    COUNT("ADVAPI32.dll", OpenProcessToken);
    COUNT("ADVAPI32.dll", GetTokenInformation);
    COUNT("ADVAPI32.dll", LookupAccountSidA);
    COUNT("KERNEL32.dll", GetUserDefaultLangID);
    COUNT("KERNEL32.dll", LoadLibraryExA);
    COUNT("KERNEL32.dll", FreeLibrary);
    COUNT("KERNEL32.dll", FindResourceA);
    COUNT("KERNEL32.dll", CreateToolhelp32Snapshot);
    COUNT("KERNEL32.dll", Process32First);
    COUNT("KERNEL32.dll", Process32Next);
    COUNT("KERNEL32.dll", OpenProcess);
    COUNT("KERNEL32.dll", CloseHandle);
    COUNT("KERNEL32.dll", CreateMutexA);
    COUNT("KERNEL32.dll", WaitForSingleObject);
    COUNT("KERNEL32.dll", WaitForMultipleObjects);
    COUNT("KERNEL32.dll", GetFileAttributesExA);
    COUNT("KERNEL32.dll", WTSGetActiveConsoleSessionId);
    COUNT("KERNEL32.dll", ReleaseMutex);
    COUNT("KERNEL32.dll", CreateFileMappingA);
    COUNT("KERNEL32.dll", OpenFileMappingA);
    COUNT("KERNEL32.dll", MapViewOfFile);
    COUNT("KERNEL32.dll", UnmapViewOfFile);
    COUNT("KERNEL32.dll", GetVersionExA);
    COUNT("KERNEL32.dll", VerifyVersionInfoA);
    COUNT("KERNEL32.dll", GlobalAlloc);
    COUNT("KERNEL32.dll", GlobalFree);
    COUNT("WINSPOOL.DRV", GetPrinterA);
    COUNT("WINSPOOL.DRV", GetPrinterDataA);
    COUNT("WINSPOOL.DRV", GetPrinterDriverA);
    COUNT("WINSPOOL.DRV", ClosePrinter);
    COUNT("USER32.dll", LoadStringA);
    COUNT("USER32.dll", PostMessageA);
    COUNT_C(malloc);
    COUNT_C(calloc);
    COUNT_C(realloc);
    COUNT_C(free);
    COUNT_C(fclose);
    g_api[kIdGetProcAddress].pszName = "GetProcAddress";
    bench::PatchImport(hModule, "KERNEL32.dll", "GetProcAddress", reinterpret_cast<void*>(&CountedGetProcAddress));
    g_api[kIdKbGetStatus].pszName = "KBGetStatus (library)";
}

void ResetCounts()
{
    for (ApiStat& a : g_api) {
        a.nCalls = 0;
        a.nTicks = 0;
    }
}

// ------------------------------------------------------------- the module

struct Module {
    typedef int(__cdecl* SetRegDefaultValue_t)(const char*, const char*, const char*, const char*, const char*);
    typedef int(__cdecl* ReleaseRegistry_t)(const char*, const char*, const char*, const char*);
    typedef int(__cdecl* MonitoringStart_t)(DWORD, const char*, const char*, const char*, const char*, const char*,
                                            const char*);
    typedef int(__cdecl* MonitoringEnd_t)();
    typedef int(__cdecl* GetChannel_t)(DWORD*, DWORD*);
    typedef int(__cdecl* GetStatus_t)(int, int*, int*, int*, int*, int*);

    HMODULE h = nullptr;
    SetRegDefaultValue_t pSetRegDefaultValue = nullptr;
    ReleaseRegistry_t pReleaseRegistry = nullptr;
    MonitoringStart_t pMonitoringStart = nullptr;
    MonitoringEnd_t pMonitoringEnd = nullptr;
    GetChannel_t pGetChannel = nullptr;
    GetStatus_t pGetStatus = nullptr;

    template <typename T>
    bool Bind(const char* name, T* p)
    {
        *p = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(h, name)));
        return *p != nullptr;
    }

    bool Load(const std::string& path)
    {
        h = LoadLibraryA(path.c_str());
        if (h == nullptr) return false;
        return Bind("PrSetRegDefaultValue", &pSetRegDefaultValue) && Bind("PrReleaseRegistry", &pReleaseRegistry) &&
               Bind("PrMonitoringStart", &pMonitoringStart) && Bind("PrMonitoringEnd", &pMonitoringEnd) &&
               Bind("PrGetChannel", &pGetChannel) && Bind("PrGetStatus", &pGetStatus);
    }

    void Unload()
    {
        if (h != nullptr) FreeLibrary(h);
        h = nullptr;
    }
};

struct Printer {
    std::string strName, strDriver, strPort, strModel, strDatFile, strResDll;
};

bool StartSession(const Module& m, const Printer& p, DWORD* pdwStatusChannel)
{
    if (m.pSetRegDefaultValue(p.strName.c_str(), p.strDriver.c_str(), p.strPort.c_str(), p.strModel.c_str(),
                              p.strDatFile.c_str()) != 0)
        return false;
    if (m.pMonitoringStart(0x4B58, p.strName.c_str(), p.strDriver.c_str(), p.strPort.c_str(), p.strModel.c_str(),
                           p.strDatFile.c_str(), p.strResDll.c_str()) != 0)
        return false;
    DWORD data = 0;
    return m.pGetChannel(pdwStatusChannel, &data) == 0;
}

void EndSession(const Module& m, const Printer& p)
{
    m.pMonitoringEnd();
    m.pReleaseRegistry(p.strName.c_str(), p.strDriver.c_str(), p.strPort.c_str(), p.strModel.c_str());
}

// Polls n times; counts polls that do not answer "ready" (1, real 1, simple 1).
int Polls(const Module& m, int n, int* pnWrong)
{
    for (int i = 0; i < n; ++i) {
        int popup = -1, sound = -1, printing = -1, real = -1, simple = -1;
        int r = m.pGetStatus(0, &popup, &sound, &printing, &real, &simple);
        if (r != 1 || real != 1 || simple != 1) ++*pnWrong;
    }
    return n;
}

// -------------------------------------------------------------- the floor

// What a poll cannot avoid: the size query and the read of the library, and
// storing the reply, its channel and the communication state.
class Floor {
public:
    ~Floor() { Close(); }

    bool Open(const std::string& strLibrary, const std::string& strPrinter, DWORD dwChannel)
    {
        m_hLib = LoadLibraryA(strLibrary.c_str());
        if (m_hLib == nullptr) return false;
        auto init = reinterpret_cast<int(__cdecl*)()>(reinterpret_cast<void*>(GetProcAddress(m_hLib, "KBInitialize")));
        m_pOpen = reinterpret_cast<int(__cdecl*)(int, const char*, DWORD)>(
            reinterpret_cast<void*>(GetProcAddress(m_hLib, "KBOpenChannel")));
        m_pClose = reinterpret_cast<int(__cdecl*)(int)>(reinterpret_cast<void*>(GetProcAddress(m_hLib, "KBCloseChannel")));
        m_pRelease = reinterpret_cast<int(__cdecl*)()>(reinterpret_cast<void*>(GetProcAddress(m_hLib, "KBRelease")));
        m_pStatus = reinterpret_cast<KBGetStatus_t>(reinterpret_cast<void*>(GetProcAddress(m_hLib, "KBGetStatus")));
        if (!init || !m_pOpen || !m_pClose || !m_pRelease || !m_pStatus || init() != 0) return false;
        m_bInit = true;
        m_hChannel = m_pOpen(1, strPrinter.c_str(), dwChannel);
        m_dwChannel = dwChannel;
        if (m_hChannel < 1) return false;
        return RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &m_hKey, nullptr) ==
               ERROR_SUCCESS;
    }

    void Close()
    {
        if (m_hKey != nullptr) {
            RegCloseKey(m_hKey);
            RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
            m_hKey = nullptr;
        }
        if (m_hChannel >= 1) m_pClose(m_hChannel);
        m_hChannel = -1;
        if (m_bInit) m_pRelease();
        m_bInit = false;
        if (m_hLib != nullptr) FreeLibrary(m_hLib);
        m_hLib = nullptr;
    }

    // One poll's worth; false when the library did not deliver a reply.
    bool Poll()
    {
        DWORD size = 0;
        int r = m_pStatus(m_hChannel, nullptr, &size);
        if (r != -4 || size == 0 || size > sizeof(m_buf)) return false;
        r = m_pStatus(m_hChannel, m_buf, &size);
        if (r <= 0) return false;
        DWORD com = 1;
        RegSetValueExA(m_hKey, "Status", 0, REG_BINARY, m_buf, size);
        RegSetValueExA(m_hKey, "Channel", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&m_dwChannel), sizeof(DWORD));
        RegSetValueExA(m_hKey, "ComStatus", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&com), sizeof(DWORD));
        return true;
    }

    int Polls(int n, int* pnWrong)
    {
        for (int i = 0; i < n; ++i)
            if (!Poll()) ++*pnWrong;
        return n;
    }

private:
    static constexpr char kKey[] = "Software\\K_VM2PR2 poll bench";
    HMODULE m_hLib = nullptr;
    int(__cdecl* m_pOpen)(int, const char*, DWORD) = nullptr;
    int(__cdecl* m_pClose)(int) = nullptr;
    int(__cdecl* m_pRelease)() = nullptr;
    KBGetStatus_t m_pStatus = nullptr;
    bool m_bInit = false;
    int m_hChannel = -1;
    DWORD m_dwChannel = 0;
    HKEY m_hKey = nullptr;
    BYTE m_buf[4096];
};

// ------------------------------------------------------------ trace switch

constexpr char kTraceKey[] = "Software\\Kavro\\VLX3";

struct SavedSwitch {
    bool bPresent = false;
    DWORD dwValue = 0;
};

SavedSwitch ReadTraceSwitch()
{
    SavedSwitch s;
    HKEY h = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kTraceKey, 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS) return s;
    DWORD type = 0, size = sizeof(DWORD);
    s.bPresent = RegQueryValueExA(h, "log", nullptr, &type, reinterpret_cast<BYTE*>(&s.dwValue), &size) ==
                     ERROR_SUCCESS &&
                 type == REG_DWORD;
    RegCloseKey(h);
    return s;
}

bool WriteTraceSwitch(const SavedSwitch& s)
{
    HKEY h = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kTraceKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h, nullptr) !=
        ERROR_SUCCESS)
        return false;
    LONG r = s.bPresent ? RegSetValueExA(h, "log", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&s.dwValue), 4)
                        : RegDeleteValueA(h, "log");
    RegCloseKey(h);
    return r == ERROR_SUCCESS || (!s.bPresent && r == ERROR_FILE_NOT_FOUND);
}

std::string TraceLogPath()
{
    char folder[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, folder))) return std::string();
    return std::string(folder) + "\\VLX3_SIDM.LOG";
}

long long FileBytes(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &a)) return -1;
    return (static_cast<long long>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
}


// ------------------------------------------------------- foreign target keys

// Other printers' target keys in front of the printer's own: a lookup that
// walks the keys pays for each of them. The foreign keys name printers that
// do not exist, so the next rebuild of any printer sweeps them; the
// printer's own key is made here the way the module makes one (its defaults
// are filled by PrSetRegDefaultValue when the session starts), so no rebuild
// runs while they are in place.
constexpr char kForeignPrefix[] = "Poll bench foreign printer ";

std::string SubkeyName(int n)
{
    char name[32];
    std::snprintf(name, sizeof(name), "P%016d", n);
    return name;
}

std::string KeyName(HKEY base, const std::string& sub)
{
    char name[MAX_PATH] = "";
    DWORD size = sizeof(name);
    if (RegGetValueA(base, sub.c_str(), "Name", RRF_RT_REG_SZ, nullptr, name, &size) != ERROR_SUCCESS) return "";
    return name;
}

// Removes the foreign keys and the printer's own; with nForeign > 0 makes
// that many foreign keys and then the printer's key behind all of them.
// Returns how many keys now lie in front of the printer's key, or -1.
int CrowdTargetKeys(const std::string& strPrinter, int nForeign)
{
    HKEY base = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, vm2::regpath::kTargetByPrinter, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &base, nullptr) != ERROR_SUCCESS)
        return -1;
    std::vector<std::string> subs;
    char sub[MAX_PATH];
    for (DWORD i = 0;; ++i) {
        DWORD len = sizeof(sub);
        if (RegEnumKeyExA(base, i, sub, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        subs.push_back(sub);
    }
    int highest = -1;
    for (const std::string& s : subs) {
        std::string name = KeyName(base, s);
        if (_stricmp(name.c_str(), strPrinter.c_str()) == 0 ||
            name.compare(0, sizeof(kForeignPrefix) - 1, kForeignPrefix) == 0)
            RegDeleteTreeA(base, s.c_str());
        else if (s.size() == 17 && s[0] == 'P')
            highest = std::max(highest, std::atoi(s.c_str() + 1));
    }
    int inFront = -1;
    if (nForeign > 0) {
        auto make = [&](int n, const std::string& name) {
            HKEY key = nullptr;
            if (RegCreateKeyExA(base, SubkeyName(n).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
                ERROR_SUCCESS)
                return false;
            DWORD setting = 0, timer = 10;
            RegSetValueExA(key, "Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                           static_cast<DWORD>(name.size() + 1));
            RegSetValueExA(key, "Setting", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&setting), 4);
            RegSetValueExA(key, "Timer", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&timer), 4);
            RegCloseKey(key);
            return true;
        };
        bool ok = true;
        for (int i = 0; i < nForeign && ok; ++i) ok = make(++highest, kForeignPrefix + std::to_string(i + 1));
        ok = ok && make(++highest, strPrinter);
        inFront = 0;
        for (DWORD i = 0; ok; ++i) {
            DWORD len = sizeof(sub);
            if (RegEnumKeyExA(base, i, sub, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
                inFront = -1;
                break;
            }
            if (_stricmp(KeyName(base, sub).c_str(), strPrinter.c_str()) == 0) break;
            ++inFront;
        }
    }
    RegCloseKey(base);
    return inFront;
}

// ------------------------------------------------------------------ runs

struct RunResult {
    bool bOk = false;
    std::vector<double> pollRates, floorRates;
    double dFirstRate = 0;  // the first 100 polls, first-time costs included
    int nPolls = 0, nWrong = 0, nFloorWrong = 0;
    bench::ProcessSnapshot after100, afterAll;
    bench::ProcessSnapshot beforeLoad, afterUnload;
};

// Loads the module, polls nPolls times in batches, each batch of polls
// beside a batch of the floor, and unloads it.
RunResult Run(const std::string& strModule, const Printer& p, Floor& floor, int nPolls, int nBatch)
{
    RunResult res;
    res.beforeLoad = bench::TakeSnapshot();
    Module m;
    if (!m.Load(strModule)) {
        std::printf("  cannot load %s (error %lu)\n", strModule.c_str(), GetLastError());
        m.Unload();
        return res;
    }
    DWORD channel = 0;
    if (!StartSession(m, p, &channel)) {
        std::printf("  the monitoring session did not start\n");
        m.Unload();
        return res;
    }
    // Room for every batch's figure now, so that the bench's own vectors do
    // not grow between the two snapshots.
    res.pollRates.reserve(static_cast<size_t>(nPolls / nBatch + 2));
    res.floorRates.reserve(static_cast<size_t>(nPolls / nBatch + 2));
    const int kFirst = std::min(100, nPolls);
    LONGLONG t0 = Now();
    res.nPolls += Polls(m, kFirst, &res.nWrong);
    res.dFirstRate = kFirst / Seconds(Now() - t0);
    res.after100 = bench::TakeSnapshot();
    while (res.nPolls < nPolls) {
        int n = std::min(nBatch, nPolls - res.nPolls);
        t0 = Now();
        floor.Polls(n, &res.nFloorWrong);
        res.floorRates.push_back(n / Seconds(Now() - t0));
        t0 = Now();
        res.nPolls += Polls(m, n, &res.nWrong);
        res.pollRates.push_back(n / Seconds(Now() - t0));
    }
    res.afterAll = bench::TakeSnapshot();
    EndSession(m, p);
    m.Unload();
    res.afterUnload = bench::TakeSnapshot();
    res.bOk = true;
    return res;
}

// Polls with the module's imports counted: calls and time per poll.
void Profile(const std::string& strModule, const Printer& p, int nPolls, double dFloorUs)
{
    Module m;
    if (!m.Load(strModule)) {
        std::printf("  cannot load %s\n", strModule.c_str());
        return;
    }
    // Before the session: the library binding looks its entry points up then.
    CountImports(m.h);
    DWORD channel = 0;
    if (!StartSession(m, p, &channel)) {
        std::printf("  the monitoring session did not start\n");
        m.Unload();
        return;
    }
    int wrong = 0;
    Polls(m, 100, &wrong);
    ResetCounts();
    g_bCounting = true;
    LONGLONG t0 = Now();
    Polls(m, nPolls, &wrong);
    double total = Seconds(Now() - t0);
    g_bCounting = false;
    g_listing.clear();
    g_bListing = true;
    Polls(m, 1, &wrong);
    g_bListing = false;
    EndSession(m, p);
    m.Unload();

    std::vector<const ApiStat*> rows;
    for (const ApiStat& a : g_api)
        if (a.pszName != nullptr && a.nCalls > 0) rows.push_back(&a);
    std::sort(rows.begin(), rows.end(), [](const ApiStat* a, const ApiStat* b) { return a->nTicks > b->nTicks; });
    double pollUs = total * 1e6 / nPolls;
    std::printf("  %d polls with the imports counted: %.1f us per poll (the counting adds a little)\n", nPolls,
                pollUs);
    std::printf("  %-28s %10s %12s %8s\n", "call", "per poll", "us per poll", "share");
    double counted = 0, regCalls = 0, regUs = 0, iniCalls = 0, iniUs = 0;
    for (const ApiStat* a : rows) {
        double calls = static_cast<double>(a->nCalls) / nPolls;
        double us = Seconds(a->nTicks) * 1e6 / nPolls;
        counted += us;
        if (std::strncmp(a->pszName, "Reg", 3) == 0) {
            regCalls += calls;
            regUs += us;
        }
        if (std::strncmp(a->pszName, "GetPrivateProfile", 17) == 0) {
            iniCalls += calls;
            iniUs += us;
        }
        std::printf("  %-28s %10.2f %12.1f %7.1f%%\n", a->pszName, calls, us, 100.0 * us / pollUs);
    }
    std::printf("  %-28s %10s %12.1f %7.1f%%\n", "(the module's own code)", "", pollUs - counted,
                100.0 * (pollUs - counted) / pollUs);
    std::printf("  registry: %.1f calls, %.1f us per poll; data file reads: %.1f calls, %.1f us per poll\n",
                regCalls, regUs, iniCalls, iniUs);
    if (dFloorUs > 0)
        std::printf("  the floor is %.1f us: 2 library calls and 3 registry writes on an open key\n", dFloorUs);
    std::printf("\n  One poll, the calls that name what they touch, in order:\n");
    for (const std::string& line : g_listing) std::printf("    %s\n", line.c_str());
}

void PrintGrowth(const char* pszRun, const RunResult& r)
{
    auto delta = [](long long a, long long b) { return b - a; };
    std::printf("  %-10s handles       %10ld %10ld %+8lld\n", pszRun, r.after100.nHandles, r.afterAll.nHandles,
                delta(r.after100.nHandles, r.afterAll.nHandles));
    std::printf("  %-10s private bytes %10llu %10llu %+8lld\n", "", static_cast<unsigned long long>(r.after100.nPrivate),
                static_cast<unsigned long long>(r.afterAll.nPrivate),
                delta(static_cast<long long>(r.after100.nPrivate), static_cast<long long>(r.afterAll.nPrivate)));
    std::printf("  %-10s heap in use   %10lld %10lld %+8lld\n", "", r.after100.nHeap, r.afterAll.nHeap,
                delta(r.after100.nHeap, r.afterAll.nHeap));
    std::printf("  %-10s before loading the module / after unloading it: %ld / %ld handles, %lld / %lld heap bytes\n",
                "", r.beforeLoad.nHandles, r.afterUnload.nHandles, r.beforeLoad.nHeap, r.afterUnload.nHeap);
}

std::string ExeFolder()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string s = path;
    size_t cut = s.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : s.substr(0, cut + 1);
}

std::string FolderOf(const std::string& path)
{
    size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

}  // namespace

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    int nPolls = 10000, nTracePolls = 2000, nBatch = 500, nProfilePolls = 1000;
    for (int i = 1; i < argc; ++i) {
        auto number = [&](int* p) {
            if (i + 1 >= argc) return false;
            *p = std::atoi(argv[++i]);
            return *p > 0;
        };
        bool ok = false;
        if (std::strcmp(argv[i], "--polls") == 0) ok = number(&nPolls);
        else if (std::strcmp(argv[i], "--trace-polls") == 0) ok = number(&nTracePolls);
        else if (std::strcmp(argv[i], "--batch") == 0) ok = number(&nBatch);
        else if (std::strcmp(argv[i], "--profile-polls") == 0) ok = number(&nProfilePolls);
        if (!ok) {
            std::fprintf(stderr, "usage: vm2pr2_poll_bench [--polls N] [--trace-polls N] [--batch N] [--profile-polls N]\n");
            return 2;
        }
    }
    nPolls = std::max(nPolls, 101);
    nTracePolls = std::max(nTracePolls, 101);
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    g_qpf = f.QuadPart;

    std::printf("PrGetStatus poll benchmark\n\n");
    kit::InstallOptions options;
    kit::InstallReport report;
    if (!kit::InstallDemoPrinters(options, &report)) {
        std::printf("installing the demo printers failed: %s\n", report.strError.c_str());
        return 1;
    }
    const kit::PrinterSpec& spec = kit::MainDemoPrinter();
    Printer printer = {spec.strName, kit::kDriverName, spec.strPort, kit::kModelId, report.strProfilePath,
                       report.strInstallDir + kit::kResDllEnglish};

    kbsim::Control sim;
    if (!sim.Open() || !sim.Reset()) {
        std::printf("cannot open the simulated printers' state\n");
        return 1;
    }
    sim.DefinePrinter(kbsim::StandardPrinter(spec.strName, spec.strPort, kbsim::Connection::Usb));
    sim.SetReply(spec.strName, kbsim::FindPreset("ready")->fields);
    const DWORD kStatusChannel = 4;  // the USB printer's status channel

    std::string module = report.strInstallDir + kit::kModuleDllName;
    if (GetFileAttributesA(module.c_str()) == INVALID_FILE_ATTRIBUTES) module = ExeFolder() + kit::kModuleDllName;
    // The same file the module loads: the library beside the driver's data file.
    std::string library = FolderOf(report.strDriverDataFile) + spec.strSimDll;
    std::printf("printer   \"%s\" on %s, status channel %#lx, reply \"ready\"\n", printer.strName.c_str(),
                printer.strPort.c_str(), static_cast<unsigned long>(kStatusChannel));
    std::printf("module    %s\nlibrary   %s\npolls     %d with the trace off, %d with it on, in batches of %d beside "
                "as many floor polls\n\n",
                module.c_str(), library.c_str(), nPolls, nTracePolls, nBatch);

    // The handle counter sees handles: 50 events opened on purpose.
    {
        long before = bench::CountHandles();
        std::vector<HANDLE> events;
        for (int i = 0; i < 50; ++i) events.push_back(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        long during = bench::CountHandles();
        for (HANDLE h : events) CloseHandle(h);
        long after = bench::CountHandles();
        std::printf("handle counter: %ld handles, %ld with 50 events open (%+ld), %ld after closing them\n", before,
                    during, during - before, after);
        if (before < 0 || during - before != 50) std::printf("  !! the handle counter does not see handles\n");
    }

    Floor floor;
    if (!floor.Open(library, printer.strName, kStatusChannel)) {
        std::printf("cannot open the floor's channel through %s\n", library.c_str());
        return 1;
    }

    const SavedSwitch saved = ReadTraceSwitch();
    const std::string logPath = TraceLogPath();
    const bool bLogExisted = FileBytes(logPath) >= 0;
    long long logBefore = bLogExisted ? FileBytes(logPath) : 0;

    const int kCrowd = 300;
    const int nInFront = CrowdTargetKeys(printer.strName, 1);
    std::printf("\nrun 1: trace off, %d foreign target key(s) in front of the printer's own\n", nInFront);
    WriteTraceSwitch({true, 0});
    RunResult off = Run(module, printer, floor, nPolls, nBatch);

    std::printf("run 2: trace on (%s), %d foreign target key(s) in front\n", logPath.c_str(), nInFront);
    WriteTraceSwitch({true, 1});
    RunResult on = Run(module, printer, floor, nTracePolls, nBatch);
    long long logBytes = FileBytes(logPath) - logBefore;
    if (!bLogExisted) DeleteFileA(logPath.c_str());

    const int nCrowded = CrowdTargetKeys(printer.strName, kCrowd);
    std::printf("run 3: trace off, %d foreign target keys in front of the printer's own\n", nCrowded);
    WriteTraceSwitch({true, 0});
    RunResult crowded = Run(module, printer, floor, nPolls, nBatch);
    WriteTraceSwitch(saved);

    std::vector<double> floorRates = off.floorRates;
    floorRates.insert(floorRates.end(), on.floorRates.begin(), on.floorRates.end());
    floorRates.insert(floorRates.end(), crowded.floorRates.begin(), crowded.floorRates.end());
    double floorRate = Median(floorRates);
    double offRate = Median(off.pollRates), onRate = Median(on.pollRates), crowdedRate = Median(crowded.pollRates);

    std::printf("\nPolls per second (median of the batches; the floor's batches run between the polls' batches)\n");
    std::printf("  %-48s %10s %10s %8s\n", "", "polls/s", "us/poll", "x floor");
    auto row = [&](const std::string& name, double rate) {
        std::printf("  %-48s %10.0f %10.1f %8.2f\n", name.c_str(), rate, rate > 0 ? 1e6 / rate : 0.0,
                    rate > 0 ? floorRate / rate : 0.0);
    };
    row("floor: 2 x KBGetStatus + 3 x RegSetValueEx", floorRate);
    row("PrGetStatus, trace off, " + std::to_string(nInFront) + " foreign key(s) in front", offRate);
    row("PrGetStatus, trace off, " + std::to_string(nCrowded) + " foreign keys in front", crowdedRate);
    row("PrGetStatus, trace on, " + std::to_string(nInFront) + " foreign key(s) in front", onRate);
    std::printf("  first 100 polls after loading: %.0f polls/s (trace off), %.0f polls/s (trace on), %.0f polls/s "
                "(%d keys in front)\n",
                off.dFirstRate, on.dFirstRate, crowded.dFirstRate, nCrowded);
    if (logBytes > 0)
        std::printf("  the trace wrote %lld bytes, %.0f per poll (log %s)\n", logBytes,
                    static_cast<double>(logBytes) / std::max(on.nPolls, 1),
                    bLogExisted ? "kept: it was there before" : "removed");
    auto goal = [&](const char* what, double rate, double limit) {
        double ratio = rate > 0 ? floorRate / rate : 0.0;
        std::printf("  goal: %s costs at most %.0f x the floor: %.2f x, %s\n", what, limit, ratio,
                    ratio <= limit ? "met" : "NOT met");
    };
    goal("a poll with the trace off", offRate, 2.0);
    goal("a poll with the trace off and 300 keys in front", crowdedRate, 2.0);
    goal("a poll with the trace on", onRate, 5.0);

    std::printf("\nWhat the process holds (handles in the system table, private bytes = PagefileUsage)\n");
    std::printf("  %-10s %-13s %10s %10s %8s\n", "", "", "100 polls", "all polls", "growth");
    PrintGrowth("trace off", off);
    PrintGrowth("trace on", on);
    PrintGrowth("300 keys", crowded);
    bool grew = false;
    for (const RunResult* r : {&off, &on, &crowded})
        grew = grew || r->afterAll.nHandles != r->after100.nHandles || r->afterAll.nHeap > r->after100.nHeap ||
               r->afterAll.nPrivate > r->after100.nPrivate;
    std::printf("  goal: nothing grows between 100 and %d polls (%d with the trace on): %s\n", nPolls, nTracePolls,
                grew ? "NOT met" : "met");
    CrowdTargetKeys(printer.strName, 1);

    std::printf("\nWhere a poll's time goes\n");
    WriteTraceSwitch({true, 0});
    Profile(module, printer, nProfilePolls, floorRate > 0 ? 1e6 / floorRate : 0.0);
    WriteTraceSwitch(saved);
    floor.Close();

    CrowdTargetKeys(printer.strName, 0);
    int wrong = off.nWrong + on.nWrong + crowded.nWrong;
    int floorWrong = off.nFloorWrong + on.nFloorWrong + crowded.nFloorWrong;
    if (!off.bOk || !on.bOk || !crowded.bOk || wrong > 0 || floorWrong > 0) {
        std::printf("\n!! %d poll(s) and %d floor poll(s) did not read \"ready\"; runs %s\n", wrong, floorWrong,
                    off.bOk && on.bOk && crowded.bOk ? "completed" : "failed");
        return 1;
    }
    std::printf("\nBenchmark complete.\n");
    return 0;
}
