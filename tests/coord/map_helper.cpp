// A second (third, ...) process for the window register tests: see map_helper.h.
#include "coord/map_helper.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "coord/window_map.h"

namespace {

HANDLE OpenNamedEvent(const std::string& name) { return OpenEventA(EVENT_ALL_ACCESS, FALSE, name.c_str()); }
HANDLE OpenNamedSemaphore(const std::string& name)
{
    return OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, FALSE, name.c_str());
}

struct Random {
    std::uint32_t state;
    std::uint32_t Next()
    {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
};

HWND MakeWindow()
{
    static ATOM atom = 0;
    if (atom == 0) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "MapHelperWindow";
        atom = RegisterClassA(&wc);
    }
    return CreateWindowExA(0, "MapHelperWindow", "map helper", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

std::string RandomCase(const std::string& key, Random& rnd)
{
    std::string s = key;
    switch (rnd.Next() % 3) {
    case 0: for (char& c : s) c = static_cast<char>(toupper(static_cast<unsigned char>(c))); break;
    case 1: for (char& c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c))); break;
    default: break;
    }
    return s;
}

int Stress(const std::string& prefix, int index, int iterations, const char* resultFile)
{
    struct Key {
        std::string name;
        bool own;
        bool byPort;
        HWND wnd[2];
        HANDLE section[2];
        bool held[2];
    };
    Key keys[maphelper::kStressOwnKeys + maphelper::kStressSharedKeys + 1];
    int n = 0;
    for (int k = 0; k < maphelper::kStressOwnKeys; ++k)
        keys[n++] = {maphelper::OwnKey(index, k), true, k == 2, {}, {}, {}};
    for (int k = 0; k < maphelper::kStressSharedKeys; ++k)
        keys[n++] = {maphelper::SharedKey(k), false, k == 1, {}, {}, {}};
    keys[n++] = {maphelper::LongSharedKey(), false, false, {}, {}, {}};
    for (Key& key : keys)
        for (int kind = 0; kind < 2; ++kind) {
            key.wnd[kind] = MakeWindow();
            if (!key.wnd[kind]) return 100;
        }

    HANDLE ready = OpenNamedSemaphore(maphelper::Ready(prefix));
    HANDLE go = OpenNamedEvent(maphelper::Go(prefix));
    HANDLE done = OpenNamedSemaphore(maphelper::Done(prefix));
    HANDLE exitEvent = OpenNamedEvent(maphelper::Exit(prefix));
    if (!ready || !go || !done || !exitEvent) return 101;
    ReleaseSemaphore(ready, 1, nullptr);
    if (WaitForSingleObject(go, 60000) != WAIT_OBJECT_0) return 102;

    int errors = 0;
    auto fail = [&](const char* what, const Key& key, int kind, UINT r) {
        fprintf(stderr, "helper %d: %s (key %.20s kind %d result %u)\n", index, what, key.name.c_str(), kind, r);
        ++errors;
    };
    Random rnd{static_cast<std::uint32_t>(index * 7919 + 17)};
    for (int it = 0; it < iterations; ++it) {
        // Mostly the keys every helper uses: that is where registrations collide.
        int pick = rnd.Next() % 10 < 7 ? maphelper::kStressOwnKeys + static_cast<int>(rnd.Next() % (n - maphelper::kStressOwnKeys))
                                       : static_cast<int>(rnd.Next() % maphelper::kStressOwnKeys);
        Key& key = keys[pick];
        int kind = static_cast<int>(rnd.Next() % 2);  // MAPWND_PREFERENCE or MAPWND_STATUS
        std::string name = key.own ? key.name : RandomCase(key.name, rnd);
        const char* printer = key.byPort ? "" : name.c_str();
        const char* port = key.byPort ? name.c_str() : "LPT1:";
        if (key.held[kind]) {
            UnregisterMapWindow(key.section[kind], printer, port, kind, key.byPort ? TRUE : FALSE);
            CloseHandle(key.section[kind]);
            key.held[kind] = false;
            if (FindMapWindow(printer, port, kind) == key.wnd[kind]) fail("still found after unregistering", key, kind, 0);
        } else {
            HWND existing = reinterpret_cast<HWND>(1);
            HANDLE section = nullptr;
            UINT r = RegisterMapWindow(printer, port, kind, key.wnd[kind], &existing, &section);
            if (r == 0) {
                key.held[kind] = true;
                key.section[kind] = section;
                if (!section) fail("registered without a section handle", key, kind, r);
                if (FindMapWindow(printer, port, kind) != key.wnd[kind]) fail("registered but not found", key, kind, r);
            } else if (r == 1) {
                if (key.own) fail("own key taken", key, kind, r);
                if (!existing || existing == key.wnd[kind] || !IsWindow(existing))
                    fail("taken by a window that is not another live one", key, kind, r);
                if (section) CloseHandle(section);
            } else {
                fail("unexpected result", key, kind, r);
            }
        }
    }

    FILE* f = fopen(resultFile, "w");
    if (!f) return 103;
    for (const Key& key : keys)
        for (int kind = 0; kind < 2; ++kind)
            if (key.held[kind])
                fprintf(f, "%d %llu %s\n", kind,
                        static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(key.wnd[kind])),
                        key.name.c_str());
    fclose(f);
    ReleaseSemaphore(done, 1, nullptr);
    WaitForSingleObject(exitEvent, 120000);
    return errors;
}

