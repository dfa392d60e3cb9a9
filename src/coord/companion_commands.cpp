#include "coord/companion_commands.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "base/text.h"

namespace vm2 {

namespace {

const char* Safe(const char* psz) { return psz != nullptr ? psz : ""; }

int Len(const char* psz) { return static_cast<int>(std::strlen(Safe(psz))); }

// snprintf into a std::string of any length.
std::string Format(const char* pszFormat, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

std::string Format(const char* pszFormat, ...)
{
    va_list ap;
    va_start(ap, pszFormat);
    va_list ap2;
    va_copy(ap2, ap);
    int n = std::vsnprintf(nullptr, 0, pszFormat, ap);
    va_end(ap);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(&out[0], out.size(), pszFormat, ap2);
        out.resize(static_cast<std::size_t>(n));
    }
    va_end(ap2);
    return out;
}

}  // namespace

bool FormatIconStartWithFile(char* pszOut, const char* pszIcon, const char* pszFileName)
{
    return FormatText(pszOut, kIconCommandBuf, "%s /F \"%s\"", Safe(pszIcon), Safe(pszFileName));
}

bool FormatIconStartWithNames(char* pszOut, const char* pszIcon, const char* pszPrinter, const char* pszPort,
                              const char* pszModel, bool bTrayOff)
{
    return FormatText(pszOut, kIconCommandBuf, "%s /P%d \"%s\" /O%d \"%s\" /M \"%s\" %s", Safe(pszIcon),
                      Len(pszPrinter), Safe(pszPrinter), Len(pszPort), Safe(pszPort), Safe(pszModel),
                      bTrayOff ? " /R" : "");
}

bool FormatRunEntryWithFile(char* pszOut, const char* pszIcon, const char* pszFilePath)
{
    return FormatText(pszOut, kIconCommandBuf, "%s /A \"%s\"", Safe(pszIcon), Safe(pszFilePath));
}

bool FormatRunEntryWithNames(char* pszOut, const char* pszIcon, const char* pszPrinter, const char* pszPort,
                             const char* pszModel)
{
    return FormatText(pszOut, kIconCommandBuf, "%s /P%d \"%s\" /O%d \"%s\" /M \"%s\"", Safe(pszIcon),
                      Len(pszPrinter), Safe(pszPrinter), Len(pszPort), Safe(pszPort), Safe(pszModel));
}

std::string QuotedSpan(const char* pszValue)
{
    const char* first = std::strchr(Safe(pszValue), '"');
    const char* last = std::strrchr(Safe(pszValue), '"');
    if (first == nullptr || last == first) return std::string();
    return std::string(first + 1, last);
}

bool MentionsTmpFile(const std::string& text)
{
    std::string lower = text;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower.find(".tmp") != std::string::npos;
}

std::string AgentParameters(const char* pszDriver, const char* pszPrinter, int iService)
{
    return Format("/agnt /drv:\"%s\" /p:\"%s\" /im:%d", Safe(pszDriver), Safe(pszPrinter), iService);
}

std::string KbapisetPath(const char* pszInstallDir)
{
    std::string path = Safe(pszInstallDir);
    if (path.empty()) return path;
    if (path.back() != '\\') path += '\\';
    return path + "kbapiset.exe";
}

std::string KbapisetParameters(std::uint32_t dwReplyWnd, std::uint32_t dwReplyMsg, bool bOn)
{
    return Format("/Act=Ch /KBP=A:NC /Ret=WM:%x;%x %s", static_cast<unsigned>(dwReplyWnd),
                  static_cast<unsigned>(dwReplyMsg), bOn ? " /Agt=On" : " /Agt=Off");
}

std::string FileNameOf(const char* pszPath)
{
    const char* slash = std::strrchr(Safe(pszPath), '\\');
    return slash != nullptr ? std::string(slash + 1) : std::string(Safe(pszPath));
}

}  // namespace vm2
