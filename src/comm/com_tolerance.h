// The parallel-port tolerance shared by the status exports and the status
// window's polling thread.
#pragma once

#include <windows.h>

// A parallel port ("LPT" or "lpt" in its name) read over its status channel
// 0x10010003.
bool IsParallelPortChannel(const char* pszPortName, DWORD dwChannelId);

// A communication failure (-5) on a parallel port is reported as transient
// while fewer than "ComErrDisableNum" such failures came in a row: counts it
// and answers true then, false when the failure must be reported.
bool TolerateComFailure(const char* pszPortName, DWORD dwChannelId);

// What a failed status read means: 0 nothing to report (the library had no
// reply), -2 transient (busy, or a tolerated parallel-port failure), -1 a
// communication error.
int StatusReadFailure(int nAnswer, const char* pszPortName, DWORD dwChannelId);
