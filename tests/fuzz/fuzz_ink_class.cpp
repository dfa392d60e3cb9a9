// Ink classes of any four levels, checked against the rule written out plainly.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "status/status_record.h"

namespace {

std::uint16_t Expected(const std::uint8_t iq[4])
{
    auto empty = [](std::uint8_t v) { return v == 0 || v == 0xFF; };
    bool emptyOther = empty(iq[1]) || empty(iq[2]) || empty(iq[3]);
    if (empty(iq[0])) return emptyOther ? 0x1010 : 0x0010;
    if (emptyOther) return 0x1000;
    for (int k = 1; k < 4; ++k)
        if (iq[k] < iq[0]) return 0x1000;
    for (int k = 1; k < 4; ++k)
        if (iq[k] == iq[0]) return 0x1010;
    return 0x0010;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    StatusRecord r;
    std::memset(&r, 0, sizeof(r));
    std::memcpy(&r, data, size < sizeof(r) ? size : sizeof(r));
    if (vm2::GetInkClass(r) != Expected(r.IQ)) __builtin_trap();
    return 0;
}
