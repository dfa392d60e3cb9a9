// KBSIM.DLL through its twelve entry points, steered by the control API and by
// kbsim_ctl.exe in a second process.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "harness/test_support.h"
#include "kbsim/kbsim_control.h"

using namespace kbsim;

namespace {

using FnInitialize = int(__cdecl*)(void);
using FnRelease = int(__cdecl*)(void);
using FnGetDeviceID = int(__cdecl*)(int, const char*, char*, DWORD*);
using FnGetAvailableChannel = int(__cdecl*)(int, const char*, void*, DWORD*);
using FnOpenChannel = int(__cdecl*)(int, const char*, DWORD);
using FnCloseChannel = int(__cdecl*)(int);
using FnSetOption = int(__cdecl*)(int, DWORD, DWORD);
using FnGetOption = int(__cdecl*)(int, DWORD, DWORD*);
using FnReceiveCancel = int(__cdecl*)(int);
using FnGetStatus = int(__cdecl*)(int, void*, DWORD*);
using FnReceive = int(__cdecl*)(int, void*, DWORD*, DWORD);
using FnSend = int(__cdecl*)(int, const void*, DWORD);

const char* const kEntryPoints[] = {"KBInitialize",   "KBRelease",      "KBGetDeviceID", "KBGetAvailableChannel",
                                    "KBOpenChannel",  "KBCloseChannel", "KBSetOption",   "KBGetOption",
                                    "KBReceiveCancel", "KBGetStatus",   "KBReceive",     "KBSend"};

const char kUsb[] = "Sim USB";
const char kUsbPort[] = "USB001";
const char kLpt[] = "Sim LPT";
const char kLptPort[] = "LPT1:";

std::string BinFolder() { return vm2test::BinDir() + "\\"; }

std::string Reply(const char* preset) { return BuildStatusReply(FindPreset(preset)->fields); }

// Runs kbsim_ctl.exe with the arguments; its standard output goes to *pOut.
DWORD RunCtl(const std::string& args, std::string* pOut = nullptr)
{
    std::string out;
    vm2test::ChildProcess ctl("\"" + BinFolder() + "kbsim_ctl.exe\" " + args, &out);
    DWORD code = ctl.Wait(30000);
    if (pOut != nullptr) *pOut = out;
    return code == 0xDEAD ? 0xFFFFFFFF : code;
}

class KbSim : public ::testing::Test {
protected:
    void SetUp() override
    {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_strInstance = std::string("t_") + info->name() + "_" + std::to_string(GetCurrentProcessId());
        SetProcessInstance(m_strInstance);
        ASSERT_TRUE(sim.Open());
        ASSERT_EQ(sim.Instance(), m_strInstance);
        ASSERT_TRUE(sim.Reset());
        ASSERT_TRUE(sim.DefinePrinter(StandardPrinter(kUsb, kUsbPort, Connection::Usb)));
        ASSERT_TRUE(sim.DefinePrinter(StandardPrinter(kLpt, kLptPort, Connection::Parallel)));

        m_hLib = LoadLibraryA((BinFolder() + "KBSIM.DLL").c_str());
        ASSERT_NE(m_hLib, nullptr) << "error " << GetLastError();
        Bind("KBInitialize", &Initialize);
        Bind("KBRelease", &Release);
        Bind("KBGetDeviceID", &GetDeviceID);
        Bind("KBGetAvailableChannel", &GetAvailableChannel);
        Bind("KBOpenChannel", &OpenChannel);
        Bind("KBCloseChannel", &CloseChannel);
        Bind("KBSetOption", &SetOption);
        Bind("KBGetOption", &GetOption);
        Bind("KBReceiveCancel", &ReceiveCancel);
        Bind("KBGetStatus", &GetStatus);
        Bind("KBReceive", &Receive);
        Bind("KBSend", &Send);
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_EQ(Initialize(), 0);
    }

    void TearDown() override
    {
        if (m_hLib != nullptr) {
            if (Release != nullptr) Release();
            FreeLibrary(m_hLib);
        }
    }

