// The one lock guard of the module: over a critical section for the locks
// inside the process, over a named Win32 mutex for those shared with other
// processes. Both are recursive, which the library binding relies on (a user
// initialises the binding under the lock it already holds).
#pragma once

#include <windows.h>

#include "base/unique_handle.h"

namespace vm2 {

// A lock of the process, made when constructed (also at load time:
// initialising a critical section is safe under the loader lock). Taking it
// uncontended stays in the process; a kernel mutex would cost two calls into
// the system (on Wine, two server round trips) for every status poll's
// several locks.
class ProcessMutex {
public:
    ProcessMutex() { InitializeCriticalSectionEx(&m_cs, 0, CRITICAL_SECTION_NO_DEBUG_INFO); }
    ~ProcessMutex() { DeleteCriticalSection(&m_cs); }
    ProcessMutex(const ProcessMutex&) = delete;
    ProcessMutex& operator=(const ProcessMutex&) = delete;

    // What MutexGuard takes; locking does not change what the owner guards.
    ProcessMutex* get() const { return const_cast<ProcessMutex*>(this); }
    void Lock() { EnterCriticalSection(&m_cs); }
    void Unlock() { LeaveCriticalSection(&m_cs); }

private:
    CRITICAL_SECTION m_cs;
};

class MutexGuard {
public:
    // Waits up to dwTimeout for hMutex; a null handle or a wait that fails
    // or times out leaves the guard without the lock (Owned() false).
    explicit MutexGuard(HANDLE hMutex, DWORD dwTimeout = INFINITE) : m_h(hMutex)
    {
        if (m_h == nullptr) return;
        m_dwWait = WaitForSingleObject(m_h, dwTimeout);
        m_bOwned = m_dwWait == WAIT_OBJECT_0 || m_dwWait == WAIT_ABANDONED;
    }
    // Takes a lock of the process; a null lock leaves the guard without it.
    explicit MutexGuard(ProcessMutex* pLock) : m_pLock(pLock)
    {
        if (m_pLock == nullptr) return;
        m_pLock->Lock();
        m_dwWait = WAIT_OBJECT_0;
        m_bOwned = true;
    }
    ~MutexGuard()
    {
        if (!m_bOwned) return;
        if (m_pLock != nullptr) m_pLock->Unlock();
        else ReleaseMutex(m_h);
    }
    MutexGuard(const MutexGuard&) = delete;
    MutexGuard& operator=(const MutexGuard&) = delete;

    bool Owned() const { return m_bOwned; }
    // Acquired, but the previous owner died holding it: what it guarded may
    // be half written.
    bool Abandoned() const { return m_dwWait == WAIT_ABANDONED; }
    bool TimedOut() const { return m_dwWait == WAIT_TIMEOUT; }

private:
    HANDLE m_h = nullptr;
    ProcessMutex* m_pLock = nullptr;
    DWORD m_dwWait = WAIT_FAILED;
    bool m_bOwned = false;
};

}  // namespace vm2
