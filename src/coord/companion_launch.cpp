#include "coord/companion_launch.h"

#include <cstring>
#include <string>

#include "base/text.h"
#include "config/paths.h"
#include "config/registry.h"
#include "config/regpaths.h"
#include "coord/agent.h"
#include "coord/companion_commands.h"
#include "coord/vlx_param.h"

using vm2::IsEmpty;
using vm2::kPathBuf;

namespace {

bool FitsField(const char* psz) { return psz == nullptr || strlen(psz) < kPathBuf; }

bool NamesFit(const char* pszPrinter, const char* pszDriver, const char* pszPort, const char* pszModel)
{
    return FitsField(pszPrinter) && FitsField(pszDriver) && FitsField(pszPort) && FitsField(pszModel);
}

void CopyIdentity(CVlxParam& p, const char* pszPrinter, const char* pszPort, const char* pszModel)
{
    p.SetOption("P", pszPrinter);
    p.SetOption("O", pszPort);
    p.SetOption("M", pszModel);
}

// The icon program's path; empty when it cannot be found (the start then fails).
void IconProgramPath(char* pszOut, const char* pszDriver, const char* pszModel)
{
    GetDriverFilePath(pszOut, "K_VICN", "K_VM1IC2.EXE", pszDriver, pszModel);
}

// Writes the printer's identity to a new parameter file. True with the
// file's full path in pszPath; false, with nothing left behind, when no file
// could be written.
bool WriteIdentityFile(CVlxParam& p, bool bFolderBackslash, const char* pszPrinter, const char* pszPort,
                       const char* pszModel, char* pszPath)
{
    pszPath[0] = '\0';
    if (p.CreateTempParamName(bFolderBackslash) == 0) return false;
    vm2::FormatText(pszPath, kPathBuf, "%s%s", p.m_szTempDir, p.m_szFileName);
    CopyIdentity(p, pszPrinter, pszPort, pszModel);
    if (p.WriteParamFile()) return true;
    p.DeleteParamFile(pszPath);
    return false;
}

// Deletes the parameter file a Run value of ours names: the text between its
// first and last double quote (from the last quote inside that, for a value
// whose program path is quoted too), when that mentions ".tmp". Read from the
// text itself, since a value of 260 characters or more (up to 520 are ours)
// does not fit a parameter object's command line.
void DeleteEntryParamFile(const std::string& strValue)
{
    std::string file = vm2::QuotedSpan(strValue.c_str());
    size_t inner = file.rfind('"');
    if (inner != std::string::npos) file.erase(0, inner + 1);
    if (!vm2::MentionsTmpFile(file)) return;
    CVlxParam p;
    p.DeleteParamFile(file.c_str());
}

}  // namespace

int StartIconProgram(BOOL bTrayIcon, const char* pszPrinter, const char* pszDriver, const char* pszPort,
                     const char* pszModel)
{
    if (!NamesFit(pszPrinter, pszDriver, pszPort, pszModel)) return 0;
    char icon[kPathBuf];
    IconProgramPath(icon, pszDriver, pszModel);

    CVlxParam p;
    p.m_bR = bTrayIcon ? 0 : 1;
    char path[kPathBuf];
    bool bFile = WriteIdentityFile(p, true, pszPrinter, pszPort, pszModel, path);

    char command[vm2::kIconCommandBuf];
    bool bFormed = bFile ? vm2::FormatIconStartWithFile(command, icon, p.m_szFileName)
                         : vm2::FormatIconStartWithNames(command, icon, pszPrinter, pszPort, pszModel, !bTrayIcon);
    if (!bFormed) return 0;

    if (!vm2::StartCommandLine(icon, command)) {
        if (bFile) p.DeleteParamFile(path);
        return 0;
    }
    return 1;
}

int UpdateRunEntry(BOOL bTrayIcon, const char* pszPrinter, const char* pszDriver, const char* pszPort,
                   const char* pszModel)
{
    if (!NamesFit(pszPrinter, pszDriver, pszPort, pszModel)) return 0;
    // An empty name would address the Run key's default value.
    const char* pszValueName = !IsEmpty(pszPrinter) ? pszPrinter : pszPort;
    if (IsEmpty(pszValueName)) return 0;

    if (!bTrayIcon) {
        Registry run(HKEY_CURRENT_USER, vm2::regpath::kRunKey, FALSE, Registry::kAll);
        if (!run.IsOpen()) return 1;
        std::string value = run.QueryString(pszValueName, "", vm2::kIconCommandBuf);
        if (!value.empty()) {
            DeleteEntryParamFile(value);
            run.DeleteValue(pszValueName);
        }
        return 1;
    }

    {
        // The file of the entry being replaced goes with it.
        Registry run(HKEY_CURRENT_USER, vm2::regpath::kRunKey, FALSE, Registry::kRead);
        DeleteEntryParamFile(run.QueryString(pszValueName, "", vm2::kIconCommandBuf));
    }

    // The folder without its backslash: the name keeps one, and the two
    // joined are the full path the logon entry names.
    CVlxParam p;
    char path[kPathBuf];
    bool bFile = WriteIdentityFile(p, false, pszPrinter, pszPort, pszModel, path);

    char icon[kPathBuf];
    IconProgramPath(icon, pszDriver, pszModel);
    // The logon starts the value as a command line alone: a path with a blank
    // is quoted, or "C:\Program.exe" would be tried first. The icon
    // program's reader passes over a quoted text without options.
    std::string quoted = icon[0] != '\0' ? std::string("\"") + icon + "\"" : std::string();
    // Without a file the entry is formed from the object's own fields, which
    // are still empty when no file name could be made.
    char command[vm2::kIconCommandBuf];
    bool bFormed = bFile ? vm2::FormatRunEntryWithFile(command, quoted.c_str(), path)
                         : vm2::FormatRunEntryWithNames(command, quoted.c_str(), p.m_szPrinter, p.m_szPort,
                                                        p.m_szModel);
    if (!bFormed) {
        if (bFile) p.DeleteParamFile(path);
        return 0;
    }

    Registry run(HKEY_CURRENT_USER, vm2::regpath::kRunKey, FALSE, Registry::kAll);
    if (!run.IsOpen() || !run.SetString(pszValueName, command)) {
        // No entry names the new file: it would never be read or replaced.
        if (bFile) p.DeleteParamFile(path);
        return run.IsOpen() ? 0 : 1;
    }
    return 1;
}
