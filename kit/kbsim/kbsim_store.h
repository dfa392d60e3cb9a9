// Opens the shared state block of one simulator instance: a named file
// mapping guarded by a named mutex. Used by the simulated library itself and
// by the control API, so both sides agree on names and start-up.
#pragma once

#include <windows.h>

#include <string>

#include "kbsim/kbsim_layout.h"

namespace kbsim {

// Environment variable naming the instance; unset or empty = "default".
constexpr char kInstanceVariable[] = "KBSIM_INSTANCE";

// The instance this process uses: KBSIM_INSTANCE, cleaned to the characters
// a kernel object name may carry, at most 64 of them.
std::string InstanceFromEnvironment();
std::string CleanInstanceName(const std::string& strName);
// Object names of an instance (the mapping and its mutex).
std::string MappingName(const std::string& strInstance);
std::string MutexName(const std::string& strInstance);

class Store {
public:
    Store() = default;
    ~Store() { Close(); }
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // Creates the block (reset to defaults) or opens the existing one. The
    // block lives as long as any process keeps it open.
    bool Open(const std::string& strInstance);
    void Close();
    bool IsOpen() const { return m_pState != nullptr; }
    const std::string& Instance() const { return m_strInstance; }

    // Holds the instance's mutex for its lifetime. state() is null when the
    // lock could not be taken. An abandoned mutex (its owner died) counts as
    // taken, but the block is checked and reset when it no longer looks right.
    class Lock {
    public:
        Lock(Lock&& o) noexcept : m_hMutex(o.m_hMutex), m_pState(o.m_pState)
        {
            o.m_hMutex = nullptr;
            o.m_pState = nullptr;
        }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;
        ~Lock()
        {
            if (m_hMutex != nullptr) ReleaseMutex(m_hMutex);
        }
        ShmState* state() const { return m_pState; }
        explicit operator bool() const { return m_pState != nullptr; }

    private:
        friend class Store;
        Lock(HANDLE hMutex, ShmState* pState) : m_hMutex(hMutex), m_pState(pState) {}
        HANDLE m_hMutex;
        ShmState* m_pState;
    };

    Lock Acquire(DWORD dwTimeoutMs = 5000) const;

private:
    HANDLE m_hMutex = nullptr;
    HANDLE m_hMap = nullptr;
    ShmState* m_pState = nullptr;
    std::string m_strInstance;
};

}  // namespace kbsim
