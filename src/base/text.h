// Bounded text helpers for the fixed 260-byte buffers the module works with.
// Portable: no Windows header.
#pragma once

#include <cstddef>
#include <string>

namespace vm2 {

// The system's path limit; names and paths live in buffers of this size.
constexpr std::size_t kPathBuf = 260;

// Copies at most cap-1 bytes of src and always terminates (like lstrcpynA).
// A null src gives an empty text. Returns false when src had to be cut.
bool CopyText(char* dst, std::size_t cap, const char* src);

// snprintf into a fixed buffer; false (and an empty buffer) when it does not fit.
bool FormatText(char* dst, std::size_t cap, const char* fmt, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

inline bool IsEmpty(const char* s) { return s == nullptr || *s == '\0'; }

// Case-insensitive comparison of 8-bit texts in the ASCII range, as the
// registry and the profile calls compare names.
bool EqualNoCase(const char* a, const char* b);

// Reads a leading decimal number the way the C runtime's atoi does
// (blanks, an optional sign, digits; anything else ends it).
long ParseDecimal(const char* s);

}  // namespace vm2
