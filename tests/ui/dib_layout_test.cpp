// The bitmap layout reader: kinds the kit has none of, the palette, broken headers
// (the kit's kinds and files: controls_test.cpp; reads past the end: fuzz_dib_layout).
#include "ui/framework/dib_layout.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// A bitmap with colour i = (red i, green 255 - i, blue 7), extra bytes added to (or cut from) its end.
struct Dib {
    std::uint32_t header = 40, bits = 8, clrUsed = 0, compression = 0, planes = 1;
    std::int32_t width = 75, height = 60;
    std::size_t colours = 256;
    long extra = 0;

    Bytes Make() const
    {
        const std::size_t entry = header == 12 ? 3 : 4, n = header == 12 ? 2 : 4;  // core header: 16-bit fields
        Bytes b(header + colours * entry + (std::abs(width) * bits + 31) / 32 * 4 * std::abs(height) + extra, 0);
        auto put = [&](std::size_t at, std::uint32_t v, std::size_t size) {
            for (std::size_t i = 0; i < size; ++i) b[at + i] = std::uint8_t(v >> (8 * i));
        };
        put(0, header, 4), put(4, width, n), put(4 + n, height, n), put(4 + 2 * n, planes, 2), put(6 + 2 * n, bits, 2);
        if (header != 12) put(16, compression, 4), put(32, clrUsed, 4);
        for (std::size_t i = 0; i < colours; ++i) put(header + i * entry, 7 | (255 - i) << 8 | i << 16, entry);
        return b;
    }
};

TEST(ParseDib, FindsTableRowsAndPaletteOfEachKindAndRefusesBrokenOnes)
{
    // Name, bitmap, colours (-1: refused, the layout left alone), offset of the rows.
    const std::tuple<const char*, Dib, int, std::size_t> cases[] = {
        {"256 colours", Dib{}, 256, 40 + 1024},
        {"core header, 256 triples", Dib{12}, 256, 12 + 768},
        {"top-down", Dib{40, 8, 0, 0, 1, 75, -60}, 256, 40 + 1024},
        {"version 5 header", Dib{124}, 256, 124 + 1024},
        {"1 bit, odd width", Dib{40, 1, 0, 0, 1, 33, 60, 2}, 2, 48},
        {"more than enough bytes", Dib{40, 8, 0, 0, 1, 75, 60, 256, 1}, 256, 40 + 1024},
        {"header size 13", Dib{13}, -1, 0},
        {"negative width", Dib{40, 8, 0, 0, 1, -75}, -1, 0},
        {"width beyond 16 bits", Dib{40, 8, 0, 0, 1, 0x10000 + 75}, -1, 0},
        {"height 0", Dib{40, 8, 0, 0, 1, 75, 0}, -1, 0},
        {"two planes", Dib{40, 8, 0, 0, 2}, -1, 0},
        {"3 bits per pixel", Dib{40, 3}, -1, 0},
        {"RLE8", Dib{40, 8, 0, 1}, -1, 0},
        {"biClrUsed 257", Dib{40, 8, 257, 0, 1, 75, 60, 257}, -1, 0},
        {"pixel rows one byte short", Dib{40, 8, 0, 0, 1, 75, 60, 256, -1}, -1, 0},
        {"core header top-down", Dib{12, 8, 0, 0, 1, 75, -60}, -1, 0},
    };
    for (const auto& [name, dib, colours, bitsOffset] : cases) {
        const Bytes b = dib.Make();
        vm2::ui::DibLayout l;
        l.nWidth = 4711;
        EXPECT_EQ(colours >= 0, vm2::ui::ParseDib(b.data(), b.size(), &l)) << name;
        if (colours < 0) {
            EXPECT_EQ(4711, l.nWidth) << name << ": the layout is left alone";
            continue;
        }
        EXPECT_TRUE(l.nWidth == dib.width && l.nHeight == 60 && int(l.nColours) == colours &&
                    l.nBitsOffset == bitsOffset)
            << name << ": " << l.nWidth << "x" << l.nHeight << ", " << l.nColours << " colours, rows at "
            << l.nBitsOffset;
        // Only a 256-entry table gives a palette, whatever the size of its entries.
        std::uint8_t rgb[256][3] = {};
        EXPECT_EQ(colours == 256, vm2::ui::ReadPalette256(b.data(), l, rgb)) << name;
        EXPECT_TRUE(colours != 256 || (rgb[1][0] == 1 && rgb[1][1] == 254 && rgb[255][0] == 255 && rgb[255][2] == 7))
            << name;
    }
}
