// The parallel-port tolerance shared by the status exports and the status
// window's polling thread.
#pragma once

#include <windows.h>

// A parallel port ("LPT" or "lpt" in its name) read over its status channel
// 0x10010003.
bool IsParallelPortChannel(const char* pszPortName, DWORD dwChannelId);

// How many communication failures (-5) in a row on a parallel port are
// reported as transient. The host's status polls and the status window's
// thread count into the same run, so every step is one interlocked
// operation: the count never passes the limit and never goes below 0.
class ComErrTolerance {
public:
    // "ComErrDisableNum" of the model; 0 tolerates nothing.
    void SetLimit(DWORD dwLimit) { InterlockedExchange(&m_nLimit, static_cast<LONG>(dwLimit)); }
    DWORD Limit() const { return static_cast<DWORD>(m_nLimit); }
    DWORD Count() const { return static_cast<DWORD>(m_nCount); }
    // A read came through: the run starts again.
    void Reset() { InterlockedExchange(&m_nCount, 0); }
    // Counts a failure and answers true while fewer than the limit came in a
    // row; false when the failure must be reported.
    bool Tolerate(const char* pszPortName, DWORD dwChannelId);

private:
    volatile LONG m_nLimit = 0;
    volatile LONG m_nCount = 0;
};

// What a failed status read means: 0 nothing to report (the library had no
// reply), -2 transient (busy, or a tolerated parallel-port failure), -1 a
// communication error.
int StatusReadFailure(int nAnswer, const char* pszPortName, DWORD dwChannelId, ComErrTolerance& tolerance);
