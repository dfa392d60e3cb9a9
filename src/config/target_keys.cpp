#include "config/target_keys.h"

#include <atomic>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "base/fetch_sized.h"
#include "base/text.h"
#include "base/mutex_guard.h"
#include "base/unique_handle.h"
#include "config/logon_user.h"
#include "config/notify_settings.h"
#include "config/paths.h"
#include "config/registry.h"
#include "config/regpaths.h"
#include "config/target_rules.h"
#include "base/trace.h"

using vm2::CopyText;
using vm2::FormatText;
using vm2::IsEmpty;
using vm2::kPathBuf;

namespace {

// Root keys are traced as the 32-bit numbers they are.
unsigned RootId(HKEY hRoot) { return static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(hRoot)); }

std::string JoinKey(const char* pszParent, const std::string& child)
{
    return std::string(pszParent) + "\\" + child;
}

// A key being created has no "Name" for a moment, and the sweep of another
// process would take it for an orphan and delete it. Our own processes
// therefore sweep and create one at a time; a holder that died leaves the
// mutex abandoned, which still hands it over.
vm2::UniqueHandle RebuildMutex()
{
    vm2::UniqueHandle h(CreateMutexA(nullptr, FALSE, "Global\\KAVRO_VLX3_TargetKeyRebuild"));
    // Without the right to create global objects, other sessions' rebuilds
    // cannot be ordered: keep at least our own session in step.
    if (!h) h.reset(CreateMutexA(nullptr, FALSE, "KAVRO_VLX3_TargetKeyRebuild"));
    return h;
}

class RebuildLock {
public:
    RebuildLock() : m_hMutex(RebuildMutex()), m_guard(m_hMutex.get(), 30000) {}

private:
    vm2::UniqueHandle m_hMutex;  // before the guard: released before it is closed
    vm2::MutexGuard m_guard;
};

// Level-2 information of an open printer names both a driver and a print
// processor. A printer whose information cannot be read at all is given the
// benefit of the doubt: it opened, so it exists.
bool PrinterLooksInstalled(HANDLE hPrinter)
{
    std::vector<BYTE> buf;
    if (!vm2::FetchSized(buf, [&](BYTE* p, DWORD cb, DWORD* pNeeded) {
            return GetPrinterA(hPrinter, 2, p, cb, pNeeded) != FALSE;
        }))
        return true;
    const PRINTER_INFO_2A* info = reinterpret_cast<const PRINTER_INFO_2A*>(buf.data());
    return !IsEmpty(info->pDriverName) && !IsEmpty(info->pPrintProcessor);
}

// Deletes the condemned subkeys of an open base key, examining each subkey
// once: after a removal the next subkey has moved up to the same index.
template <typename Condemned, typename Remove>
void SweepSubkeys(Registry& base, Condemned condemned, Remove remove)
{
    for (DWORD index = 0;;) {
        std::string name = base.EnumKey(index);
        if (name.empty()) return;
        if (!condemned(name)) {
            ++index;
            continue;
        }
        remove(name);
        // A key that would not go stays where it was: step over it.
        if (base.EnumKey(index) == name) ++index;
    }
}

typedef int(__cdecl* PrSetRegDefaultValue_t)(const char*, const char*, const char*, const char*, const char*,
                                              const char*, const char*);

}  // namespace

BOOL KP_OpenPrinter(const char* pszPrinterName, HANDLE* phPrinter, PRINTER_DEFAULTSA* pDefault)
{
    if (phPrinter == nullptr) return FALSE;
    *phPrinter = nullptr;
    BOOL ok = OpenPrinterA(const_cast<char*>(pszPrinterName), phPrinter, pDefault);
    if (ok && *phPrinter != nullptr) return ok;
    if (pszPrinterName == nullptr) return ok;

    // Names the ANSI code page cannot carry through the spooler's own
    // conversion: convert strictly and ask the wide entry point.
    size_t bytes = strlen(pszPrinterName) + 1;  // never more UTF-16 units than bytes
    std::vector<wchar_t> wide(bytes);
    SetLastError(ERROR_SUCCESS);
    int len = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED | MB_ERR_INVALID_CHARS, pszPrinterName, -1, wide.data(),
                                  static_cast<int>(bytes));
    if (len <= 0 || GetLastError() == ERROR_NO_UNICODE_TRANSLATION) return ok;
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, pDefault != nullptr ? pDefault->DesiredAccess : 0};
    *phPrinter = nullptr;
    return OpenPrinterW(wide.data(), phPrinter, &defaults);
}

