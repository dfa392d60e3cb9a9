// KBSIM.DLL through its entry points, steered by the control API: what the
// module's tests rely on (two-call reads, scripted replies, faults, open
// channel count, call record) must be what the simulator really does.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "harness/test_support.h"
#include "kbsim/kbsim_control.h"

using namespace kbsim;

namespace {

using FnNoArg = int(__cdecl*)(void);
using FnGetDeviceID = int(__cdecl*)(int, const char*, char*, DWORD*);
using FnOpenChannel = int(__cdecl*)(int, const char*, DWORD);
using FnCloseChannel = int(__cdecl*)(int);
using FnGetStatus = int(__cdecl*)(int, void*, DWORD*);

const char kUsb[] = "Sim USB";
const char kLpt[] = "Sim LPT";

std::string BinFolder() { return vm2test::BinDir() + "\\"; }
std::string Reply(const char* preset) { return BuildStatusReply(FindPreset(preset)->fields); }

class KbSim : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetProcessInstance(std::string("t_") + ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                           "_" + std::to_string(GetCurrentProcessId()));
        ASSERT_TRUE(sim.Open());
        ASSERT_TRUE(sim.Reset());
        ASSERT_TRUE(sim.DefinePrinter(StandardPrinter(kUsb, "USB001", Connection::Usb)));
        ASSERT_TRUE(sim.DefinePrinter(StandardPrinter(kLpt, "LPT1:", Connection::Parallel)));
        m_hLib = LoadLibraryA((BinFolder() + "KBSIM.DLL").c_str());
        ASSERT_NE(m_hLib, nullptr) << "error " << GetLastError();
        Bind("KBInitialize", &Initialize);
        Bind("KBRelease", &Release);
        Bind("KBGetDeviceID", &GetDeviceID);
        Bind("KBOpenChannel", &OpenChannel);
        Bind("KBCloseChannel", &CloseChannel);
        Bind("KBGetStatus", &GetStatus);
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_EQ(Initialize(), 0);
    }

    void TearDown() override
    {
        if (m_hLib == nullptr) return;
        if (Release != nullptr) Release();
        FreeLibrary(m_hLib);
    }

    template <typename T>
    void Bind(const char* name, T* p)
    {
        *p = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(m_hLib, name)));
        ASSERT_NE(*p, nullptr) << name;
    }

    // One whole status read the way the module does it: the reply, or "" and
    // the result in *pResult.
    std::string ReadStatus(int h, int* pResult)
    {
        DWORD size = 0;
        *pResult = GetStatus(h, nullptr, &size);
        if (*pResult != kErrBufferTooSmall) return std::string();
        std::string buf(size + 1, '#');
        *pResult = GetStatus(h, &buf[0], &size);
        return *pResult > 0 ? buf.substr(0, size) : std::string();
    }

    Control sim;
    HMODULE m_hLib = nullptr;
    FnNoArg Initialize = nullptr;
    FnNoArg Release = nullptr;
    FnGetDeviceID GetDeviceID = nullptr;
    FnOpenChannel OpenChannel = nullptr;
    FnCloseChannel CloseChannel = nullptr;
    FnGetStatus GetStatus = nullptr;
};

}  // namespace

