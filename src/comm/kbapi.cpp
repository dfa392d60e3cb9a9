#include "comm/kbapi.h"

#include <winspool.h>

#include <cstring>
#include <exception>
#include <vector>

#include "base/fetch_sized.h"
#include "base/text.h"
#include "base/mutex_guard.h"
#include "base/unique_handle.h"
#include "comm/kb_fetch.h"
#include "base/trace.h"

namespace {

// Built when the module is loaded; loads nothing until the first user.
CKbApiBase theKbApiBase;

class BaseLock : public vm2::MutexGuard {
public:
    explicit BaseLock(CKbApiBase* base) : vm2::MutexGuard(base != nullptr ? base->LockHandle() : nullptr) {}
};

template <typename T>
bool Bind(HMODULE lib, const char* name, T* out)
{
    *out = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(lib, name)));
    return *out != nullptr;
}

}  // namespace

// -------------------------------------------------------------- CKbApiBase

CKbApiBase::CKbApiBase() = default;

// Nothing is released here: a static destructor runs at process exit too,
// under the loader lock and after the library may have been unloaded.
// ReleaseAtUnload does the work when the host unloads the module.
CKbApiBase::~CKbApiBase() = default;

void CKbApiBase::ReleaseAtUnload()
{
    BaseLock lock(this);
    m_dwRefCount = 0;
    Destroy();
}

CKbApiBase& CKbApiBase::Instance() { return theKbApiBase; }

void CKbApiBase::LoadLibraryOfPrinter(const char* pszPrinterName)
{
    // A name or path cut short would name another printer or folder: nothing is loaded then.
    char printer[vm2::kPathBuf];
    if (!vm2::CopyText(printer, sizeof(printer), pszPrinterName != nullptr ? pszPrinterName : "")) return;

    PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    vm2::UniquePrinter hPrinter;
    if (!OpenPrinterA(printer, hPrinter.put(), &defaults)) return;

    char fileName[vm2::kPathBuf] = "";
    DWORD type = 0;
    DWORD got = 0;
    if (GetPrinterDataA(hPrinter.get(), const_cast<char*>("KBAPIB6Namex86"), &type,
                        reinterpret_cast<BYTE*>(fileName), sizeof(fileName), &got) != ERROR_SUCCESS)
        return;
    fileName[got < sizeof(fileName) ? got : sizeof(fileName) - 1] = '\0';

    std::vector<BYTE> info;
    if (!vm2::FetchSized(info, [&](BYTE* p, DWORD cb, DWORD* pNeeded) {
            return GetPrinterDriverA(hPrinter.get(), nullptr, 6, p, cb, pNeeded) != FALSE;
        }))
        return;
    const DRIVER_INFO_6A* driver = reinterpret_cast<const DRIVER_INFO_6A*>(info.data());

    char path[vm2::kPathBuf];
    if (!vm2::CopyText(path, sizeof(path), driver->pDataFile)) return;
    char* slash = strrchr(path, '\\');
    if (slash == nullptr) return;  // no folder: nothing is loaded
    slash[1] = '\0';
    size_t used = strlen(path);
    if (!vm2::CopyText(path + used, sizeof(path) - used, fileName)) return;
    m_hLibrary = LoadLibraryA(path);
}

bool CKbApiBase::BindEntryPoints()
{
    HMODULE lib = m_hLibrary;
    kb::EntryPoints& e = m_kb;
    return Bind(lib, "KBInitialize", &e.KBInitialize) && Bind(lib, "KBRelease", &e.KBRelease) &&
           Bind(lib, "KBGetDeviceID", &e.KBGetDeviceID) &&
           Bind(lib, "KBGetAvailableChannel", &e.KBGetAvailableChannel) &&
           Bind(lib, "KBOpenChannel", &e.KBOpenChannel) && Bind(lib, "KBCloseChannel", &e.KBCloseChannel) &&
           Bind(lib, "KBSetOption", &e.KBSetOption) && Bind(lib, "KBGetOption", &e.KBGetOption) &&
           Bind(lib, "KBReceiveCancel", &e.KBReceiveCancel) && Bind(lib, "KBGetStatus", &e.KBGetStatus) &&
           Bind(lib, "KBReceive", &e.KBReceive) && Bind(lib, "KBSend", &e.KBSend);
}

BOOL CKbApiBase::Initialize(const char* pszPrinterName)
{
    BaseLock lock(this);
    TraceScope scope("CKbApiBase::Initialize");
    if (m_hLibrary == nullptr) {
        m_bEnable = FALSE;
        LoadLibraryOfPrinter(pszPrinterName);
    }
    // A positive KBInitialize answer stays: the binding is not retried.
    if (m_nInitResult < 0 && m_hLibrary != nullptr) {
        if (!BindEntryPoints()) return m_bEnable;
        Trace(scope, "Before:KBInitialize()\n");
        m_nInitResult = m_kb.KBInitialize();
        if (m_nInitResult == 0) m_bEnable = TRUE;
        Trace(scope, "After:KBInitialize(), m_bEnable : %d\n", m_bEnable);
    }
    return m_bEnable;
}

void CKbApiBase::FreeChannelList()
{
    m_channels.clear();
    m_pChannelList = nullptr;
    m_nChannelCount = -1;
}

void CKbApiBase::Destroy()
{
    BaseLock lock(this);
    TraceScope scope("CKbApiBase::Destroy");
    if (m_dwRefCount > 0) return;
    FreeChannelList();
    if (m_nInitResult >= 0 && m_kb.KBRelease != nullptr) {
        Trace(scope, "Before:KBRelease()\n");
        if (m_kb.KBRelease() >= 0) m_nInitResult = -1;
        Trace(scope, "After:KBRelease()\n");
    }
    if (m_hLibrary != nullptr) {
        FreeLibrary(m_hLibrary);
        m_hLibrary = nullptr;
        // Stale entry points must never be called: the next user reloads.
        m_kb = kb::EntryPoints();
        m_bEnable = FALSE;
        m_nInitResult = -1;
    }
}

