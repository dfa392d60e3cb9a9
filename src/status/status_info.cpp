#include "status/status_info.h"

#include <cstring>
#include <string>

#include "base/text.h"
#include "config/paths.h"
#include "config/registry.h"
#include "base/trace.h"

using vm2::kPathBuf;

namespace {

constexpr int kHelpResourceBase = 11010;

const char* Or(const char* psz, const char* pszDefault) { return psz != nullptr ? psz : pszDefault; }

}  // namespace

// ---------------------------------------------------------------------------
// CPrinterStatus

CPrinterStatus::CPrinterStatus(BOOL bRecord, const StatusRecord& record, const StatusClassRow& classRow,
                               const StatusHelpInfo& help, const StatusEntry& entry, HMODULE hResDll)
    : m_dwRecord(bRecord ? 1 : 0),
      m_Record(record),
      m_ClassRow(classRow),
      m_dwHelpKind(help.dwKind),
      m_strHelpPath(help.strPath),
      m_hHelpResource(help.hResource),
      m_Entry(entry),
      m_hResDll(hResDll)
{
    if (!bRecord) std::memset(&m_Record, 0, sizeof(m_Record));
}

int CPrinterStatus::GetPrintingState() const
{
    if (!m_dwRecord) return 0;
    return m_Record.ST == 3 ? 2 : 1;
}

void CPrinterStatus::GetClassRow(StatusClassRow* pRow) const
{
    if (pRow != nullptr) *pRow = m_ClassRow;
}

DWORD CPrinterStatus::GetHelpInfo(StatusHelpInfo* pHelp) const
{
    if (pHelp != nullptr) {
        pHelp->dwKind = m_dwHelpKind;
        pHelp->strPath = m_strHelpPath;
        pHelp->hResource = m_hHelpResource;
    }
    return m_dwHelpKind;
}

int CPrinterStatus::GetMessage(const char* pszEntryText, char* pszBuf, int nSize) const
{
    if (pszBuf == nullptr || nSize <= 0) return 0;
    pszBuf[0] = '\0';
    if (m_Entry.dwLiteral != 0) {
        // The entry's buffer may be full to its last byte: never read past it.
        std::size_t n = strnlen(pszEntryText, sizeof(m_Entry.szMessage1));
        std::size_t copy = n < static_cast<std::size_t>(nSize - 1) ? n : static_cast<std::size_t>(nSize - 1);
        std::memcpy(pszBuf, pszEntryText, copy);
        pszBuf[copy] = '\0';
        return static_cast<int>(copy);
    }
    if (m_hResDll == nullptr) return 0;  // a null module would read the host's own strings
    UINT id = vm2::MessageNumber(pszEntryText);
    int n = LoadStringA(m_hResDll, id, pszBuf, nSize);
    if (n <= 0) {
        pszBuf[0] = '\0';
        return 0;
    }
    return n;
}

int CPrinterStatus::GetMessage1(char* pszBuf, int nSize) const
{
    return GetMessage(m_Entry.szMessage1, pszBuf, nSize);
}

int CPrinterStatus::GetMessage2(char* pszBuf, int nSize) const
{
    return GetMessage(m_Entry.szMessage2, pszBuf, nSize);
}

// ---------------------------------------------------------------------------
// CStatusInfo

CStatusInfo::CStatusInfo(const char* pszDatFile)
{
    m_nLoadResult = m_StatusCtrl.Build(pszDatFile);
}

CStatusInfo::CStatusInfo(const char* pszDatFile, const std::nothrow_t&) noexcept
{
    BuildNoThrow(pszDatFile);
}

void CStatusInfo::BuildNoThrow(const char* pszDatFile) noexcept
{
    try {
        m_nLoadResult = m_StatusCtrl.Build(pszDatFile);
        return;
    } catch (int e) {
        m_nLoadResult = e;
    } catch (...) {
        m_nLoadResult = -3;
    }
    m_StatusCtrl.Clear();
    m_bLoadFailed = true;
}

void CStatusInfo::SetDataFile(const char* pszDatFile)
{
    m_strDatFile = Or(pszDatFile, "");
    Registry key(HKEY_CLASSES_ROOT, ".HTM", FALSE, Registry::kRead);
    m_bHtml = key.IsOpen();
    m_bHelpSectionKnown = false;
    m_strHelpSection.clear();
    m_helpFlags.clear();
}

int CStatusInfo::ParseStatus(StatusRecord* pRecord, const BYTE* pReply, DWORD dwLen)
{
    return vm2::ParseStatusReply(pRecord, pReply, dwLen);
}

WORD CStatusInfo::GetStatusNo(const StatusRecord& record) const
{
    TraceScope scope("CStatusInfo::GetStatusNo");
    Trace(scope, "Printer status : ST:0x%02X, ER:0x%02X, WR[0]:0x%02X (Num:%d)\n", record.ST, record.ER,
          record.WR[0], record.nWRCount);
    const vm2::StatusRows rows = m_StatusCtrl.Rows();
    int index = rows.FindPattern(record);
    if (index < 0) return 0;
    Trace(scope, "Table index : %d\n", index);
    return static_cast<WORD>(rows.Pattern(index)->dwStatusNo);
}

