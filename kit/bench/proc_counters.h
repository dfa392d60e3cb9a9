// What a process holds, counted in ways that also work under Wine, which
// answers GetProcessHandleCount and PrivateUsage with 0.
#pragma once

#include <cstdint>

namespace bench {

// The process's handles, counted in the system handle table; -1 when the
// table cannot be read.
long CountHandles();

// Private (anonymous) memory: PagefileUsage of GetProcessMemoryInfo.
std::uint64_t PrivateBytes();

// Bytes in busy blocks of every heap of the process; -1 when the heaps
// cannot be listed. Moves by the byte where PrivateBytes moves by pages.
long long HeapBytesInUse();

struct ProcessSnapshot {
    long nHandles = -1;
    std::uint64_t nPrivate = 0;
    long long nHeap = -1;
};

ProcessSnapshot TakeSnapshot();

}  // namespace bench
