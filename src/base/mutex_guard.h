// The one lock guard of the module, over a Win32 mutex: unnamed for the
// locks inside the process, named for those shared with other processes.
// Win32 mutexes are recursive, which the library binding relies on (a user
// initialises the binding under the lock it already holds).
#pragma once

#include <windows.h>

#include "base/unique_handle.h"

namespace vm2 {

// An unnamed mutex of the process, made when constructed (also at load
// time: creating a mutex is safe under the loader lock).
class ProcessMutex {
public:
    ProcessMutex() : m_h(CreateMutexA(nullptr, FALSE, nullptr)) {}
    HANDLE get() const { return m_h.get(); }

private:
    UniqueHandle m_h;
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
    ~MutexGuard()
    {
        if (m_bOwned) ReleaseMutex(m_h);
    }
    MutexGuard(const MutexGuard&) = delete;
    MutexGuard& operator=(const MutexGuard&) = delete;

    bool Owned() const { return m_bOwned; }
    // Acquired, but the previous owner died holding it: what it guarded may
    // be half written.
    bool Abandoned() const { return m_dwWait == WAIT_ABANDONED; }
    bool TimedOut() const { return m_dwWait == WAIT_TIMEOUT; }

private:
    HANDLE m_h;
    DWORD m_dwWait = WAIT_FAILED;
    bool m_bOwned = false;
};

}  // namespace vm2
