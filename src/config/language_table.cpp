#include "config/language_table.h"

#include <cstring>

namespace vm2 {

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::uint16_t ReadLanguageNumber(const char* text, const char** pEnd)
{
    std::uint32_t value = 0;
    const char* p = text;
    for (; *p != '\0' && *p != ','; ++p) {
        int d = HexDigit(*p);
        if (d >= 0) value = ((value << 4) | static_cast<std::uint32_t>(d)) & 0xFFFFu;
    }
    if (pEnd != nullptr) *pEnd = p;
    return static_cast<std::uint16_t>(value);
}

std::vector<LanguageLine> ParseLanguageSection(const char* data, std::size_t len)
{
    std::vector<LanguageLine> lines;
    if (data == nullptr) return lines;
    std::size_t pos = 0;
    while (pos < len && data[pos] != '\0') {
        std::size_t end = pos;
        while (end < len && data[end] != '\0') ++end;
        std::string line(data + pos, end - pos);
        pos = end + 1;

        LanguageLine entry;
        std::size_t eq = line.find('=');
        entry.section = line.substr(0, eq);
        if (eq != std::string::npos) {
            const char* p = line.c_str() + eq + 1;
            entry.primary = ReadLanguageNumber(p, &p);
            if (*p == ',') entry.sublanguage = ReadLanguageNumber(p + 1, nullptr);
        }
        lines.push_back(std::move(entry));
    }
    return lines;
}

int PickLanguageLine(const std::vector<LanguageLine>& lines, std::uint16_t langId)
{
    if (lines.empty()) return -1;
    const unsigned primary = langId & 0x3FFu;
    const unsigned sub = langId >> 10;
    int samePrimary = -1;
    int english = -1;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const LanguageLine& l = lines[i];
        if (l.primary == primary && l.sublanguage == sub) return static_cast<int>(i);
        if (samePrimary < 0 && l.primary == primary) samePrimary = static_cast<int>(i);
        if (english < 0 && l.primary == 9) english = static_cast<int>(i);
    }
    if (samePrimary >= 0) return samePrimary;
    if (english >= 0) return english;
    return 0;
}

}  // namespace vm2
