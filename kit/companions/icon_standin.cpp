// Stand-in for the tray-icon program (K_VM1IC2.EXE). It reads its start the
// way the icon program does, through the module's own parameter classes
// (so a one-shot /F file is deleted after reading), and records what it was
// given: the raw command line, every field, and whether the parameter file
// is still there afterwards. It shows no icon and exits at once.
#include <windows.h>

#include <cstring>
#include <string>

#include "companion_log.h"
#include "coord/companion_launch.h"
#include "coord/vlx_param.h"

namespace {

// The arguments after the program's own path, which the starter may have
// written with or without quotes (and, unquoted, with blanks in it).
const char* Arguments(const char* pszCmdLine)
{
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    size_t n = strlen(self);
    if (pszCmdLine[0] == '"' && _strnicmp(pszCmdLine + 1, self, n) == 0 && pszCmdLine[n + 1] == '"')
        return pszCmdLine + n + 2;
    if (_strnicmp(pszCmdLine, self, n) == 0) return pszCmdLine + n;
    // Some other spelling of the path: skip to its end as the system would.
    const char* p = pszCmdLine;
    if (*p == '"') {
        p = strchr(p + 1, '"');
        return p != nullptr ? p + 1 : pszCmdLine + strlen(pszCmdLine);
    }
    while (*p != '\0' && *p != ' ' && *p != '\t') ++p;
    return p;
}

bool StillThere(const CVlxParam& p)
{
    if (p.m_szParamFile[0] == '\0') return false;
    if (GetFileAttributesA(p.m_szParamFile) != INVALID_FILE_ATTRIBUTES) return true;
    char folder[260];
    vm2::GetTempFolder(folder);
    std::string inTemp = std::string(folder) + p.m_szParamFile;
    return GetFileAttributesA(inTemp.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

int main()
{
    const char* pszCmdLine = GetCommandLineA();
    const char* pszArgs = Arguments(pszCmdLine);
    CVlxParam p(pszArgs);

    companion::Fields f;
    f.emplace_back("cmdline", pszCmdLine);
    f.emplace_back("args", pszArgs);
    f.emplace_back("accepted", strlen(pszArgs) < sizeof(p.m_szCmdLine) ? "1" : "0");
    f.emplace_back("P", p.m_szPrinter);
    f.emplace_back("D", p.m_szDriver);
    f.emplace_back("O", p.m_szPort);
    f.emplace_back("M", p.m_szModel);
    f.emplace_back("J", p.m_szJ);
    f.emplace_back("R", std::to_string(p.m_bR));
    f.emplace_back("S", std::to_string(p.m_bS));
    f.emplace_back("E", std::to_string(p.m_bE));
    f.emplace_back("C", std::to_string(p.m_bC));
    f.emplace_back("U", std::to_string(p.m_bU));
    f.emplace_back("paramfile", p.m_szParamFile);
    f.emplace_back("paramfile_left", StillThere(p) ? "1" : "0");
    companion::AppendCompanionRecord("icon", f);
    return 0;
}
