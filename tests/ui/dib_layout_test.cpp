// The bitmap layout reader over headers anyone may have written: every kind
// the controls draw, and the broken ones that must not be drawn. Reads past
// the end are the fuzz target's (fuzz_dib_layout), whole bitmap files the
// picture control's (controls_test.cpp).
#include "ui/framework/dib_layout.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using vm2::ui::DibLayout;
using Bytes = std::vector<std::uint8_t>;

namespace {

// A bitmap with colour i = (red i, green 255 - i, blue 7); extra bytes are
// added to (or cut from) the end.
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

}  // namespace

TEST(ParseDib, FindsTableRowsAndPaletteOfEveryHeaderKind)
{
    const struct {
        const char* name;
        Dib dib;
        std::uint32_t colours;
        std::size_t bitsOffset;
    } cases[] = {
        {"256 colours", Dib{}, 256, 40 + 1024},
        {"16 colours", Dib{40, 4, 0, 0, 1, 75, 60, 16}, 16, 40 + 64},
        {"4 of 256 (biClrUsed)", Dib{40, 8, 4, 0, 1, 75, 60, 4}, 4, 40 + 16},
        {"core header, 256 triples", Dib{12}, 256, 12 + 768},
        {"24 bits", Dib{40, 24, 0, 0, 1, 75, 60, 0}, 0, 40},
        {"top-down", Dib{40, 8, 0, 0, 1, 75, -60}, 256, 40 + 1024},
        {"version 5 header", Dib{124}, 256, 124 + 1024},
        {"1 bit, odd width", Dib{40, 1, 0, 0, 1, 33, 60, 2}, 2, 48},
        {"more than enough bytes", Dib{40, 8, 0, 0, 1, 75, 60, 256, 1}, 256, 40 + 1024},
    };
    for (const auto& c : cases) {
        const Bytes b = c.dib.Make();
        DibLayout l;
        ASSERT_TRUE(vm2::ui::ParseDib(b.data(), b.size(), &l)) << c.name;
        EXPECT_TRUE(l.nWidth == c.dib.width && l.nHeight == 60 && l.nColours == c.colours && l.nBitsOffset == c.bitsOffset)
            << c.name << ": " << l.nWidth << "x" << l.nHeight << ", " << l.nColours << " colours, rows at " << l.nBitsOffset;
        // Only a 256-entry table gives a palette, whatever the size of its entries.
        std::uint8_t rgb[256][3] = {};
        EXPECT_EQ(c.colours == 256, vm2::ui::ReadPalette256(b.data(), l, rgb)) << c.name;
        EXPECT_TRUE(c.colours != 256 || (rgb[1][0] == 1 && rgb[1][1] == 254 && rgb[255][0] == 255 && rgb[255][2] == 7))
            << c.name;
    }
}

TEST(ParseDib, RefusesBitmapsThatAreBrokenOrClaimMoreThanTheyHold)
{
    auto with = [](auto change) {
        Dib d;
        change(d);
        return d.Make();
    };
    const std::pair<const char*, Bytes> cases[] = {
        {"header size 13", with([](Dib& d) { d.header = 13; })},
        {"negative width", with([](Dib& d) { d.width = -75; })},
        {"width beyond 16 bits", with([](Dib& d) { d.width = 0x10000 + 75; })},
        {"height 0", with([](Dib& d) { d.height = 0; })},
        {"two planes", with([](Dib& d) { d.planes = 2; })},
        {"3 bits per pixel", with([](Dib& d) { d.bits = 3; })},
        {"RLE8", with([](Dib& d) { d.compression = 1; })},
        {"biClrUsed 257", with([](Dib& d) { d.clrUsed = d.colours = 257; })},
        {"pixel rows one byte short", with([](Dib& d) { d.extra = -1; })},
        {"core header top-down", with([](Dib& d) { d.header = 12, d.height = -60; })},
    };
    for (const auto& [name, bytes] : cases) {
        DibLayout l;
        l.nWidth = 4711;
        EXPECT_FALSE(vm2::ui::ParseDib(bytes.data(), bytes.size(), &l)) << name;
        EXPECT_EQ(4711, l.nWidth) << name << ": the layout is left alone";
    }
}
