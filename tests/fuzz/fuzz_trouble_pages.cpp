// The trouble page reader over resource bytes from a DLL we do not control:
// every page, the title and each page's pictures must come from inside the
// span, stepping must stay among the pages, and Next must win over OK.
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
    const int count = pages.Count();
    // Pages are the declared records that lie wholly inside, all of them.
    const std::size_t fit = size < 2 ? 0 : (size - 2) / 8;
    if (count > pages.DeclaredCount() || static_cast<std::size_t>(count) > fit ||
        (count < pages.DeclaredCount() && static_cast<std::size_t>(count) < fit))
        __builtin_trap();
    if (pages.Title().size() > size || pages.Title().find('\0') != std::string::npos) __builtin_trap();
    vm2::TroublePage outside{7, 7, 7, 7};
    if (pages.Page(count, &outside) || pages.Page(-1, &outside) || outside.wTextId != 7) __builtin_trap();
    int index = 0;
    int frames[16];
    for (int i = 0; i < count && i < 64; ++i) {
        vm2::TroublePage page;
        if (!pages.Page(i, &page)) __builtin_trap();
        int n = vm2::PageFrames(page, frames, 16);
        for (int k = 0; k < n; ++k)
            if (frames[k] != page.wFirstBitmap + k || frames[k] > 0xFFFF) __builtin_trap();
        if (n > page.wPictureCount) __builtin_trap();
        const vm2::PageControls c = vm2::LayoutPage(page, i);  // Next wins over the end of the walk
        if ((page.wFlags & vm2::kPageNext) && (!c.bNextEnabled || c.bOkShown)) __builtin_trap();
        index = vm2::StepPage(index, (page.wFlags & 1) ? -1 : 1, count);
        if (index < 0 || index >= count) __builtin_trap();
    }
    return 0;
}
