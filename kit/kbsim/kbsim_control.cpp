#include "kbsim/kbsim_control.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "kbsim/kbsim_store.h"

namespace kbsim {

namespace {

void CopyField(char* dst, size_t cap, const std::string& src)
{
    size_t n = std::min(src.size(), cap - 1);
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}

void FillSteps(ShmPrinter* p, const std::vector<ReplyStep>& steps, bool bLoop)
{
    p->stepCount = 0;
    for (const ReplyStep& s : steps) {
        if (p->stepCount >= kMaxSteps) break;
        ShmStep& d = p->steps[p->stepCount++];
        std::memset(&d, 0, sizeof(d));
        d.result = s.nResult;
        d.repeat = s.nRepeat;
        d.length = static_cast<uint32_t>(std::min<size_t>(s.bytes.size(), kMaxReply));
        std::memcpy(d.bytes, s.bytes.data(), d.length);
    }
    p->stepIndex = 0;
    p->stepUsed = 0;
    p->loop = bLoop ? 1 : 0;
}

void FillChannels(ShmPrinter* p, const std::vector<Channel>& channels)
{
    p->channelCount = 0;
    for (const Channel& c : channels) {
        if (p->channelCount >= kMaxChannels) break;
        p->channels[p->channelCount++] = ShmChannel{c.dwId, c.wMode, c.wExtra};
    }
}

bool AddFaultTo(ShmFault* pTable, const Fault& fault)
{
    if (fault.nCount == 0) return true;
    for (uint32_t i = 0; i < kMaxFaults; ++i) {
        if (pTable[i].active) continue;
        pTable[i] = ShmFault{1, static_cast<uint32_t>(fault.entry), fault.nCode, fault.nCount, fault.nSkip,
                             static_cast<uint32_t>(fault.phase)};
        return true;
    }
    return false;
}

}  // namespace

std::string StandardDeviceId(const std::string& strModel)
{
    return "MFG:KAVRO;CMD:KBDC,ESCP9;MDL:" + strModel + ";CLS:PRINTER;DES:KAVRO " + strModel + ";";
}

PrinterConfig StandardPrinter(const std::string& strPrinterName, const std::string& strPortName,
                              Connection connection)
{
    PrinterConfig c;
    c.strPrinterName = strPrinterName;
    c.strPortName = strPortName;
    c.strDeviceId = StandardDeviceId();
    const uint16_t rw = kModeRead | kModeWrite;
    switch (connection) {
    case Connection::Parallel:
        c.channels = {{0x10010003, static_cast<uint16_t>(rw | kModeStatus), 0}};
        break;
    case Connection::Usb:
        c.channels = {{4, static_cast<uint16_t>(rw | kModeStatus), 0}, {0x10000003, rw, 0}};
        break;
    case Connection::Network:
        c.channels = {{0x10000005, static_cast<uint16_t>(rw | kModeStatus | kModeNetwork), 0},
                      {0x10000003, static_cast<uint16_t>(rw | kModeNetwork), 0}};
        break;
    }
    c.script = {{BuildStatusReply(FindPreset("ready")->fields), 0, 1}};
    return c;
}

void SetProcessInstance(const std::string& strInstance)
{
    SetEnvironmentVariableA(kInstanceVariable, CleanInstanceName(strInstance).c_str());
}

struct Control::Impl {
    Store store;

    // Runs f on the locked state and marks the change; false when the state
    // is not open or cannot be locked.
    template <typename F>
    bool Change(F f)
    {
        Store::Lock lock = store.Acquire();
        if (!lock) return false;
        bool ok = f(lock.state());
        ++lock.state()->generation;
        return ok;
    }

    template <typename F>
    bool Read(F f) const
    {
        Store::Lock lock = store.Acquire();
        if (!lock) return false;
        f(lock.state());
        return true;
    }

