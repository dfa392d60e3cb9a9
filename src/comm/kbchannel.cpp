#include "comm/kbchannel.h"

#include <cstring>
#include <exception>
#include <new>

#include "comm/kb_fetch.h"
#include "base/trace.h"

// ----------------------------------------------------------- CKbApiChannel

CKbApiChannel::CKbApiChannel(int nType, const char* pszAddress, DWORD dwChannelId, DWORD dwModeMask)
    : CKbApi(nType == 1 ? pszAddress : "")
{
    if (!IsEnable() || (nType != 0 && nType != 1) || pszAddress == nullptr) return;
    m_nType = nType;
    m_strAddress = pszAddress;
    m_bUsable = true;
    if (dwChannelId != 0) SelectChannel(dwChannelId, dwModeMask);
}

CKbApiChannel::~CKbApiChannel() = default;

bool CKbApiChannel::FetchChannelList()
{
    if (!m_bUsable) return false;
    if (KBGetAvailableChannel(m_nType, m_strAddress.c_str()) > 0 && m_nChannelCount > 0) {
        m_pList = m_pChannelList;
        m_nCount = m_nChannelCount;
        return true;
    }
    m_pList = nullptr;
    m_nCount = -1;
    return false;
}

int CKbApiChannel::SelectChannel(DWORD dwChannelId, DWORD dwModeMask)
{
    if (IsOpen()) return -1;
    if (m_pList == nullptr && !FetchChannelList()) {
        m_bSelected = 0;
        return -1;
    }
    DWORD id = 0;
    DWORD info = 0;
    for (int i = 0; i < m_nCount; ++i) {
        if (m_pList[i].dwChannelId != dwChannelId) continue;
        if ((m_pList[i].dwInfo & dwModeMask) == dwModeMask) {
            id = m_pList[i].dwChannelId;
            info = m_pList[i].dwInfo;
        }
        break;
    }
    m_dwSelectedId = id;
    m_dwSelectedInfo = info;
    m_bSelected = (id == dwChannelId) ? 1 : 0;
    return m_bSelected;
}

int CKbApiChannel::OpenChannel()
{
    if (!m_bSelected || m_kb.KBOpenChannel == nullptr || !m_bUsable) return 0;
    m_hChannel = m_kb.KBOpenChannel(m_nType, m_strAddress.c_str(), m_dwSelectedId);
    return m_hChannel;
}

void CKbApiChannel::CloseChannel()
{
    if (!IsOpen()) return;
    if (m_kb.KBCloseChannel != nullptr) m_kb.KBCloseChannel(m_hChannel);
    m_hChannel = -1;
}

int CKbApiChannel::GetDeviceID(char* pBuffer, DWORD* pdwSize)
{
    if (m_kb.KBGetDeviceID == nullptr || !m_bUsable) return kb::kBadArgument;
    return m_kb.KBGetDeviceID(m_nType, m_strAddress.c_str(), pBuffer, pdwSize);
}

int CKbApiChannel::GetStatus(void* pBuffer, DWORD* pdwSize)
{
    if (m_kb.KBGetStatus == nullptr) return kb::kBadArgument;
    return m_kb.KBGetStatus(m_hChannel, pBuffer, pdwSize);
}

kb::FetchResult CKbApiChannel::FetchStatusReply(const TraceScope& scope)
{
    // A positive answer to the size query also asks for the fetch.
    return kb::Fetch(
        [this](void* buf, DWORD* size) { return GetStatus(buf, size); },
        [](int first, DWORD) { return first == kb::kBufferTooSmall || first > 0; },
        [&](kb::FetchStage stage, int answer, DWORD) {
            if (stage == kb::FetchStage::AfterFirst) Trace(scope, "KBGetStatus(1st) : %d\n", answer);
            if (stage == kb::FetchStage::AfterSecond) Trace(scope, "KBGetStatus(2nd) : %d\n", answer);
        });
}

int CKbApiChannel::ReceiveCancel()
{
    if (m_kb.KBReceiveCancel == nullptr) return kb::kBadArgument;
    return m_kb.KBReceiveCancel(m_hChannel);
}

// ---------------------------------------------------------- CKbStatChannel

CKbStatChannel::CKbStatChannel(int nType, const char* pszAddress)
    : CKbApiChannel(nType, pszAddress, 0, 0), m_hEnd(CreateEventA(nullptr, TRUE, FALSE, nullptr))
{
}

CKbStatChannel::~CKbStatChannel()
{
    // Not virtual dispatch here: the derived part is already gone, and the
    // thread must be joined before anything it uses is freed.
    CKbStatChannel::EndStatusThread();
}

bool CKbStatChannel::PauseOrEnd(DWORD dwMilliseconds) const
{
    return WaitForSingleObject(m_hEnd.get(), dwMilliseconds) != WAIT_TIMEOUT || m_bRunning == 0;
}

