// The bitmap layout reader over any bytes, as a picture file or as a bitmap
// resource. The input is an exact-size allocation, so the sanitizer sees a
// read past its end; what the layout promises is read in full, as GDI would.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ui/framework/dib_layout.h"

namespace {

void TouchAll(const std::uint8_t* p, std::size_t n, const vm2::ui::DibLayout& l)
{
    if (l.nBitsOffset > n || l.nBitsSize > n - l.nBitsOffset || l.nWidth <= 0 || l.nHeight <= 0) std::abort();
    volatile std::uint8_t sink = 0;
    for (std::size_t i = 0; i < l.nBitsOffset + l.nBitsSize; ++i) sink = sink ^ p[i];
    std::uint8_t rgb[256][3];
    vm2::ui::ReadPalette256(p, l, rgb);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::uint8_t> exact(data, data + size);
    const std::uint8_t* p = exact.empty() ? nullptr : exact.data();
    vm2::ui::DibLayout l;
    if (vm2::ui::ParseDib(p, size, &l)) TouchAll(p, size, l);
    std::size_t offset = 0;
    if (vm2::ui::ParseBitmapFile(p, size, &l, &offset)) TouchAll(p + offset, size - offset, l);
    return 0;
}
