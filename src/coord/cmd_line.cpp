#include "coord/cmd_line.h"

#include <cstring>

#include "base/text.h"

namespace vm2 {

namespace {

// Length prefixes beyond this are clamped: no value that long can exist in a
// command line, and the arithmetic below must not overflow.
constexpr std::size_t kMaxPrefix = 0x7FFFFFFF;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Value of an option announced with n characters: the n characters after the
// first double quote at or after nFrom. nScanEnd is where the prefix scan
// stopped, so nScanEnd - 1 is the last character it looked at.
int TakeCountedValue(const char* t, std::size_t nLen, std::size_t nScanEnd, std::size_t n, std::string* pValue)
{
    std::size_t q = nScanEnd;
    while (q < nLen && t[q] != '"') ++q;
    if (q >= nLen) return -1;
    // A value that would run past the end is not taken, only announced.
    if (nScanEnd + n >= nLen || q + 1 + n > nLen) return static_cast<int>(n);
    pValue->assign(t + q + 1, n);
    return static_cast<int>(n);
}

// Value of an option without length prefix: the characters between the first
// double quote and the next one. A slash before the first quote belongs to
// the next option, and a line end ends the search.
int TakeQuotedValue(const char* t, std::size_t nLen, std::size_t nFrom, std::string* pValue)
{
    bool bInQuote = false;
    std::size_t nStart = 0, nCount = 0;
    for (std::size_t k = nFrom; k < nLen; ++k) {
        char c = t[k];
        if (c == '\n') break;
        if (!bInQuote) {
            if (c == '"') {
                bInQuote = true;
                nStart = k + 1;
            } else if (c == '/') {
                break;
            }
        } else {
            if (c == '"') break;
            ++nCount;
        }
    }
    if (nCount == 0) return 0;
    pValue->assign(t + nStart, nCount);
    return static_cast<int>(nCount);
}

}  // namespace

bool IsOptionNameEnd(char c)
{
    return IsDigit(c) || c == '"' || c == '/' || c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

int FindCmdOption(const char* pszText, std::size_t nLen, int nIndex, std::string* pName, std::string* pValue)
{
    pName->clear();
    pValue->clear();
    if (pszText == nullptr || nLen == 0 || nIndex < 0) return -1;

    const char* t = pszText;
    bool bOutside = true;        // outside double quotes
    std::size_t nLastPrefix = 0; // length prefix of the last option, 0 = none
    int nFound = 0;
    std::size_t i = 0;
    while (i < nLen) {
        if (t[i] == '/' && bOutside) {
            std::size_t nNameEnd = i + 1;
            while (nNameEnd < nLen && !IsOptionNameEnd(t[nNameEnd])) ++nNameEnd;
            // The length prefix: the digits among the characters up to the
            // next line end, double quote or slash.
            std::size_t j = nNameEnd, n = 0;
            while (j < nLen && t[j] != '\n' && t[j] != '"' && t[j] != '/') {
                if (IsDigit(t[j])) n = n >= kMaxPrefix / 10 ? kMaxPrefix : n * 10 + static_cast<std::size_t>(t[j] - '0');
                ++j;
            }
            nLastPrefix = n;
            if (nFound == nIndex) {
                pName->assign(t + i + 1, nNameEnd - i - 1);
                int r = n > 0 ? TakeCountedValue(t, nLen, j, n, pValue) : TakeQuotedValue(t, nLen, j, pValue);
                if (r < 0) {
                    pName->clear();
                    pValue->clear();
                }
                return r;
            }
            ++nFound;
            // The character that stopped the scan is looked at next, unless a
            // counted value (and its opening quote) is passed over unread.
            i = j;
            if (n > 0) i = n + 1 >= nLen - i ? nLen : i + n + 1;
            continue;
        }
        // A counted value's closing quote must not open a quoted section.
        if (t[i] == '"' && nLastPrefix == 0) bOutside = !bOutside;
        ++i;
    }
    return -1;
}

bool ParseParamLine(const char* pszLine, std::string* pName, std::string* pValue)
{
    pName->clear();
    pValue->clear();
    if (pszLine == nullptr) return false;
    const char* slash = std::strchr(pszLine, '/');
    if (slash == nullptr) return false;

    const char* nameEnd = slash + 1;
    while (*nameEnd != '\0' && !IsOptionNameEnd(*nameEnd)) ++nameEnd;
    pName->assign(slash + 1, nameEnd - slash - 1);

    // The line end is not part of any value.
    std::size_t nLen = std::strlen(pszLine);
    while (nLen > 0 && (pszLine[nLen - 1] == '\n' || pszLine[nLen - 1] == '\r')) --nLen;

    const char* first = std::strchr(nameEnd, '"');
    if (first == nullptr || first >= pszLine + nLen) {
        pValue->assign(pszLine, nLen);
        return true;
    }
    const char* last = pszLine + nLen - 1;
    while (last > first && *last != '"') --last;
    if (last == first) last = pszLine + nLen;
    pValue->assign(first + 1, last - first - 1);
    return true;
}

}  // namespace vm2

CCmdLine::CCmdLine() { m_szCmdLine[0] = '\0'; }

CCmdLine::~CCmdLine() = default;

bool CCmdLine::SetCmdLine(const char* pszCmdLine)
{
    if (pszCmdLine != nullptr && std::strlen(pszCmdLine) >= sizeof(m_szCmdLine)) {
        m_szCmdLine[0] = '\0';
        return false;
    }
    vm2::CopyText(m_szCmdLine, sizeof(m_szCmdLine), pszCmdLine);
    return true;
}

int CCmdLine::GetOption(int nIndex, char* pszName, char* pszValue) const
{
    std::string name, value;
    int r = vm2::FindCmdOption(m_szCmdLine, strnlen(m_szCmdLine, sizeof(m_szCmdLine)), nIndex, &name, &value);
    if (value.size() >= vm2::kOptionValueBuf) {
        value.clear();
        r = 0;
    }
    if (pszName != nullptr) vm2::CopyText(pszName, vm2::kOptionNameBuf, name.c_str());
    if (pszValue != nullptr) vm2::CopyText(pszValue, vm2::kOptionValueBuf, value.c_str());
    return r;
}
