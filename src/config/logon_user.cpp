#include "config/logon_user.h"

#include <tlhelp32.h>
#include <wtsapi32.h>

#include <cstring>
#include <vector>

#include "base/fetch_sized.h"
#include "base/text.h"
#include "base/unique_handle.h"
#include "config/registry.h"
#include "config/regpaths.h"
#include "base/trace.h"

namespace {

using vm2::kPathBuf;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
bool GetVersionInfo(OSVERSIONINFOA* pInfo)
{
    ZeroMemory(pInfo, sizeof(*pInfo));
    pInfo->dwOSVersionInfoSize = sizeof(*pInfo);
    return GetVersionExA(pInfo) != FALSE;
}
#pragma GCC diagnostic pop

// Reads the user SID of a token into a buffer of the size it asks for.
bool TokenUserSid(HANDLE hToken, std::vector<BYTE>* pBuf)
{
    return vm2::FetchSized(*pBuf, [&](BYTE* p, DWORD cb, DWORD* pNeeded) {
        return GetTokenInformation(hToken, TokenUser, p, cb, pNeeded) != FALSE;
    });
}

bool LookupInto(PSID pSid, char* pszUser, DWORD nUserSize, char* pszDomain, DWORD nDomainSize)
{
    DWORD userLen = nUserSize;
    DWORD domainLen = nDomainSize;
    SID_NAME_USE use;
    return LookupAccountSidA(nullptr, pSid, pszUser, &userLen, pszDomain, &domainLen, &use) != FALSE;
}

// Traces a text and keeps it for a later replay.
void TraceKept(const TraceScope& scope, std::vector<std::string>* pLines, const std::string& text)
{
    Trace(scope, "%s", text.c_str());
    if (pLines != nullptr) pLines->push_back(text);
}

// WTSAPI32 entry points, bound by name so a system without terminal
// services still loads the module.
typedef BOOL(WINAPI* WTSQuerySessionInformationA_t)(HANDLE, DWORD, WTS_INFO_CLASS, LPSTR*, DWORD*);
typedef void(WINAPI* WTSFreeMemory_t)(PVOID);

}  // namespace

int GetProcessAccountName(DWORD dwProcessId, char* pszUserName, DWORD nUserSize, char* pszDomainName,
                          DWORD nDomainSize)
{
    if (pszUserName == nullptr || pszDomainName == nullptr || nUserSize == 0 || nDomainSize == 0) return 0;
    vm2::UniqueHandle process(OpenProcess(PROCESS_ALL_ACCESS, TRUE, dwProcessId));
    if (!process) return 0;
    vm2::UniqueHandle token;
    if (!OpenProcessToken(process.get(), TOKEN_READ, token.put())) return 0;
    std::vector<BYTE> user;
    if (!TokenUserSid(token.get(), &user)) return 0;
    PSID sid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
    return LookupInto(sid, pszUserName, nUserSize, pszDomainName, nDomainSize) ? 1 : 0;
}

namespace vm2 {

bool LookupAccount(PSID pSid, AccountName* pOut)
{
    char user[kPathBuf] = "";
    char domain[kPathBuf] = "";
    if (pSid == nullptr || !IsValidSid(pSid) || !LookupInto(pSid, user, sizeof(user), domain, sizeof(domain)))
        return false;
    pOut->user = user;
    pOut->domain = domain;
    return true;
}

bool GetOwnAccount(AccountName* pOut)
{
    UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_READ, token.put())) return false;
    std::vector<BYTE> user;
    if (!TokenUserSid(token.get(), &user)) return false;
    return LookupAccount(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, pOut);
}

bool HasTerminalServices()
{
    OSVERSIONINFOA vi;
    if (!GetVersionInfo(&vi)) return false;
    if (vi.dwMinorVersion > 0) return true;
    // A x.0 version (Vista, or 10 as it reports itself) has them only when
    // the version check reports the terminal-services suite.
    OSVERSIONINFOEXA want = {};
    want.dwOSVersionInfoSize = sizeof(want);
    want.wSuiteMask = VER_SUITE_TERMINAL;
    return VerifyVersionInfoA(&want, VER_SUITENAME, VerSetConditionMask(0, VER_SUITENAME, VER_AND)) != FALSE;
}

namespace {

// Loading the library is most of the cost of a target-key lookup, and every
// status poll makes several: it is loaded once and kept until the module is
// unloaded (ReleaseTerminalServicesLibrary).
HMODULE g_hWtsApi = nullptr;
INIT_ONCE g_wtsOnce = INIT_ONCE_STATIC_INIT;

BOOL CALLBACK LoadWtsApi(PINIT_ONCE, PVOID, PVOID*)
{
    g_hWtsApi = LoadLibraryA("WTSAPI32.DLL");
    return TRUE;
}

HMODULE TerminalServicesLibrary()
{
    InitOnceExecuteOnce(&g_wtsOnce, LoadWtsApi, nullptr, nullptr);
    return g_hWtsApi;
}

}  // namespace

void ReleaseTerminalServicesLibrary()
{
    if (g_hWtsApi != nullptr) FreeLibrary(g_hWtsApi);
    g_hWtsApi = nullptr;
}

