// The status interpreter: turns a status reply, or a status number forced by
// the caller, into a status object with its numbers, texts, class and help.
#pragma once

#include <windows.h>

#include <map>
#include <new>
#include <string>

#include "base/mutex_guard.h"
#include "status/status_ctrl.h"
#include "status/status_record.h"
#include "status/status_tables.h"

// Where the help for a status is: nothing, an HTML page, or a trouble-page
// resource of the resource DLL.
struct StatusHelpInfo {
    enum : DWORD { kNone = 0, kHtmlFile = 1, kResource = 2 };
    DWORD dwKind = kNone;
    std::string strPath;        // kHtmlFile
    HRSRC hResource = nullptr;  // kResource, in the resource DLL
};

// One interpreted status. Holds copies only: it outlives the interpreter
// that made it, and its owner deletes it.
class CPrinterStatus {
public:
    CPrinterStatus(BOOL bRecord, const StatusRecord& record, const StatusClassRow& classRow,
                   const StatusHelpInfo& help, const StatusEntry& entry, HMODULE hResDll);
    virtual ~CPrinterStatus() = default;

    CPrinterStatus(const CPrinterStatus&) = delete;
    CPrinterStatus& operator=(const CPrinterStatus&) = delete;

    // 0 no reply was parsed, 2 the printer reports ST 3, 1 any other reply.
    int GetPrintingState() const;
    void GetClassRow(StatusClassRow* pRow) const;
    // Copies the help locator; returns its kind.
    DWORD GetHelpInfo(StatusHelpInfo* pHelp) const;
    // The two texts of the status, cut to nSize bytes with their terminator:
    // literal texts of a model row, or string resources of the resource DLL
    // the interpreter was given (empty when none was or the string is
    // missing). Returns the length written.
    int GetMessage1(char* pszBuf, int nSize) const;
    int GetMessage2(char* pszBuf, int nSize) const;

    BOOL HasRecord() const { return m_dwRecord != 0; }
    const StatusRecord& GetRecord() const { return m_Record; }
    const StatusEntry& GetEntry() const { return m_Entry; }
    int GetRealStatusNo() const { return m_Entry.nRealNo; }
    int GetSimpleStatusNo() const { return m_Entry.nSimpleNo; }
    int GetNotifyNo() const { return m_Entry.nNotifyNo; }
    int GetSoundNo() const { return m_Entry.nSoundNo; }
    int GetStatusClass() const { return m_Entry.nClass; }

private:
    int GetMessage(const char* pszEntryText, char* pszBuf, int nSize) const;

    DWORD m_dwRecord;
    StatusRecord m_Record;
    StatusClassRow m_ClassRow;
    DWORD m_dwHelpKind;
    std::string m_strHelpPath;
    HRSRC m_hHelpResource;
    StatusEntry m_Entry;
    HMODULE m_hResDll;
};

class CStatusInfo {
public:
    // The communication-error statuses: 22 when the caller asked for the
    // stronger report.
    static constexpr int COMMUNICATION_ERROR = 21;
    static constexpr int COMMUNICATION_ERROR_STRONG = 22;
    static bool IsCommunicationError(int nRealNo)
    {
        return nRealNo == COMMUNICATION_ERROR || nRealNo == COMMUNICATION_ERROR_STRONG;
    }

    // Builds the status table from the data file given (null: the built-in
    // rows only). Throws the int -1 when the file's language section cannot
    // be determined and -2 when the file cannot be opened.
    explicit CStatusInfo(const char* pszDatFile);
    // The same, but never throws: an unreadable data file leaves the built-in
    // rows alone, LoadFailed() is true and GetLoadResult() tells -1, -2 or -3.
    CStatusInfo(const char* pszDatFile, const std::nothrow_t&) noexcept;
    virtual ~CStatusInfo() = default;

    CStatusInfo(const CStatusInfo&) = delete;
    CStatusInfo& operator=(const CStatusInfo&) = delete;

    // After a load: the section lookup's result, or -2 when the file ends
    // inside the section (the usual case for the last section).
    int GetLoadResult() const { return m_nLoadResult; }
    bool LoadFailed() const { return m_bLoadFailed; }

    // The data file whose help keys are used (empty or null: none), and
    // whether HTML pages can be opened (HKEY_CLASSES_ROOT\.HTM exists now).
    void SetDataFile(const char* pszDatFile);
    const std::string& GetDataFile() const { return m_strDatFile; }
    BOOL GetHtmlFlag() const { return m_bHtml; }

    // Where the status objects find their texts and help pages: the loaded
    // resource DLL (null: none), and the driver key below HKEY_LOCAL_MACHINE
    // whose "InstallPath" holds the HTML pages (empty: the current folder).
    // Set before the objects are made; they keep their own copy.
    void SetResourceDll(HMODULE hResDll) { m_hResDll = hResDll; }
    void SetDriverKey(const char* pszDriverKey) { m_strDriverKey = pszDriverKey != nullptr ? pszDriverKey : ""; }

    // A new status object for the channel's reply (parsed on channels of kind
    // 1 only) or for nForcedNo when that is not 0. Null when the reply is
    // rejected, when no entry fits, or when memory runs out. Never throws.
    CPrinterStatus* CreateStatusObject(DWORD dwChannel, const BYTE* pReply, DWORD dwLen, int nForcedNo) noexcept;

    // The parse operation: 1 accepted, 0 rejected.
    static int ParseStatus(StatusRecord* pRecord, const BYTE* pReply, DWORD dwLen);
    // Real status number of the first matching pattern; 0 when none matches.
    WORD GetStatusNo(const StatusRecord& record) const;
    // Table index of the entry of that kind and number, -1 when none.
    int SearchStatusInfo(DWORD dwKind, int nRealNo) const;

    const CStatusCtrl& GetStatusCtrl() const { return m_StatusCtrl; }

private:
    void BuildNoThrow(const char* pszDatFile) noexcept;
    StatusHelpInfo LocateHelp(int nHelpNo) const;

    std::string InstallFolder() const;

    CStatusCtrl m_StatusCtrl;
    std::string m_strDatFile;
    HMODULE m_hResDll = nullptr;
    std::string m_strDriverKey;
    BOOL m_bHtml = FALSE;
    // Read on the first help lookup after SetDataFile, under the lock: the
    // status polls of several threads share one interpreter.
    mutable vm2::ProcessMutex m_helpLock;
    mutable bool m_bHelpSectionKnown = false;
    mutable std::string m_strHelpSection;
    mutable std::map<int, UINT> m_helpFlags;
    int m_nLoadResult = 0;
    bool m_bLoadFailed = false;
};
