// The status table of one status interpreter: the model rows of the data file
// in front of the built-in rows.
#pragma once

#include <windows.h>

#include <vector>

#include "status/profile_info.h"
#include "status/status_tables.h"

class CStatusCtrl {
public:
    CStatusCtrl() = default;
    virtual ~CStatusCtrl();

    CStatusCtrl(const CStatusCtrl&) = delete;
    CStatusCtrl& operator=(const CStatusCtrl&) = delete;

    // Reads the status lines of the data file and builds the model rows. The
    // load's int exceptions (-1 no section name, -2 file not opened) pass
    // through; the built-in rows stay usable either way. Returns the load's
    // result.
    int Build(const char* pszDatFile);
    void Clear();

    // Rows by table index: model rows first; null past the end.
    const StatusEntry* GetEntry(int nIndex) const { return Rows().Entry(nIndex); }
    const StatusPattern* GetPattern(int nIndex) const { return Rows().Pattern(nIndex); }
    vm2::StatusRows Rows() const
    {
        return vm2::StatusRows(m_entries.empty() ? nullptr : m_entries.data(),
                               m_patterns.empty() ? nullptr : m_patterns.data(), m_nModelCount);
    }
    int GetModelCount() const { return m_nModelCount; }

private:
    std::vector<StatusEntry> m_entries;
    std::vector<StatusPattern> m_patterns;
    CProfileInfo m_Profile;
    int m_nBuiltinEntries = vm2::kBuiltinEntryCount;
    int m_nBuiltinPatterns = vm2::kBuiltinPatternCount;
    int m_nModelCount = 0;
    int m_nNextStatusNo = vm2::kFirstModelStatusNo;
};
