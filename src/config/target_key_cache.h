// What the host's status polls keep of a printer's settings from one poll to
// the next, so that a poll costs about its library calls and its three
// writes however many printers' keys lie in front of its own:
//  - the hive decision (who is logged on), kept while the console session
//    stays the same;
//  - the printer's target key, found once and kept open; found again when
//    a key is added or removed anywhere below the user's "VLX3" key (a
//    change notification says so), or when a read or write finds it deleted;
//  - the notification list, kept until a change notification on its key;
//  - the model data file's name and its buzzer default, kept until the
//    machine's "VLX3" keys change or the file's size or write time does.
// The two printer-wide switches and "ComStatus" are never kept: the poll's
// own writes land in the same key, so a notification on it could not tell
// another process's change from ours.
// The application object owns the one cache of the process; a
// TargetKeyPoll holds its lock, so any thread may poll.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <utility>

#include "base/mutex_guard.h"
#include "base/printer_context.h"
#include "base/unique_handle.h"
#include "config/paths.h"
#include "config/registry.h"
#include "config/target_rules.h"

class TraceScope;

class TargetKeyCache {
public:
    TargetKeyCache() = default;
    ~TargetKeyCache() = default;
    TargetKeyCache(const TargetKeyCache&) = delete;
    TargetKeyCache& operator=(const TargetKeyCache&) = delete;

    // A registry change notification armed on a key this watch holds open.
    struct Watch {
        Registry key;
        vm2::UniqueHandle event;
        bool armed = false;
        // Opens root\path and asks for one notification. Armed before what
        // it guards is read, so that no change can slip in between.
        bool Arm(HKEY hRoot, const std::string& path, BOOL bSubtree, DWORD dwFilter);
        bool Fired() const;
        void Drop();
    };

    // One printer's (or port's) target key.
    struct Entry {
        bool walked = false;
        bool found = false;
        bool conclusive = false;  // no key without a name was met: trusted until the watch fires
        unsigned nWalkPoll = 0;   // a walk that is not conclusive serves its own poll only
        HKEY root = nullptr;
        std::string path;
        Registry key;  // all access when granted, else read
        bool writable = false;
        bool notifyKnown = false;
        Watch notify;  // the "Notify" subkey; not open when it is missing
        std::map<int, DWORD> items;
    };

    // The model data file of a driver and model, and its buzzer default.
    struct ModelFile {
        bool sourcesKnown = false;
        ProfileSources sources;
        std::string file;  // the file the default below was read from
        FILETIME written = {};
        DWORD sizeLow = 0;
        bool defaultKnown = false;
        int buzzerDefault = -1;
    };

private:
    friend class TargetKeyPoll;
    void Forget();

    vm2::ProcessMutex m_lock;
    unsigned m_nPoll = 0;
    bool m_bFactsKnown = false;
    DWORD m_dwConsoleSession = 0;
    vm2::LogonFacts m_facts;
    Watch m_userTree;  // <hive>\software\KAVRO\VLX3, keys added or removed
    std::map<std::pair<int, std::string>, Entry> m_entries;
    Watch m_machineTree;  // HKLM\software\KAVRO\VLX3, values or keys changed
    std::map<std::string, ModelFile> m_models;
};

// One status poll's reads and writes of its printer's target key, through
// the cache. Each lookup traces as GetCurrentTargetPrnKey does, so the trace
// of a poll reads the same whether the cache answered or not. Holds the
// cache's lock while it lives.
class TargetKeyPoll {
public:
    TargetKeyPoll(TargetKeyCache& cache, const vm2::PrinterContext& printer);
    TargetKeyPoll(const TargetKeyPoll&) = delete;
    TargetKeyPoll& operator=(const TargetKeyPoll&) = delete;

    // As the functions of the same names in config/notify_settings.h.
    int SetStatusRecord(const BYTE* pStatus, DWORD nSize, DWORD dwChannelNo);
    void SetComStatus(DWORD dwComStatus);
    DWORD GetComStatus();
    int GetSoundNotify(int nNotifyNo, int* pbSound, int* pbItem);
    int GetBuzzerNotify(HMODULE hResDll, int nNotifyNo, int* pbBuzzer);

private:
    using Entry = TargetKeyCache::Entry;

    // Drops what the change notifications and the console session say is stale.
    void Revalidate();
    // The printer's key, traced as a lookup; null when there is none.
    Entry* Find();
    // Walks the keys again (no trace of its own): the key was deleted.
    Entry* Walk(Entry& entry);
    // Runs op on the entry's key; when the key turns out deleted, finds it
    // again and runs op once more. False when it is gone.
    template <typename Op>
    bool OnKey(Entry*& pEntry, Op op);
    bool NotifyItem(Entry& entry, int nNumber, DWORD* pdwItem);
    bool BuzzerDefault(int* pnDefault);

    TargetKeyCache& m_cache;
    vm2::MutexGuard m_guard;
    const vm2::PrinterContext& m_printer;
    int m_nKind;
    std::string m_strName;
    vm2::TargetBaseChoice m_choice;
};