    template <typename T>
    void Bind(const char* name, T* p)
    {
        *p = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(m_hLib, name)));
        ASSERT_NE(*p, nullptr) << name;
    }

    int OpenStatus(const char* printer = kUsb) { return OpenChannel(1, printer, 4); }

    // One whole status read the way the module does it; "" when none.
    std::string ReadStatus(int h, int* pResult = nullptr)
    {
        DWORD size = 0;
        int r = GetStatus(h, nullptr, &size);
        if (r != kErrBufferTooSmall) {
            if (pResult != nullptr) *pResult = r;
            return std::string();
        }
        std::string buf(size, '\0');
        r = GetStatus(h, &buf[0], &size);
        if (pResult != nullptr) *pResult = r;
        return r > 0 ? buf.substr(0, size) : std::string();
    }

    Control sim;
    std::string m_strInstance;
    HMODULE m_hLib = nullptr;
    FnInitialize Initialize = nullptr;
    FnRelease Release = nullptr;
    FnGetDeviceID GetDeviceID = nullptr;
    FnGetAvailableChannel GetAvailableChannel = nullptr;
    FnOpenChannel OpenChannel = nullptr;
    FnCloseChannel CloseChannel = nullptr;
    FnSetOption SetOption = nullptr;
    FnGetOption GetOption = nullptr;
    FnReceiveCancel ReceiveCancel = nullptr;
    FnGetStatus GetStatus = nullptr;
    FnReceive Receive = nullptr;
    FnSend Send = nullptr;
};

}  // namespace

TEST_F(KbSim, DeviceIdTwoCallsAtNeededMinusOneNeededAndPlusOne)
{
    const std::string id = StandardDeviceId();
    const DWORD needed = static_cast<DWORD>(id.size() + 1);

    DWORD size = 0;
    EXPECT_EQ(GetDeviceID(1, kUsb, nullptr, &size), kErrBufferTooSmall);
    EXPECT_EQ(size, needed);

    std::vector<char> buf(needed + 8, '#');
    size = needed - 1;
    EXPECT_EQ(GetDeviceID(1, kUsb, buf.data(), &size), kErrBufferTooSmall);
    EXPECT_EQ(size, needed);
    EXPECT_EQ(buf[0], '#') << "a short buffer is left alone";

    size = needed;
    EXPECT_EQ(GetDeviceID(1, kUsb, buf.data(), &size), 0);
    EXPECT_EQ(size, needed);
    EXPECT_STREQ(buf.data(), id.c_str());

    std::fill(buf.begin(), buf.end(), '#');
    size = needed + 1;
    EXPECT_EQ(GetDeviceID(1, kUsb, buf.data(), &size), 0);
    EXPECT_EQ(size, needed) << "the size out is what was stored";
    EXPECT_EQ(buf[needed], '#');
}

TEST_F(KbSim, ChannelListTwoCallsGivesEightByteRecords)
{
    DWORD size = 0;
    EXPECT_EQ(GetAvailableChannel(1, kUsb, nullptr, &size), kErrBufferTooSmall);
    ASSERT_EQ(size, 16u);

    std::vector<unsigned char> buf(17, 0xCC);
    size = 15;
    EXPECT_EQ(GetAvailableChannel(1, kUsb, buf.data(), &size), kErrBufferTooSmall);
    EXPECT_EQ(size, 16u);
    EXPECT_EQ(buf[0], 0xCC);

    size = 16;
    EXPECT_EQ(GetAvailableChannel(1, kUsb, buf.data(), &size), 2);
    const unsigned char want[16] = {4, 0, 0, 0, 0x07, 0, 0, 0, 0x03, 0, 0, 0x10, 0x03, 0, 0, 0};
    EXPECT_EQ(std::memcmp(buf.data(), want, 16), 0);

    std::fill(buf.begin(), buf.end(), 0xCC);
    size = 17;
    EXPECT_EQ(GetAvailableChannel(1, kUsb, buf.data(), &size), 2);
    EXPECT_EQ(size, 16u);
    EXPECT_EQ(buf[16], 0xCC);

    // The network printer's modes carry bit 0x8000.
    ASSERT_TRUE(sim.DefinePrinter(StandardPrinter("Sim Net", "NET001:", Connection::Network)));
    size = 16;
    ASSERT_EQ(GetAvailableChannel(1, "Sim Net", buf.data(), &size), 2);
    uint32_t id = 0;
    uint16_t mode = 0;
    std::memcpy(&id, &buf[0], 4);
    std::memcpy(&mode, &buf[4], 2);
    EXPECT_EQ(id, 0x10000005u);
    EXPECT_EQ(mode, 0x8007);
}

