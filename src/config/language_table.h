// The [Language] section of a model data file: one line per user-interface
// language, "Section=primary,sublanguage", numbers in hexadecimal.
// Portable: no Windows header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vm2 {

struct LanguageLine {
    std::string section;
    std::uint16_t primary = 0;
    std::uint16_t sublanguage = 0;
};

// Splits a profile section as the profile calls return it: "key=value" texts,
// each ended by a zero, the whole list by a second zero (or by len).
std::vector<LanguageLine> ParseLanguageSection(const char* data, std::size_t len);

// Reads one number: every character that is not a hexadecimal digit is
// skipped (so "0x09" is 9); the number ends at a comma or the end of the
// text and is cut to 16 bits. *pEnd receives where the number stopped.
std::uint16_t ReadLanguageNumber(const char* text, const char** pEnd);

// The line for the language id: exact match, else the first with the same
// primary language, else the first English line (primary 9), else the first
// line. -1 for an empty table.
int PickLanguageLine(const std::vector<LanguageLine>& lines, std::uint16_t langId);

}  // namespace vm2