    template <typename F>
    bool ChangePrinter(const std::string& strName, F f)
    {
        return Change([&](ShmState* s) {
            int i = FindPrinterByAnyName(s, strName.c_str());
            return i >= 0 && f(&s->printers[i]);
        });
    }
};

Control::Control() : m_pImpl(new Impl) {}
Control::~Control() { delete m_pImpl; }

bool Control::Open(const std::string& strInstance)
{
    return m_pImpl->store.Open(strInstance.empty() ? InstanceFromEnvironment() : strInstance);
}

bool Control::IsOpen() const { return m_pImpl->store.IsOpen(); }
const std::string& Control::Instance() const { return m_pImpl->store.Instance(); }

bool Control::Reset()
{
    return m_pImpl->Change([](ShmState* s) {
        uint32_t next = s->recordNext;
        int32_t handle = s->nextHandle;
        ResetState(s);
        // Sequence numbers and handles keep counting, so marks taken before
        // the reset and handles still held somewhere stay unambiguous.
        s->recordNext = next;
        s->nextHandle = handle;
        return true;
    });
}

bool Control::DefinePrinter(const PrinterConfig& config)
{
    if (config.strPrinterName.empty() && config.strPortName.empty()) return false;
    return m_pImpl->Change([&](ShmState* s) {
        int i = config.strPrinterName.empty() ? FindPrinter(s, 0, config.strPortName.c_str())
                                              : FindPrinter(s, 1, config.strPrinterName.c_str());
        for (uint32_t k = 0; i < 0 && k < kMaxPrinters; ++k) {
            if (!s->printers[k].inUse) i = static_cast<int>(k);
        }
        if (i < 0) return false;
        ShmPrinter* p = &s->printers[i];
        std::memset(p, 0, sizeof(*p));
        p->inUse = 1;
        p->flags = config.bExclusive ? kPrinterExclusive : 0;
        CopyField(p->printerName, sizeof(p->printerName), config.strPrinterName);
        CopyField(p->portName, sizeof(p->portName), config.strPortName);
        CopyField(p->deviceId, sizeof(p->deviceId), config.strDeviceId);
        FillChannels(p, config.channels);
        FillSteps(p, config.script, config.bLoop);
        return true;
    });
}

bool Control::RemovePrinter(const std::string& strName)
{
    return m_pImpl->ChangePrinter(strName, [](ShmPrinter* p) {
        // Handles on it stay in the table; their calls now answer -5.
        std::memset(p, 0, sizeof(*p));
        return true;
    });
}

bool Control::SetDeviceId(const std::string& strName, const std::string& strDeviceId)
{
    return m_pImpl->ChangePrinter(strName, [&](ShmPrinter* p) {
        CopyField(p->deviceId, sizeof(p->deviceId), strDeviceId);
        return true;
    });
}

bool Control::SetChannels(const std::string& strName, const std::vector<Channel>& channels)
{
    return m_pImpl->ChangePrinter(strName, [&](ShmPrinter* p) {
        FillChannels(p, channels);
        return true;
    });
}

bool Control::SetReply(const std::string& strName, const std::string& bytes)
{
    return SetScript(strName, {{bytes, 0, 1}});
}

bool Control::SetReply(const std::string& strName, const StatusFields& fields)
{
    return SetReply(strName, BuildStatusReply(fields));
}

bool Control::SetScript(const std::string& strName, const std::vector<ReplyStep>& steps, bool bLoop)
{
    return m_pImpl->ChangePrinter(strName, [&](ShmPrinter* p) {
        FillSteps(p, steps, bLoop);
        return true;
    });
}

int Control::ScriptPosition(const std::string& strName) const
{
    int pos = -1;
    m_pImpl->Read([&](const ShmState* s) {
        int i = FindPrinterByAnyName(s, strName.c_str());
        if (i >= 0) pos = static_cast<int>(s->printers[i].stepIndex);
    });
    return pos;
}

int Control::RepliesServed(const std::string& strName) const
{
    int n = -1;
    m_pImpl->Read([&](const ShmState* s) {
        int i = FindPrinterByAnyName(s, strName.c_str());
        if (i >= 0) n = static_cast<int>(s->printers[i].readsServed);
    });
    return n;
}

bool Control::AddFault(const std::string& strName, const Fault& fault)
{
    if (strName.empty()) return m_pImpl->Change([&](ShmState* s) { return AddFaultTo(s->faults, fault); });
    return m_pImpl->ChangePrinter(strName, [&](ShmPrinter* p) { return AddFaultTo(p->faults, fault); });
}

bool Control::ClearFaults(const std::string& strName)
{
    if (strName.empty()) {
        return m_pImpl->Change([](ShmState* s) {
            std::memset(s->faults, 0, sizeof(s->faults));
            return true;
        });
    }
    return m_pImpl->ChangePrinter(strName, [](ShmPrinter* p) {
        std::memset(p->faults, 0, sizeof(p->faults));
        return true;
    });
}

void Control::SetInitializeResult(int32_t nResult)
{
    m_pImpl->Change([&](ShmState* s) {
        s->initResult = nResult;
        return true;
    });
}

void Control::SetReleaseResult(int32_t nResult)
{
    m_pImpl->Change([&](ShmState* s) {
        s->releaseResult = nResult;
        return true;
    });
}

void Control::SetRequireInitialize(bool bRequire)
{
    m_pImpl->Change([&](ShmState* s) {
        s->requireInit = bRequire ? 1 : 0;
        return true;
    });
}

int Control::OpenChannelCount(const std::string& strName) const
{
    int n = 0;
    m_pImpl->Read([&](const ShmState* s) {
        int only = strName.empty() ? -1 : FindPrinterByAnyName(s, strName.c_str());
        if (!strName.empty() && only < 0) return;
        for (const ShmHandle& h : s->handles) {
            if (h.inUse && (only < 0 || h.printer == static_cast<uint32_t>(only))) ++n;
        }
    });
    return n;
}

std::vector<CallRecord> Control::Calls(uint32_t nSince) const
{
    std::vector<CallRecord> out;
    m_pImpl->Read([&](const ShmState* s) {
        for (const ShmRecord& r : s->records) {
            if (r.seq == 0 || r.seq < nSince) continue;
            CallRecord c;
            c.nSeq = r.seq;
            c.entry = static_cast<Entry>(r.entry);
            c.nType = r.type;
            c.strName.assign(r.name, strnlen(r.name, sizeof(r.name)));
            c.hChannel = r.handle;
            c.dwChannelId = r.channelId;
            c.bBuffer = r.bufferGiven != 0;
            c.dwSizeIn = r.sizeIn;
            c.dwSizeOut = r.sizeOut;
            c.dwArg1 = r.arg1;
            c.dwArg2 = r.arg2;
            c.nResult = r.result;
            c.dwPid = r.pid;
            c.dwTid = r.tid;
            out.push_back(std::move(c));
        }
    });
    std::sort(out.begin(), out.end(), [](const CallRecord& a, const CallRecord& b) { return a.nSeq < b.nSeq; });
    return out;
}

uint32_t Control::NextSeq() const
{
    uint32_t n = 0;
    m_pImpl->Read([&](const ShmState* s) { n = s->recordNext; });
    return n;
}

void Control::ClearCalls()
{
    m_pImpl->Change([](ShmState* s) {
        std::memset(s->records, 0, sizeof(s->records));
        return true;
    });
}

int Control::CountCalls(Entry entry, uint32_t nSince) const
{
    int n = 0;
    for (const CallRecord& c : Calls(nSince)) n += c.entry == entry ? 1 : 0;
    return n;
}

}  // namespace kbsim