TEST_F(KbSim, StatusTwoCallsAndTheSizeQueryUsesNoScriptStep)
{
    const std::string first = Reply("printing");
    ASSERT_TRUE(sim.SetScript(kUsb, {{first, 1, 1}, {Reply("paper-out"), 0, 1}}));
    int h = OpenStatus();
    ASSERT_GE(h, 1);
    const DWORD needed = static_cast<DWORD>(first.size());

    DWORD size = 0;
    EXPECT_EQ(GetStatus(h, nullptr, &size), kErrBufferTooSmall);
    EXPECT_EQ(size, needed);
    std::vector<char> buf(needed + 4, '#');
    size = needed - 1;
    EXPECT_EQ(GetStatus(h, buf.data(), &size), kErrBufferTooSmall);
    EXPECT_EQ(size, needed);
    EXPECT_EQ(sim.ScriptPosition(kUsb), 0) << "neither call has used the step";

    size = needed + 1;
    EXPECT_EQ(GetStatus(h, buf.data(), &size), static_cast<int>(needed));
    EXPECT_EQ(size, needed);
    EXPECT_EQ(std::string(buf.data(), needed), first);
    EXPECT_EQ(buf[needed], '#');
    EXPECT_EQ(sim.ScriptPosition(kUsb), 1);
    EXPECT_EQ(ReadStatus(h), Reply("paper-out"));
    EXPECT_EQ(sim.RepliesServed(kUsb), 2);
}

TEST_F(KbSim, PrintersAreAddressedByNameForType1AndByPortForType0)
{
    DWORD size = 0;
    EXPECT_EQ(GetDeviceID(1, kUsb, nullptr, &size), kErrBufferTooSmall);
    EXPECT_EQ(GetDeviceID(1, "sim usb", nullptr, &size), kErrBufferTooSmall) << "names ignore case";
    EXPECT_EQ(GetDeviceID(0, kUsbPort, nullptr, &size), kErrBufferTooSmall);
    EXPECT_EQ(GetDeviceID(1, kUsbPort, nullptr, &size), kErrCommunication);
    EXPECT_EQ(GetDeviceID(0, kUsb, nullptr, &size), kErrCommunication);
    EXPECT_EQ(GetDeviceID(1, "Nobody", nullptr, &size), kErrCommunication);
    EXPECT_GE(OpenChannel(0, kLptPort, 0x10010003), 1);

    EXPECT_EQ(GetDeviceID(2, kUsb, nullptr, &size), kErrBadArgument);
    EXPECT_EQ(GetDeviceID(1, nullptr, nullptr, &size), kErrBadArgument);
    EXPECT_EQ(GetDeviceID(1, kUsb, nullptr, nullptr), kErrBadArgument);
    EXPECT_EQ(GetAvailableChannel(1, kUsb, nullptr, nullptr), kErrBadArgument);
    EXPECT_EQ(OpenChannel(3, kUsb, 4), kErrBadArgument);
}

