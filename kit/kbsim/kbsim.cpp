// The simulated communication library: the twelve entry points KBInitialize
// to KBSend, answering from the shared state block that a test, the demo or
// kbsim_ctl.exe sets up (kbsim_control.h). Every call is recorded there.
//
// Order of checks in every entry point: initialisation, arguments (-15),
// faults for all printers, the addressed printer (-5 when unknown), that
// printer's faults, then the normal answer.
//
// KBSIM_WITHOUT_SEND / KBSIM_WITHOUT_GETSTATUS build the variants that lack
// one entry point (with their own .def file).
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "kbsim/kbsim_store.h"

using namespace kbsim;

namespace {

// Stores by instance name. An instance is opened on first use and kept until
// the library is unloaded, so a pointer handed out stays valid even when a
// test switches instances between calls.
SRWLOCK g_storesLock = SRWLOCK_INIT;
std::vector<std::unique_ptr<Store>>* g_pStores = nullptr;

// KBInitialize calls that succeeded minus KBRelease calls, in this process.
LONG g_nInitCount = 0;

Store* CurrentStore()
{
    std::string instance = InstanceFromEnvironment();
    AcquireSRWLockExclusive(&g_storesLock);
    Store* found = nullptr;
    if (g_pStores == nullptr) g_pStores = new std::vector<std::unique_ptr<Store>>();
    for (auto& s : *g_pStores) {
        if (s->Instance() == instance) found = s.get();
    }
    if (found == nullptr) {
        auto s = std::make_unique<Store>();
        if (s->Open(instance)) {
            found = s.get();
            g_pStores->push_back(std::move(s));
        }
    }
    ReleaseSRWLockExclusive(&g_storesLock);
    return found;
}

void CopyName(char* dst, size_t cap, const char* src)
{
    if (src == nullptr) src = "(null)";
    size_t n = std::strlen(src);
    if (n >= cap) n = cap - 1;
    std::memcpy(dst, src, n);
    dst[n] = '\0';
}

// One call in progress: holds the state lock and writes the call record when
// it ends, whatever path the entry point returns by.
class Call {
public:
    explicit Call(Entry entry) : m_lock(Acquire())
    {
        std::memset(&m_rec, 0, sizeof(m_rec));
        m_rec.entry = static_cast<uint32_t>(entry);
        m_rec.type = -1;
        m_rec.pid = GetCurrentProcessId();
        m_rec.tid = GetCurrentThreadId();
        m_entry = entry;
    }
    ~Call()
    {
        ShmState* s = m_lock.state();
        if (s == nullptr) return;
        m_rec.seq = s->recordNext++;
        if (s->recordNext == 0) s->recordNext = 1;
        s->records[m_rec.seq % kRecordCapacity] = m_rec;
    }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

    ShmState* state() const { return m_lock.state(); }
    ShmRecord& rec() { return m_rec; }

    int Done(int result)
    {
        m_rec.result = result;
        return result;
    }

    bool NotInitialized() const { return m_lock.state()->requireInit && g_nInitCount <= 0; }

    bool GlobalFault(Phase phase, int* pCode)
    {
        int32_t code = 0;
        if (!TakeFault(state()->faults, kMaxFaults, m_entry, phase, &code)) return false;
        *pCode = code;
        return true;
    }

    bool PrinterFault(int nPrinter, Phase phase, int* pCode)
    {
        int32_t code = 0;
        if (!TakeFault(state()->printers[nPrinter].faults, kMaxFaults, m_entry, phase, &code)) return false;
        *pCode = code;
        return true;
    }

    void SetName(const char* pszName) { CopyName(m_rec.name, sizeof(m_rec.name), pszName); }

    // For calls on a channel handle: the record names the printer and channel.
    void DescribeHandle(int nSlot)
    {
        const ShmHandle& h = state()->handles[nSlot];
        const ShmPrinter& p = state()->printers[h.printer];
        SetName(p.printerName[0] != '\0' ? p.printerName : p.portName);
        m_rec.channelId = h.channelId;
    }

private:
    static Store::Lock Acquire()
    {
        Store* store = CurrentStore();
        if (store == nullptr) {
            static Store none;
            return none.Acquire();
        }
        return store->Acquire();
    }

