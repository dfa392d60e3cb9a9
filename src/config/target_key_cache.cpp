#include "config/target_key_cache.h"

#include <cstring>

#include "base/resource_ids.h"
#include "base/text.h"
#include "base/trace.h"
#include "config/logon_user.h"
#include "config/regpaths.h"
#include "config/target_keys.h"

using vm2::IsEmpty;
using vm2::kPathBuf;

namespace {

std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// More printers than a host monitors from one process: beyond it the cache
// starts over rather than grow.
const size_t kMaxEntries = 16;

// The user's "VLX3" key for a base path below it ("[<sid>\]software\...\KPLTarget").
std::string UserTreeOf(const std::string& basePath, int nKind)
{
    const size_t tail = strlen(vm2::TargetBasePath(nKind));
    std::string prefix = basePath.size() >= tail ? basePath.substr(0, basePath.size() - tail) : std::string();
    return prefix + vm2::regpath::kVlx3Key;
}

}  // namespace

// ------------------------------------------------------------------- Watch

// Before Windows 8 a notification is also signalled when the thread that
// asked for it ends (the host may poll from threads that come and go): the
// cache then merely looks again.
bool TargetKeyCache::Watch::Arm(HKEY hRoot, const std::string& path, BOOL bSubtree, DWORD dwFilter)
{
    Drop();
    if (!event) event.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!event || !key.Open(hRoot, path.c_str(), KEY_READ)) return false;
    ResetEvent(event.get());
    armed = RegNotifyChangeKeyValue(key.Handle(), bSubtree, dwFilter, event.get(), TRUE) == ERROR_SUCCESS;
    return armed;
}

bool TargetKeyCache::Watch::Fired() const
{
    return !armed || WaitForSingleObject(event.get(), 0) != WAIT_TIMEOUT;
}

void TargetKeyCache::Watch::Drop()
{
    // Closing the key ends its notification.
    key.Close();
    armed = false;
}

void TargetKeyCache::Forget()
{
    m_bFactsKnown = false;
    m_facts = vm2::LogonFacts();
    m_userTree.Drop();
    m_entries.clear();
    m_machineTree.Drop();
    m_models.clear();
}

// ----------------------------------------------------------- TargetKeyPoll

TargetKeyPoll::TargetKeyPoll(TargetKeyCache& cache, const vm2::PrinterContext& printer)
    : m_cache(cache),
      m_guard(cache.m_lock.get()),
      m_printer(printer),
      m_nKind(vm2::TargetKindFor(printer.printer.c_str(), printer.port.c_str())),
      m_strName(vm2::TargetNameFor(printer.printer.c_str(), printer.port.c_str()))
{
    ++m_cache.m_nPoll;
    Revalidate();
}

void TargetKeyPoll::Revalidate()
{
    TargetKeyCache& c = m_cache;
    // Another user at the console may mean another hive.
    if (c.m_bFactsKnown && WTSGetActiveConsoleSessionId() != c.m_dwConsoleSession) c.Forget();

    // One call asks every watch at once; which one fired is asked only then.
    HANDLE events[MAXIMUM_WAIT_OBJECTS];
    DWORD count = 0;
    auto add = [&](const TargetKeyCache::Watch& w) {
        if (w.armed && count < MAXIMUM_WAIT_OBJECTS) events[count++] = w.event.get();
    };
    add(c.m_userTree);
    add(c.m_machineTree);
    for (auto& e : c.m_entries) add(e.second.notify);
    if (count == 0 || WaitForMultipleObjects(count, events, FALSE, 0) == WAIT_TIMEOUT) return;

    if (c.m_userTree.armed && c.m_userTree.Fired()) {
        c.m_userTree.Drop();
        c.m_entries.clear();
    }
    if (c.m_machineTree.armed && c.m_machineTree.Fired()) {
        c.m_machineTree.Drop();
        c.m_models.clear();
    }
    for (auto& e : c.m_entries) {
        Entry& entry = e.second;
        if (entry.notify.armed && entry.notify.Fired()) {
            entry.notify.Drop();
            entry.notifyKnown = false;
            entry.items.clear();
        }
    }
}

