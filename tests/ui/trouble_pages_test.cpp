// The trouble page resource as read in place, and what a page makes of the
// dialog's buttons. The resources come from DLLs we do not control: every
// read must stay inside the bytes given.
#include "ui/status/trouble_pages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

using vm2::LayoutPage;
using vm2::PageControls;
using vm2::TroublePage;
using vm2::TroublePages;

namespace {

using Bytes = std::vector<unsigned char>;

void Put16(Bytes* b, unsigned v)
{
    b->push_back(static_cast<unsigned char>(v & 0xFF));
    b->push_back(static_cast<unsigned char>(v >> 8));
}

Bytes Resource(unsigned count, const std::vector<TroublePage>& pages, const char* title, bool zero = true)
{
    Bytes b;
    Put16(&b, count);
    for (const TroublePage& p : pages) {
        Put16(&b, p.wTextId);
        Put16(&b, p.wPictureCount);
        Put16(&b, p.wFirstBitmap);
        Put16(&b, p.wFlags);
    }
    if (title != nullptr) b.insert(b.end(), title, title + strlen(title) + (zero ? 1 : 0));
    return b;
}

// A copy on the heap of exactly the resource's size, so that the address
// sanitizer of the native build sees any read past its end.
struct Exact {
    std::unique_ptr<unsigned char[]> p;
    size_t n;
    explicit Exact(const Bytes& b) : p(new unsigned char[b.size() ? b.size() : 1]), n(b.size())
    {
        if (n) memcpy(p.get(), b.data(), n);
    }
    TroublePages Pages() const { return TroublePages(p.get(), n); }
};

}  // namespace

TEST(TroublePages, ReadsRecordsAndTheTitleAfterThem)
{
    Exact r(Resource(3, {{4001, 1, 810, 0xA}, {4002, 3, 820, 0xE}, {4003, 0, 0, 0x5}}, "Solving a printer problem"));
    TroublePages pages = r.Pages();
    EXPECT_EQ(3, pages.Count());
    TroublePage p;
    ASSERT_TRUE(pages.Page(1, &p));
    EXPECT_EQ(4002, p.wTextId);
    EXPECT_EQ(3, p.wPictureCount);
    EXPECT_EQ(820, p.wFirstBitmap);
    EXPECT_EQ(0xE, p.wFlags);
    EXPECT_EQ("Solving a printer problem", pages.Title());
}

TEST(TroublePages, MalformedResourcesStayInsideTheirBytes)
{
    struct Case {
        const char* name;
        Bytes bytes;
        int pages;
        const char* title;
    } cases[] = {
        {"empty resource", {}, 0, ""},
        {"one byte", {3}, 0, ""},
        {"no pages", Resource(0, {}, "No pages"), 0, "No pages"},
        {"count above the records, title read inside them",
         Resource(5, {{4020, 1, 810, 2}, {4023, 0, 0, 6}}, nullptr), 2, ""},
        {"half a record", Bytes{2, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 1, ""},
        {"title without its zero byte", Resource(1, {{1, 0, 0, 1}}, "Cut", false), 1, "Cut"},
        {"records reach the end exactly", Resource(1, {{1, 0, 0, 1}}, nullptr), 1, ""},
        {"count 65535", Resource(0xFFFF, {{1, 0, 0, 1}}, "x"), 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Exact r(c.bytes);
        TroublePages pages = r.Pages();
        EXPECT_EQ(c.pages, pages.Count());
        EXPECT_EQ(c.title, pages.Title());
        TroublePage p{7, 7, 7, 7};
        EXPECT_FALSE(pages.Page(pages.Count(), &p));
        EXPECT_FALSE(pages.Page(-1, &p));
        EXPECT_EQ(7, p.wTextId) << "a refused page leaves the output alone";
    }
    EXPECT_EQ(0, TroublePages(nullptr, 100).Count());
}

TEST(TroublePages, FlagsGiveTheButtons)
{
    struct Case {
        unsigned flags;
        int index;
        bool close, back, nextShown, nextEnabled, ok;
    } cases[] = {
        {0x0, 1, false, false, true, false, false},  // neither goes on nor ends: Next greyed
        {0x1, 1, false, false, false, false, true},
        {0x2, 1, false, false, true, true, false},
        {0x3, 1, false, false, true, true, false},  // Next wins over the end of the walk
        {0x4, 1, false, true, true, false, false},
        {0x8, 1, true, false, true, false, false},
        {0xF, 1, true, true, true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "flags " << c.flags);
        PageControls pc = LayoutPage(TroublePage{1, 0, 0, static_cast<uint16_t>(c.flags)}, c.index);
        EXPECT_EQ(c.close, pc.bClose);
        EXPECT_EQ(c.back, pc.bBack);
        EXPECT_EQ(c.nextShown, pc.bNextShown);
        EXPECT_EQ(c.nextEnabled, pc.bNextEnabled);
        EXPECT_EQ(c.ok, pc.bOkShown);
        EXPECT_EQ(c.ok, pc.bOkDefault);
        EXPECT_FALSE(pc.bFirstPage);
    }
    // Page 0 hands the default to Next whatever its flags, even when Next is hidden.
    PageControls first = LayoutPage(TroublePage{1, 2, 810, 0x1}, 0);
    EXPECT_TRUE(first.bFirstPage);
    EXPECT_TRUE(first.bOkShown);
    EXPECT_FALSE(first.bNextShown);
    EXPECT_TRUE(first.bPicture);
}

TEST(TroublePages, BackAndNextStopAtTheEnds)
{
    EXPECT_EQ(0, vm2::StepPage(0, -1, 3));
    EXPECT_EQ(2, vm2::StepPage(2, +1, 3));
    EXPECT_EQ(1, vm2::StepPage(0, +1, 3));
    EXPECT_EQ(1, vm2::StepPage(2, -1, 3));
    EXPECT_EQ(0, vm2::StepPage(0, +1, 1));
    EXPECT_EQ(0, vm2::StepPage(0, +1, 0));
}

TEST(TroublePages, FramesAreConsecutiveResourceIds)
{
    int ids[8] = {};
    EXPECT_EQ(3, vm2::PageFrames(TroublePage{1, 3, 820, 0}, ids, 8));
    EXPECT_EQ(820, ids[0]);
    EXPECT_EQ(822, ids[2]);
    EXPECT_EQ(0, vm2::PageFrames(TroublePage{1, 0, 820, 0}, ids, 8));
    EXPECT_EQ(2, vm2::PageFrames(TroublePage{1, 5, 0xFFFE, 0}, ids, 8)) << "no id past 65535";
    EXPECT_EQ(8, vm2::PageFrames(TroublePage{1, 60000, 1, 0}, ids, 8)) << "bounded by the caller's room";
}
