// The parameter object's file-system and printer parts.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "base/fetch_sized.h"
#include "base/text.h"
#include "base/unique_handle.h"
#include "config/paths.h"
#include "config/registry.h"
#include "config/target_keys.h"
#include "coord/companion_launch.h"
#include "coord/vlx_param.h"

using vm2::CopyText;
using vm2::FormatText;
using vm2::kPathBuf;

namespace vm2 {

void GetTempFolder(char* pszOut)
{
    char folder[MAX_PATH + 1] = "";
    DWORD n = GetTempPathA(sizeof(folder), folder);
    if (n == 0 || n >= kPathBuf) {
        CopyText(pszOut, kPathBuf, ".\\");
        return;
    }
    CopyText(pszOut, kPathBuf, folder);
}

}  // namespace vm2

CVlxParam::CVlxParam(const char* pszCmdLine)
{
    Clear();
    if (SetCmdLine(pszCmdLine)) ParseCommandLine();
}

void CVlxParam::ParseCommandLine()
{
    ApplyCmdLineOptions();
    if (m_szFileName[0] != '\0') {
        // The logon entry's file: read it and leave it for the next logon.
        CopyText(m_szParamFile, sizeof(m_szParamFile), m_szFileName);
        m_szFileName[0] = '\0';
        ReadParamFile();
    } else if (m_szParamFile[0] != '\0') {
        // A file made for one start only.
        ReadParamFile();
        DeleteParamFile(m_szParamFile);
    }
    DropIncompleteBE();

    if (m_szPrinter[0] != '\0') {
        vm2::UniquePrinter printer;
        if (KP_OpenPrinter(m_szPrinter, printer.put(), nullptr) && printer) {
            std::vector<BYTE> buf;
            if (vm2::FetchSized(buf, [&](BYTE* p, DWORD cb, DWORD* pNeeded) {
                    return GetPrinterA(printer.get(), 2, p, cb, pNeeded) != FALSE;
                })) {
                const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(buf.data());
                if (m_szDriver[0] == '\0' && info->pDriverName != nullptr &&
                    strlen(info->pDriverName) < sizeof(m_szDriver))
                    CopyText(m_szDriver, sizeof(m_szDriver), info->pDriverName);
                if (m_szPort[0] == '\0' && info->pPortName != nullptr && strlen(info->pPortName) < sizeof(m_szPort))
                    CopyText(m_szPort, sizeof(m_szPort), info->pPortName);
            }
        }
    }

    if (m_szDriver[0] != '\0' && m_szModel[0] == '\0') {
        Registry key;
        if (OpenDriverKey(key, m_szDriver)) CopyText(m_szModel, sizeof(m_szModel), key.QueryString("ModelID", "", kPathBuf).c_str());
    }
}

int CVlxParam::ReadParamFile()
{
    if (m_szParamFile[0] == '\0') return 0;
    std::FILE* f = std::fopen(m_szParamFile, "rt");
    if (f == nullptr) {
        vm2::GetTempFolder(m_szTempDir);
        char path[kPathBuf];
        if (!FormatText(path, sizeof(path), "%s%s", m_szTempDir, m_szParamFile)) return 0;
        f = std::fopen(path, "rt");
        if (f == nullptr) return 0;
    }
    ApplyParamStream(f);
    std::fclose(f);
    return 1;
}

int CVlxParam::WriteParamFile()
{
    char path[kPathBuf];
    if (m_szFileName[0] == '\0' || !FormatText(path, sizeof(path), "%s%s", m_szTempDir, m_szFileName)) return 0;
    std::FILE* f = std::fopen(path, "wt");
    if (f == nullptr) return 0;
    std::string text = FormatParamText();
    bool bOk = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (std::fclose(f) != 0) bOk = false;
    return bOk ? 1 : 0;
}

int CVlxParam::DeleteParamFile(const char* pszName)
{
    // Whatever a command line or a Run value names, only a parameter file
    // (the temporary-file naming's ".tmp") is ever deleted.
    if (!vm2::IsParamFileName(pszName)) return 0;
    if (m_szTempDir[0] == '\0') vm2::GetTempFolder(m_szTempDir);
    if (FileExists(pszName)) return DeleteFileA(pszName) ? 1 : 0;
    char path[kPathBuf];
    if (!FormatText(path, sizeof(path), "%s%s", m_szTempDir, pszName) || !FileExists(path)) return 0;
    return DeleteFileA(path) ? 1 : 0;
}

int CVlxParam::CreateTempParamName(bool bFolderBackslash)
{
    m_szFileName[0] = '\0';
    vm2::GetTempFolder(m_szTempDir);
    if (!bFolderBackslash) {
        size_t n = strlen(m_szTempDir);
        if (n > 1 && m_szTempDir[n - 1] == '\\') m_szTempDir[n - 1] = '\0';
    }
    char path[MAX_PATH + 1] = "";
    if (GetTempFileNameA(m_szTempDir, "K_V", 0, path) == 0) return 0;
    // The system answers folder + (backslash when missing) + name: what
    // follows the folder as we hold it is the name.
    size_t nDir = strlen(m_szTempDir);
    const char* name = path + nDir;
    if (strncmp(path, m_szTempDir, nDir) != 0) {
        const char* slash = strrchr(path, '\\');
        name = slash != nullptr ? slash + (bFolderBackslash ? 1 : 0) : path;
    }
    if (!CopyText(m_szFileName, sizeof(m_szFileName), name)) {
        DeleteFileA(path);
        m_szFileName[0] = '\0';
        return 0;
    }
    return 1;
}
