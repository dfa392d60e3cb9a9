// The companion option reader over text another program wrote: a command
// line of any bytes, a parameter file of any lines. Nothing may be read
// outside the text, and what the parameter object writes it must read back.
//
// Input: byte 0 chooses what the rest is fed to; the rest is the text, in an
// exact-size buffer so that the sanitizer sees any stray read.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "coord/cmd_line.h"
#include "coord/companion_commands.h"
#include "coord/vlx_param.h"

namespace {

void CheckReader(const char* text, std::size_t size)
{
    std::size_t slashes = 0;
    for (std::size_t i = 0; i < size; ++i) slashes += text[i] == '/';
    std::string name, value;
    std::size_t index = 0;
    for (;; ++index) {
        int r = vm2::FindCmdOption(text, size, static_cast<int>(index), &name, &value);
        if (r == -1) {
            if (!name.empty() || !value.empty()) __builtin_trap();
            break;
        }
        if (r < 0) __builtin_trap();
        if (value.size() > size || name.size() > size) __builtin_trap();
        // A value is either taken whole or not at all.
        if (!value.empty() && static_cast<std::size_t>(r) != value.size()) __builtin_trap();
        if (index > slashes) __builtin_trap();  // every option starts at a slash
    }
}

void CheckObject(const char* text, std::size_t size)
{
    std::string cmd(text, strnlen(text, size));
    CVlxParam p;
    if (!p.SetCmdLine(cmd.c_str())) {
        if (cmd.size() < sizeof(p.m_szCmdLine)) __builtin_trap();
        return;
    }
    p.ApplyCmdLineOptions();
    p.DropIncompleteBE();

    // What is written reads back, for values a line can carry (values are
    // not escaped: a line end in one would start lines of its own).
    std::string written = p.FormatParamText();
    const char* pv[] = {p.m_szPrinter, p.m_szDriver, p.m_szPort, p.m_szModel, p.m_szJ, p.m_szBH,
                        p.m_szBU, p.m_szBD, p.m_szBI, p.m_szBN, p.m_szKPM};
    for (const char* v : pv)
        if (strpbrk(v, "\r\n") != nullptr) return;
    CVlxParam q;
    std::size_t pos = 0;
    while (pos < written.size()) {
        std::size_t eol = written.find('\n', pos);
        q.ApplyParamLine(written.substr(pos, eol - pos).c_str());
        pos = eol == std::string::npos ? written.size() : eol + 1;
    }
    const char* qv[] = {q.m_szPrinter, q.m_szDriver, q.m_szPort, q.m_szModel, q.m_szJ, q.m_szBH,
                        q.m_szBU, q.m_szBD, q.m_szBI, q.m_szBN, q.m_szKPM};
    for (std::size_t i = 0; i < sizeof(pv) / sizeof(pv[0]); ++i)
        if (strcmp(pv[i], qv[i]) != 0) __builtin_trap();
    if (p.m_bR != q.m_bR || p.m_bS != q.m_bS || p.m_bBE != q.m_bBE) __builtin_trap();

    // The command forms built from what was read stay within their limit.
    char out[vm2::kIconCommandBuf];
    if (vm2::FormatIconStartWithNames(out, "icon.exe", p.m_szPrinter, p.m_szPort, p.m_szModel, p.m_bR != 0) &&
        strlen(out) > vm2::kIconCommandMax)
        __builtin_trap();
}

void CheckFile(const std::uint8_t* data, std::size_t size)
{
    std::FILE* f = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    if (f == nullptr) return;
    CVlxParam p;
    p.ApplyParamStream(f);
    std::fclose(f);
    const char* fields[] = {p.m_szPrinter, p.m_szPort, p.m_szFileName, p.m_szKPM};
    for (const char* field : fields)
        if (strnlen(field, vm2::kOptionValueBuf) >= vm2::kOptionValueBuf) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1) return 0;
    std::vector<char> text(data + 1, data + size);
    const char* p = text.empty() ? "" : text.data();
    switch (data[0] % 3) {
    case 0: CheckReader(p, text.size()); break;
    case 1: CheckObject(p, text.size()); break;
    default: CheckFile(data + 1, size - 1); break;
    }
    return 0;
}