TargetKeyPoll::Entry* TargetKeyPoll::Find()
{
    TraceScope scope("GetCurrentTargetPrnKey()");
    TargetKeyCache& c = m_cache;
    // The hive decision traces what a fresh one would, in every lookup.
    if (!c.m_bFactsKnown) {
        c.m_facts = vm2::GatherLogonFacts(scope);
        c.m_dwConsoleSession = WTSGetActiveConsoleSessionId();
        c.m_bFactsKnown = true;
    } else {
        for (const std::string& line : c.m_facts.traceLines) Trace(scope, "%s", line.c_str());
    }
    m_choice = vm2::ChooseTargetBase(m_nKind, c.m_facts);
    if (m_choice.sameUser) Trace(scope, "same logon user\n");
    if (IsEmpty(m_strName.c_str())) return nullptr;

    if (c.m_entries.size() >= kMaxEntries) c.m_entries.clear();
    Entry& entry = c.m_entries[{m_nKind, Lower(m_strName)}];
    bool current = entry.walked && c.m_userTree.armed && (entry.conclusive || entry.nWalkPoll == c.m_nPoll);
    if (!current) return Walk(entry);
    return entry.found ? &entry : nullptr;
}

TargetKeyPoll::Entry* TargetKeyPoll::Walk(Entry& entry)
{
    TargetKeyCache& c = m_cache;
    HKEY root = m_choice.usersHive ? HKEY_USERS : HKEY_CURRENT_USER;
    if (!c.m_userTree.armed) {
        // Whatever was found before the watch was armed may be stale.
        for (auto& e : c.m_entries)
            if (&e.second != &entry) e.second.walked = false;
        c.m_userTree.Arm(root, UserTreeOf(m_choice.basePath, m_nKind), TRUE, REG_NOTIFY_CHANGE_NAME);
    }
    entry.key.Close();
    entry.notify.Drop();
    entry.notifyKnown = false;
    entry.items.clear();
    entry.writable = false;

    bool conclusive = false;
    entry.found = WalkTargetKeys(root, m_choice.basePath, m_strName.c_str(), &entry.path, &conclusive) == 0;
    entry.walked = true;
    entry.conclusive = conclusive && c.m_userTree.armed;
    entry.nWalkPoll = c.m_nPoll;
    entry.root = root;
    if (!entry.found) return nullptr;
    // The status writes create the key with all access; without write
    // access it can still be read.
    entry.writable = entry.key.Open(root, entry.path.c_str(), KEY_ALL_ACCESS) != FALSE;
    if (!entry.writable) entry.key.Open(root, entry.path.c_str(), KEY_READ);
    return &entry;
}

template <typename Op>
bool TargetKeyPoll::OnKey(Entry*& pEntry, Op op)
{
    op(*pEntry);
    if (!pEntry->key.Deleted()) return true;
    pEntry = Walk(*pEntry);
    if (pEntry == nullptr) return false;
    op(*pEntry);
    return true;
}

int TargetKeyPoll::SetStatusRecord(const BYTE* pStatus, DWORD nSize, DWORD dwChannelNo)
{
    Entry* e = Find();
    if (e == nullptr) return 1;
    bool written = false;
    if (!OnKey(e, [&](Entry& x) {
            written = x.writable;
            if (!x.writable) return;
            x.key.SetBinary("Status", pStatus, pStatus != nullptr ? nSize : 0);
            x.key.SetDword("Channel", dwChannelNo);
        }))
        return 1;
    return written ? 0 : 2;
}

void TargetKeyPoll::SetComStatus(DWORD dwComStatus)
{
    Entry* e = Find();
    if (e == nullptr) return;
    OnKey(e, [&](Entry& x) {
        if (x.writable) x.key.SetDword("ComStatus", dwComStatus);
    });
}

DWORD TargetKeyPoll::GetComStatus()
{
    Entry* e = Find();
    DWORD value = 1;
    if (e == nullptr) return value;
    OnKey(e, [&](Entry& x) { value = x.writable ? x.key.QueryDword("ComStatus", 2) : 1; });
    return value;
}

bool TargetKeyPoll::NotifyItem(Entry& entry, int nNumber, DWORD* pdwItem)
{
    if (!entry.notifyKnown) {
        entry.items.clear();
        entry.notify.Arm(entry.root, entry.path + "\\Notify", FALSE,
                         REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET);
        entry.notifyKnown = true;
    }
    if (!entry.notify.key.IsOpen()) return false;
    auto hit = entry.items.find(nNumber);
    if (hit == entry.items.end()) {
        DWORD item = entry.notify.key.QueryDword(vm2::NotifyValueName(nNumber).c_str(), 0);
        // Only what a watch guards is kept.
        if (!entry.notify.armed) {
            *pdwItem = item;
            return true;
        }
        hit = entry.items.emplace(nNumber, item).first;
    }
    *pdwItem = hit->second;
    return true;
}

