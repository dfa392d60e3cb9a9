// Run-time control of the simulated communication library (KBSIM.DLL) from a
// test, the demo or any other process: which printers exist, what they
// answer, which calls fail, and what the library was asked. See
// kit/README.md for the whole interface.
//
//     kbsim::Control sim;
//     sim.Open();                                     // this process's instance
//     sim.Reset();
//     sim.DefinePrinter(kbsim::StandardPrinter("KX-9100 Demo USB", "USB001",
//                                           kbsim::Connection::Usb));
//     sim.SetReply("KX-9100 Demo USB", kbsim::FindPreset("paper-out")->fields);
//     sim.AddFault("KX-9100 Demo USB", {kbsim::Entry::GetStatus, -5, 2});
//     ... the module polls ...
//     for (const kbsim::CallRecord& c : sim.Calls()) ...
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kbsim/kbsim_layout.h"
#include "kbsim/kbsim_reply.h"

namespace kbsim {

struct Channel {
    uint32_t dwId = 0;
    uint16_t wMode = 0;
    uint16_t wExtra = 0;
};

struct Fault {
    Entry entry = Entry::GetStatus;
    int32_t nCode = kErrCommunication;
    uint32_t nCount = 1;  // calls that fail; kForever never runs out
    uint32_t nSkip = 0;   // matching calls that pass first
    Phase phase = Phase::Any;
    static constexpr uint32_t kForever = 0xFFFFFFFFu;
};

struct ReplyStep {
    std::string bytes;     // delivered when nResult > 0
    uint32_t nRepeat = 1;  // uses before the script moves on; 0 = for ever
    int32_t nResult = 1;   // > 0 reply, 0 no reply, < 0 this error code
};

struct PrinterConfig {
    std::string strPrinterName;  // address for channel type 1
    std::string strPortName;     // address for channel type 0
    std::string strDeviceId;
    std::vector<Channel> channels;
    std::vector<ReplyStep> script;
    bool bLoop = false;       // start the script again after its last step
    bool bExclusive = false;  // a second open of an open channel answers -17
};

enum class Connection { Parallel, Usb, Network };

// Device ID of the kit's model: "MFG:KAVRO;CMD:KBDC;MDL:KX-9100;CLS:PRINTER;...".
std::string StandardDeviceId(const std::string& strModel = "KX-9100");
// A printer of the kit's model on a connection of that kind, answering
// "ready". Parallel: status/data channel 0x10010003. USB: status channel 4,
// data channel 0x10000003. Network: the same ids as USB with 0x10000005 as
// status channel, every mode carrying the network bit 0x8000.
PrinterConfig StandardPrinter(const std::string& strPrinterName, const std::string& strPortName,
                              Connection connection);

struct CallRecord {
    uint32_t nSeq = 0;
    Entry entry = Entry::Initialize;
    int32_t nType = -1;
    std::string strName;
    int32_t hChannel = 0;
    uint32_t dwChannelId = 0;
    bool bBuffer = false;
    uint32_t dwSizeIn = 0;
    uint32_t dwSizeOut = 0;
    uint32_t dwArg1 = 0;
    uint32_t dwArg2 = 0;
    int32_t nResult = 0;
    uint32_t dwPid = 0;
    uint32_t dwTid = 0;
};

// Tells this process (and the processes it starts) which instance to use;
// the library reads it on every call. Call it before the first call.
void SetProcessInstance(const std::string& strInstance);

class Control {
public:
    Control();
    ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    // Opens the instance, creating it when nobody holds it yet. Empty: the
    // instance of this process (KBSIM_INSTANCE, else "default"). The state
    // lives while any process (this one, the library's host) keeps it open.
    bool Open(const std::string& strInstance = std::string());
    bool IsOpen() const;
    const std::string& Instance() const;

    // Everything back to the start: no printers, no faults, no channels open,
    // empty call record, KBInitialize answering 0.
    bool Reset();

    // Adds the printer, or replaces the one with the same printer name (the
    // same port name when the printer name is empty). Its script restarts.
    // Not "SetPrinter": winspool.h makes that name a macro.
    bool DefinePrinter(const PrinterConfig& config);
    bool RemovePrinter(const std::string& strName);
    // strName: a printer name, or a port name when no printer has that name.
    bool SetDeviceId(const std::string& strName, const std::string& strDeviceId);
    bool SetChannels(const std::string& strName, const std::vector<Channel>& channels);
    // One reply for ever.
    bool SetReply(const std::string& strName, const std::string& bytes);
    bool SetReply(const std::string& strName, const StatusFields& fields);
    // A sequence of replies that advances per status read.
    bool SetScript(const std::string& strName, const std::vector<ReplyStep>& steps, bool bLoop = false);
    // Index of the current script step, -1 when the printer is unknown.
    int ScriptPosition(const std::string& strName) const;
    // Status replies delivered so far.
    int RepliesServed(const std::string& strName) const;

    // A fault for one printer, or for every call when strName is empty.
    bool AddFault(const std::string& strName, const Fault& fault);
    bool ClearFaults(const std::string& strName);
    void SetInitializeResult(int32_t nResult);
    void SetReleaseResult(int32_t nResult);
    // false: calls before KBInitialize are answered like any other.
    void SetRequireInitialize(bool bRequire);

    // Open channel handles (of one printer; every printer when empty).
    int OpenChannelCount(const std::string& strName = std::string()) const;

    // Call records with a sequence number of at least nSince, oldest first.
    // The record keeps the last 512 calls.
    std::vector<CallRecord> Calls(uint32_t nSince = 0) const;
    // The sequence number the next call will get; pass it to Calls() later to
    // see only what happened in between.
    uint32_t NextSeq() const;
    void ClearCalls();
    // How many recorded calls of that entry point (since nSince) there are.
    int CountCalls(Entry entry, uint32_t nSince = 0) const;

private:
    struct Impl;
    Impl* m_pImpl;
};

}  // namespace kbsim
