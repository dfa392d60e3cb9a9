// The model status lines of a data file: "STATUS%02d=ST,ER,WR,message 1,
// message 2,class selector,class flag" inside the file's language section.
// Portable: no Windows header (the file is found and opened in
// profile_info_win.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "status/status_tables.h"

namespace vm2 {

// Lines are read 520 bytes at a time, as fgets with that limit reads them: a
// longer line comes back in pieces, each handled as a line of its own.
constexpr int kProfileLineBuf = 520;
constexpr std::size_t kProfileItemMax = 519;

// A source of text lines with fgets' contract: false at the end; otherwise up
// to cap-1 bytes, stopping after a newline, always terminated.
class LineSource {
public:
    virtual ~LineSource() = default;
    virtual bool ReadLine(char* pszBuf, int nCap) = 0;
};

class FileLineSource : public LineSource {
public:
    explicit FileLineSource(std::FILE* pFile) : m_pFile(pFile) {}
    bool ReadLine(char* pszBuf, int nCap) override;

private:
    std::FILE* m_pFile;
};

// The same over bytes in memory (need not be terminated).
class MemoryLineSource : public LineSource {
public:
    MemoryLineSource(const char* pData, std::size_t nLen) : m_pData(pData), m_nLen(nLen) {}
    bool ReadLine(char* pszBuf, int nCap) override;

private:
    const char* m_pData;
    std::size_t m_nLen;
    std::size_t m_nPos = 0;
};

// "%d" on an item: blanks, a sign, digits; nothing readable gives 0. Wraps
// around on overflow instead of failing.
std::int32_t ScanDecimal(const char* psz);

// Copies one item starting at psz into pszItem (kProfileItemMax + 1 bytes):
// leading blanks skipped, double quotes dropped, ends at a comma (which is
// consumed) or the end of the line. Returns where the next item starts.
const char* ReadProfileItem(const char* psz, char* pszItem);

// The value part of a "STATUSnn..." line, or null when the line has another
// key (or no "=" at all). Blanks inside the key are ignored.
const char* StatusLineValue(const char* pszLine);

}  // namespace vm2

// One parsed status line.
class CElements {
public:
    CElements() = default;
    virtual ~CElements() = default;

    CElements(const CElements&) = delete;
    CElements& operator=(const CElements&) = delete;

    std::int32_t m_nST = 0;
    std::int32_t m_nER = 0;
    std::int32_t m_nWR = 0;
    std::string m_strMessage1;
    std::string m_strMessage2;
    std::int32_t m_nClassSelector = 0;
    std::int32_t m_nClassFlag = 0;
    CElements* m_pNext = nullptr;
};

// The status lines of the data file's language section, in file order.
class CProfileInfo {
public:
    CProfileInfo() = default;
    virtual ~CProfileInfo();

    CProfileInfo(const CProfileInfo&) = delete;
    CProfileInfo& operator=(const CProfileInfo&) = delete;

    // Finds the language section of the data file and reads its status lines.
    // Returns the section lookup's result when the section ends at another
    // section, -2 when the file ends first. Throws the int -1 when no section
    // name can be determined and -2 when the file cannot be opened.
    int Load(const char* pszDatFile);

    // The reading itself: appends the status lines of section pszSection found
    // in the source; returns nSectionResult or -2 as Load does. An empty
    // section name matches no section.
    int LoadLines(vm2::LineSource& source, const char* pszSection, int nSectionResult);

    // Parses one line of the section; appends an element when it is a status
    // line. False when the line was not one.
    bool ParseLine(const char* pszLine);

    // Copy the first (rewinding) or next element into *pFields; 0 at the end.
    // The texts point into the element and live until Clear.
    int GetFirst(vm2::StatusLineFields* pFields);
    int GetNext(vm2::StatusLineFields* pFields);

    void Clear();
    int GetCount() const { return m_nCount; }

private:
    int CopyCurrent(vm2::StatusLineFields* pFields);

    CElements* m_pHead = nullptr;
    std::int32_t m_nCount = 0;
    // The line being parsed.
    std::int32_t m_nST = 0;
    std::int32_t m_nER = 0;
    std::int32_t m_nWR = 0;
    std::string m_strMessage1;
    std::string m_strMessage2;
    std::int32_t m_nClassSelector = 0;
    std::int32_t m_nClassFlag = 0;
    const char* m_pszPos = nullptr;
    // Read cursor of GetFirst / GetNext; new elements go after the tail.
    CElements* m_pCursor = nullptr;
    CElements* m_pTail = nullptr;
};

namespace vm2 {

// Fills nRows model rows from the first nRows elements of the profile, in
// file order, numbering unmatched patterns from *pnNextFree. Returns the
// number of rows filled.
int FillModelRows(CProfileInfo& profile, StatusEntry* pEntries, StatusPattern* pPatterns, int nRows,
                  int* pnNextFree);

}  // namespace vm2
