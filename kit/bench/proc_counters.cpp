#include "bench/proc_counters.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <vector>

namespace bench {
namespace {

// Layouts of the system handle table (extended form first, the older form
// as a fallback), as ntdll fills them in.
struct HandleEntryEx {
    PVOID pObject;
    ULONG_PTR nPid;
    ULONG_PTR nHandle;
    ULONG dwAccess;
    USHORT wCreatorBackTrace;
    USHORT wTypeIndex;
    ULONG dwAttributes;
    ULONG dwReserved;
};
struct HandleTableEx {
    ULONG_PTR nCount;
    ULONG_PTR nReserved;
    HandleEntryEx entries[1];
};
struct HandleEntry {
    ULONG nPid;
    BYTE bType;
    BYTE bFlags;
    USHORT wHandle;
    PVOID pObject;
    ULONG dwAccess;
};
struct HandleTable {
    ULONG nCount;
    HandleEntry entries[1];
};

typedef LONG(NTAPI* NtQuerySystemInformation_t)(ULONG, PVOID, ULONG, PULONG);
constexpr ULONG kSystemHandleInformation = 16;
constexpr ULONG kSystemExtendedHandleInformation = 64;
constexpr LONG kStatusInfoLengthMismatch = static_cast<LONG>(0xC0000004L);

bool QueryTable(ULONG nClass, std::vector<BYTE>* pBuf)
{
    static auto query = reinterpret_cast<NtQuerySystemInformation_t>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (query == nullptr) return false;
    if (pBuf->size() < 64 * 1024) pBuf->resize(64 * 1024);
    for (int i = 0; i < 8; ++i) {
        ULONG needed = 0;
        LONG st = query(nClass, pBuf->data(), static_cast<ULONG>(pBuf->size()), &needed);
        if (st >= 0) return true;
        if (st != kStatusInfoLengthMismatch) return false;
        pBuf->resize(std::max<size_t>(pBuf->size() * 2, needed + 4096));
    }
    return false;
}

}  // namespace

long CountHandles()
{
    // Kept between calls: a buffer allocated per call would show up in the
    // heap figure taken beside it.
    static std::vector<BYTE> buf;
    const ULONG_PTR pid = GetCurrentProcessId();
    if (QueryTable(kSystemExtendedHandleInformation, &buf)) {
        const auto* table = reinterpret_cast<const HandleTableEx*>(buf.data());
        long n = 0;
        for (ULONG_PTR i = 0; i < table->nCount; ++i)
            if (table->entries[i].nPid == pid) ++n;
        return n;
    }
    if (QueryTable(kSystemHandleInformation, &buf)) {
        const auto* table = reinterpret_cast<const HandleTable*>(buf.data());
        long n = 0;
        for (ULONG i = 0; i < table->nCount; ++i)
            if (table->entries[i].nPid == pid) ++n;
        return n;
    }
    return -1;
}

std::uint64_t PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof(pmc);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof(pmc))) return 0;
    return pmc.PagefileUsage;
}

long long HeapBytesInUse()
{
    HANDLE heaps[64];
    DWORD n = GetProcessHeaps(64, heaps);
    if (n == 0 || n > 64) return -1;
    long long total = 0;
    for (DWORD i = 0; i < n; ++i) {
        if (!HeapLock(heaps[i])) continue;
        PROCESS_HEAP_ENTRY e = {};
        while (HeapWalk(heaps[i], &e))
            if (e.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += e.cbData;
        HeapUnlock(heaps[i]);
    }
    return total;
}

ProcessSnapshot TakeSnapshot()
{
    ProcessSnapshot s;
    s.nHandles = CountHandles();
    s.nPrivate = PrivateBytes();
    s.nHeap = HeapBytesInUse();
    return s;
}

}  // namespace bench
