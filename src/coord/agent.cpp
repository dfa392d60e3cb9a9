#include "coord/agent.h"

#include <shellapi.h>
#include <shlobj.h>

#include <climits>
#include <cstring>
#include <vector>

#include "base/text.h"
#include "base/unique_handle.h"
#include "config/registry.h"
#include "config/regpaths.h"
#include "coord/companion_commands.h"
#include "base/trace.h"

using vm2::EqualNoCase;
using vm2::FormatText;
using vm2::IsEmpty;
using vm2::kPathBuf;

namespace {

// "software\KAVRO\VLX3\Driver\<driver>", refused when it does not fit 260 bytes.
bool DriverKeyPath(char* pszOut, const char* pszDriver)
{
    return !IsEmpty(pszDriver) && FormatText(pszOut, kPathBuf, "%s\\%s", vm2::regpath::kDriverBase, pszDriver);
}

}  // namespace

int GetAgentGeneration(const char* pszDriverName)
{
    char path[kPathBuf];
    if (!DriverKeyPath(path, pszDriverName)) return 1;
    Registry key(HKEY_LOCAL_MACHINE, path, FALSE, Registry::kRead);
    std::string library = key.QueryString("KBAPI32", "", kPathBuf);
    return EqualNoCase(library.c_str(), "KBAPI2.DLL") ? 2 : 1;
}

int IsAgentAllowed(int nGeneration)
{
    const char* pszKey = nGeneration >= 2 ? vm2::regpath::kSAgent2Key : vm2::regpath::kKNAgentServiceKey;
    Registry key(HKEY_LOCAL_MACHINE, pszKey, FALSE, Registry::kRead);
    if (!key.IsOpen()) return 0;
    if (nGeneration < 2) return 1;
    DWORD dwAllow = key.QueryDword("AllowMonitoring", 0);
    // A value beyond the int range still means "allowed".
    return dwAllow > static_cast<DWORD>(INT_MAX) ? INT_MAX : static_cast<int>(dwAllow);
}

int IsNwlinkOnly(int nGeneration)
{
    if (nGeneration >= 2) return 0;
    if (Registry(HKEY_LOCAL_MACHINE, vm2::regpath::kEKbapiKey, FALSE, Registry::kRead).IsOpen()) return 0;
    return Registry(HKEY_LOCAL_MACHINE, vm2::regpath::kNwlinkKey, FALSE, Registry::kRead).IsOpen() ? 1 : 0;
}

int IsAdminUser()
{
    vm2::UniqueHandle token;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, token.put())) {
        if (GetLastError() != ERROR_NO_TOKEN) return 0;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return 0;
    }
    DWORD cbNeeded = 0;
    if (GetTokenInformation(token.get(), TokenGroups, nullptr, 0, &cbNeeded) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER || cbNeeded == 0)
        return 0;
    std::vector<BYTE> buf(cbNeeded);
    if (!GetTokenInformation(token.get(), TokenGroups, buf.data(), cbNeeded, &cbNeeded)) return 0;

    return vm2::GroupsHoldAdministrators(reinterpret_cast<const TOKEN_GROUPS*>(buf.data()));
}

namespace vm2 {

int GroupsHoldAdministrators(const TOKEN_GROUPS* pGroups)
{
    if (pGroups == nullptr) return 0;
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID pAdmins = nullptr;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                  0, 0, &pAdmins))
        return 0;
    int nResult = 0;
    for (DWORD i = 0; i < pGroups->GroupCount && nResult == 0; ++i)
        if (EqualSid(pGroups->Groups[i].Sid, pAdmins)) nResult = 1;
    FreeSid(pAdmins);
    return nResult;
}

bool StartsElevated()
{
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    OSVERSIONINFOA vi = {};
    vi.dwOSVersionInfoSize = sizeof(vi);
    if (!GetVersionExA(&vi)) return false;
#pragma GCC diagnostic pop
    return vi.dwPlatformId == VER_PLATFORM_WIN32_NT && vi.dwMajorVersion >= 6;
}

int StartCommandLine(const std::string& strCommand)
{
    // CreateProcess may write into the command line: it gets a copy.
    std::vector<char> buf(strCommand.begin(), strCommand.end());
    buf.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, buf.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 0;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return 1;
}

INT_PTR StartElevated(HWND hOwner, const char* pszFile, const char* pszParameters, DWORD* pdwLastError)
{
    SHELLEXECUTEINFOA sei = {};
    sei.cbSize = sizeof(sei);
    // Failures are traced, never shown: no error box from the shell (the
    // elevation prompt itself is not affected).
    sei.fMask = SEE_MASK_FLAG_NO_UI;
    sei.hwnd = hOwner;
    sei.lpVerb = "runas";
    sei.lpFile = pszFile;
    sei.lpParameters = pszParameters;
    sei.nShow = SW_SHOWNORMAL;
    SetLastError(0);
    BOOL bOk = ShellExecuteExA(&sei);
    *pdwLastError = bOk ? 0 : GetLastError();
    return reinterpret_cast<INT_PTR>(sei.hInstApp);
}

bool AgentCopyFolder(HWND hOwner, std::string* pFolder)
{
    char base[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(hOwner, CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, base)))
        return false;
    std::string folder = std::string(base) + "\\KAVRO\\";
    DWORD attrs = GetFileAttributesA(folder.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES || !(attrs & FILE_ATTRIBUTE_DIRECTORY)) {
        if (!CreateDirectoryA(folder.c_str(), nullptr)) return false;
    }
    *pFolder = folder;
    return true;
}

int StartAgentProgram(bool bElevated, HWND hOwner, const char* pszProgram, const char* pszDriverName,
                      const char* pszPrinterName, int iService)
{
    if (bElevated) {
        std::string parameters = AgentParameters(pszDriverName, pszPrinterName, iService);
        std::string folder;
        if (!AgentCopyFolder(hOwner, &folder)) return 0;
        // An elevated start runs a copy in a folder every user can read; an
        // older copy is replaced, and a failed copy starts the older one.
        std::string copy = folder + FileNameOf(pszProgram);
        CopyFileA(pszProgram, copy.c_str(), FALSE);
        DWORD dwErr = 0;
        INT_PTR hInst = StartElevated(hOwner, copy.c_str(), parameters.c_str(), &dwErr);
        if (dwErr == ERROR_CANCELLED || hInst <= 32) return 0;
        return 1;
    }
    std::string command = AgentCommandLine(pszProgram, pszDriverName, pszPrinterName, iService);
    return StartCommandLine(command);
}

}  // namespace vm2