int CStatusInfo::SearchStatusInfo(DWORD dwKind, int nRealNo) const
{
    TraceScope scope("CStatusInfo::SearchStatusInfo");
    int index = m_StatusCtrl.Rows().FindEntry(dwKind, nRealNo);
    Trace(scope, "Table index : %d\n", index);
    return index;
}

// The install folder of the printer's driver, "." when the driver key has none.
std::string CStatusInfo::InstallFolder() const
{
    std::string folder;
    if (!m_strDriverKey.empty()) {
        Registry key(HKEY_LOCAL_MACHINE, m_strDriverKey.c_str(), FALSE, Registry::kRead);
        if (key.IsOpen()) folder = key.QueryString("InstallPath", "", kPathBuf);
    }
    return folder.empty() ? std::string(".") : folder;
}

StatusHelpInfo CStatusInfo::LocateHelp(int nHelpNo) const
{
    StatusHelpInfo help;
    vm2::MutexGuard lock(m_helpLock.get());
    if (!lock.Owned()) return help;
    const char* file = m_strDatFile.c_str();
    // The language section and the "TSS" switches are read once per data
    // file: every status object asks for them again.
    if (!m_bHelpSectionKnown) {
        char found[kPathBuf] = "";
        DWORD size = sizeof(found);
        if (GetLanguageSection(found, &size, file) < 0) found[0] = '\0';
        m_strHelpSection = found;
        m_bHelpSectionKnown = true;
    }
    // Without a language section there are no help keys to read.
    if (m_strHelpSection.empty()) return help;
    const char* section = m_strHelpSection.c_str();

    char key[32];
    auto flag = m_helpFlags.find(nHelpNo);
    if (flag == m_helpFlags.end()) {
        vm2::FormatText(key, sizeof(key), "TSS%03d", nHelpNo);
        flag = m_helpFlags.emplace(nHelpNo, GetPrivateProfileIntA(section, key, 0, file)).first;
    }
    if (flag->second == 0) return help;

    if (m_bHtml) {
        char name[kPathBuf] = "";
        vm2::FormatText(key, sizeof(key), "TSF%03d", nHelpNo);
        GetPrivateProfileStringA(section, key, "", name, sizeof(name), file);
        if (name[0] != '\0') {
            std::string path = InstallFolder();
            if (path.back() != '\\') path += '\\';
            path += name;
            if (path.size() < kPathBuf && FileExists(path.c_str())) {
                help.dwKind = StatusHelpInfo::kHtmlFile;
                help.strPath = path;
                return help;
            }
        }
    }

    const int id = kHelpResourceBase + nHelpNo;
    if (m_hResDll != nullptr && id > 0 && id <= 0xFFFF) {
        HRSRC hFound = FindResourceA(m_hResDll, MAKEINTRESOURCEA(id), RT_RCDATA);
        if (hFound != nullptr) {
            help.dwKind = StatusHelpInfo::kResource;
            help.hResource = hFound;
        }
    }
    return help;
}

CPrinterStatus* CStatusInfo::CreateStatusObject(DWORD dwChannel, const BYTE* pReply, DWORD dwLen,
                                                int nForcedNo) noexcept
{
    try {
        TraceScope scope("CStatusInfo::CreateStatusObject");
        Trace(scope, "Channel : %08x\n", static_cast<unsigned>(dwChannel));
        if (pReply != nullptr && g_bTraceEnable) {
            std::string text(reinterpret_cast<const char*>(pReply), dwLen);
            Trace(scope, "Received status : %s\n", text.c_str());
            Trace(scope, "Size : %d\n", static_cast<int>(dwLen));
        }

        const DWORD dwKind = vm2::GetChannelKind(dwChannel);
        int nStatusNo = -1;
        StatusRecord record;
        std::memset(&record, 0, sizeof(record));
        BOOL bRecord = FALSE;
        if (pReply != nullptr && dwKind == 1) {
            if (!ParseStatus(&record, pReply, dwLen)) return nullptr;
            bRecord = TRUE;
            nStatusNo = GetStatusNo(record);
            record.wAttribute = vm2::GetAttributeBits(record, nStatusNo);
        }
        if (nForcedNo != 0) nStatusNo = nForcedNo;
        Trace(scope, "StatusNo : %d\n", nStatusNo);

        int index = SearchStatusInfo(dwKind, nStatusNo);
        if (index == -1) {
            nStatusNo = -1;
            index = SearchStatusInfo(dwKind, -1);
            if (index == -1) return nullptr;
        }
        const StatusEntry* entry = m_StatusCtrl.GetEntry(index);
        if (entry == nullptr) return nullptr;

        // A class outside the table shows nothing: an all-zero row of that class.
        StatusClassRow classRow = {};
        classRow.dwClass = static_cast<std::uint32_t>(entry->nClass);
        if (const StatusClassRow* found = vm2::FindStatusClass(entry->nClass)) classRow = *found;

        StatusHelpInfo help;
        if (!m_strDatFile.empty()) help = LocateHelp(entry->nHelpNo);

        return new (std::nothrow) CPrinterStatus(bRecord, record, classRow, help, *entry, m_hResDll);
    } catch (...) {
        return nullptr;
    }
}
