#include "status/status_ctrl.h"

#include <cstdint>
#include <exception>

CStatusCtrl::~CStatusCtrl()
{
    Clear();
}

void CStatusCtrl::Clear()
{
    m_entries.clear();
    m_patterns.clear();
    m_nModelCount = 0;
    m_nNextStatusNo = vm2::kFirstModelStatusNo;
    m_Profile.Clear();
}

int CStatusCtrl::Build(const char* pszDatFile)
{
    Clear();
    int result = m_Profile.Load(pszDatFile);

    // The section's last status line never becomes a row: with fewer than two
    // lines there are no model rows at all.
    const int nRows = m_Profile.GetCount() - 1;
    if (nRows < 1) return result;
    const std::size_t rows = static_cast<std::size_t>(nRows);
    try {
        // Zero-filled rows: a line that fills less leaves the rest 0.
        m_entries.assign(rows, StatusEntry());
        m_patterns.assign(rows, StatusPattern());
    } catch (const std::exception&) {
        // Without memory for the model rows the built-in rows serve alone.
        m_entries.clear();
        m_patterns.clear();
        return result;
    }
    m_nModelCount = vm2::FillModelRows(m_Profile, m_entries.data(), m_patterns.data(), nRows, &m_nNextStatusNo);
    return result;
}
