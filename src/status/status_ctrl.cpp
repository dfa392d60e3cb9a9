#include "status/status_ctrl.h"

#include <cstdint>

namespace {

// Allocates and locks a zero-filled movable block; false leaves both null.
bool AllocLocked(std::size_t nBytes, HGLOBAL* phMem, void** ppData)
{
    *phMem = nullptr;
    *ppData = nullptr;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, nBytes);
    if (h == nullptr) return false;
    void* p = GlobalLock(h);
    if (p == nullptr) {
        GlobalFree(h);
        return false;
    }
    *phMem = h;
    *ppData = p;
    return true;
}

void FreeLocked(HGLOBAL* phMem)
{
    if (*phMem == nullptr) return;
    GlobalUnlock(*phMem);
    GlobalFree(*phMem);
    *phMem = nullptr;
}

}  // namespace

CStatusCtrl::~CStatusCtrl()
{
    Clear();
}

void CStatusCtrl::Clear()
{
    FreeLocked(&m_hEntries);
    FreeLocked(&m_hPatterns);
    m_pEntries = nullptr;
    m_pPatterns = nullptr;
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
    if (rows > SIZE_MAX / sizeof(StatusEntry)) return result;

    void* pEntries = nullptr;
    void* pPatterns = nullptr;
    if (!AllocLocked(rows * sizeof(StatusEntry), &m_hEntries, &pEntries) ||
        !AllocLocked(rows * sizeof(StatusPattern), &m_hPatterns, &pPatterns)) {
        FreeLocked(&m_hEntries);
        FreeLocked(&m_hPatterns);
        return result;
    }
    m_pEntries = static_cast<StatusEntry*>(pEntries);
    m_pPatterns = static_cast<StatusPattern*>(pPatterns);
    m_nModelCount = vm2::FillModelRows(m_Profile, m_pEntries, m_pPatterns, nRows, &m_nNextStatusNo);
    return result;
}
