// The communication library binding: one per process, shared by every user.
#pragma once

#include <windows.h>

#include <vector>

#include "base/mutex_guard.h"
#include "comm/kb_entry.h"

class CKbApiBase {
public:
    CKbApiBase();
    virtual ~CKbApiBase();

    CKbApiBase(const CKbApiBase&) = delete;
    CKbApiBase& operator=(const CKbApiBase&) = delete;

    // Locates (from the printer's driver), loads, binds and initialises the
    // library as far as needed; returns m_bEnable.
    BOOL Initialize(const char* pszPrinterName);
    // Releases and unloads the library when nobody holds a reference.
    void Destroy();
    // Releases and unloads the library whatever holds remain: for the
    // module's own unload by FreeLibrary, never at process exit, when the
    // library may already be gone.
    void ReleaseAtUnload();
    // The channel count (cached per process) or a negative error; the list
    // stays in the base.
    int KBGetAvailableChannel(int nType, const char* pszName);

    // The process-wide binding.
    static CKbApiBase& Instance();

    // The lock of the reference count, the binding and the channel cache:
    // the host thread and the status threads create and destroy users
    // concurrently.
    vm2::ProcessMutex* LockHandle() const { return m_lock.get(); }

    int m_nChannelCount = -1;
    kb::ChannelRecord* m_pChannelList = nullptr;  // into m_channels; null when there is no list
    DWORD m_dwRefCount = 0;
    BOOL m_bEnable = FALSE;
    HMODULE m_hLibrary = nullptr;
    int m_nInitResult = -1;

    kb::EntryPoints m_kb;

private:
    void LoadLibraryOfPrinter(const char* pszPrinterName);
    bool BindEntryPoints();
    void FreeChannelList();

    vm2::ProcessMutex m_lock;
    std::vector<kb::ChannelRecord> m_channels;
};

// A user's handle on the shared binding.
class CKbApi {
public:
    // The printer whose driver names the library; only read when the
    // library is not loaded yet.
    explicit CKbApi(const char* pszPrinterName);
    virtual ~CKbApi();

    CKbApi(const CKbApi&) = delete;
    CKbApi& operator=(const CKbApi&) = delete;

    BOOL IsEnable() const;
    int KBGetAvailableChannel(int nType, const char* pszName);
    // The monitoring hold: keeps the library loaded between export calls.
    DWORD AddRef();
    DWORD Release();
    // Direct calls for callers that manage channel ids and handles themselves.
    int KBOpenChannel(int nType, const char* pszName, DWORD dwChannelId);
    int KBGetStatus(int hChannel, void* pBuffer, DWORD* pdwSize);
    int KBCloseChannel(int hChannel);

protected:
    CKbApiBase* m_pBase = nullptr;
    const kb::ChannelRecord* m_pChannelList = nullptr;  // borrowed from the base
    int m_nChannelCount = -1;

    // Copies of the base's entry points; the channel query always goes
    // through the base, so its pointer is not copied.
    kb::EntryPoints m_kb;
};