int CKbApiBase::KBGetAvailableChannel(int nType, const char* pszName)
{
    BaseLock lock(this);
    TraceScope scope("CKbApiBase::KBGetAvailableChannel");
    if (pszName == nullptr) return 0;
    // The cache is per process, not per name.
    if (m_nChannelCount > 0 && m_pChannelList != nullptr) return m_nChannelCount;
    FreeChannelList();
    if (m_kb.KBGetAvailableChannel == nullptr) return -1;

    auto call = [&](void* buf, DWORD* size) { return m_kb.KBGetAvailableChannel(nType, pszName, buf, size); };
    kb::FetchResult r = kb::Fetch(
        call, [](int first, DWORD) { return first == kb::kBufferTooSmall; },
        [&](kb::FetchStage stage, int answer, DWORD) {
            switch (stage) {
            case kb::FetchStage::BeforeFirst: Trace(scope, "Before:KBGetAvailableChannel(1st)\n"); break;
            case kb::FetchStage::AfterFirst:
                m_nChannelCount = answer;
                Trace(scope, "After :KBGetAvailableChannel(1st) : %d\n", answer);
                break;
            case kb::FetchStage::BeforeSecond: Trace(scope, "Before:KBGetAvailableChannel(2nd)\n"); break;
            case kb::FetchStage::AfterSecond:
                m_nChannelCount = answer;
                Trace(scope, "After :KBGetAvailableChannel(2nd) : %d\n", answer);
                break;
            }
        });
    if (!r.Fetched() || r.nSecond <= 0) {
        m_nChannelCount = -1;
        return -1;
    }
    // Never more records than the bytes the library actually wrote.
    size_t fits = r.data.size() / sizeof(kb::ChannelRecord);
    int count = static_cast<int>(static_cast<size_t>(r.nSecond) < fits ? r.nSecond : fits);
    if (count <= 0) {
        m_nChannelCount = -1;
        return -1;
    }
    try {
        m_channels.resize(static_cast<size_t>(count));
    } catch (const std::exception&) {
        m_nChannelCount = -1;
        return -1;
    }
    memcpy(m_channels.data(), r.data.data(), count * sizeof(kb::ChannelRecord));
    m_pChannelList = m_channels.data();
    m_nChannelCount = count;
    for (int i = 0; i < count; ++i)
        Trace(scope, "Channel info[%d], Channel : %#x, Mode : %#x\n", i,
              static_cast<unsigned>(m_pChannelList[i].dwChannelId),
              static_cast<unsigned>(m_pChannelList[i].dwInfo & 0xFFFF));
    return count;
}

// ------------------------------------------------------------------ CKbApi

CKbApi::CKbApi(const char* pszPrinterName) : m_pBase(&CKbApiBase::Instance())
{
    BaseLock lock(m_pBase);
    ++m_pBase->m_dwRefCount;
    if (!m_pBase->m_bEnable) m_pBase->Initialize(pszPrinterName);
    if (m_pBase->m_bEnable) {
        m_kb = m_pBase->m_kb;
        m_kb.KBGetAvailableChannel = nullptr;
        const kb::EntryPoints& e = m_kb;
        m_pBase->m_bEnable = e.KBInitialize && e.KBRelease && e.KBGetDeviceID && e.KBOpenChannel &&
                             e.KBCloseChannel && e.KBSetOption && e.KBGetOption && e.KBReceiveCancel &&
                             e.KBGetStatus && e.KBReceive && e.KBSend;
    }
}

CKbApi::~CKbApi()
{
    if (m_pBase == nullptr) return;
    BaseLock lock(m_pBase);
    if (m_pBase->m_dwRefCount > 0) --m_pBase->m_dwRefCount;
    m_pBase->Destroy();
}

BOOL CKbApi::IsEnable() const { return m_pBase != nullptr ? m_pBase->m_bEnable : FALSE; }

int CKbApi::KBGetAvailableChannel(int nType, const char* pszName)
{
    if (pszName == nullptr) return kb::kBadArgument;
    if (m_pBase == nullptr) return 0;
    BaseLock lock(m_pBase);
    int r = m_pBase->KBGetAvailableChannel(nType, pszName);
    m_nChannelCount = m_pBase->m_nChannelCount;
    m_pChannelList = m_pBase->m_pChannelList;
    return r;
}

DWORD CKbApi::AddRef()
{
    if (m_pBase == nullptr) return 0;
    BaseLock lock(m_pBase);
    return ++m_pBase->m_dwRefCount;
}

DWORD CKbApi::Release()
{
    if (m_pBase == nullptr) return 0;
    BaseLock lock(m_pBase);
    if (m_pBase->m_dwRefCount > 0) --m_pBase->m_dwRefCount;
    return m_pBase->m_dwRefCount;
}

int CKbApi::KBOpenChannel(int nType, const char* pszName, DWORD dwChannelId)
{
    return m_kb.KBOpenChannel != nullptr ? m_kb.KBOpenChannel(nType, pszName, dwChannelId) : kb::kBadArgument;
}

int CKbApi::KBGetStatus(int hChannel, void* pBuffer, DWORD* pdwSize)
{
    return m_kb.KBGetStatus != nullptr ? m_kb.KBGetStatus(hChannel, pBuffer, pdwSize) : kb::kBadArgument;
}

int CKbApi::KBCloseChannel(int hChannel)
{
    return m_kb.KBCloseChannel != nullptr ? m_kb.KBCloseChannel(hChannel) : kb::kBadArgument;
}
