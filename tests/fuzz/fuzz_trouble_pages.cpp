// The trouble page reader over resource bytes from a DLL we do not control:
// every page, the title and each page's layout must come from inside the span.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "ui/status/trouble_pages.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // An exact-size copy: a read past the end is a heap overflow to ASan.
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[size ? size : 1]);
    if (size) memcpy(copy.get(), data, size);
    vm2::TroublePages pages(copy.get(), size);
    volatile std::size_t sink = pages.Title().size();
    int index = 0;
    int frames[16];
    for (int i = 0; i < pages.Count() && i < 64; ++i) {
        vm2::TroublePage page;
        if (!pages.Page(i, &page)) __builtin_trap();
        vm2::PageControls c = vm2::LayoutPage(page, i);
        sink = sink + c.bNextShown + static_cast<std::size_t>(vm2::PageFrames(page, frames, 16));
        index = vm2::StepPage(index, (page.wFlags & 1) ? -1 : 1, pages.Count());
        if (index < 0 || index >= pages.Count()) __builtin_trap();
    }
    (void)sink;
    return 0;
}