struct TargetKeyLookupMemo::Data {
    bool haveChoice[2] = {false, false};
    vm2::TargetBaseChoice choice[2];
    std::vector<std::string> traceLines[2];  // traced again by every lookup that reuses the choice
    std::map<std::pair<int, std::string>, std::string> found;  // (kind, lower-case name) -> key path
};

namespace {

thread_local TargetKeyLookupMemo::Data* t_pMemo = nullptr;

std::atomic<vm2::LogonFactsSource> g_logonFacts{vm2::GatherLogonFacts};

std::string LowerName(const char* pszName)
{
    std::string s = pszName != nullptr ? pszName : "";
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

}  // namespace

TargetKeyLookupMemo::TargetKeyLookupMemo() : m_pData(new Data), m_pOuter(t_pMemo) { t_pMemo = m_pData; }

TargetKeyLookupMemo::~TargetKeyLookupMemo()
{
    t_pMemo = m_pOuter;
    delete m_pData;
}

void vm2::SetLogonFactsSource(LogonFactsSource pfnSource)
{
    g_logonFacts = pfnSource != nullptr ? pfnSource : GatherLogonFacts;
}

int GetCurrentTargetPrnKey(const char* pszName, int nKind, char* pszKeyPath, HKEY* phRoot)
{
    TraceScope scope("GetCurrentTargetPrnKey()");
    if (nKind != vm2::kTargetByPrinter && nKind != vm2::kTargetByPort) return 5;

    char spare[kPathBuf];
    if (pszKeyPath == nullptr) pszKeyPath = spare;
    HKEY root = HKEY_CURRENT_USER;

    TargetKeyLookupMemo::Data* memo = t_pMemo;
    vm2::TargetBaseChoice choice;
    if (memo != nullptr && memo->haveChoice[nKind]) {
        // Every lookup traces the decision, whether made now or kept.
        choice = memo->choice[nKind];
        for (const std::string& line : memo->traceLines[nKind]) Trace(scope, "%s", line.c_str());
    } else {
        vm2::LogonFacts facts = g_logonFacts.load()(scope);
        choice = vm2::ChooseTargetBase(nKind, facts);
        if (memo != nullptr) {
            memo->choice[nKind] = choice;
            memo->traceLines[nKind] = facts.traceLines;
            memo->haveChoice[nKind] = true;
        }
    }
    if (choice.sameUser) Trace(scope, "same logon user\n");
    if (choice.usersHive) root = HKEY_USERS;
    if (phRoot != nullptr) *phRoot = root;
    CopyText(pszKeyPath, kPathBuf, choice.basePath.c_str());

    if (memo != nullptr && !IsEmpty(pszName)) {
        auto hit = memo->found.find({nKind, LowerName(pszName)});
        if (hit != memo->found.end()) {
            CopyText(pszKeyPath, kPathBuf, hit->second.c_str());
            return 0;
        }
    }

    std::string path;
    int rc = WalkTargetKeys(root, choice.basePath, pszName, &path, nullptr);
    if (rc != 0) return rc;
    CopyText(pszKeyPath, kPathBuf, path.c_str());
    if (memo != nullptr) memo->found[{nKind, LowerName(pszName)}] = path;
    return 0;
}

int WalkTargetKeys(HKEY hRoot, const std::string& basePath, const char* pszName, std::string* pPath,
                   bool* pbConclusive)
{
    if (pbConclusive != nullptr) *pbConclusive = false;
    Registry base(hRoot, basePath.c_str(), FALSE, Registry::kRead);
    if (!base.IsOpen()) return 4;

    auto subkeyCount = [&base] {
        DWORD count = 0;
        RegQueryInfoKeyA(base.Handle(), nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr);
        return count;
    };
    // Walking by index can step over a key while another process deletes
    // keys in front of it: when the number of keys changed during a walk
    // that found nothing, walk again (a few times at most).
    for (int walk = 0; walk < 4; ++walk) {
        DWORD before = subkeyCount();
        bool named = true;  // every key so far had a name
        for (DWORD index = 0;; ++index) {
            std::string sub = base.EnumKey(index);
            if (sub.empty()) break;
            Registry key(base.Handle(), sub.c_str(), FALSE, Registry::kRead);
            std::string name = key.QueryString("Name", "", kPathBuf);
            if (name.empty()) named = false;
            if (name.empty() || IsEmpty(pszName) || !vm2::EqualNoCase(name.c_str(), pszName)) continue;
            std::string path = JoinKey(basePath.c_str(), sub);
            if (path.size() >= kPathBuf) continue;
            *pPath = path;
            if (pbConclusive != nullptr) *pbConclusive = named;
            return 0;
        }
        if (subkeyCount() == before) {
            if (pbConclusive != nullptr) *pbConclusive = named;
            break;
        }
    }
    return 1;
}

int CheckTargetRegKey(const char* pszPrinterName, const char* pszPortName, const char* pszModelID, int* pnKind,
                      char* pszKeyPath)
{
    TraceScope scope("CheckTargetRegKey()");
    HKEY root = HKEY_CURRENT_USER;
    int kind = vm2::TargetKindFor(pszPrinterName, pszPortName);
    const char* name = vm2::TargetNameFor(pszPrinterName, pszPortName);
    if (pnKind != nullptr) *pnKind = kind;

    char path[kPathBuf] = "";
    int rc = GetCurrentTargetPrnKey(name, kind, path, &root);
    if (rc != 0) rc = RebuildTargetKey(root, pszPrinterName, pszPortName, pszModelID, kind, path);
    if (path[0] != '\0' && pszKeyPath != nullptr) CopyText(pszKeyPath, kPathBuf, path);
    return rc;
}

int RebuildTargetKey(HKEY hRoot, const char* pszPrinterName, const char* pszPortName, const char* pszModelID,
                     int nKind, char* pszBase)
{
    TraceScope scope("RebuildTargetKey()");
    if (pszBase == nullptr) return 1;
    Trace(scope, "TopKey : 0x%08x, SubKey : %s\n", RootId(hRoot), pszBase);

    // The names may live in the application context, which the printer
    // DLL's export refills while we still need them.
    const std::string printer = pszPrinterName != nullptr ? pszPrinterName : "";
    const std::string port = pszPortName != nullptr ? pszPortName : "";
    const std::string model = pszModelID != nullptr ? pszModelID : "";

    {
        RebuildLock lock;
        DeleteNoneReg(hRoot, pszBase);
        const std::string& name = nKind == vm2::kTargetByPort ? port : printer;
        // The lookup that sent us here walked the keys by index while other
        // processes may have been removing keys, and so may have stepped
        // over ours; only now are removals held off. A key found now is the
        // printer's key, and whoever made it also fills it. The keys are
        // walked directly: a lookup would add its own lines to the trace.
        std::string found;
        if (WalkTargetKeys(hRoot, pszBase, name.c_str(), &found, nullptr) == 0) {
            CopyText(pszBase, kPathBuf, found.c_str());
            return 0;
        }
        if (CreateTargetPrnKey(hRoot, name.c_str(), nKind, pszBase, pszBase) != 0) return 1;
    }

    char driver[kPathBuf] = "";
    char dll[kPathBuf] = "";
    GetDriverName(model.c_str(), driver);
    GetPrnDllPath(dll, driver, model.c_str());

    vm2::UniqueModule module(IsEmpty(dll) ? nullptr : LoadLibraryA(dll));
    if (!module) return 4;
    auto fill = reinterpret_cast<PrSetRegDefaultValue_t>(
        reinterpret_cast<void*>(GetProcAddress(module.get(), "PrSetRegDefaultValue")));
    if (fill == nullptr) return 5;
    return fill(printer.c_str(), driver, port.c_str(), model.c_str(), nullptr, nullptr, nullptr);
}

int CreateTargetPrnKey(HKEY hRoot, const char* pszName, int nKind, const char* pszBase, char* pszNewKey)
{
    TraceScope scope("CreateTargetPrnKey()");
    if (pszBase == nullptr) return 4;
    const std::string base = pszBase;  // the out buffer may be the base buffer

    {
        Registry key;
        key.Create(hRoot, base.c_str(), nullptr, Registry::kAll);
        if (!key.IsOpen()) {
            Trace(scope, "can't create Key : 0x%08x %s\n", RootId(hRoot), base.c_str());
            return 4;
        }
    }

    // A name the lookup cannot read back (empty, or too long for its
    // 260-byte read) would give a key nobody finds and the next sweep deletes.
    if (IsEmpty(pszName) || strlen(pszName) >= kPathBuf) {
        Trace(scope, "can't setting printername, TopKey : 0x%08x %s\n", RootId(hRoot), base.c_str());
        return 2;
    }

    char path[kPathBuf];
    Registry key;
    int number = 0;
    for (;; ++number) {
        if (number == 2147483647) return 1;
        // Only a key this call created is ours: another process creating
        // keys at the same moment gets "already existed" for it.
        BOOL created = FALSE;
        if (vm2::FormatTargetKeyPath(path, sizeof(path), base.c_str(), number))
            created = key.Create(hRoot, path, nullptr, Registry::kAll);
        if (!key.IsOpen()) {
            Trace(scope, "can't open TopKey : 0x%08x %s\n", RootId(hRoot), path);
            return 3;
        }
        if (created) break;
        key.Close();
    }

    if (!key.SetString("Name", pszName)) {
        Trace(scope, "can't setting printername, TopKey : 0x%08x %s\n", RootId(hRoot), path);
        return 2;
    }
    if (pszNewKey != nullptr) CopyText(pszNewKey, kPathBuf, path);
    key.SetDword("Setting", 0);
    key.SetDword("Timer", 10);
    DWORD setting = key.QueryDwordOrNone("Setting");
    return setting == 0 ? 0 : 1;
}

int DeleteNoneReg(HKEY hRoot, const char* pszBase)
{
    TraceScope scope("DeleteNoneReg()");
    if (pszBase == nullptr) return -1;
    Trace(scope, "0x%08x subkey = %s\n", RootId(hRoot), pszBase);
    {
        Registry base(hRoot, pszBase, FALSE, Registry::kAll);
        if (!base.IsOpen()) {
            Trace(scope, "can't open TopKey : 0x%08x %s\n", RootId(hRoot), pszBase);
            return -1;
        }
        auto condemned = [&](const std::string& sub) {
            Trace(scope, "RegEnumKeyEx : %s\n", sub.c_str());
            Registry key(base.Handle(), sub.c_str(), FALSE, Registry::kRead);
            if (!key.IsOpen()) {
                Trace(scope, "can't open %s\n", sub.c_str());
                return false;
            }
            std::string name = key.QueryString("Name", "", kPathBuf);
            Trace(scope, "RegQueryValueEx %s\n", name.c_str());
            if (name.empty()) {
                Trace(scope, "This key is delete. #1 (%s)\n", sub.c_str());
                return true;
            }
            vm2::UniquePrinter printer;
            if (!KP_OpenPrinter(name.c_str(), printer.put(), nullptr) || !printer) {
                Trace(scope, "This key is delete. #2 (%s)\n", sub.c_str());
                return true;
            }
            // A printer without driver or print processor goes silently.
            return !PrinterLooksInstalled(printer.get());
        };
        SweepSubkeys(base, condemned,
                     [&](const std::string& sub) { DeleteUnusedKey(hRoot, JoinKey(pszBase, sub).c_str()); });
    }

    // Keys of port-name printers have no printer to ask about; only those
    // that lost their name are certainly dead.
    const char* portBase = vm2::regpath::kTargetByPort;
    Registry ports(hRoot, portBase, FALSE, Registry::kAll);
    if (!ports.IsOpen()) return -1;
    auto nameless = [&](const std::string& sub) {
        Registry key(ports.Handle(), sub.c_str(), FALSE, Registry::kRead);
        return key.IsOpen() && key.QueryString("Name", "", kPathBuf).empty();
    };
    SweepSubkeys(ports, nameless,
                 [&](const std::string& sub) { DeleteTargetKey(hRoot, JoinKey(portBase, sub).c_str()); });
    return 0;
}

int DeleteUnusedKey(HKEY hRoot, const char* pszKey)
{
    TraceScope scope("DeleteUnusedKey()");
    {
        Registry key(hRoot, pszKey, FALSE, Registry::kAll);
        if (!key.IsOpen()) {
            Trace(scope, "can't open 0x%08x %s\n", RootId(hRoot), pszKey != nullptr ? pszKey : "");
            return -1;
        }
        // Marked first, so a reader that still holds the key open can tell
        // it is on its way out.
        key.SetDword("Setting", 255);
    }
    DeleteTargetKey(hRoot, pszKey);
    return 0;
}

int DeleteTargetKey(HKEY hRoot, const char* pszKey)
{
    TraceScope scope("DeleteTargetKey()");
    Registry key(hRoot, pszKey, FALSE, Registry::kAll);
    if (!key.IsOpen()) {
        Trace(scope, "can't open 0x%08x %s\n", RootId(hRoot), pszKey != nullptr ? pszKey : "");
        return -1;
    }
    for (;;) {
        std::string sub = key.EnumKey(0);
        if (sub.empty()) break;
        if (DeleteTargetKey(hRoot, JoinKey(pszKey, sub).c_str()) != 0) return -1;
    }
    Trace(scope, "RegEnumKeyEx is failed. #1 / 0x%08x\n", RootId(hRoot));
    Trace(scope, "RegEnumKeyEx is failed. #2 / 0x%08x\n", RootId(hRoot));
    key.Close();
    // A key that stays would make the caller's loop see it again forever.
    return RegDeleteKeyA(hRoot, pszKey) == ERROR_SUCCESS ? 0 : -1;
}

int SetRegDefaultValue(HKEY hRoot, const char* pszDatFile, const char* pszModelID, const char* pszKeyPath)
{
    TraceScope scope("SetRegDefaultValue()");
    Trace(scope, "0x%08x - subkey = %s\n", RootId(hRoot), pszKeyPath != nullptr ? pszKeyPath : "");
    Registry key(hRoot, pszKeyPath, FALSE, Registry::kAll);
    if (!key.IsOpen()) return 1;

    // Without a data file every value takes its default (a null file name
    // would make the profile call read win.ini instead).
    const bool haveFile = !IsEmpty(pszDatFile) && !IsEmpty(pszModelID);
    for (const vm2::DefaultValueRule& rule : vm2::TargetDefaultValues()) {
        int fallback = rule.always ? 0 : -1;
        int value = haveFile ? static_cast<int>(GetPrivateProfileIntA(pszModelID, rule.name, fallback, pszDatFile))
                             : fallback;
        if (!rule.always && value == -1) continue;
        key.SetDword(rule.name, static_cast<DWORD>(value));
    }
    key.Close();
    return ChkNtfyReg(hRoot, pszKeyPath, pszModelID, pszDatFile) == 0 ? 4 : 0;
}