    Store::Lock m_lock;
    ShmRecord m_rec;
    Entry m_entry;
};

Phase PhaseOf(const void* pBuffer) { return pBuffer == nullptr ? Phase::SizeQuery : Phase::DataRead; }

// Two-call answer: -4 with the needed size unless the buffer is there and
// large enough, else the bytes and their size.
bool FitsOrAsk(const void* pBuffer, DWORD* pdwSize, DWORD dwNeeded)
{
    if (pBuffer == nullptr || *pdwSize < dwNeeded) {
        *pdwSize = dwNeeded;
        return false;
    }
    return true;
}

}  // namespace

extern "C" {

int __cdecl KBInitialize(void)
{
    Call c(Entry::Initialize);
    if (c.state() == nullptr) return c.Done(kErrCommunication);
    int code = 0;
    int r = c.GlobalFault(Phase::Any, &code) ? code : c.state()->initResult;
    if (r == 0) InterlockedIncrement(&g_nInitCount);
    return c.Done(r);
}

int __cdecl KBRelease(void)
{
    Call c(Entry::Release);
    if (c.state() == nullptr) return c.Done(kErrCommunication);
    int code = 0;
    if (c.GlobalFault(Phase::Any, &code)) return c.Done(code);
    if (g_nInitCount <= 0) return c.Done(kErrNotInitialized);
    InterlockedDecrement(&g_nInitCount);
    return c.Done(c.state()->releaseResult);
}

// The common start of the calls that address a printer by name or port and
// answer through a sized buffer: records the arguments, then checks them,
// the instance and the faults. True with the printer's index in *pOut, or
// false with the answer to give in *pOut (a fault may answer 0).
static bool AddressedPrinter(Call& c, int nType, const char* pszName, const void* pBuffer, const DWORD* pdwSize,
                             int* pOut)
{
    ShmRecord& rec = c.rec();
    rec.type = nType;
    c.SetName(pszName);
    rec.bufferGiven = pBuffer != nullptr;
    rec.sizeIn = pdwSize != nullptr ? *pdwSize : 0;
    *pOut = kErrCommunication;
    if (c.state() == nullptr) return false;
    *pOut = kErrNotInitialized;
    if (c.NotInitialized()) return false;
    *pOut = kErrBadArgument;
    if (pdwSize == nullptr || pszName == nullptr || (nType != 0 && nType != 1)) return false;
    Phase phase = PhaseOf(pBuffer);
    if (c.GlobalFault(phase, pOut)) return false;
    int p = FindPrinter(c.state(), nType, pszName);
    *pOut = kErrCommunication;
    if (p < 0) return false;
    if (c.PrinterFault(p, phase, pOut)) return false;
    *pOut = p;
    return true;
}

int __cdecl KBGetDeviceID(int nType, const char* pszName, char* pBuffer, DWORD* pdwSize)
{
    Call c(Entry::GetDeviceID);
    ShmRecord& rec = c.rec();
    int p = 0;
    if (!AddressedPrinter(c, nType, pszName, pBuffer, pdwSize, &p)) return c.Done(p);

    const char* id = c.state()->printers[p].deviceId;
    DWORD needed = static_cast<DWORD>(strnlen(id, kDeviceIdLen - 1) + 1);
    int r = kErrBufferTooSmall;
    if (FitsOrAsk(pBuffer, pdwSize, needed)) {
        std::memcpy(pBuffer, id, needed - 1);
        pBuffer[needed - 1] = '\0';
        *pdwSize = needed;
        r = 0;
    }
    rec.sizeOut = *pdwSize;
    return c.Done(r);
}

int __cdecl KBGetAvailableChannel(int nType, const char* pszName, void* pBuffer, DWORD* pdwSize)
{
    Call c(Entry::GetAvailableChannel);
    ShmRecord& rec = c.rec();
    int p = 0;
    if (!AddressedPrinter(c, nType, pszName, pBuffer, pdwSize, &p)) return c.Done(p);

    const ShmPrinter& printer = c.state()->printers[p];
    DWORD needed = printer.channelCount * sizeof(ShmChannel);
    int r = kErrBufferTooSmall;
    if (needed == 0 && pBuffer != nullptr) {
        *pdwSize = 0;
        r = 0;  // nothing to list
    } else if (FitsOrAsk(pBuffer, pdwSize, needed)) {
        std::memcpy(pBuffer, printer.channels, needed);
        *pdwSize = needed;
        r = static_cast<int>(printer.channelCount);
    }
    rec.sizeOut = *pdwSize;
    return c.Done(r);
}

int __cdecl KBOpenChannel(int nType, const char* pszName, DWORD dwChannelId)
{
    Call c(Entry::OpenChannel);
    ShmRecord& rec = c.rec();
    rec.type = nType;
    c.SetName(pszName);
    rec.channelId = dwChannelId;
    if (c.state() == nullptr) return c.Done(kErrCommunication);
    if (c.NotInitialized()) return c.Done(kErrNotInitialized);
    if (pszName == nullptr || (nType != 0 && nType != 1)) return c.Done(kErrBadArgument);
    int code = 0;
    if (c.GlobalFault(Phase::Any, &code)) return c.Done(code);
    ShmState* s = c.state();
    int p = FindPrinter(s, nType, pszName);
    if (p < 0) return c.Done(kErrCommunication);
    if (c.PrinterFault(p, Phase::Any, &code)) return c.Done(code);

    const ShmPrinter& printer = s->printers[p];
    bool offered = false;
    for (uint32_t i = 0; i < printer.channelCount; ++i) offered = offered || printer.channels[i].id == dwChannelId;
    if (!offered) return c.Done(kErrBadArgument);
    int free = -1;
    for (uint32_t i = 0; i < kMaxHandles; ++i) {
        const ShmHandle& h = s->handles[i];
        if (!h.inUse) {
            if (free < 0) free = static_cast<int>(i);
        } else if ((printer.flags & kPrinterExclusive) && h.printer == static_cast<uint32_t>(p) &&
                   h.channelId == dwChannelId) {
            return c.Done(kErrBusy);
        }
    }
    if (free < 0) return c.Done(kErrBusy);  // the library's handle table is full

    ShmHandle& h = s->handles[free];
    std::memset(&h, 0, sizeof(h));
    h.inUse = 1;
    h.handle = s->nextHandle;
    h.printer = static_cast<uint32_t>(p);
    h.channelId = dwChannelId;
    h.pid = GetCurrentProcessId();
    s->nextHandle = s->nextHandle >= 0x7FFFFFFF ? 1 : s->nextHandle + 1;
    rec.handle = h.handle;
    return c.Done(h.handle);
}

// The common start of the calls on an open channel handle: checks the
// instance, the handle and the faults. True with the handle's slot in *pOut,
// or false with the answer to give in *pOut (a fault may answer 0).
static bool HandledChannel(Call& c, int hChannel, int* pOut)
{
    *pOut = kErrCommunication;
    if (c.state() == nullptr) return false;
    *pOut = kErrNotInitialized;
    if (c.NotInitialized()) return false;
    if (c.GlobalFault(Phase::Any, pOut)) return false;
    int slot = FindHandle(c.state(), hChannel);
    *pOut = kErrBadArgument;
    if (slot < 0) return false;
    c.DescribeHandle(slot);
    if (c.PrinterFault(static_cast<int>(c.state()->handles[slot].printer), Phase::Any, pOut)) return false;
    *pOut = slot;
    return true;
}

int __cdecl KBCloseChannel(int hChannel)
{
    Call c(Entry::CloseChannel);
    c.rec().handle = hChannel;
    int slot = 0;
    if (!HandledChannel(c, hChannel, &slot)) return c.Done(slot);
    c.state()->handles[slot].inUse = 0;
    return c.Done(0);
}

int __cdecl KBSetOption(int hChannel, DWORD dwOption, DWORD dwValue)
{
    Call c(Entry::SetOption);
    ShmRecord& rec = c.rec();
    rec.handle = hChannel;
    rec.arg1 = dwOption;
    rec.arg2 = dwValue;
    if (c.state() == nullptr) return c.Done(kErrCommunication);
    if (c.NotInitialized()) return c.Done(kErrNotInitialized);
    int code = 0;
    if (c.GlobalFault(Phase::Any, &code)) return c.Done(code);
    int slot = FindHandle(c.state(), hChannel);
    if (slot < 0) return c.Done(kErrBadArgument);
    c.DescribeHandle(slot);
    ShmHandle& h = c.state()->handles[slot];
    if (c.PrinterFault(static_cast<int>(h.printer), Phase::Any, &code)) return c.Done(code);
    // Option 0 marks a free slot, so it cannot be stored.
    if (dwOption == 0) return c.Done(kErrBadArgument);
    for (uint32_t i = 0; i < kMaxOptions; ++i) {
        if (h.options[i][0] == dwOption || h.options[i][0] == 0) {
            h.options[i][0] = dwOption;
            h.options[i][1] = dwValue;
            return c.Done(0);
        }
    }
    return c.Done(kErrBadArgument);
}

int __cdecl KBGetOption(int hChannel, DWORD dwOption, DWORD* pdwValue)
{
    Call c(Entry::GetOption);
    ShmRecord& rec = c.rec();
    rec.handle = hChannel;
    rec.arg1 = dwOption;
    if (c.state() == nullptr) return c.Done(kErrCommunication);
    if (c.NotInitialized()) return c.Done(kErrNotInitialized);
    if (pdwValue == nullptr) return c.Done(kErrBadArgument);
    int code = 0;
    if (c.GlobalFault(Phase::Any, &code)) return c.Done(code);
    int slot = FindHandle(c.state(), hChannel);
    if (slot < 0) return c.Done(kErrBadArgument);
    c.DescribeHandle(slot);
    const ShmHandle& h = c.state()->handles[slot];
    if (c.PrinterFault(static_cast<int>(h.printer), Phase::Any, &code)) return c.Done(code);
    *pdwValue = 0;
    for (uint32_t i = 0; i < kMaxOptions; ++i) {
        if (dwOption != 0 && h.options[i][0] == dwOption) *pdwValue = h.options[i][1];
    }
    rec.arg2 = *pdwValue;
    return c.Done(0);
}

int __cdecl KBReceiveCancel(int hChannel)
{
    Call c(Entry::ReceiveCancel);
    c.rec().handle = hChannel;
    int slot = 0;
    if (!HandledChannel(c, hChannel, &slot)) return c.Done(slot);
    return c.Done(0);
}

#ifndef KBSIM_WITHOUT_GETSTATUS
int __cdecl KBGetStatus(int hChannel, void* pBuffer, DWORD* pdwSize)
{
    Call c(Entry::GetStatus);
    ShmRecord& rec = c.rec();
    rec.handle = hChannel;
    rec.bufferGiven = pBuffer != nullptr;
    rec.sizeIn = pdwSize != nullptr ? *pdwSize : 0;
    if (c.state() == nullptr) return c.Done(kErrCommunication);
    if (c.NotInitialized()) return c.Done(kErrNotInitialized);
    if (pdwSize == nullptr) return c.Done(kErrBadArgument);
    int code = 0;
    Phase phase = PhaseOf(pBuffer);
    if (c.GlobalFault(phase, &code)) return c.Done(code);
    ShmState* s = c.state();
    int slot = FindHandle(s, hChannel);
    if (slot < 0) return c.Done(kErrBadArgument);
    c.DescribeHandle(slot);
    const ShmHandle& h = s->handles[slot];
    ShmPrinter& printer = s->printers[h.printer];
    if (!printer.inUse) return c.Done(kErrCommunication);  // removed while the channel was open
    uint16_t mode = 0;
    for (uint32_t i = 0; i < printer.channelCount; ++i) {
        if (printer.channels[i].id == h.channelId) mode = printer.channels[i].mode;
    }
    if ((mode & kModeStatus) == 0) return c.Done(kErrBadArgument);  // not a status channel
    if (c.PrinterFault(static_cast<int>(h.printer), phase, &code)) return c.Done(code);

    const ShmStep* step = CurrentStep(printer);
    if (step == nullptr) return c.Done(0);  // the printer has nothing to say
    if (step->result <= 0 || step->length == 0) {
        // Errors and "no reply" end the module's read at the first call, so
        // that call uses the step up.
        int r = step->result < 0 ? step->result : 0;
        ConsumeStep(&printer);
        return c.Done(r);
    }
    int r = kErrBufferTooSmall;
    if (FitsOrAsk(pBuffer, pdwSize, step->length)) {
        std::memcpy(pBuffer, step->bytes, step->length);
        *pdwSize = step->length;
        r = static_cast<int>(step->length);
        ++printer.readsServed;
        ConsumeStep(&printer);
    }
    rec.sizeOut = *pdwSize;
    return c.Done(r);
}
#endif

int __cdecl KBReceive(int hChannel, void* pBuffer, DWORD* pdwSize, DWORD dwTimeout)
{
    Call c(Entry::Receive);
    ShmRecord& rec = c.rec();
    rec.handle = hChannel;
    rec.bufferGiven = pBuffer != nullptr;
    rec.sizeIn = pdwSize != nullptr ? *pdwSize : 0;
    rec.arg1 = dwTimeout;
    if (c.state() == nullptr) return c.Done(kErrCommunication);
    if (c.NotInitialized()) return c.Done(kErrNotInitialized);
    if (pdwSize == nullptr) return c.Done(kErrBadArgument);
    int code = 0;
    if (c.GlobalFault(PhaseOf(pBuffer), &code)) return c.Done(code);
    int slot = FindHandle(c.state(), hChannel);
    if (slot < 0) return c.Done(kErrBadArgument);
    c.DescribeHandle(slot);
    if (c.PrinterFault(static_cast<int>(c.state()->handles[slot].printer), PhaseOf(pBuffer), &code))
        return c.Done(code);
    // The simulated printers never send data of their own.
    *pdwSize = 0;
    rec.sizeOut = 0;
    return c.Done(0);
}

#ifndef KBSIM_WITHOUT_SEND
int __cdecl KBSend(int hChannel, const void* pBuffer, DWORD dwSize)
{
    Call c(Entry::Send);
    ShmRecord& rec = c.rec();
    rec.handle = hChannel;
    rec.bufferGiven = pBuffer != nullptr;
    rec.sizeIn = dwSize;
    if (c.state() == nullptr) return c.Done(kErrCommunication);
    if (c.NotInitialized()) return c.Done(kErrNotInitialized);
    if (pBuffer == nullptr && dwSize > 0) return c.Done(kErrBadArgument);
    int code = 0;
    if (c.GlobalFault(Phase::Any, &code)) return c.Done(code);
    int slot = FindHandle(c.state(), hChannel);
    if (slot < 0) return c.Done(kErrBadArgument);
    c.DescribeHandle(slot);
    if (c.PrinterFault(static_cast<int>(c.state()->handles[slot].printer), Phase::Any, &code)) return c.Done(code);
    return c.Done(static_cast<int>(dwSize));
}
#endif

BOOL WINAPI DllMain(HINSTANCE, DWORD dwReason, LPVOID pReserved)
{
    // At process exit (pReserved non-null) the system closes the handles;
    // on FreeLibrary the stores are closed here.
    if (dwReason == DLL_PROCESS_DETACH && pReserved == nullptr && g_pStores != nullptr) {
        delete g_pStores;
        g_pStores = nullptr;
    }
    return TRUE;
}

}  // extern "C"
