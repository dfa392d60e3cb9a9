// "Ask for the size, then fetch", written once for the Win32 two-call APIs
// (GetPrinter, GetPrinterDriver, GetTokenInformation, RegQueryValueEx).
// No Windows header: the host build tests it too.
#pragma once

#include <exception>
#include <vector>

namespace vm2 {

// call(buffer, capacity, &needed) makes one call and returns whether it
// succeeded; `needed` is a DWORD (unsigned long on Windows). The first call
// has no buffer; a call that fails (or succeeds without room) asking for more
// than it was given is retried with a buffer of that size, a few times if the
// size keeps growing between the calls (another process changing the value).
// On success `out` holds the bytes the call reported, never more than were
// allocated. Any failure, allocation included, leaves `out` empty.
template <typename Call>
bool FetchSized(std::vector<unsigned char>& out, Call call)
{
    constexpr int kCalls = 4;
    out.clear();
    for (int i = 0; i < kCalls; ++i) {
        const unsigned long capacity = static_cast<unsigned long>(out.size());
        unsigned long needed = 0;
        const bool ok = call(out.empty() ? nullptr : out.data(), capacity, &needed);
        if (needed <= capacity) {
            if (!ok) break;
            out.resize(needed);
            return true;
        }
        try {
            out.assign(static_cast<size_t>(needed), 0);
        } catch (const std::exception&) {
            // No memory, or a size no container can hold (2 GiB or more on
            // the 32-bit build): no buffer either way.
            break;
        }
    }
    out.clear();
    return false;
}

}  // namespace vm2
