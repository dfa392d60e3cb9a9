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

TEST(TroublePages, ReadInsideTheirBytes)
{
    struct Case {
        const char* name;
        Bytes bytes;
        int pages;
        const char* title;
    } cases[] = {
        {"three pages and a title", Resource(3, {{4001, 1, 810, 0xA}, {4002, 3, 820, 0xE}, {4003, 0, 0, 0x5}},
                                             "Solving a printer problem"), 3, "Solving a printer problem"},
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
        if (c.pages == 0) continue;
        ASSERT_TRUE(pages.Page(c.pages - 1, &p));
        const unsigned char* last = c.bytes.data() + 2 + 8 * (c.pages - 1);
        EXPECT_EQ(last[0] | last[1] << 8, p.wTextId);
        EXPECT_EQ(last[6] | last[7] << 8, p.wFlags);
    }
    EXPECT_EQ(0, TroublePages(nullptr, 100).Count());
}

TEST(TroublePages, FlagsGiveTheButtonsAndStepsStayInside)
{
    // Neither going on nor ending greys Next; Next wins over the end of the walk.
    PageControls none = LayoutPage(TroublePage{1, 0, 0, 0}, 1), both = LayoutPage(TroublePage{1, 0, 0, 0x3}, 1);
    EXPECT_TRUE(none.bNextShown && !none.bNextEnabled && !none.bOkShown);
    EXPECT_TRUE(both.bNextShown && both.bNextEnabled && !both.bOkShown && !both.bFirstPage);
    // Page 0 hands the default to Next whatever its flags, even when Next is hidden.
    PageControls first = LayoutPage(TroublePage{1, 2, 810, 0x1}, 0);
    EXPECT_TRUE(first.bFirstPage && first.bOkShown && !first.bNextShown && first.bPicture);

    const int steps[][4] = {{0, -1, 3, 0}, {2, 1, 3, 2}, {1, 1, 3, 2}, {0, 1, 0, 0}, {0x7FFFFFFF, 1, 3, 0x7FFFFFFF}};
    for (const auto& s : steps) EXPECT_EQ(s[3], vm2::StepPage(s[0], s[1], s[2])) << s[0] << " + " << s[1];
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
