// Ink classes of any record: properties every answer must have, not a second
// copy of the rule (the table of cases is status_record_test's).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "status/status_record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    StatusRecord r;
    std::memset(&r, 0, sizeof(r));
    std::memcpy(&r, data, size < sizeof(r) ? size : sizeof(r));
    const std::uint16_t ink = vm2::GetInkClass(r);
    if (ink != 0x0010 && ink != 0x1000 && ink != 0x1010) __builtin_trap();

    // Only the four levels count.
    StatusRecord levels;
    std::memset(&levels, 0, sizeof(levels));
    std::memcpy(levels.IQ, r.IQ, 4);
    if (vm2::GetInkClass(levels) != ink) __builtin_trap();

    // Levels 1 to 3 are compared with level 0 alike: their order does not count.
    StatusRecord turned = levels;
    std::swap(turned.IQ[1], turned.IQ[3]);
    std::swap(turned.IQ[2], turned.IQ[3]);
    if (vm2::GetInkClass(turned) != ink) __builtin_trap();

    // 0 and 0xFF both mean "empty".
    StatusRecord flipped = levels;
    for (int k = 0; k < 4; ++k)
        if (flipped.IQ[k] == 0 || flipped.IQ[k] == 0xFF) flipped.IQ[k] ^= 0xFF;
    if (vm2::GetInkClass(flipped) != ink) __builtin_trap();

    // Four equal levels are always both classes.
    StatusRecord equal = levels;
    std::memset(equal.IQ, r.IQ[0], 4);
    if (vm2::GetInkClass(equal) != 0x1010) __builtin_trap();
    return 0;
}
