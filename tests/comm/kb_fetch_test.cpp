#include "comm/kb_fetch.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace {

// A library call that holds kReply and answers the size query with -4.
const std::string kReply = "@BDC ST\r\nST:04;\x0c";

int LibraryCall(void* buf, DWORD* size)
{
    DWORD need = static_cast<DWORD>(kReply.size());
    if (buf == nullptr || *size < need) {
        *size = need;
        return -4;
    }
    memcpy(buf, kReply.data(), need);
    *size = need;
    return 1;
}

const auto kAlways = [](int, DWORD) { return true; };
const auto kQuiet = [](kb::FetchStage, int, DWORD) {};

// A container that cannot hold more than 8 bytes, as a 32-bit vector cannot
// hold 2 GiB: asking for more throws std::length_error.
template <typename T>
struct Capped : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = Capped<U>;
    };
    Capped() = default;
    template <typename U>
    Capped(const Capped<U>&) {}
    T* allocate(std::size_t n)
    {
        if (n > 8) throw std::length_error("capped");
        return std::allocator<T>::allocate(n);
    }
};

}  // namespace

TEST(KbFetch, ReadsWhatTheSizeQueryAnnouncedAndNoMore)
{
    kb::FetchResult r = kb::Fetch(LibraryCall, kAlways, kQuiet);
    EXPECT_EQ(-4, r.nFirst);
    EXPECT_EQ(1, r.nSecond);
    EXPECT_EQ(kReply, std::string(r.data.begin(), r.data.end()));
    // Announces 4 bytes, then claims 4 + 1 were written: the claim is cut.
    r = kb::Fetch([](void* buf, DWORD* size) { *size = buf ? 5 : 4; return buf ? 1 : -4; }, kAlways, kQuiet);
    EXPECT_EQ(4u, r.data.size());
    EXPECT_EQ(1, kb::Fetch([](void* buf, DWORD* size) { *size = 0; return buf ? 1 : -4; }, kAlways, kQuiet).nSecond)
        << "an announced size of 0 is fetched with a buffer, not asked for again";
    EXPECT_FALSE(kb::Fetch(LibraryCall, [](int, DWORD) { return false; }, kQuiet).Fetched()) << "no second call without want";
}

// Regression: only std::bad_alloc was caught, so a size past the container's
// limit escaped as std::length_error.
TEST(KbFetch, SizeNoContainerCanHoldIsAnAllocationFailure)
{
    using Small = std::vector<unsigned char, Capped<unsigned char>>;
    kb::BasicFetchResult<Small> r;
    ASSERT_NO_THROW(r = kb::Fetch<Small>(LibraryCall, kAlways, kQuiet));
    EXPECT_TRUE(r.bNoMemory);
    EXPECT_FALSE(r.Fetched());
}
