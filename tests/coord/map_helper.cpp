// A second (third, ...) process for the window register tests: see map_helper.h.
#include "coord/map_helper.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "coord/window_map.h"

using maphelper::Name;

namespace {

std::uint32_t g_seed;
std::uint32_t Next()
{
    g_seed = g_seed * 1664525u + 1013904223u;
    return g_seed >> 8;
}

HWND MakeWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "MapHelperWindow";
    RegisterClassA(&wc);  // fails harmlessly from the second window on
    return CreateWindowExA(0, "MapHelperWindow", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
}

HANDLE Event(const std::string& prefix, const char* what) { return OpenEventA(EVENT_ALL_ACCESS, FALSE, Name(prefix, what).c_str()); }

int Stress(const std::string& prefix, int index, int iterations, const char* resultFile)
{
    struct Key {
        std::string name;
        bool own, byPort;
        HWND wnd[2];
        HANDLE section[2];
        bool held[2];
    };
    const int kOwn = maphelper::kStressOwnKeys, kCount = kOwn + maphelper::kStressSharedKeys + 1;
    Key keys[kCount];
    for (int k = 0; k < kCount; ++k) {
        keys[k] = {k < kOwn ? "Own-" + std::to_string(index) + "-" + std::to_string(k)
                   : k < kCount - 1 ? maphelper::SharedKey(k - kOwn) : maphelper::LongSharedKey(),
                   k < kOwn, k == 2 || k == kOwn + 1, {MakeWindow(), MakeWindow()}, {}, {}};
        if (!keys[k].wnd[0] || !keys[k].wnd[1]) return 100;
    }
    HANDLE ready = OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, FALSE, Name(prefix, "Ready").c_str());
    HANDLE done = OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, FALSE, Name(prefix, "Done").c_str());
    HANDLE go = Event(prefix, "Go"), exitEvent = Event(prefix, "Exit");
    if (!ready || !go || !done || !exitEvent) return 101;
    ReleaseSemaphore(ready, 1, nullptr);
    if (WaitForSingleObject(go, 60000) != WAIT_OBJECT_0) return 102;

    int errors = 0;
    auto fail = [&](const char* what, const Key& key, int kind, UINT r) {
        fprintf(stderr, "helper %d: %s (key %.20s kind %d result %u)\n", index, what, key.name.c_str(), kind, r);
        ++errors;
    };
    g_seed = static_cast<std::uint32_t>(index * 7919 + 17);
    for (int it = 0; it < iterations; ++it) {
        // Mostly the keys every helper uses: that is where registrations collide.
        Key& key = keys[Next() % 10 < 7 ? kOwn + Next() % (kCount - kOwn) : Next() % kOwn];
        int kind = static_cast<int>(Next() % 2);  // MAPWND_PREFERENCE or MAPWND_STATUS
        std::string name = key.name;
        if (!key.own && Next() % 2)  // shared keys in either case
            for (char& c : name) c = static_cast<char>(c ^ (isalpha(static_cast<unsigned char>(c)) ? 0x20 : 0));
        const char* printer = key.byPort ? "" : name.c_str();
        const char* port = key.byPort ? name.c_str() : "LPT1:";
        if (key.held[kind]) {
            UnregisterMapWindow(key.section[kind], printer, port, kind, key.byPort ? TRUE : FALSE);
            CloseHandle(key.section[kind]);
            key.held[kind] = false;
            if (FindMapWindow(printer, port, kind) == key.wnd[kind]) fail("still found after unregistering", key, kind, 0);
            continue;
        }
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
            if (!existing || existing == key.wnd[kind] || !IsWindow(existing)) fail("taken by no other live window", key, kind, r);
            if (section) CloseHandle(section);
        } else {
            fail("unexpected result", key, kind, r);
        }
    }

    FILE* f = fopen(resultFile, "w");
    if (!f) return 103;
    for (const Key& key : keys)
        for (int kind = 0; kind < 2; ++kind)
            if (key.held[kind]) fprintf(f, "%d %llu %s\n", kind, static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(key.wnd[kind])), key.name.c_str());
    fclose(f);
    ReleaseSemaphore(done, 1, nullptr);
    WaitForSingleObject(exitEvent, 120000);
    return errors;
}