// Each row sets the printer up, then reads status through a fresh channel:
// a reply is expected where the row names one, otherwise the result code.
TEST_F(KbSim, RepliesAndFaultsAsTheModuleSeesThem)
{
    struct Read {
        const char* preset;  // nullptr: no reply, the result is `code`
        int code;
    };
    const Read ready{"ready", 0}, printing{"printing", 0}, paperOut{"paper-out", 0}, coverOpen{"cover-open", 0};
    const Read comm{nullptr, kErrCommunication}, busy{nullptr, kErrBusy}, none{nullptr, 0};
    struct Row {
        const char* what;
        std::function<bool(Control&)> setup;
        std::vector<Read> reads;
    } rows[] = {
        {"steps advance by repeat, errors and silence are steps, the last sticks",
         [](Control& c) {
             return c.SetScript(kUsb, {{Reply("ready"), 2, 1}, {Reply("printing"), 1, 1}, {"", 1, kErrBusy},
                                       {"", 1, 0}, {Reply("paper-out"), 1, 1}});
         },
         {ready, ready, printing, busy, none, paperOut, paperOut}},
        {"a looping script starts again",
         [](Control& c) { return c.SetScript(kUsb, {{Reply("ready"), 1, 1}, {Reply("cover-open"), 1, 1}}, true); },
         {ready, coverOpen, ready}},
        {"without a script there is nothing to say", [](Control& c) { return c.SetScript(kUsb, {}); }, {none}},
        {"a data-read fault skips, fails its count, then passes",
         [](Control& c) { return c.AddFault(kUsb, {Entry::GetStatus, kErrCommunication, 2, 1, Phase::DataRead}); },
         {ready, comm, comm, ready}},
        {"a size-query fault", [](Control& c) { return c.AddFault(kUsb, {Entry::GetStatus, kErrBusy, 1, 0, Phase::SizeQuery}); },
         {busy, ready}},
        {"a fault for another printer", [](Control& c) { return c.AddFault(kLpt, {Entry::GetStatus, kErrBusy, 1}); },
         {ready}},
        {"a fault for every printer",
         [](Control& c) { return c.AddFault("", {Entry::GetStatus, kErrBusy, Fault::kForever}); }, {busy, busy}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_TRUE(sim.Reset());
        ASSERT_TRUE(sim.DefinePrinter(StandardPrinter(kUsb, "USB001", Connection::Usb)));
        ASSERT_TRUE(sim.DefinePrinter(StandardPrinter(kLpt, "LPT1:", Connection::Parallel)));
        ASSERT_TRUE(row.setup(sim));
        uint32_t mark = sim.NextSeq();
        int h = OpenChannel(1, kUsb, 4);
        ASSERT_GE(h, 1);
        EXPECT_EQ(sim.OpenChannelCount(kUsb), 1);
        for (size_t i = 0; i < row.reads.size(); ++i) {
            SCOPED_TRACE(i);
            int r = 0;
            std::string got = ReadStatus(h, &r);
            if (row.reads[i].preset != nullptr) {
                EXPECT_EQ(got, Reply(row.reads[i].preset));
                EXPECT_EQ(r, static_cast<int>(got.size()));
            } else {
                EXPECT_EQ(got, "");
                EXPECT_EQ(r, row.reads[i].code);
            }
        }
        EXPECT_GE(sim.CountCalls(Entry::GetStatus, mark), static_cast<int>(row.reads.size()));
        EXPECT_EQ(CloseChannel(h), 0);
        EXPECT_EQ(sim.OpenChannelCount(), 0);
    }
}

// The size query neither uses a script step nor touches the buffer; a short
// buffer is refused with the size needed.
TEST_F(KbSim, TwoCallReadsAndNamesAndPorts)
{
    ASSERT_TRUE(sim.SetScript(kUsb, {{Reply("printing"), 1, 1}, {Reply("paper-out"), 0, 1}}));
    int h = OpenChannel(0, "USB001", 4);
    ASSERT_GE(h, 1);
    const DWORD needed = static_cast<DWORD>(Reply("printing").size());
    std::vector<char> buf(needed + 1, '#');
    DWORD size = needed - 1;
    EXPECT_EQ(GetStatus(h, buf.data(), &size), kErrBufferTooSmall);
    EXPECT_EQ(size, needed);
    EXPECT_EQ(buf[0], '#');
    EXPECT_EQ(sim.ScriptPosition(kUsb), 0);
    size = needed + 1;
    EXPECT_EQ(GetStatus(h, buf.data(), &size), static_cast<int>(needed));
    EXPECT_EQ(std::string(buf.data(), needed), Reply("printing"));
    EXPECT_EQ(buf[needed], '#');

    const std::string id = StandardDeviceId();
    size = 0;
    EXPECT_EQ(GetDeviceID(1, "sim usb", nullptr, &size), kErrBufferTooSmall) << "names ignore case";
    EXPECT_EQ(size, id.size() + 1);
    EXPECT_EQ(GetDeviceID(1, "USB001", nullptr, &size), kErrCommunication) << "type 1 is addressed by name";
    EXPECT_EQ(GetDeviceID(0, kUsb, nullptr, &size), kErrCommunication) << "type 0 by port";
    ASSERT_EQ(Release(), 0);
    EXPECT_EQ(GetDeviceID(1, kUsb, nullptr, &size), kErrNotInitialized);
}

TEST(KbSimVariants, EachVariantLacksExactlyItsEntryPoint)
{
    const char* const entries[] = {"KBInitialize",   "KBRelease",      "KBGetDeviceID", "KBGetAvailableChannel",
                                   "KBOpenChannel",  "KBCloseChannel", "KBSetOption",   "KBGetOption",
                                   "KBReceiveCancel", "KBGetStatus",   "KBReceive",     "KBSend"};
    struct {
        const char* file;
        const char* missing;
    } variants[] = {{"KBSIM.DLL", ""}, {"KBSIM_NOSEND.DLL", "KBSend"}, {"KBSIM_NOSTATUS.DLL", "KBGetStatus"}};
    for (const auto& v : variants) {
        SCOPED_TRACE(v.file);
        HMODULE h = LoadLibraryA((BinFolder() + v.file).c_str());
        ASSERT_NE(h, nullptr);
        for (const char* name : entries)
            EXPECT_EQ(GetProcAddress(h, name) != nullptr, std::strcmp(name, v.missing) != 0) << name;
        FreeLibrary(h);
    }
}