DWORD CKbStatChannel::EnumChannel(int nIndex)
{
    static const DWORD kCandidates[] = {kb::kChannelStatus, kb::kChannelUsb, kb::kChannelParallel};
    return (nIndex >= 0 && nIndex < 3) ? kCandidates[nIndex] : 0;
}

int CKbStatChannel::OpenStatusChannel()
{
    TraceScope scope("CKbStatChannel::OpenStatusChannel");
    int index = 0;
    DWORD channel = EnumChannel(0);
    while (channel != 0) {
        int r = SelectChannel(channel, kb::kModeStatus);
        Trace(scope, "SelectChannel result : %d\n", r);
        if (r == 1) break;
        if (r == -1) {
            channel = 0;
            break;
        }
        channel = EnumChannel(++index);
    }
    Trace(scope, "SelChannelNo. = %#x\n", static_cast<unsigned>(channel));
    if (channel == 0) return -1;
    int handle = OpenChannel();
    if (handle < 1) {
        Trace(scope, "error OpenChannel result : %d\n", handle);
        return 0;
    }
    return 1;
}

int CKbStatChannel::GetPrinterStatus()
{
    TraceScope scope("Enter CKbStatChannel::GetPrinterStatus");
    if (!IsOpen()) return -1;

    int result = 1;
    kb::FetchResult r = FetchStatusReply(scope);
    if (r.nFirst == 0) result = 0;
    else if (r.nFirst < 0 && r.nFirst != kb::kBufferTooSmall) result = r.nFirst;
    else if (r.bNoMemory) result = -2;
    else if (r.nSecond <= 0) result = r.nSecond;

    if (result == 1) {
        try {
            r.data.push_back(0);
            m_status.swap(r.data);
        } catch (const std::exception&) {
            result = -2;  // the previous reply stays
        }
    }
    Trace(scope, "Exit CKbStatChannel::GetPrinterStatus\n");
    return result;
}

void CKbStatChannel::Post(UINT uMsg, int nResult)
{
    HWND hWnd = m_hWnd;
    if (hWnd != nullptr) PostMessageA(hWnd, uMsg, static_cast<WPARAM>(static_cast<INT_PTR>(nResult)), 0);
}

int CKbStatChannel::StartStatusThread(HWND hWnd)
{
    TraceScope scope("CKbStatChannel::StartStatusThread");
    if (m_bRunning == 1 || !m_hEnd) return 0;
    if (m_hThread != nullptr) {
        // The previous pass finished on its own; join it before starting anew.
        WaitForSingleObject(m_hThread, INFINITE);
        CloseHandle(m_hThread);
        m_hThread = nullptr;
    }
    m_hWnd = hWnd;
    ResetEvent(m_hEnd.get());
    InterlockedExchange(&m_bRunning, 1);
    m_hThread = CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
    if (m_hThread == nullptr) {
        InterlockedExchange(&m_bRunning, 0);
        m_hWnd = nullptr;
        return 0;
    }
    return 1;
}

void CKbStatChannel::JoinStatusThread()
{
    m_hWnd = nullptr;
    InterlockedExchange(&m_bRunning, 0);
    if (m_hEnd) SetEvent(m_hEnd.get());
    if (m_hThread != nullptr) {
        WaitForSingleObject(m_hThread, INFINITE);
        CloseHandle(m_hThread);
        m_hThread = nullptr;
    }
}

void CKbStatChannel::EndStatusThread()
{
    TraceScope scope("Enter CKbStatChannel::EndStatusThread");
    JoinStatusThread();
    Trace(scope, "Exit CKbStatChannel::EndStatusThread\n");
}

DWORD WINAPI CKbStatChannel::ThreadProc(void* pThis)
{
    // Nothing may escape a thread entry.
    CKbStatChannel* self = static_cast<CKbStatChannel*>(pThis);
    try {
        self->KbStatusThreadMain();
    } catch (...) {
        // A worker that died is not running: a new start must not be refused.
        InterlockedExchange(&self->m_bRunning, 0);
    }
    return 0;
}

void CKbStatChannel::KbStatusThreadMain()
{
    TraceScope scope("CKbStatChannel::KbStatusThreadMain");
    if (PauseOrEnd(500)) return;
    if (!IsOpen()) {
        int r = OpenStatusChannel();
        if (r < 1) {
            if (m_bRunning != 0) Post(WM_RESULT_KBSTCHANNEL, r);
            return;
        }
    }
    if (m_bRunning == 0) return;
    int s = GetPrinterStatus();
    if (m_bRunning == 1) {
        Post(WM_RESULT_KBSTATUS, s);
        Trace(scope, "CKbStatChannel::Status loop end\n");
    }
}
