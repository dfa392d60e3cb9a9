// The benchmark's instruments, checked against what they must see under
// Wine: handles, heap blocks and private pages that the test itself makes,
// and a call redirected through the import table.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "bench/import_patch.h"
#include "bench/proc_counters.h"

namespace {

TEST(ProcCounters, HandleCountSeesEventsAndKeysComeAndGo)
{
    // The first use of a predefined key opens and keeps its own handle.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    long before = bench::CountHandles();
    ASSERT_GT(before, 0) << "the system handle table could not be read";
    std::vector<HANDLE> events;
    for (int i = 0; i < 25; ++i) events.push_back(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(bench::CountHandles(), before + 26) << "25 events and one registry key";
    RegCloseKey(key);
    for (HANDLE h : events) CloseHandle(h);
    EXPECT_EQ(bench::CountHandles(), before);
}

TEST(ProcCounters, HeapFigureMovesWithEveryAllocator)
{
    const long long before = bench::HeapBytesInUse();
    ASSERT_GE(before, 0);
    void* fromHeap = HeapAlloc(GetProcessHeap(), 0, 40000);
    void* fromRuntime = std::malloc(30000);
    ASSERT_NE(fromHeap, nullptr);
    ASSERT_NE(fromRuntime, nullptr);
    long long during = bench::HeapBytesInUse();
    EXPECT_GE(during - before, 70000) << "both blocks counted, whichever heap the runtime uses";
    std::free(fromRuntime);
    HeapFree(GetProcessHeap(), 0, fromHeap);
    EXPECT_LT(bench::HeapBytesInUse(), during - 60000);
}

TEST(ProcCounters, PrivateBytesFollowTouchedPages)
{
    const size_t kSize = 32u << 20;
    std::uint64_t before = bench::PrivateBytes();
    ASSERT_GT(before, 0u) << "PagefileUsage is 0: private memory cannot be measured";
    auto* p = static_cast<volatile char*>(VirtualAlloc(nullptr, kSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    ASSERT_NE(p, nullptr);
    for (size_t i = 0; i < kSize; i += 4096) p[i] = 1;
    std::uint64_t during = bench::PrivateBytes();
    EXPECT_GE(during, before + kSize / 2) << before << " -> " << during;
    VirtualFree(const_cast<char*>(p), 0, MEM_RELEASE);
    EXPECT_LT(bench::PrivateBytes(), during - kSize / 2);
}

DWORD WINAPI FixedTickCount() { return 12345; }

// Reads the import slot afresh on each call: inline, the compiler may keep
// the slot's first value in a register for the calls that follow.
__attribute__((noipa)) DWORD TickCountThroughImport() { return GetTickCount(); }

TEST(ImportPatch, RedirectsTheModulesOwnCallsAndPutsThemBack)
{
    HMODULE self = GetModuleHandleA(nullptr);
    void* old = nullptr;
    ASSERT_TRUE(bench::PatchImport(self, "kernel32.DLL", "GetTickCount", reinterpret_cast<void*>(&FixedTickCount),
                                   &old))
        << "the dll name is compared without case";
    EXPECT_EQ(TickCountThroughImport(), 12345u);
    ASSERT_NE(old, nullptr);
    ASSERT_TRUE(bench::PatchImport(self, "KERNEL32.dll", "GetTickCount", old));
    EXPECT_NE(TickCountThroughImport(), 12345u);
}

TEST(ImportPatch, NamesTheModuleDoesNotImportAreRefused)
{
    HMODULE self = GetModuleHandleA(nullptr);
    void* old = reinterpret_cast<void*>(1);
    EXPECT_FALSE(bench::PatchImport(self, "KERNEL32.dll", "NoSuchFunction", nullptr, &old));
    EXPECT_FALSE(bench::PatchImport(self, "NOSUCH.DLL", "GetTickCount", nullptr, &old));
    EXPECT_FALSE(bench::PatchImport(nullptr, "KERNEL32.dll", "GetTickCount", nullptr, &old));
    EXPECT_EQ(old, reinterpret_cast<void*>(1)) << "left alone on refusal";
}

}  // namespace