TEST_F(KbSim, ChannelHandles)
{
    EXPECT_EQ(OpenChannel(1, kUsb, 0x10010003), kErrBadArgument) << "not offered by a USB printer";
    int h1 = OpenStatus();
    int h2 = OpenChannel(1, kUsb, 0x10000003);
    ASSERT_GE(h1, 1);
    ASSERT_GE(h2, 1);
    EXPECT_NE(h1, h2);
    EXPECT_EQ(sim.OpenChannelCount(kUsb), 2);
    EXPECT_EQ(sim.OpenChannelCount(kLpt), 0);

    DWORD size = 0;
    EXPECT_EQ(GetStatus(h2, nullptr, &size), kErrBadArgument) << "the data channel has no status";
    EXPECT_EQ(GetStatus(h1, nullptr, nullptr), kErrBadArgument);
    EXPECT_EQ(CloseChannel(h1), 0);
    EXPECT_EQ(CloseChannel(h1), kErrBadArgument);
    EXPECT_EQ(GetStatus(h1, nullptr, &size), kErrBadArgument);
    EXPECT_EQ(ReceiveCancel(h1), kErrBadArgument);
    EXPECT_EQ(sim.OpenChannelCount(), 1);

    int h3 = OpenStatus();
    EXPECT_GT(h3, h2) << "handles are not reused";

    // An exclusive printer refuses a second open of the same channel.
    PrinterConfig c = StandardPrinter(kLpt, kLptPort, Connection::Parallel);
    c.bExclusive = true;
    ASSERT_TRUE(sim.DefinePrinter(c));
    int h4 = OpenChannel(1, kLpt, 0x10010003);
    ASSERT_GE(h4, 1);
    EXPECT_EQ(OpenChannel(0, kLptPort, 0x10010003), kErrBusy);
    EXPECT_EQ(CloseChannel(h4), 0);
    EXPECT_GE(OpenChannel(0, kLptPort, 0x10010003), 1);
}

TEST_F(KbSim, OptionsReceiveSendAndCancel)
{
    int h = OpenChannel(1, kUsb, 0x10000003);
    ASSERT_GE(h, 1);
    DWORD v = 0xDEAD;
    EXPECT_EQ(GetOption(h, 7, &v), 0);
    EXPECT_EQ(v, 0u);
    EXPECT_EQ(SetOption(h, 7, 1234), 0);
    EXPECT_EQ(GetOption(h, 7, &v), 0);
    EXPECT_EQ(v, 1234u);
    EXPECT_EQ(GetOption(h, 7, nullptr), kErrBadArgument);
    EXPECT_EQ(SetOption(h + 100, 7, 1), kErrBadArgument);

    char buf[16];
    DWORD size = sizeof(buf);
    EXPECT_EQ(Receive(h, buf, &size, 100), 0);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(Send(h, "\x1B@", 2), 2);
    EXPECT_EQ(Send(h, nullptr, 2), kErrBadArgument);
    EXPECT_EQ(ReceiveCancel(h), 0);
}

TEST_F(KbSim, CallsBeforeInitializeOrAfterReleaseAreRefused)
{
    ASSERT_EQ(Release(), 0);
    DWORD size = 0;
    EXPECT_EQ(GetDeviceID(1, kUsb, nullptr, &size), kErrNotInitialized);
    EXPECT_EQ(OpenStatus(), kErrNotInitialized);
    EXPECT_EQ(Release(), kErrNotInitialized);

    sim.SetRequireInitialize(false);
    EXPECT_EQ(GetDeviceID(1, kUsb, nullptr, &size), kErrBufferTooSmall);
    sim.SetRequireInitialize(true);

    // A KBInitialize that does not answer 0 leaves the library closed.
    sim.SetInitializeResult(1);
    EXPECT_EQ(Initialize(), 1);
    EXPECT_EQ(GetDeviceID(1, kUsb, nullptr, &size), kErrNotInitialized);
    sim.SetInitializeResult(0);
    EXPECT_EQ(Initialize(), 0);
    EXPECT_EQ(GetDeviceID(1, kUsb, nullptr, &size), kErrBufferTooSmall);
}

