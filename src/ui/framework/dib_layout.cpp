#include "ui/framework/dib_layout.h"

namespace vm2 {
namespace ui {

namespace {

std::uint32_t Le16(const std::uint8_t* p) { return static_cast<std::uint32_t>(p[0] | (p[1] << 8)); }

std::uint32_t Le32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// A 32-bit header field that must hold a 16-bit size: GDI reads the whole
// field, so a value beyond 16 bits would make it read more rows than the
// low 16 bits describe.
bool Size16(std::int32_t nField, int* pnOut)
{
    if (nField < -32767 || nField > 32767 || nField == 0) return false;
    *pnOut = nField < 0 ? -nField : nField;
    return true;
}

}  // namespace

bool ParseDib(const std::uint8_t* p, std::size_t n, DibLayout* pLayout)
{
    DibLayout l;
    if (p == nullptr || n < 12) return false;
    l.nHeaderSize = Le32(p);
    std::int32_t nWidth = 0;
    std::int32_t nHeight = 0;
    std::uint32_t nClrUsed = 0;
    if (l.nHeaderSize == 12) {
        nWidth = static_cast<std::int16_t>(Le16(p + 4));
        nHeight = static_cast<std::int16_t>(Le16(p + 6));
        if (Le16(p + 8) != 1) return false;
        l.nBitCount = static_cast<int>(Le16(p + 10));
        l.nEntrySize = 3;
        // Core headers have no top-down form.
        if (nHeight < 0) return false;
    } else {
        if (l.nHeaderSize < 16 || l.nHeaderSize > n || l.nHeaderSize > 0x10000) return false;
        nWidth = static_cast<std::int32_t>(Le32(p + 4));
        nHeight = static_cast<std::int32_t>(Le32(p + 8));
        if (Le16(p + 12) != 1) return false;
        l.nBitCount = static_cast<int>(Le16(p + 14));
        if (l.nHeaderSize >= 20 && Le32(p + 16) != 0) return false;  // BI_RGB only
        if (l.nHeaderSize >= 36) nClrUsed = Le32(p + 32);
    }
    if (!Size16(nWidth, &l.nWidth) || nWidth < 0 || !Size16(nHeight, &l.nHeight)) return false;
    switch (l.nBitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return false;
    }
    if (nClrUsed > 256) return false;
    if (nClrUsed != 0) l.nColours = nClrUsed;
    else if (l.nBitCount <= 8) l.nColours = 1u << l.nBitCount;
    if (l.nBitCount <= 8 && l.nColours > (1u << l.nBitCount)) return false;

    std::size_t nStride = ((static_cast<std::size_t>(l.nWidth) * static_cast<std::size_t>(l.nBitCount) + 31) / 32) * 4;
    l.nBitsOffset = l.nHeaderSize + l.nColours * l.nEntrySize;
    l.nBitsSize = nStride * static_cast<std::size_t>(l.nHeight);
    if (l.nBitsOffset > n || l.nBitsSize > n - l.nBitsOffset) return false;
    *pLayout = l;
    return true;
}

bool ParseBitmapFile(const std::uint8_t* p, std::size_t n, DibLayout* pLayout, std::size_t* pnHeaderOffset)
{
    if (p == nullptr || n <= kBitmapFileHeaderSize) return false;
    if (!ParseDib(p + kBitmapFileHeaderSize, n - kBitmapFileHeaderSize, pLayout)) return false;
    *pnHeaderOffset = kBitmapFileHeaderSize;
    return true;
}

bool ReadPalette256(const std::uint8_t* p, const DibLayout& layout, std::uint8_t (*pRgb)[3])
{
    if (!HasPalette256(layout)) return false;
    const std::uint8_t* pEntry = p + layout.nHeaderSize;
    for (int i = 0; i < 256; ++i, pEntry += layout.nEntrySize) {
        // RGBQUAD and RGBTRIPLE both start blue, green, red.
        pRgb[i][0] = pEntry[2];
        pRgb[i][1] = pEntry[1];
        pRgb[i][2] = pEntry[0];
    }
    return true;
}

}  // namespace ui
}  // namespace vm2
