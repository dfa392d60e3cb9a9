// The trouble page resource: a page count, one 8-byte record per page and the
// dialog title, little-endian, read in place. The resource comes from a
// resource DLL we do not control, so every read is checked against its size.
// Portable: no Windows header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vm2 {

struct TroublePage {
    std::uint16_t wTextId = 0;        // string resource of the page text
    std::uint16_t wPictureCount = 0;  // 0: no picture
    std::uint16_t wFirstBitmap = 0;   // pictures wFirstBitmap .. + count - 1
    std::uint16_t wFlags = 0;
};

enum : std::uint16_t {
    kPageEndsWalk = 0x1,  // OK ends the walk here
    kPageNext = 0x2,      // Next shown and enabled; wins over kPageEndsWalk
    kPageBack = 0x4,      // Back enabled
    kPageClose = 0x8,     // close button shown and enabled
};

constexpr std::size_t kTroubleHeaderSize = 2;
constexpr std::size_t kTroubleRecordSize = 8;

class TroublePages {
public:
    TroublePages() = default;
    // The bytes stay where they are and must outlive this object.
    TroublePages(const void* pData, std::size_t nSize);

    // The count the resource declares, and how many of those records lie
    // wholly inside it: only those are pages.
    std::uint16_t DeclaredCount() const { return m_wDeclared; }
    int Count() const { return m_nCount; }
    // False (and *pPage untouched) outside 0 .. Count() - 1.
    bool Page(int nIndex, TroublePage* pPage) const;
    // The text after the declared records, up to its zero byte or the end of
    // the resource; empty when the records already reach the end.
    std::string Title() const;

private:
    const unsigned char* m_pData = nullptr;
    std::size_t m_nSize = 0;
    std::uint16_t m_wDeclared = 0;
    int m_nCount = 0;
};

// What one page makes of the dialog's controls.
struct PageControls {
    bool bPicture = false;      // picture shown (the page has pictures)
    bool bClose = false;        // close button shown and enabled
    bool bBack = false;         // Back enabled (it is always shown)
    bool bNextShown = false;
    bool bNextEnabled = false;
    bool bOkShown = false;      // OK shown and enabled
    bool bOkDefault = false;    // OK made the default button and focused
    bool bFirstPage = false;    // page 0: Next made the default and focused, whatever the flags
};

PageControls LayoutPage(const TroublePage& page, int nIndex);

// The page Back (-1) or Next (+1) goes to: stays put at either end, so a
// malformed resource cannot walk outside its pages.
int StepPage(int nIndex, int nDelta, int nCount);

// The bitmap ids of a page's pictures, at most nMax, stopping before an id
// that is no longer a 16-bit resource id. Returns how many were written.
int PageFrames(const TroublePage& page, int* pIds, int nMax);

}  // namespace vm2