TEST_F(KbSim, FaultsFailTheirCountAfterSkippingAndOnlyInTheirPhase)
{
    int h = OpenStatus();
    ASSERT_GE(h, 1);
    ASSERT_TRUE(sim.AddFault(kUsb, {Entry::GetStatus, kErrCommunication, 2, 1, Phase::DataRead}));
    int r = 0;
    EXPECT_EQ(ReadStatus(h, &r), Reply("ready")) << "the first data read is skipped";
    EXPECT_EQ(ReadStatus(h, &r), "");
    EXPECT_EQ(r, kErrCommunication) << "size query passed, data read failed";
    EXPECT_EQ(ReadStatus(h, &r), "");
    EXPECT_EQ(r, kErrCommunication);
    EXPECT_EQ(ReadStatus(h, &r), Reply("ready"));
    EXPECT_EQ(sim.RepliesServed(kUsb), 2) << "failed reads deliver nothing";

    // A fault on one printer leaves the others alone; one for all hits both.
    ASSERT_TRUE(sim.AddFault(kUsb, {Entry::OpenChannel, kErrBusy, 1}));
    EXPECT_GE(OpenChannel(1, kLpt, 0x10010003), 1);
    EXPECT_EQ(OpenStatus(), kErrBusy);
    ASSERT_TRUE(sim.AddFault("", {Entry::OpenChannel, kErrCommunication, Fault::kForever}));
    EXPECT_EQ(OpenStatus(), kErrCommunication);
    EXPECT_EQ(OpenChannel(1, kLpt, 0x10010003), kErrCommunication);
    ASSERT_TRUE(sim.ClearFaults(""));
    EXPECT_GE(OpenStatus(), 1);
}

TEST_F(KbSim, AChannelQueryCanFailOrAnswerZero)
{
    ASSERT_TRUE(sim.AddFault(kUsb, {Entry::GetAvailableChannel, 0, 1, 0, Phase::SizeQuery}));
    DWORD size = 0x55;
    EXPECT_EQ(GetAvailableChannel(1, kUsb, nullptr, &size), 0);
    EXPECT_EQ(size, 0x55u) << "a fault leaves the outputs alone";
    ASSERT_TRUE(sim.AddFault(kUsb, {Entry::GetAvailableChannel, kErrCommunication, 1, 0, Phase::DataRead}));
    size = 0;
    EXPECT_EQ(GetAvailableChannel(1, kUsb, nullptr, &size), kErrBufferTooSmall);
    std::vector<unsigned char> buf(size);
    EXPECT_EQ(GetAvailableChannel(1, kUsb, buf.data(), &size), kErrCommunication);
    EXPECT_EQ(GetAvailableChannel(1, kUsb, buf.data(), &size), 2);

    // A printer without channels lists none.
    ASSERT_TRUE(sim.SetChannels(kUsb, {}));
    size = 0;
    EXPECT_EQ(GetAvailableChannel(1, kUsb, nullptr, &size), kErrBufferTooSmall);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(GetAvailableChannel(1, kUsb, buf.data(), &size), 0);
}

TEST_F(KbSim, ScriptedRepliesAdvancePerRead)
{
    ASSERT_TRUE(sim.SetScript(kUsb, {{Reply("ready"), 2, 1},
                                     {Reply("printing"), 1, 1},
                                     {"", 1, kErrBusy},
                                     {"", 1, 0},
                                     {Reply("paper-out"), 1, 1}}));
    int h = OpenStatus();
    ASSERT_GE(h, 1);
    int r = 0;
    EXPECT_EQ(ReadStatus(h), Reply("ready"));
    EXPECT_EQ(ReadStatus(h), Reply("ready"));
    EXPECT_EQ(ReadStatus(h), Reply("printing"));
    EXPECT_EQ(ReadStatus(h, &r), "");
    EXPECT_EQ(r, kErrBusy);
    EXPECT_EQ(ReadStatus(h, &r), "");
    EXPECT_EQ(r, 0) << "no reply";
    for (int i = 0; i < 3; ++i) EXPECT_EQ(ReadStatus(h), Reply("paper-out")) << "the last step stays";

    ASSERT_TRUE(sim.SetScript(kUsb, {{Reply("ready"), 1, 1}, {Reply("cover-open"), 1, 1}}, true));
    EXPECT_EQ(ReadStatus(h), Reply("ready"));
    EXPECT_EQ(ReadStatus(h), Reply("cover-open"));
    EXPECT_EQ(ReadStatus(h), Reply("ready")) << "looping";

    // Without a script the printer has nothing to say.
    ASSERT_TRUE(sim.SetScript(kUsb, {}));
    DWORD size = 0;
    EXPECT_EQ(GetStatus(h, nullptr, &size), 0);
}

