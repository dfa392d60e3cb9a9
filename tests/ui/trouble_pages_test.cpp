// The trouble page resource read in place, and a page's buttons; fuzz_trouble_pages.cpp keeps every read, picture
// id and step inside.
#include "ui/status/trouble_pages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace vm2;

namespace {

using Bytes = std::vector<unsigned char>;

// The count, the page records' 16-bit words, then the title.
Bytes Resource(std::vector<unsigned> words, const char* title)
{
    Bytes b;
    for (unsigned w : words) b.insert(b.end(), {static_cast<unsigned char>(w), static_cast<unsigned char>(w >> 8)});
    if (title != nullptr) b.insert(b.end(), title, title + strlen(title) + 1);
    return b;
}

}  // namespace

TEST(TroublePages, ReadInsideTheirBytes)
{
    struct Case {
        const char* name;
        Bytes bytes;
        int pages;
        const char* title;
    };
    const Case cases[] = {
        {"three pages, a title", Resource({3, 4001, 1, 810, 0xA, 4002, 3, 820, 0xE, 4003, 0, 0, 5}, "Help"), 3, "Help"},
        {"empty resource", {}, 0, ""},
        {"count above the records, no title", Resource({5, 4020, 1, 810, 2, 4023, 0, 0, 6}, nullptr), 2, ""},
        {"half a record", Bytes{2, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 1, ""},
        {"records reach the end exactly", Resource({1, 1, 0, 0, 1}, nullptr), 1, ""},
        {"count 65535", Resource({0xFFFF, 1, 0, 0, 1}, "x"), 1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TroublePages pages(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(c.pages, pages.Count());
        EXPECT_EQ(c.title, pages.Title());
        TroublePage p;
        EXPECT_TRUE(c.pages == 0 || (pages.Page(c.pages - 1, &p) && !memcmp(&p, &c.bytes[2 + 8 * (c.pages - 1)], 8)))
            << "the last record as it is";
    }
    EXPECT_EQ(0, TroublePages(nullptr, 100).Count());
}

TEST(TroublePages, FlagsGiveTheButtonsAndStepsStayInside)
{
    // Neither going on nor ending greys Next; Next wins over the end of the walk.
    PageControls none = LayoutPage(TroublePage{1, 0, 0, 0}, 1), both = LayoutPage(TroublePage{1, 0, 0, 0x3}, 1);
    EXPECT_TRUE(none.bNextShown && !none.bNextEnabled && !none.bOkShown);
    EXPECT_TRUE(both.bNextShown && both.bNextEnabled && !both.bOkShown && !both.bFirstPage);

    const int steps[][4] = {{0, -1, 3, 0}, {2, 1, 3, 2}, {1, 1, 3, 2}, {0, 1, 0, 0}, {0x7FFFFFFF, 1, 3, 0x7FFFFFFF}};
    for (const auto& s : steps) EXPECT_EQ(s[3], StepPage(s[0], s[1], s[2])) << s[0] << " + " << s[1];
}
