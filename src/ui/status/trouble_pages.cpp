#include "ui/status/trouble_pages.h"

namespace vm2 {

namespace {

std::uint16_t ReadU16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

}  // namespace

TroublePages::TroublePages(const void* pData, std::size_t nSize)
    : m_pData(static_cast<const unsigned char*>(pData)), m_nSize(pData != nullptr ? nSize : 0)
{
    if (m_nSize < kTroubleHeaderSize) return;
    m_wDeclared = ReadU16(m_pData);
    std::size_t fit = (m_nSize - kTroubleHeaderSize) / kTroubleRecordSize;
    m_nCount = static_cast<int>(fit < m_wDeclared ? fit : m_wDeclared);
}

bool TroublePages::Page(int nIndex, TroublePage* pPage) const
{
    if (pPage == nullptr || nIndex < 0 || nIndex >= m_nCount) return false;
    const unsigned char* p = m_pData + kTroubleHeaderSize + kTroubleRecordSize * static_cast<std::size_t>(nIndex);
    pPage->wTextId = ReadU16(p);
    pPage->wPictureCount = ReadU16(p + 2);
    pPage->wFirstBitmap = ReadU16(p + 4);
    pPage->wFlags = ReadU16(p + 6);
    return true;
}

std::string TroublePages::Title() const
{
    std::size_t start = kTroubleHeaderSize + kTroubleRecordSize * static_cast<std::size_t>(m_wDeclared);
    if (m_nSize <= start) return std::string();
    const char* text = reinterpret_cast<const char*>(m_pData + start);
    std::size_t len = 0;
    while (start + len < m_nSize && text[len] != '\0') ++len;
    return std::string(text, len);
}

PageControls LayoutPage(const TroublePage& page, int nIndex)
{
    PageControls c;
    c.bPicture = page.wPictureCount > 0;
    c.bClose = (page.wFlags & kPageClose) != 0;
    c.bBack = (page.wFlags & kPageBack) != 0;
    if (page.wFlags & kPageNext) {
        c.bNextShown = c.bNextEnabled = true;
    } else if (page.wFlags & kPageEndsWalk) {
        c.bOkShown = c.bOkDefault = true;
    } else {
        c.bNextShown = true;  // a page that neither goes on nor ends: Next greyed
    }
    c.bFirstPage = nIndex == 0;
    return c;
}

int StepPage(int nIndex, int nDelta, int nCount)
{
    long next = static_cast<long>(nIndex) + nDelta;
    if (next < 0 || next >= nCount) return nIndex;
    return static_cast<int>(next);
}

int PageFrames(const TroublePage& page, int* pIds, int nMax)
{
    if (pIds == nullptr) return 0;
    int n = 0;
    for (std::uint32_t id = page.wFirstBitmap; n < page.wPictureCount && n < nMax && id <= 0xFFFF; ++id)
        pIds[n++] = static_cast<int>(id);
    return n;
}

}  // namespace vm2
