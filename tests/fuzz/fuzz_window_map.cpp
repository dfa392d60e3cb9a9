// The window register's records over section bytes another process could
// have written: any span, any content, any sequence of operations. The span
// is an exact-size allocation, so the sanitizer sees every stray access.
//
// Input: byte 0 chooses the layout; bytes 1..16 are eight operations (kind
// and key choice); the rest is the section.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "coord/window_map_records.h"

namespace {

bool IsLive(std::uint32_t h) { return (h & 1) != 0; }

constexpr std::size_t kControl = 17;
constexpr std::uint32_t kWnd = 0x12345;  // live

// A key taken from a record of the section itself, so that keys do match;
// or one of a few fixed spellings.
std::string PickKey(const vm2::MapRecords& records, std::uint8_t choice)
{
    static const char* const kFixed[] = {"", "A", "a", "Printer", "PRINTER", "LPT1:"};
    if (choice < 6 || records.Count() == 0) return kFixed[choice % 6];
    const std::uint8_t* p = records.Record(choice % records.Count());
    std::size_t n = 0;
    while (n + 1 < records.Layout().cbName && p[n] != 0) ++n;
    return std::string(reinterpret_cast<const char*>(p), n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < kControl) return 0;
    const vm2::MapLayout& layout = (data[0] & 1) ? vm2::kMapLongLayout : vm2::kMapShortLayout;
    std::vector<std::uint8_t> section(data + kControl, data + size);
    vm2::MapRecords records(section.empty() ? nullptr : section.data(), section.size(), layout);
    if (records.Count() > section.size() / layout.cbRecord) __builtin_trap();

    for (int op = 0; op < 8; ++op) {
        std::uint8_t a = data[1 + 2 * op], b = data[2 + 2 * op];
        int nKind = static_cast<int>(a >> 2) % 6 - 1;  // -1 .. 4
        std::string key = PickKey(records, b);
        switch (a & 3) {
        case 0: {
            std::uint32_t existing = 0xDEAD;
            unsigned r = vm2::RegisterInMap(records, key.c_str(), nKind, kWnd, IsLive, &existing);
            if (r > vm2::kMapUnusable) __builtin_trap();
            if (r != vm2::kMapTaken && existing != 0) __builtin_trap();
            if (r == vm2::kMapTaken && vm2::MapSlotOffset(layout, nKind) >= 0 && !IsLive(existing)) __builtin_trap();
            // A registration that succeeded is what a search finds next.
            if (r == vm2::kMapRegistered && vm2::MapSlotOffset(layout, nKind) >= 0 &&
                vm2::FindInMap(records, key.c_str(), nKind) != kWnd)
                __builtin_trap();
            break;
        }
        case 1: vm2::UnregisterInMap(records, key.c_str(), nKind); break;
        case 2: (void)vm2::FindInMap(records, key.c_str(), nKind); break;
        default:
            records.RepairEndMarker();
            if (records.Count() > 0 && records.EndMarker() < 0) __builtin_trap();
            break;
        }
    }
    return 0;
}
