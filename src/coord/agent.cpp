#include "coord/agent.h"

#include <aclapi.h>
#include <sddl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <climits>
#include <cstring>
#include <vector>

#include "base/fetch_sized.h"
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
    std::vector<BYTE> buf;
    if (!vm2::FetchSized(buf, [&](BYTE* p, DWORD cb, DWORD* pNeeded) {
            return GetTokenInformation(token.get(), TokenGroups, p, cb, pNeeded) != FALSE;
        }))
        return 0;

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

int StartCommandLine(const char* pszProgram, const std::string& strCommand)
{
    // CreateProcess may write into the command line: it gets a copy.
    std::vector<char> buf(strCommand.begin(), strCommand.end());
    buf.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    const char* pszApplication = IsEmpty(pszProgram) ? nullptr : pszProgram;
    if (!CreateProcessA(pszApplication, buf.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 0;
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

namespace {

// Administrators and SYSTEM may change the folder and what is in it; users
// may read and run. Protected, so nothing is inherited from the folder above
// (which every user may write).
const char kCopyFolderSddl[] = "O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;GRGX;;;BU)";

constexpr ACCESS_MASK kAnyWrite = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES |
                                  FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

// The account of this process when it is an administrator: the folder it
// creates may be its own (Wine, or a system without elevation).
std::vector<BYTE> AdminSelf()
{
    std::vector<BYTE> user;
    vm2::UniqueHandle token;
    if (IsAdminUser() != 1 || !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return user;
    vm2::FetchSized(user, [&](BYTE* p, DWORD cb, DWORD* pNeeded) {
        return GetTokenInformation(token.get(), TokenUser, p, cb, pNeeded) != FALSE;
    });
    return user;
}

bool IsAdminOrSystem(PSID pSid, const std::vector<BYTE>& self)
{
    if (pSid == nullptr) return false;
    if (IsWellKnownSid(pSid, WinBuiltinAdministratorsSid) || IsWellKnownSid(pSid, WinLocalSystemSid)) return true;
    return !self.empty() && EqualSid(pSid, reinterpret_cast<const TOKEN_USER*>(self.data())->User.Sid);
}

// True when only administrators and SYSTEM own or may write the folder.
bool OnlyAdminsWrite(const char* pszFolder)
{
    std::vector<BYTE> self = AdminSelf();
    PSID pOwner = nullptr;
    PACL pDacl = nullptr;
    PSECURITY_DESCRIPTOR pSd = nullptr;
    if (GetNamedSecurityInfoA(pszFolder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                              &pOwner, nullptr, &pDacl, nullptr, &pSd) != ERROR_SUCCESS)
        return false;
    // No access list at all lets everyone in; an owner may rewrite the list.
    bool bOk = pDacl != nullptr && IsAdminOrSystem(pOwner, self);
    for (DWORD i = 0; bOk && i < pDacl->AceCount; ++i) {
        ACE_HEADER* pAce = nullptr;
        if (!GetAce(pDacl, i, reinterpret_cast<void**>(&pAce))) bOk = false;
        else if (pAce->AceType == ACCESS_ALLOWED_ACE_TYPE) {
            auto* pAllowed = reinterpret_cast<ACCESS_ALLOWED_ACE*>(pAce);
            if ((pAllowed->Mask & kAnyWrite) != 0 && !IsAdminOrSystem(&pAllowed->SidStart, self)) bOk = false;
        } else if (pAce->AceType != ACCESS_DENIED_ACE_TYPE) {
            bOk = false;  // an ACE kind not judged here
        }
    }
    LocalFree(pSd);
    return bOk;
}

// Creates the folder with the access list above, or puts that list on a
// folder found there; false when the folder is still writable by others.
bool SecureCopyFolder(const std::string& strFolder)
{
    PSECURITY_DESCRIPTOR pSd = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(kCopyFolderSddl, SDDL_REVISION_1, &pSd, nullptr))
        return false;
    vm2::ScopeExit freeSd([pSd] { LocalFree(pSd); });
    SECURITY_ATTRIBUTES sa = {sizeof(sa), pSd, FALSE};
    DWORD attrs = GetFileAttributesA(strFolder.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES) {
        if (!CreateDirectoryA(strFolder.c_str(), &sa)) return false;
    } else if (!(attrs & FILE_ATTRIBUTE_DIRECTORY) || (attrs & FILE_ATTRIBUTE_REPARSE_POINT)) {
        return false;  // a file, or a link to elsewhere, planted under our name
    }
    if (OnlyAdminsWrite(strFolder.c_str())) return true;
    // Left by an older version (or by someone else): take it over, when we may.
    BOOL bPresent = FALSE, bDefaulted = FALSE;
    PACL pDacl = nullptr;
    PSID pOwner = nullptr;
    if (!GetSecurityDescriptorDacl(pSd, &bPresent, &pDacl, &bDefaulted) ||
        !GetSecurityDescriptorOwner(pSd, &pOwner, &bDefaulted))
        return false;
    std::string path = strFolder;
    SetNamedSecurityInfoA(&path[0], SE_FILE_OBJECT,
                          OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                          pOwner, nullptr, pDacl, nullptr);
    return OnlyAdminsWrite(strFolder.c_str());
}

bool ReadWholeFile(const char* pszPath, std::vector<char>* pOut)
{
    vm2::UniqueFile file(CreateFileA(pszPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart > 64 * 1024 * 1024) return false;
    pOut->resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    return pOut->empty() ||
           (ReadFile(file.get(), pOut->data(), static_cast<DWORD>(pOut->size()), &got, nullptr) && got == pOut->size());
}

// The copy holds exactly the bytes of the program it was made from.
bool SameContents(const char* pszSource, const char* pszCopy)
{
    std::vector<char> a, b;
    return ReadWholeFile(pszSource, &a) && ReadWholeFile(pszCopy, &b) && a == b;
}

}  // namespace

bool AgentCopyFolder(HWND hOwner, std::string* pFolder)
{
    char base[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(hOwner, CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, base)))
        return false;
    std::string folder = std::string(base) + "\\KAVRO\\";
    if (!SecureCopyFolder(folder)) return false;
    *pFolder = folder;
    return true;
}

int StartAgentProgram(HWND hOwner, const char* pszProgram, const char* pszDriverName, const char* pszPrinterName,
                      int iService)
{
    // The names go between quotes into an administrator's command line:
    // a quote inside one would let it add parameters of its own.
    if (strchr(pszDriverName, '"') != nullptr || strchr(pszPrinterName, '"') != nullptr) return 0;
    std::string parameters = AgentParameters(pszDriverName, pszPrinterName, iService);
    std::string folder;
    if (!AgentCopyFolder(hOwner, &folder)) return 0;
    // The copy runs elevated: it is started only when it is, byte for
    // byte, the program named in the driver key.
    std::string copy = folder + FileNameOf(pszProgram);
    if (!CopyFileA(pszProgram, copy.c_str(), FALSE) || !SameContents(pszProgram, copy.c_str())) return 0;
    DWORD dwErr = 0;
    INT_PTR hInst = StartElevated(hOwner, copy.c_str(), parameters.c_str(), &dwErr);
    return dwErr == ERROR_CANCELLED || hInst <= 32 ? 0 : 1;
}

}  // namespace vm2
