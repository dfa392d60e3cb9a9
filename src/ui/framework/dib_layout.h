// Where the parts of a device-independent bitmap lie, from bytes of a file or
// a resource that anyone may have written. Pure logic: no read ever leaves
// the span given, and a bitmap GDI would read past its end is refused.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vm2 {
namespace ui {

constexpr std::size_t kBitmapFileHeaderSize = 14;

struct DibLayout {
    std::uint32_t nHeaderSize = 0;  // 12: core header; 16 or more: info header
    int nWidth = 0;                 // pixels, 1..32767
    int nHeight = 0;                // pixels, 1..32767 (rows; negative headers are top-down)
    int nBitCount = 0;              // 1, 4, 8, 16, 24 or 32
    std::uint32_t nColours = 0;     // entries of the colour table
    std::size_t nEntrySize = 4;     // 4 (RGBQUAD) or 3 (RGBTRIPLE, core header)
    std::size_t nBitsOffset = 0;    // from the header's first byte
    std::size_t nBitsSize = 0;      // bytes of pixel rows
};

// Reads the header at p[0..n). False when it is not a bitmap the module can
// draw: unknown header size or bit count, compressed pixels, a colour table
// of more than 256 entries, width or height outside 16 bits, or a colour
// table or pixel rows that end beyond n.
bool ParseDib(const std::uint8_t* p, std::size_t n, DibLayout* pLayout);

// The same for a whole bitmap file: the header follows the 14-byte file
// header. *pnHeaderOffset is where it starts.
bool ParseBitmapFile(const std::uint8_t* p, std::size_t n, DibLayout* pLayout, std::size_t* pnHeaderOffset);

// True when the bitmap has exactly 256 colours (it gets its own palette on
// palette displays).
inline bool HasPalette256(const DibLayout& layout) { return layout.nColours == 256 && layout.nBitCount <= 8; }

// The 256 colours of such a bitmap as red, green, blue, read from its colour
// table whatever its entry size. False when the bitmap has no 256 colours.
bool ReadPalette256(const std::uint8_t* p, const DibLayout& layout, std::uint8_t (*pRgb)[3]);

}  // namespace ui
}  // namespace vm2
