// The library's "ask for the size, then fetch" exchange, written once.
#pragma once

#include <windows.h>

#include <exception>
#include <vector>

namespace kb {

enum class FetchStage { BeforeFirst, AfterFirst, BeforeSecond, AfterSecond };

template <typename Buffer>
struct BasicFetchResult {
    static constexpr int kNotCalled = 0x7FFFFFFF;
    int nFirst = kNotCalled;   // answer to the size query (null buffer)
    int nSecond = kNotCalled;  // answer to the fetch, if it was made
    bool bNoMemory = false;    // no buffer of the claimed size could be had
    DWORD dwSize = 0;          // size the library reported last
    Buffer data;               // the fetched bytes, never more than were allocated

    bool Fetched() const { return nSecond != kNotCalled; }
    // The fetched bytes, never null: an empty reply is still a reply (one
    // that cannot be parsed), not the absence of one.
    const unsigned char* Bytes() const
    {
        static const unsigned char kEmpty = 0;
        return data.empty() ? &kEmpty : data.data();
    }
};

using FetchResult = BasicFetchResult<std::vector<unsigned char>>;

// call(buffer, &size) is one library call. After the size query, wantFetch
// (first answer, size) decides whether a buffer of that size is allocated
// and the second call made; observe(stage, answer, size) sees each step
// (the traces around the calls). Buffer is the byte container (tests give
// one with a small limit).
template <typename Buffer = std::vector<unsigned char>, typename Call, typename WantFetch, typename Observe>
BasicFetchResult<Buffer> Fetch(Call call, WantFetch wantFetch, Observe observe)
{
    BasicFetchResult<Buffer> r;
    DWORD size = 0;
    observe(FetchStage::BeforeFirst, 0, size);
    r.nFirst = call(nullptr, &size);
    r.dwSize = size;
    observe(FetchStage::AfterFirst, r.nFirst, size);
    if (!wantFetch(r.nFirst, size)) return r;
    try {
        r.data.assign(static_cast<size_t>(size), 0);
    } catch (const std::exception&) {
        // Out of memory, or a size past what a container can hold at all
        // (length_error: 2 GiB or more on the 32-bit build): either way no
        // buffer.
        r.bNoMemory = true;
        return r;
    }
    DWORD got = size;
    observe(FetchStage::BeforeSecond, 0, got);
    // A size of 0 still gets a buffer: a null one would be another size
    // query, answered -4 again instead of the (empty) reply.
    unsigned char none = 0;
    r.nSecond = call(size != 0 ? r.data.data() : &none, &got);
    r.dwSize = got;
    // The library may claim more than it was given room for: never read past it.
    if (got < size) r.data.resize(got);
    observe(FetchStage::AfterSecond, r.nSecond, got);
    return r;
}

}  // namespace kb
