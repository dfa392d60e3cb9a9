// The bitmap layout reader over headers anyone may have written: every
// kind the controls draw, and the broken ones that must not be drawn.
#include "ui/framework/dib_layout.h"

#include <gtest/gtest.h>

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
        std::size_t entry = header == 12 ? 3 : 4;
        std::size_t rows = ((std::size_t(width < 0 ? -width : width) * bits + 31) / 32) * 4 *
                           std::size_t(height < 0 ? -height : height);
        Bytes b(header + colours * entry + rows + extra, 0);
        auto put = [&](std::size_t at, std::uint32_t v, int n) {
            for (int i = 0; i < n; ++i) b[at + i] = std::uint8_t(v >> (8 * i));
        };
        put(0, header, 4);
        if (header == 12) {
            put(4, std::uint32_t(width), 2), put(6, std::uint32_t(height), 2), put(8, planes, 2), put(10, bits, 2);
        } else {
            put(4, std::uint32_t(width), 4), put(8, std::uint32_t(height), 4), put(12, planes, 2);
            put(14, bits, 2), put(16, compression, 4), put(32, clrUsed, 4);
        }
        for (std::size_t i = 0; i < colours && header + (i + 1) * entry <= b.size(); ++i)
            put(header + i * entry, 7 | (255 - i) << 8 | i << 16, int(entry));
        return b;
    }
};

bool Parse(const Bytes& b, DibLayout* l) { return vm2::ui::ParseDib(b.data(), b.size(), l); }

}  // namespace

TEST(ParseDib, FindsTableAndRowsOfEveryHeaderKind)
{
    struct Case {
        const char* name;
        Dib dib;
        std::uint32_t colours;
        std::size_t bitsOffset;
    };
    const Case cases[] = {
        {"256 colours", Dib{}, 256, 40 + 1024},
        {"16 colours", Dib{40, 4, 0, 0, 1, 75, 60, 16}, 16, 40 + 64},
        {"4 of 256 (biClrUsed)", Dib{40, 8, 4, 0, 1, 75, 60, 4}, 4, 40 + 16},
        {"core header, 256 triples", Dib{12}, 256, 12 + 768},
        {"24 bits", Dib{40, 24, 0, 0, 1, 75, 60, 0}, 0, 40},
        {"top-down", Dib{40, 8, 0, 0, 1, 75, -60}, 256, 40 + 1024},
        {"version 5 header", Dib{124}, 256, 124 + 1024},
        {"1 bit, odd width", Dib{40, 1, 0, 0, 1, 33, 60, 2}, 2, 48},
    };
    for (const Case& c : cases) {
        DibLayout l;
        ASSERT_TRUE(Parse(c.dib.Make(), &l)) << c.name;
        EXPECT_EQ(c.dib.width, l.nWidth) << c.name;
        EXPECT_EQ(60, l.nHeight) << c.name;
        EXPECT_EQ(c.colours, l.nColours) << c.name;
        EXPECT_EQ(c.bitsOffset, l.nBitsOffset) << c.name;
        EXPECT_EQ(c.colours == 256, vm2::ui::HasPalette256(l)) << c.name;
    }
    // The same behind a file header, which must be whole.
    Bytes file(vm2::ui::kBitmapFileHeaderSize, 0), dib = Dib{}.Make();
    file.insert(file.end(), dib.begin(), dib.end());
    DibLayout l;
    std::size_t offset = 0;
    ASSERT_TRUE(vm2::ui::ParseBitmapFile(file.data(), file.size(), &l, &offset));
    EXPECT_EQ(14u, offset);
    EXPECT_FALSE(vm2::ui::ParseBitmapFile(file.data(), file.size() - 1, &l, &offset));
}

TEST(ParseDib, RefusesBitmapsThatAreBrokenOrClaimMoreThanTheyHold)
{
    auto with = [](auto change) {
        Dib d;
        change(d);
        return d.Make();
    };
    const std::pair<const char*, Bytes> cases[] = {
        {"empty", {}},
        {"shorter than a core header", Bytes(11, 0)},
        {"header size 13", with([](Dib& d) { d.header = 13; })},
        {"header longer than the data", with([](Dib& d) { d.header = 0x7FFFFFF0, d.colours = 0; })},
        {"negative width", with([](Dib& d) { d.width = -75; })},
        {"width beyond 16 bits", with([](Dib& d) { d.width = 0x10000 + 75; })},
        {"height 0", with([](Dib& d) { d.height = 0; })},
        {"two planes", with([](Dib& d) { d.planes = 2; })},
        {"3 bits per pixel", with([](Dib& d) { d.bits = 3; })},
        {"RLE8", with([](Dib& d) { d.compression = 1; })},
        {"biClrUsed 257", with([](Dib& d) { d.clrUsed = d.colours = 257; })},
        {"colour table cut", with([](Dib& d) { d.colours = 100, d.extra = -76 * 60; })},
        {"pixel rows one byte short", with([](Dib& d) { d.extra = -1; })},
        {"more rows claimed than held", with([](Dib& d) { d.height = 600, d.extra = -76 * 540; })},
        {"core header top-down", with([](Dib& d) { d.header = 12, d.height = -60; })},
    };
    for (const auto& [name, bytes] : cases) {
        DibLayout l;
        l.nWidth = 4711;
        EXPECT_FALSE(Parse(bytes, &l)) << name;
        EXPECT_EQ(4711, l.nWidth) << name << ": the layout is left alone";
    }
    DibLayout l;
    EXPECT_TRUE(Parse(with([](Dib& d) { d.extra = 1; }), &l)) << "more than enough";
}

TEST(ReadPalette256, ReadsTheColourTableWhereItIsForBothHeaderKinds)
{
    for (Dib dib : {Dib{40}, Dib{12}, Dib{40, 4, 0, 0, 1, 75, 60, 16}}) {
        Bytes b = dib.Make();
        DibLayout l;
        std::uint8_t rgb[256][3] = {};
        ASSERT_TRUE(Parse(b, &l));
        ASSERT_EQ(dib.colours == 256, vm2::ui::ReadPalette256(b.data(), l, rgb)) << "only a 256-entry table";
        for (int i : {0, 1, 100, 255})
            EXPECT_TRUE(dib.colours != 256 || (rgb[i][0] == i && rgb[i][1] == 255 - i && rgb[i][2] == 7))
                << dib.header << ": " << i;
    }
}
