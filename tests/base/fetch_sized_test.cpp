#include "base/fetch_sized.h"

#include <gtest/gtest.h>

// A value of `actual` bytes whose size query answers `first` (it grows or
// shrinks between the calls), copied only into a buffer that holds it all.
static bool Fetch(std::vector<unsigned char>& out, unsigned long first, unsigned long actual, bool keepGrowing = false)
{
    int calls = 0;
    return vm2::FetchSized(out, [&](unsigned char* buf, unsigned long cb, unsigned long* needed) {
        *needed = calls++ == 0 ? first : actual + (keepGrowing ? calls : 0);
        if (buf == nullptr || cb < *needed) return false;
        for (unsigned long i = 0; i < *needed; ++i) buf[i] = static_cast<unsigned char>(i + 1);
        return true;
    });
}

TEST(FetchSized, RetriesWhileTheSizeGrowsAndKeepsOnlyWhatWasReported)
{
    std::vector<unsigned char> out;
    for (unsigned long first : {7ul, 8ul, 9ul}) {
        EXPECT_TRUE(Fetch(out, first, 8)) << first;
        EXPECT_EQ(8u, out.size()) << first;
        EXPECT_EQ(8, out.back());
    }
    EXPECT_FALSE(Fetch(out, 8, 8, true));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(Fetch(out, 0, 0));
}