bool QuerySessionAccount(AccountName* pOut)
{
    pOut->user.clear();
    pOut->domain.clear();
    HMODULE wts = TerminalServicesLibrary();
    if (wts == nullptr) return false;
    auto query = reinterpret_cast<WTSQuerySessionInformationA_t>(
        reinterpret_cast<void*>(GetProcAddress(wts, "WTSQuerySessionInformationA")));
    auto release =
        reinterpret_cast<WTSFreeMemory_t>(reinterpret_cast<void*>(GetProcAddress(wts, "WTSFreeMemory")));
    if (query == nullptr || release == nullptr) return false;

    auto ask = [&](DWORD session, WTS_INFO_CLASS what, std::string* pText, DWORD* pNumber) {
        LPSTR data = nullptr;
        DWORD size = 0;
        if (!query(nullptr /* this server */, session, what, &data, &size) || data == nullptr) return false;
        if (pText != nullptr) pText->assign(data, strnlen(data, size));
        if (pNumber != nullptr) {
            if (size < sizeof(DWORD)) {
                release(data);
                return false;
            }
            memcpy(pNumber, data, sizeof(DWORD));
        }
        release(data);
        return true;
    };

    // Some systems cannot name the current session's id; asking about the
    // current session itself then gives the same answers.
    DWORD session = WTS_CURRENT_SESSION;
    if (!ask(WTS_CURRENT_SESSION, WTSSessionId, nullptr, &session)) session = WTS_CURRENT_SESSION;
    ask(session, WTSUserName, &pOut->user, nullptr);
    ask(session, WTSDomainName, &pOut->domain, nullptr);
    if (pOut->user.size() >= kPathBuf) pOut->user.resize(kPathBuf - 1);
    if (pOut->domain.size() >= kPathBuf) pOut->domain.resize(kPathBuf - 1);
    return true;
}

std::string ShellProgramName()
{
    Registry key(HKEY_LOCAL_MACHINE, regpath::kWinlogonKey, FALSE, Registry::kRead);
    std::string shell = key.QueryString("Shell", "", kPathBuf);
    return shell.empty() ? std::string("explorer.exe") : shell;
}

bool FindShellProcessAccount(const char* pszShell, const TraceScope* pScope, AccountName* pOut,
                             std::vector<std::string>* pLines)
{
    if (IsEmpty(pszShell)) return false;
    size_t shellLen = strlen(pszShell);
    std::vector<DWORD> ids;
    UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return false;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot.get(), &entry); more && ids.size() < 128;
         more = Process32Next(snapshot.get(), &entry)) {
        if (_strnicmp(entry.szExeFile, pszShell, shellLen) == 0) ids.push_back(entry.th32ProcessID);
    }
    for (DWORD id : ids) {
        char user[kPathBuf] = "";
        char domain[kPathBuf] = "";
        if (GetProcessAccountName(id, user, sizeof(user), domain, sizeof(domain))) {
            if (pScope != nullptr) {
                TraceKept(*pScope, pLines, "GetProcessAccountName : success\n");
                TraceKept(*pScope, pLines, "Logon user name : " + std::string(user) + "\n");
                TraceKept(*pScope, pLines, "Logon domain name : " + std::string(domain) + "\n");
            }
            pOut->user = user;
            pOut->domain = domain;
            return true;
        }
    }
    return false;
}

bool ReadWinlogonDefaults(AccountName* pOut)
{
    Registry key(HKEY_LOCAL_MACHINE, regpath::kWinlogonKey, FALSE, Registry::kRead);
    if (!key.IsOpen()) return false;
    pOut->user = key.QueryString("DefaultUserName", "", kPathBuf);
    pOut->domain = key.QueryString("DefaultDomainName", "", kPathBuf);
    return true;
}

bool ReadProfileList(std::vector<ProfileEntry>* pOut)
{
    pOut->clear();
    Registry list(HKEY_LOCAL_MACHINE, regpath::kProfileListKey, FALSE, Registry::kRead);
    if (!list.IsOpen()) return false;
    for (DWORD i = 0;; ++i) {
        std::string name = list.EnumKey(i);
        if (name.empty()) break;
        ProfileEntry entry;
        entry.subkey = name;
        Registry sub(list.Handle(), name.c_str(), FALSE, Registry::kRead);
        if (sub.IsOpen()) {
            std::vector<BYTE> sid = sub.QueryBinary("Sid");
            // The stored bytes must hold the whole SID they announce before
            // any SID call may look at them.
            if (sid.size() >= 8 && sid.size() >= GetSidLengthRequired(sid[1]))
                entry.resolved = LookupAccount(sid.data(), &entry.account);
        }
        pOut->push_back(std::move(entry));
    }
    return true;
}

LogonFacts GatherLogonFacts(const TraceScope& scope)
{
    LogonFacts facts;
    if (HasTerminalServices()) {
        QuerySessionAccount(&facts.logon);
    } else {
        std::string shell = ShellProgramName();
        std::vector<std::string>* lines = &facts.traceLines;
        FindShellProcessAccount(shell.c_str(), &scope, &facts.logon, lines);
        if (facts.logon.user.empty() || facts.logon.domain.empty()) {
            TraceKept(scope, lines, "GetProcessAccountName : failed\n");
            if (!ReadWinlogonDefaults(&facts.logon)) {
                facts.logonKnown = false;
                return facts;
            }
            TraceKept(scope, lines, "Logon user name : " + facts.logon.user + "\n");
            TraceKept(scope, lines, "Logon domain name : " + facts.logon.domain + "\n");
        }
    }

    facts.selfKnown = GetOwnAccount(&facts.self);
    if (RunsAsLogonUser(facts)) return facts;
    facts.profileListOpened = ReadProfileList(&facts.profiles);
    return facts;
}

}  // namespace vm2