int Garbage(const std::string& prefix, const char* section, DWORD size, const char* pattern, std::uint32_t seed)
{
    HANDLE hSection = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, section);
    if (!hSection) return 110;
    auto* p = static_cast<std::uint8_t*>(MapViewOfFile(hSection, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (!p) return 111;
    MEMORY_BASIC_INFORMATION mbi;
    if (VirtualQuery(p, &mbi, sizeof(mbi)) != sizeof(mbi)) return 112;
    size_t cb = mbi.RegionSize;

    Random rnd{seed};
    bool scribble = strcmp(pattern, "scribble") == 0;
    HANDLE squat = nullptr;
    if (strcmp(pattern, "squat") == 0) {
        char mutexName[64];
        if (!GetWindowMapMutexName(section, mutexName, sizeof(mutexName))) return 113;
        squat = CreateEventA(nullptr, TRUE, FALSE, mutexName);
        if (!squat || GetLastError() == ERROR_ALREADY_EXISTS) return 114;
    }
    for (size_t i = 0; i < cb; ++i) {
        std::uint8_t v;
        if (strcmp(pattern, "letters") == 0) v = 'A' + i % 26;        // no terminator, no marker
        else if (strcmp(pattern, "zero") == 0) v = 0;                  // all free, no marker
        else if (strcmp(pattern, "ff") == 0) v = 0xFF;                 // marker everywhere
        else if (strcmp(pattern, "noff") == 0) v = 1 + rnd.Next() % 254;  // all in use, no marker
        else v = static_cast<std::uint8_t>(rnd.Next());
        p[i] = v;
    }

    HANDLE ready = OpenEventA(EVENT_ALL_ACCESS, FALSE, maphelper::Ready(prefix).c_str());
    HANDLE exitEvent = OpenEventA(EVENT_ALL_ACCESS, FALSE, maphelper::Exit(prefix).c_str());
    if (!ready || !exitEvent) return 115;
    SetEvent(ready);
    if (scribble) {
        while (WaitForSingleObject(exitEvent, 0) == WAIT_TIMEOUT) {
            for (int k = 0; k < 4096; ++k) p[rnd.Next() % cb] = static_cast<std::uint8_t>(rnd.Next() % 3 == 0 ? 0 : rnd.Next());
            Sleep(0);
        }
    } else {
        WaitForSingleObject(exitEvent, 120000);
    }
    if (squat) CloseHandle(squat);
    UnmapViewOfFile(p);
    CloseHandle(hSection);
    return 0;
}

int LockOf(const char* section, HANDLE* pMutex)
{
    char mutexName[64];
    if (!GetWindowMapMutexName(section, mutexName, sizeof(mutexName))) return 120;
    *pMutex = CreateMutexA(nullptr, FALSE, mutexName);
    if (!*pMutex) return 121;
    DWORD w = WaitForSingleObject(*pMutex, 10000);
    return (w == WAIT_OBJECT_0 || w == WAIT_ABANDONED) ? 0 : 122;
}

int Abandon(const char* section)
{
    HANDLE hSection = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, section);
    if (!hSection) return 130;
    auto* p = static_cast<std::uint8_t*>(MapViewOfFile(hSection, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (!p) return 131;
    HANDLE mutex = nullptr;
    if (int rc = LockOf(section, &mutex)) return rc;
    // A writer that put the name over the marker and died before writing the
    // next one: the end marker is gone.
    size_t cbRecord = strcmp(section, vm2::kMapNameShort) == 0 ? sizeof(WindowMapRecord) : sizeof(WindowMapRecord2);
    for (size_t i = 0; i < vm2::kMapRecordCount; ++i) {
        std::uint8_t* r = p + i * cbRecord;
        if (r[0] == vm2::kMapEnd) {
            memcpy(r, "Half", 4);
            break;
        }
    }
    ExitProcess(0);  // the mutex is still held: it is abandoned
}

int Hold(const std::string& prefix, const char* section)
{
    HANDLE mutex = nullptr;
    if (int rc = LockOf(section, &mutex)) return rc;
    HANDLE ready = OpenEventA(EVENT_ALL_ACCESS, FALSE, maphelper::Ready(prefix).c_str());
    HANDLE exitEvent = OpenEventA(EVENT_ALL_ACCESS, FALSE, maphelper::Exit(prefix).c_str());
    if (!ready || !exitEvent) return 123;
    SetEvent(ready);
    WaitForSingleObject(exitEvent, 120000);
    ReleaseMutex(mutex);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 6 && strcmp(argv[1], "stress") == 0)
        return Stress(argv[2], atoi(argv[3]), atoi(argv[4]), argv[5]);
    if (argc >= 7 && strcmp(argv[1], "garbage") == 0)
        return Garbage(argv[2], argv[3], static_cast<DWORD>(strtoul(argv[4], nullptr, 10)), argv[5],
                       static_cast<std::uint32_t>(strtoul(argv[6], nullptr, 10)));
    if (argc >= 4 && strcmp(argv[1], "abandon") == 0) return Abandon(argv[3]);
    if (argc >= 4 && strcmp(argv[1], "hold") == 0) return Hold(argv[2], argv[3]);
    fprintf(stderr, "map_helper: unknown mode\n");
    return 99;
}
