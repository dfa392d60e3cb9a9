// Channels to one printer through the communication library, and the
// one-shot status worker that reports to a window.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/messages.h"
#include "base/unique_handle.h"
#include "comm/kb_fetch.h"
#include "comm/kbapi.h"

class TraceScope;

class CKbApiChannel : public CKbApi {
public:
    // nType 1: pszAddress is a printer name, whose driver also names the
    // library; 0: a port name, which can only use a library already loaded
    // (a printer is addressed by its port when it has no name). A channel
    // id other than 0 is selected at once with the mode mask.
    CKbApiChannel(int nType, const char* pszAddress, DWORD dwChannelId = 0, DWORD dwModeMask = 0);
    ~CKbApiChannel() override;

    bool IsUsable() const { return m_bUsable; }
    int GetType() const { return m_nType; }
    // Null when the channel is not usable.
    const char* GetAddress() const { return m_bUsable ? m_strAddress.c_str() : nullptr; }

    // 1 selected, 0 not offered with those mode bits, -1 already open or no
    // channel list to be had.
    int SelectChannel(DWORD dwChannelId, DWORD dwModeMask);
    DWORD GetSelectedChannel() const { return m_bSelected ? m_dwSelectedId : 0; }
    DWORD GetSelectedMode() const { return (m_bSelected && m_dwSelectedId != 0) ? (m_dwSelectedInfo & 0xFFFF) : 0; }
    int IsSelected() const { return m_bSelected; }

    int OpenChannel();
    void CloseChannel();
    bool IsOpen() const { return m_hChannel >= 0; }
    int GetHandle() const { return m_hChannel; }

    int GetDeviceID(char* pBuffer, DWORD* pdwSize);
    int GetStatus(void* pBuffer, DWORD* pdwSize);
    // Both calls of the status read on the open channel, traced.
    kb::FetchResult FetchStatusReply(const TraceScope& scope);
    int ReceiveCancel();

protected:
    bool FetchChannelList();

    int m_nType = 0;
    bool m_bUsable = false;
    std::string m_strAddress;
    const kb::ChannelRecord* m_pList = nullptr;
    int m_nCount = -1;
    int m_bSelected = 0;
    DWORD m_dwSelectedId = 0;
    DWORD m_dwSelectedInfo = 0;
    int m_hChannel = -1;
};

class CKbStatChannel : public CKbApiChannel {
public:
    CKbStatChannel(int nType, const char* pszAddress);
    ~CKbStatChannel() override;

    // 1 started, 0 already running or no thread to be had.
    virtual int StartStatusThread(HWND hWnd);
    // Wakes the worker from any pause and joins it; nothing is posted once
    // this returns.
    virtual void EndStatusThread();
    // 1 a reply is in the status buffer, -1 channel not open, 0 no reply,
    // -2 out of memory, or the library's negative code.
    virtual int GetPrinterStatus();
    // Status channel candidates in order; 0 ends the list.
    virtual DWORD EnumChannel(int nIndex);
    virtual void KbStatusThreadMain();

    // 1 open, 0 selected but not opened, -1 no candidate offered.
    int OpenStatusChannel();

    // The last reply read, with a terminating 0 after its bytes (null before
    // the first).
    const unsigned char* GetStatusBuffer() const { return m_status.empty() ? nullptr : m_status.data(); }
    int GetStatusLength() const { return m_status.empty() ? 0 : static_cast<int>(m_status.size() - 1); }
    bool IsRunning() const { return m_bRunning != 0; }

protected:
    void Post(UINT uMsg, int nResult);
    // EndStatusThread's work without its trace: for a derived destructor,
    // which must join before its own fields go, while the one traced end of
    // the object stays the base destructor's.
    void JoinStatusThread();
    // The worker's pause: true when the end was asked for meanwhile (or
    // before), false when the time ran out.
    bool PauseOrEnd(DWORD dwMilliseconds) const;

    std::vector<unsigned char> m_status;
    HWND volatile m_hWnd = nullptr;
    HANDLE m_hThread = nullptr;
    volatile LONG m_bRunning = 0;
    // Set by EndStatusThread (manual reset); cleared at each start.
    vm2::UniqueHandle m_hEnd;

private:
    static DWORD WINAPI ThreadProc(void* pThis);
};
