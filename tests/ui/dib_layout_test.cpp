// The bitmap layout reader over headers anyone may have written: every
// kind the controls draw, and the broken ones that must not be drawn.
#include "ui/framework/dib_layout.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

using vm2::ui::DibLayout;

namespace {

void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v)
{
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v)
{
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}

struct Dib {
    std::uint32_t header = 40;
    std::int32_t width = 75;
    std::int32_t height = 60;
    std::uint32_t bits = 8;
    std::uint32_t compression = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t planes = 1;
    std::size_t colours = 256;  // entries actually written
    long extra = 0;             // bytes added to (or cut from) the pixel rows

    std::vector<std::uint8_t> Bytes() const
    {
        bool core = header == 12;
        std::size_t entry = core ? 3 : 4;
        std::size_t stride = ((static_cast<std::size_t>(width < 0 ? -width : width) * bits + 31) / 32) * 4;
        std::size_t rows = static_cast<std::size_t>(height < 0 ? -height : height) * stride;
        std::vector<std::uint8_t> b(header + colours * entry + rows + extra, 0);
        Put32(b, 0, header);
        if (core) {
            Put16(b, 4, static_cast<std::uint32_t>(width));
            Put16(b, 6, static_cast<std::uint32_t>(height));
            Put16(b, 8, planes);
            Put16(b, 10, bits);
        } else {
            Put32(b, 4, static_cast<std::uint32_t>(width));
            Put32(b, 8, static_cast<std::uint32_t>(height));
            Put16(b, 12, planes);
            Put16(b, 14, bits);
            if (header >= 20) Put32(b, 16, compression);
            if (header >= 36) Put32(b, 32, clrUsed);
        }
        // Colour i is (red i, green 255 - i, blue 7).
        for (std::size_t i = 0; i < colours && header + (i + 1) * entry <= b.size(); ++i) {
            std::uint8_t* p = &b[header + i * entry];
            p[0] = 7;
            p[1] = static_cast<std::uint8_t>(255 - i);
            p[2] = static_cast<std::uint8_t>(i);
        }
        return b;
    }
};

bool Parse(const std::vector<std::uint8_t>& b, DibLayout* l) { return vm2::ui::ParseDib(b.data(), b.size(), l); }

}  // namespace

