// Attribute bits of any record (raw bytes, counts out of range included) for
// any status number.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "status/status_record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    StatusRecord r;
    std::memset(&r, 0, sizeof(r));
    std::memcpy(&r, data, size < sizeof(r) ? size : sizeof(r));
    std::int32_t n = 0;
    if (size > sizeof(r)) std::memcpy(&n, data + sizeof(r), size - sizeof(r) < sizeof(n) ? size - sizeof(r) : sizeof(n));

    std::uint16_t bits = vm2::GetAttributeBits(r, n);
    if ((bits & ~0x1111u) != 0) __builtin_trap();
    if (n == 2 && bits != 0x1010) __builtin_trap();
    if (n == 20 && bits != 0x0101) __builtin_trap();
    if (n != 2 && n != 20 && r.ER != 0x05 && (bits & 0x1010) != 0) __builtin_trap();  // ink bits need ER 5
    if (r.ER == 0x05 && vm2::GetInkClass(r) == 0x1010 && n != 20 && bits != 0x1010) __builtin_trap();
    return 0;
}
