#include "status/profile_info.h"

#include <cctype>
#include <cstring>
#include <new>

namespace vm2 {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\0' || c == '\n' || c == '\r'; }

// Section names are compared as the profile calls compare them: ignoring case.
bool SameLetter(char a, char b)
{
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

// "[" + name + "]" at the start of the line.
bool IsSectionHeader(const char* pszLine, const char* pszSection)
{
    if (pszSection == nullptr || pszSection[0] == '\0') return false;
    const char* p = pszLine + 1;
    for (const char* s = pszSection; *s != '\0'; ++s, ++p)
        if (*p == '\0' || !SameLetter(*p, *s)) return false;
    return *p == ']';
}

}  // namespace

bool FileLineSource::ReadLine(char* pszBuf, int nCap)
{
    return m_pFile != nullptr && std::fgets(pszBuf, nCap, m_pFile) != nullptr;
}

bool MemoryLineSource::ReadLine(char* pszBuf, int nCap)
{
    if (nCap <= 0 || m_nPos >= m_nLen) return false;
    int n = 0;
    while (n + 1 < nCap && m_nPos < m_nLen) {
        char c = m_pData[m_nPos++];
        pszBuf[n++] = c;
        if (c == '\n') break;
    }
    pszBuf[n] = '\0';
    return true;
}

std::int32_t ScanDecimal(const char* psz)
{
    if (psz == nullptr) return 0;
    while (std::isspace(static_cast<unsigned char>(*psz))) ++psz;
    bool neg = false;
    if (*psz == '+' || *psz == '-') neg = (*psz++ == '-');
    std::uint32_t v = 0;
    while (*psz >= '0' && *psz <= '9') v = v * 10u + static_cast<std::uint32_t>(*psz++ - '0');
    if (neg) v = 0u - v;
    return static_cast<std::int32_t>(v);
}

const char* ReadProfileItem(const char* psz, char* pszItem)
{
    std::size_t n = 0;
    while (IsBlank(*psz)) ++psz;
    for (; !IsLineEnd(*psz) && *psz != ','; ++psz) {
        if (*psz != '"' && n < kProfileItemMax) pszItem[n++] = *psz;
    }
    pszItem[n] = '\0';
    if (*psz == ',') ++psz;  // a comma always ends the item, between quotes too
    return psz;
}

const char* StatusLineValue(const char* pszLine)
{
    char key[kProfileItemMax + 1];
    std::size_t n = 0;
    const char* p = pszLine;
    while (IsBlank(*p)) ++p;
    for (; *p != '\0' && *p != '='; ++p) {
        if (!IsBlank(*p) && n < kProfileItemMax) key[n++] = *p;
    }
    key[n] = '\0';
    if (*p != '=') return nullptr;

    // "STATUS%02d": only the prefix counts, whatever follows the two digits.
    static const char kPrefix[] = "STATUS";
    for (std::size_t k = 0; k < sizeof(kPrefix) - 1; ++k)
        if (!SameLetter(key[k], kPrefix[k])) return nullptr;  // key[k] may be the terminator: no match
    const std::size_t d = sizeof(kPrefix) - 1;
    if (!std::isdigit(static_cast<unsigned char>(key[d])) || !std::isdigit(static_cast<unsigned char>(key[d + 1])))
        return nullptr;
    return p + 1;
}

int FillModelRows(CProfileInfo& profile, StatusEntry* pEntries, StatusPattern* pPatterns, int nRows,
                  int* pnNextFree)
{
    StatusLineFields fields;
    int n = 0;
    for (int more = profile.GetFirst(&fields); more != 0 && n < nRows; more = profile.GetNext(&fields), ++n)
        BuildModelRow(fields, pnNextFree, &pEntries[n], &pPatterns[n]);
    return n;
}

}  // namespace vm2

CProfileInfo::~CProfileInfo()
{
    Clear();
}

void CProfileInfo::Clear()
{
    CElements* p = m_pHead;
    while (p != nullptr) {
        CElements* next = p->m_pNext;
        delete p;
        p = next;
    }
    m_pHead = m_pTail = m_pCursor = nullptr;
    m_nCount = 0;
}

int CProfileInfo::LoadLines(vm2::LineSource& source, const char* pszSection, int nSectionResult)
{
    char line[vm2::kProfileLineBuf];
    bool bInSection = false;
    try {
        while (source.ReadLine(line, sizeof(line))) {
            if (line[0] == '[') {
                if (bInSection) return nSectionResult;
                bInSection = vm2::IsSectionHeader(line, pszSection);
                continue;
            }
            if (bInSection) ParseLine(line);
        }
    } catch (const std::bad_alloc&) {
        // Out of memory: the lines read so far stay, as when the file ends.
    }
    return -2;
}

bool CProfileInfo::ParseLine(const char* pszLine)
{
    const char* value = vm2::StatusLineValue(pszLine);
    if (value == nullptr) return false;

    char item[vm2::kProfileItemMax + 1];
    m_pszPos = value;
    m_pszPos = vm2::ReadProfileItem(m_pszPos, item);
    m_nST = vm2::ScanDecimal(item);
    m_pszPos = vm2::ReadProfileItem(m_pszPos, item);
    m_nER = vm2::ScanDecimal(item);
    m_pszPos = vm2::ReadProfileItem(m_pszPos, item);
    m_nWR = vm2::ScanDecimal(item);
    m_pszPos = vm2::ReadProfileItem(m_pszPos, item);
    m_strMessage1 = item;
    m_pszPos = vm2::ReadProfileItem(m_pszPos, item);
    m_strMessage2 = item;
    m_pszPos = vm2::ReadProfileItem(m_pszPos, item);
    m_nClassSelector = vm2::ScanDecimal(item);
    m_pszPos = vm2::ReadProfileItem(m_pszPos, item);
    m_nClassFlag = vm2::ScanDecimal(item);
    m_pszPos = nullptr;  // the line buffer is the caller's

    CElements* e = new CElements;
    e->m_nST = m_nST;
    e->m_nER = m_nER;
    e->m_nWR = m_nWR;
    try {
        e->m_strMessage1 = m_strMessage1;
        e->m_strMessage2 = m_strMessage2;
    } catch (...) {
        delete e;
        throw;
    }
    e->m_nClassSelector = m_nClassSelector;
    e->m_nClassFlag = m_nClassFlag;
    if (m_pTail != nullptr) m_pTail->m_pNext = e;
    else m_pHead = e;
    m_pTail = e;
    ++m_nCount;
    return true;
}

int CProfileInfo::CopyCurrent(vm2::StatusLineFields* pFields)
{
    if (m_pCursor == nullptr || pFields == nullptr) return 0;
    pFields->wST = static_cast<std::uint16_t>(m_pCursor->m_nST);
    pFields->wER = static_cast<std::uint16_t>(m_pCursor->m_nER);
    pFields->wWR = static_cast<std::uint16_t>(m_pCursor->m_nWR);
    pFields->pszMessage1 = m_pCursor->m_strMessage1.c_str();
    pFields->pszMessage2 = m_pCursor->m_strMessage2.c_str();
    pFields->nClassSelector = m_pCursor->m_nClassSelector;
    pFields->nClassFlag = m_pCursor->m_nClassFlag != 0 ? 1 : 0;
    return 1;
}

int CProfileInfo::GetFirst(vm2::StatusLineFields* pFields)
{
    m_pCursor = m_pHead;
    return CopyCurrent(pFields);
}

int CProfileInfo::GetNext(vm2::StatusLineFields* pFields)
{
    if (m_pCursor != nullptr) m_pCursor = m_pCursor->m_pNext;
    return CopyCurrent(pFields);
}
