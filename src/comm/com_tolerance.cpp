#include "comm/com_tolerance.h"

#include <cstring>

#include "comm/kb_entry.h"

bool IsParallelPortChannel(const char* pszPortName, DWORD dwChannelId)
{
    return pszPortName != nullptr && (strstr(pszPortName, "LPT") != nullptr || strstr(pszPortName, "lpt") != nullptr) &&
           dwChannelId == kb::kChannelParallel;
}

bool ComErrTolerance::Tolerate(const char* pszPortName, DWORD dwChannelId)
{
    if (!IsParallelPortChannel(pszPortName, dwChannelId)) return false;
    // Compare and raise in one step: two threads failing at once must not
    // both slip under the limit.
    for (;;) {
        DWORD limit = static_cast<DWORD>(m_nLimit);
        LONG count = m_nCount;
        if (limit == 0 || static_cast<DWORD>(count) >= limit) return false;
        if (InterlockedCompareExchange(&m_nCount, count + 1, count) == count) return true;
    }
}

int StatusReadFailure(int nAnswer, const char* pszPortName, DWORD dwChannelId, ComErrTolerance& tolerance)
{
    if (nAnswer == 0) return 0;
    if (nAnswer == kb::kBusy) return -2;
    if (nAnswer == kb::kCommFailure) return tolerance.Tolerate(pszPortName, dwChannelId) ? -2 : -1;
    return -1;
}