int TargetKeyPoll::GetSoundNotify(int nNotifyNo, int* pbSound, int* pbItem)
{
    if (pbSound != nullptr) *pbSound = 0;
    if (pbItem != nullptr) *pbItem = 0;
    Entry* e = Find();
    if (e == nullptr || !e->key.IsOpen()) return 1;
    DWORD sound = 0;
    if (!OnKey(e, [&](Entry& x) { sound = x.key.QueryDword("SoundNotifyEnable", 0); })) return 1;
    DWORD item = 0;
    if (!NotifyItem(*e, nNotifyNo, &item)) return 1;
    if (pbItem != nullptr) *pbItem = static_cast<int>(item);
    if (pbSound != nullptr) *pbSound = static_cast<int>(sound & item);
    return 0;
}

bool TargetKeyPoll::BuzzerDefault(int* pnDefault)
{
    const std::string& model = m_printer.model;
    if (IsEmpty(model.c_str())) return false;
    TargetKeyCache& c = m_cache;
    if (!c.m_machineTree.armed) {
        c.m_models.clear();
        c.m_machineTree.Arm(HKEY_LOCAL_MACHINE, vm2::regpath::kVlx3Key, TRUE,
                            REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET);
    }
    if (c.m_models.size() >= kMaxEntries) c.m_models.clear();
    TargetKeyCache::ModelFile& m = c.m_models[Lower(m_printer.driver) + '\n' + Lower(model)];
    if (!m.sourcesKnown) {
        if (!ReadProfileSources(m_printer.driver.c_str(), model.c_str(), &m.sources)) return false;
        m.sourcesKnown = c.m_machineTree.armed;
    }
    char dat[kPathBuf] = "";
    if (!ChooseProfilePath(m.sources, dat) || dat[0] == '\0') return false;

    // A file replaced or edited shows in its size or write time.
    WIN32_FILE_ATTRIBUTE_DATA attr;
    bool stamped = GetFileAttributesExA(dat, GetFileExInfoStandard, &attr) != FALSE;
    if (stamped && m.defaultKnown && m.file == dat && CompareFileTime(&m.written, &attr.ftLastWriteTime) == 0 &&
        m.sizeLow == attr.nFileSizeLow) {
        *pnDefault = m.buzzerDefault;
        return true;
    }
    *pnDefault = static_cast<int>(GetPrivateProfileIntA(model.c_str(), "BeepBuzzerEnable", -1, dat));
    m.defaultKnown = stamped;
    m.file = dat;
    if (stamped) {
        m.written = attr.ftLastWriteTime;
        m.sizeLow = attr.nFileSizeLow;
    }
    m.buzzerDefault = *pnDefault;
    return true;
}

int TargetKeyPoll::GetBuzzerNotify(HMODULE hResDll, int nNotifyNo, int* pbBuzzer)
{
    if (pbBuzzer != nullptr) *pbBuzzer = 0;
    // A resource DLL without the buzzer sound cannot sound it.
    if (hResDll != nullptr && FindResourceA(hResDll, MAKEINTRESOURCEA(vm2::res::kBuzzerWave), "WAVE") == nullptr)
        return 1;
    Entry* e = Find();
    if (e == nullptr || !e->key.IsOpen()) return 1;
    int modelDefault = -1;
    if (!BuzzerDefault(&modelDefault) || modelDefault < 0) return 1;  // no data file, or a model without buzzer
    DWORD user = static_cast<DWORD>(-1);
    if (!OnKey(e, [&](Entry& x) { user = x.key.QueryDwordOrNone("BeepBuzzerEnable"); })) return 1;
    int buzzer = vm2::EffectiveBuzzerSwitch(user != static_cast<DWORD>(-1), user, modelDefault);
    DWORD item = 0;
    if (!NotifyItem(*e, nNotifyNo, &item)) return 1;
    if (pbBuzzer != nullptr) *pbBuzzer = static_cast<int>(static_cast<DWORD>(buzzer) & item);
    return 0;
}