int Garbage(const std::string& prefix, const char* section, DWORD size, const char* pattern)
{
    HANDLE hSection = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, section);
    auto* p = hSection ? static_cast<std::uint8_t*>(MapViewOfFile(hSection, FILE_MAP_ALL_ACCESS, 0, 0, 0)) : nullptr;
    MEMORY_BASIC_INFORMATION mbi;
    if (!p || VirtualQuery(p, &mbi, sizeof(mbi)) != sizeof(mbi)) return 110;
    if (strcmp(pattern, "squat") == 0) {
        char mutexName[64];
        if (!GetWindowMapMutexName(section, mutexName, sizeof(mutexName))) return 111;
        HANDLE squat = CreateEventA(nullptr, TRUE, FALSE, mutexName);  // closed at exit
        if (!squat || GetLastError() == ERROR_ALREADY_EXISTS) return 112;
    }
    bool zero = strcmp(pattern, "zero") == 0;
    for (size_t i = 0; i < mbi.RegionSize; ++i) p[i] = zero ? 0 : static_cast<std::uint8_t>(Next());
    HANDLE ready = Event(prefix, "Ready"), exitEvent = Event(prefix, "Exit");
    if (!ready || !exitEvent) return 113;
    SetEvent(ready);
    if (strcmp(pattern, "scribble") == 0) {
        while (WaitForSingleObject(exitEvent, 0) == WAIT_TIMEOUT) {
            for (int k = 0; k < 4096; ++k) p[Next() % mbi.RegionSize] = static_cast<std::uint8_t>(Next() % 3 == 0 ? 0 : Next());
            Sleep(0);
        }
    }
    WaitForSingleObject(exitEvent, 120000);
    return 0;
}

int Hold(const std::string& prefix, const char* section, bool die)
{
    char mutexName[64];
    if (!GetWindowMapMutexName(section, mutexName, sizeof(mutexName))) return 120;
    HANDLE mutex = CreateMutexA(nullptr, FALSE, mutexName);
    DWORD w = mutex ? WaitForSingleObject(mutex, 10000) : WAIT_FAILED;
    if (w != WAIT_OBJECT_0 && w != WAIT_ABANDONED) return 121;
    if (die) {
        // The name was written over the marker, and the next marker never.
        HANDLE hSection = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, section);
        auto* p = hSection ? static_cast<std::uint8_t*>(MapViewOfFile(hSection, FILE_MAP_ALL_ACCESS, 0, 0, 0)) : nullptr;
        if (!p) return 122;
        size_t cb = strcmp(section, vm2::kMapNameShort) == 0 ? sizeof(WindowMapRecord) : sizeof(WindowMapRecord2);
        for (size_t i = 0; i < vm2::kMapRecordCount; ++i)
            if (p[i * cb] == vm2::kMapEnd) {
                memcpy(p + i * cb, "Half", 4);
                break;
            }
        ExitProcess(0);  // the mutex is abandoned
    }
    HANDLE ready = Event(prefix, "Ready"), exitEvent = Event(prefix, "Exit");
    if (!ready || !exitEvent) return 123;
    SetEvent(ready);
    WaitForSingleObject(exitEvent, 120000);
    ReleaseMutex(mutex);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 6 && strcmp(argv[1], "stress") == 0) return Stress(argv[2], atoi(argv[3]), atoi(argv[4]), argv[5]);
    if (argc >= 7 && strcmp(argv[1], "garbage") == 0) {
        g_seed = static_cast<std::uint32_t>(strtoul(argv[6], nullptr, 10));
        return Garbage(argv[2], argv[3], static_cast<DWORD>(strtoul(argv[4], nullptr, 10)), argv[5]);
    }
    if (argc >= 4 && strcmp(argv[1], "hold") == 0) return Hold(argv[2], argv[3], argc >= 5 && strcmp(argv[4], "die") == 0);
    fprintf(stderr, "map_helper: unknown mode\n");
    return 99;
}