TEST_F(KbSim, CallRecordShowsWhatWasCalledWithArgumentsAndResults)
{
    uint32_t mark = sim.NextSeq();
    DWORD size = 0;
    GetDeviceID(0, kUsbPort, nullptr, &size);
    int h = OpenStatus();
    std::string reply = ReadStatus(h);
    CloseChannel(h);

    std::vector<CallRecord> calls = sim.Calls(mark);
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[0].entry, Entry::GetDeviceID);
    EXPECT_EQ(calls[0].nType, 0);
    EXPECT_EQ(calls[0].strName, kUsbPort);
    EXPECT_FALSE(calls[0].bBuffer);
    EXPECT_EQ(calls[0].dwSizeOut, StandardDeviceId().size() + 1);
    EXPECT_EQ(calls[0].nResult, kErrBufferTooSmall);

    EXPECT_EQ(calls[1].entry, Entry::OpenChannel);
    EXPECT_EQ(calls[1].nType, 1);
    EXPECT_EQ(calls[1].dwChannelId, 4u);
    EXPECT_EQ(calls[1].nResult, h);

    EXPECT_EQ(calls[2].entry, Entry::GetStatus);
    EXPECT_FALSE(calls[2].bBuffer);
    EXPECT_EQ(calls[3].entry, Entry::GetStatus);
    EXPECT_TRUE(calls[3].bBuffer);
    EXPECT_EQ(calls[3].hChannel, h);
    EXPECT_EQ(calls[3].strName, kUsb) << "a handle call names the printer it reached";
    EXPECT_EQ(calls[3].dwChannelId, 4u);
    EXPECT_EQ(calls[3].nResult, static_cast<int>(reply.size()));

    EXPECT_EQ(calls[4].entry, Entry::CloseChannel);
    EXPECT_EQ(calls[4].dwPid, GetCurrentProcessId());
    for (size_t i = 1; i < calls.size(); ++i) EXPECT_EQ(calls[i].nSeq, calls[i - 1].nSeq + 1);
    EXPECT_EQ(sim.CountCalls(Entry::GetStatus, mark), 2);
}

TEST_F(KbSim, CallRecordKeepsTheLatestCallsWhenItWrapsAround)
{
    uint32_t mark = sim.NextSeq();
    DWORD size = 0;
    for (uint32_t i = 0; i < kRecordCapacity + 100; ++i) GetDeviceID(1, kUsb, nullptr, &size);
    std::vector<CallRecord> calls = sim.Calls(mark);
    ASSERT_EQ(calls.size(), kRecordCapacity);
    EXPECT_EQ(calls.back().nSeq, sim.NextSeq() - 1);
    EXPECT_EQ(calls.front().nSeq, calls.back().nSeq - kRecordCapacity + 1);

    sim.ClearCalls();
    EXPECT_TRUE(sim.Calls().empty());
    uint32_t next = sim.NextSeq();
    GetDeviceID(1, kUsb, nullptr, &size);
    ASSERT_EQ(sim.Calls().size(), 1u);
    EXPECT_EQ(sim.Calls()[0].nSeq, next) << "numbering goes on after clearing";
}

