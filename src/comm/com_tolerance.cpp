#include "comm/com_tolerance.h"

#include <cstring>

#include "comm/kb_entry.h"
#include "module/app.h"

bool IsParallelPortChannel(const char* pszPortName, DWORD dwChannelId)
{
    return pszPortName != nullptr && (strstr(pszPortName, "LPT") != nullptr || strstr(pszPortName, "lpt") != nullptr) &&
           dwChannelId == kb::kChannelParallel;
}

bool TolerateComFailure(const char* pszPortName, DWORD dwChannelId)
{
    CK_VPxxxxApp* app = GetApp();
    if (app->m_nComErrDisableNum > 0 && IsParallelPortChannel(pszPortName, dwChannelId) &&
        app->m_nComErrCount < app->m_nComErrDisableNum) {
        ++app->m_nComErrCount;
        return true;
    }
    return false;
}

int StatusReadFailure(int nAnswer, const char* pszPortName, DWORD dwChannelId)
{
    if (nAnswer == 0) return 0;
    if (nAnswer == kb::kBusy) return -2;
    if (nAnswer == kb::kCommFailure) return TolerateComFailure(pszPortName, dwChannelId) ? -2 : -1;
    return -1;
}