TEST(ParseDib, FindsTableAndRowsOfEveryHeaderKind)
{
    struct Case {
        const char* name;
        Dib dib;
        std::uint32_t colours;
        std::size_t bitsOffset;
        bool palette;
    };
    const Case cases[] = {
        {"256 colours", Dib{}, 256, 40 + 1024, true},
        {"16 colours", Dib{40, 75, 60, 4, 0, 0, 1, 16}, 16, 40 + 64, false},
        {"4 of 256 (biClrUsed)", Dib{40, 75, 60, 8, 0, 4, 1, 4}, 4, 40 + 16, false},
        {"core header, 256 triples", Dib{12, 75, 60, 8, 0, 0, 1, 256}, 256, 12 + 768, true},
        {"24 bits", Dib{40, 75, 60, 24, 0, 0, 1, 0}, 0, 40, false},
        {"top-down", Dib{40, 75, -60, 8}, 256, 40 + 1024, true},
        {"version 5 header", Dib{124, 75, 60, 8}, 256, 124 + 1024, true},
        {"1 bit, odd width", Dib{40, 33, 3, 1, 0, 0, 1, 2}, 2, 48, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DibLayout l;
        ASSERT_TRUE(Parse(c.dib.Bytes(), &l));
        EXPECT_EQ(c.dib.width, l.nWidth);
        EXPECT_EQ(c.dib.height < 0 ? -c.dib.height : c.dib.height, l.nHeight);
        EXPECT_EQ(c.colours, l.nColours);
        EXPECT_EQ(c.bitsOffset, l.nBitsOffset);
        EXPECT_EQ(c.palette, vm2::ui::HasPalette256(l));
    }
}

TEST(ParseDib, RefusesBitmapsThatAreBrokenOrClaimMoreThanTheyHold)
{
    auto with = [](auto change) {
        Dib d;
        change(d);
        return d.Bytes();
    };
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {"empty", {}},
        {"shorter than a core header", std::vector<std::uint8_t>(11, 0)},
        {"header size 0", with([](Dib& d) { d.header = 0; })},
        {"header size 13", with([](Dib& d) { d.header = 13; })},
        {"header longer than the data", with([](Dib& d) { d.header = 0x7FFFFFF0; d.colours = 0; })},
        {"width 0", with([](Dib& d) { d.width = 0; })},
        {"negative width", with([](Dib& d) { d.width = -75; })},
        {"width beyond 16 bits", with([](Dib& d) { d.width = 0x10000 + 75; })},
        {"height 0", with([](Dib& d) { d.height = 0; })},
        {"two planes", with([](Dib& d) { d.planes = 2; })},
        {"3 bits per pixel", with([](Dib& d) { d.bits = 3; })},
        {"RLE8", with([](Dib& d) { d.compression = 1; })},
        {"biClrUsed 257", with([](Dib& d) { d.clrUsed = 257; d.colours = 257; })},
        {"biClrUsed above 2^bits", with([](Dib& d) { d.bits = 4; d.clrUsed = 17; d.colours = 17; })},
        {"colour table cut", with([](Dib& d) { d.colours = 100; d.extra = -76 * 60; })},
        {"pixel rows one byte short", with([](Dib& d) { d.extra = -1; })},
        {"more pixels claimed than held", with([](Dib& d) { d.height = 600; d.extra = -76 * 540; })},
        {"core header top-down", with([](Dib& d) { d.header = 12; d.height = -60; })},
    };
    for (const auto& c : cases) {
        DibLayout l;
        l.nWidth = 4711;
        EXPECT_FALSE(Parse(c.bytes, &l)) << c.name;
        EXPECT_EQ(4711, l.nWidth) << c.name << ": the layout is left alone";
    }
    // Exactly enough, and more than enough, is drawn.
    DibLayout l;
    EXPECT_TRUE(Parse(Dib{}.Bytes(), &l));
    EXPECT_TRUE(Parse(with([](Dib& d) { d.extra = 1; }), &l));
}

TEST(ParseBitmapFile, SkipsTheFileHeader)
{
    std::vector<std::uint8_t> file(vm2::ui::kBitmapFileHeaderSize, 0);
    std::vector<std::uint8_t> dib = Dib{}.Bytes();
    file.insert(file.end(), dib.begin(), dib.end());
    DibLayout l;
    std::size_t offset = 0;
    ASSERT_TRUE(vm2::ui::ParseBitmapFile(file.data(), file.size(), &l, &offset));
    EXPECT_EQ(14u, offset);
    EXPECT_FALSE(vm2::ui::ParseBitmapFile(file.data(), file.size() - 1, &l, &offset));
    EXPECT_FALSE(vm2::ui::ParseBitmapFile(file.data(), 14, &l, &offset));
}

TEST(ReadPalette256, ReadsTheColourTableWhereItIsForBothHeaderKinds)
{
    for (std::uint32_t header : {40u, 12u}) {
        SCOPED_TRACE(header);
        Dib d;
        d.header = header;
        std::vector<std::uint8_t> b = d.Bytes();
        DibLayout l;
        ASSERT_TRUE(Parse(b, &l));
        std::uint8_t rgb[256][3] = {};
        ASSERT_TRUE(vm2::ui::ReadPalette256(b.data(), l, rgb));
        for (int i : {0, 1, 100, 255}) {
            EXPECT_EQ(i, rgb[i][0]);
            EXPECT_EQ(255 - i, rgb[i][1]);
            EXPECT_EQ(7, rgb[i][2]);
        }
    }
    Dib sixteen{40, 75, 60, 4, 0, 0, 1, 16};
    std::vector<std::uint8_t> b = sixteen.Bytes();
    DibLayout l;
    ASSERT_TRUE(Parse(b, &l));
    std::uint8_t rgb[256][3];
    EXPECT_FALSE(vm2::ui::ReadPalette256(b.data(), l, rgb));
}