TEST_F(KbSim, APrinterRemovedWhileItsChannelIsOpenNoLongerAnswers)
{
    int h = OpenStatus();
    ASSERT_GE(h, 1);
    ASSERT_TRUE(sim.RemovePrinter(kUsb));
    DWORD size = 0;
    EXPECT_EQ(GetStatus(h, nullptr, &size), kErrCommunication);
    EXPECT_EQ(GetDeviceID(1, kUsb, nullptr, &size), kErrCommunication);
}

TEST_F(KbSim, ASecondProcessChangesThePrinterAndReadsTheCallRecord)
{
    int h = OpenStatus();
    ASSERT_GE(h, 1);
    EXPECT_EQ(ReadStatus(h), Reply("ready"));

    std::string inst = " --instance " + m_strInstance + " ";
    ASSERT_EQ(RunCtl(inst + "reply \"Sim USB\" cover-open --then fault \"Sim USB\" GetStatus -17 1 0 size"), 0u);
    int r = 0;
    EXPECT_EQ(ReadStatus(h, &r), "");
    EXPECT_EQ(r, kErrBusy);
    EXPECT_EQ(ReadStatus(h), Reply("cover-open"));

    ASSERT_EQ(RunCtl(inst + "printer \"Remote\" USB002 usb --then script Remote printing*2 hex:4042444320535420 "
                            "error:-5 --then deviceid Remote MDL:ZZ;"),
              0u);
    int h2 = OpenChannel(0, "USB002", 4);
    ASSERT_GE(h2, 1);
    EXPECT_EQ(ReadStatus(h2), Reply("printing"));
    EXPECT_EQ(ReadStatus(h2), Reply("printing"));
    EXPECT_EQ(ReadStatus(h2), "@BDC ST ");
    EXPECT_EQ(ReadStatus(h2, &r), "");
    EXPECT_EQ(r, kErrCommunication);
    char id[32] = "";
    DWORD size = sizeof(id);
    EXPECT_EQ(GetDeviceID(1, "Remote", id, &size), 0);
    EXPECT_STREQ(id, "MDL:ZZ;");

    // The other process sees this process's calls.
    std::string out;
    ASSERT_EQ(RunCtl(inst + "calls", &out), 0u);
    EXPECT_NE(out.find("KBGetDeviceID type=1 name=\"Remote\""), std::string::npos) << out;
    EXPECT_NE(out.find("pid=" + std::to_string(GetCurrentProcessId())), std::string::npos);

    // And a bad command changes nothing.
    EXPECT_NE(RunCtl(inst + "fault \"Sim USB\" KBPrint -5"), 0u);
    EXPECT_EQ(ReadStatus(h), Reply("cover-open"));
}

TEST_F(KbSim, InstancesAreSeparate)
{
    Control other;
    ASSERT_TRUE(other.Open(m_strInstance + "_other"));
    other.Reset();
    EXPECT_EQ(other.OpenChannelCount(), 0);
    DWORD size = 0;
    GetDeviceID(1, kUsb, nullptr, &size);
    EXPECT_TRUE(other.Calls().empty());
    EXPECT_FALSE(sim.Calls().empty());
}

TEST(KbSimVariants, EachVariantLacksExactlyItsEntryPoint)
{
    struct {
        const char* file;
        const char* missing;
    } variants[] = {{"KBSIM.DLL", nullptr}, {"KBSIM_NOSEND.DLL", "KBSend"}, {"KBSIM_NOSTATUS.DLL", "KBGetStatus"}};
    for (const auto& v : variants) {
        SCOPED_TRACE(v.file);
        HMODULE h = LoadLibraryA((BinFolder() + v.file).c_str());
        ASSERT_NE(h, nullptr);
        for (const char* name : kEntryPoints) {
            bool present = GetProcAddress(h, name) != nullptr;
            bool wanted = v.missing == nullptr || std::strcmp(name, v.missing) != 0;
            EXPECT_EQ(present, wanted) << name;
        }
        FreeLibrary(h);
    }
}
