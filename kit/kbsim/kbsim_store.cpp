#include "kbsim/kbsim_store.h"

namespace kbsim {

namespace {

bool LooksValid(const ShmState* p)
{
    return p->magic == kMagic && p->version == kLayoutVersion && p->size == sizeof(ShmState);
}

}  // namespace

std::string CleanInstanceName(const std::string& strName)
{
    std::string out;
    for (char c : strName) {
        if (out.size() >= 64) break;
        bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
                  c == '-' || c == '.';
        out += ok ? c : '_';
    }
    return out.empty() ? std::string("default") : out;
}

std::string InstanceFromEnvironment()
{
    char buf[256] = "";
    DWORD n = GetEnvironmentVariableA(kInstanceVariable, buf, sizeof(buf));
    if (n == 0 || n >= sizeof(buf)) return CleanInstanceName("");
    return CleanInstanceName(buf);
}

std::string MappingName(const std::string& strInstance) { return "KBSIM_STATE_V1_" + strInstance; }
std::string MutexName(const std::string& strInstance) { return "KBSIM_MUTEX_V1_" + strInstance; }

bool Store::Open(const std::string& strInstance)
{
    Close();
    m_strInstance = CleanInstanceName(strInstance);
    m_hMutex = CreateMutexA(nullptr, FALSE, MutexName(m_strInstance).c_str());
    if (m_hMutex == nullptr) return false;

    // Creation and the first reset happen under the mutex, so a second
    // process never sees a half-initialised block.
    DWORD w = WaitForSingleObject(m_hMutex, 10000);
    if (w != WAIT_OBJECT_0 && w != WAIT_ABANDONED) {
        Close();
        return false;
    }
    m_hMap = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(ShmState),
                                MappingName(m_strInstance).c_str());
    if (m_hMap != nullptr) {
        m_pState = static_cast<ShmState*>(MapViewOfFile(m_hMap, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(ShmState)));
        // A new pagefile section is zero-filled, so the magic tells whether
        // anyone has set it up yet, created just now or not.
        if (m_pState != nullptr && !LooksValid(m_pState)) ResetState(m_pState);
    }
    ReleaseMutex(m_hMutex);
    if (m_pState == nullptr) {
        Close();
        return false;
    }
    return true;
}

void Store::Close()
{
    if (m_pState != nullptr) UnmapViewOfFile(m_pState);
    if (m_hMap != nullptr) CloseHandle(m_hMap);
    if (m_hMutex != nullptr) CloseHandle(m_hMutex);
    m_pState = nullptr;
    m_hMap = nullptr;
    m_hMutex = nullptr;
}

Store::Lock Store::Acquire(DWORD dwTimeoutMs) const
{
    if (m_pState == nullptr) return Lock(nullptr, nullptr);
    DWORD w = WaitForSingleObject(m_hMutex, dwTimeoutMs);
    if (w != WAIT_OBJECT_0 && w != WAIT_ABANDONED) return Lock(nullptr, nullptr);
    if (!LooksValid(m_pState)) ResetState(m_pState);
    return Lock(m_hMutex, m_pState);
}

}  // namespace kbsim
