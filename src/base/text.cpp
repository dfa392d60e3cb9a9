#include "base/text.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace vm2 {

bool CopyText(char* dst, std::size_t cap, const char* src)
{
    if (dst == nullptr || cap == 0) return false;
    if (src == nullptr) {
        dst[0] = '\0';
        return true;
    }
    std::size_t n = 0;
    while (n + 1 < cap && src[n] != '\0') {
        dst[n] = src[n];
        ++n;
    }
    dst[n] = '\0';
    return src[n] == '\0';
}

bool FormatText(char* dst, std::size_t cap, const char* fmt, ...)
{
    if (dst == nullptr || cap == 0) return false;
    va_list ap;
    va_start(ap, fmt);
    int n = std::vsnprintf(dst, cap, fmt, ap);
    va_end(ap);
    if (n < 0 || static_cast<std::size_t>(n) >= cap) {
        dst[0] = '\0';
        return false;
    }
    return true;
}

bool EqualNoCase(const char* a, const char* b)
{
    if (a == nullptr || b == nullptr) return a == b;
    for (;; ++a, ++b) {
        int ca = std::tolower(static_cast<unsigned char>(*a));
        int cb = std::tolower(static_cast<unsigned char>(*b));
        if (ca != cb) return false;
        if (ca == 0) return true;
    }
}

long ParseDecimal(const char* s)
{
    if (s == nullptr) return 0;
    while (*s == ' ' || *s == '\t' || *s == '\n' || *s == '\r' || *s == '\v' || *s == '\f') ++s;
    bool neg = false;
    if (*s == '+' || *s == '-') neg = (*s++ == '-');
    long v = 0;
    while (*s >= '0' && *s <= '9') {
        if (v < 214748364L || (v == 214748364L && *s <= '7')) v = v * 10 + (*s - '0');
        else v = 2147483647L;  // saturate rather than overflow
        ++s;
    }
    return neg ? -v : v;
}

}  // namespace vm2
