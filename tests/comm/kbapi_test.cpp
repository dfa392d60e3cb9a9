#include "comm/kbapi.h"

#include <gtest/gtest.h>
#include <winspool.h>

#include <atomic>
#include <thread>
#include <vector>

#include "base/text.h"
#include "base/unique_handle.h"
#include "comm/comm_fixture.h"
#include "comm/kbchannel.h"
#include "module/app.h"
#include "module/exports.h"

using kbsim::Entry;

namespace {

class KbApiTest : public SimPrinterTest {
protected:
    void TearDown() override
    {
        // Each test ends with no user left: the library must be gone.
        EXPECT_EQ(0u, CKbApiBase::Instance().m_dwRefCount);
    }

    static HMODULE Loaded(const char* dll) { return GetModuleHandleA(dll); }

    // The printer whose driver names the library.
    const char* m_printer = commtest::kUsb;
};

// The folder of the printer driver's data file, where the library must come from.
std::string DriverDataFolder(const char* printer)
{
    vm2::UniquePrinter h;
    DWORD needed = 0;
    if (!OpenPrinterA(const_cast<char*>(printer), h.put(), nullptr)) return "";
    GetPrinterDriverA(h.get(), nullptr, 6, nullptr, 0, &needed);
    std::vector<BYTE> buf(needed + 1);
    if (!GetPrinterDriverA(h.get(), nullptr, 6, buf.data(), needed, &needed)) return "";
    std::string folder = reinterpret_cast<DRIVER_INFO_6A*>(buf.data())->pDataFile;
    return folder.erase(folder.find_last_of('\\') + 1);
}

}  // namespace

TEST_F(KbApiTest, LoadsTheLibraryNamedByPrinterDataBesideTheDriverDataFile)
{
    ASSERT_EQ(nullptr, Loaded(kit::kSimDllName));
    {
        CKbApi api(m_printer);
        ASSERT_TRUE(api.IsEnable());
        char path[MAX_PATH] = "";
        GetModuleFileNameA(Loaded(kit::kSimDllName), path, MAX_PATH);
        std::string folder = DriverDataFolder(commtest::kUsb);
        ASSERT_FALSE(folder.empty());
        EXPECT_TRUE(vm2::EqualNoCase((folder + kit::kSimDllName).c_str(), path)) << path << " vs " << folder;
        EXPECT_EQ(1, m_sim.CountCalls(Entry::Initialize));

        CKbApi second(m_printer);  // only copies the entry points
        EXPECT_TRUE(second.IsEnable());
        EXPECT_EQ(1, m_sim.CountCalls(Entry::Initialize));
        EXPECT_EQ(2u, CKbApiBase::Instance().m_dwRefCount);
    }
    EXPECT_EQ(1, m_sim.CountCalls(Entry::Release)) << "released with the last user";
    EXPECT_EQ(nullptr, Loaded(kit::kSimDllName)) << "and unloaded";

    CKbApi again(m_printer);  // a full release is followed by a fresh load and start
    EXPECT_TRUE(again.IsEnable());
    EXPECT_EQ(2, m_sim.CountCalls(Entry::Initialize));
}

TEST_F(KbApiTest, PrinterWithoutUsableLibraryLeavesTheBindingOff)
{
    struct { const char* printer; const char* why; } cases[] = {
        {"No Such Printer Anywhere", "printer not in the spooler"},
        {commtest::kNoData, "no printer data"},
        {commtest::kLongData, "printer data longer than 260 bytes"},
        {commtest::kMissingLib, "library file missing"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        m_printer = c.printer;
        CKbApi api(m_printer);
        EXPECT_FALSE(api.IsEnable());
        EXPECT_EQ(nullptr, CKbApiBase::Instance().m_hLibrary);
        EXPECT_EQ(-1, api.KBGetAvailableChannel(1, c.printer)) << "no entry points to call";
    }
    EXPECT_EQ(nullptr, Loaded(kit::kSimDllName));
}

TEST_F(KbApiTest, ElevenOfTwelveEntryPointsLeaveTheBindingOff)
{
    m_printer = commtest::kNoSend;
    {
        CKbApi api(m_printer);
        EXPECT_FALSE(api.IsEnable());
        HMODULE lib = Loaded(kit::kSimDllNoSend);
        EXPECT_NE(nullptr, lib) << "the library stays loaded";
        CKbApi second(m_printer);  // binds again, without reloading
        EXPECT_FALSE(second.IsEnable());
        EXPECT_EQ(lib, Loaded(kit::kSimDllNoSend));
    }
    EXPECT_EQ(0, m_sim.CountCalls(Entry::Initialize)) << "never started";
    EXPECT_EQ(nullptr, Loaded(kit::kSimDllNoSend));
}

TEST_F(KbApiTest, PositiveInitializeResultIsKeptNegativeIsRetried)
{
    m_sim.SetInitializeResult(1);
    {
        CKbApi api(m_printer);
        EXPECT_FALSE(api.IsEnable());
        EXPECT_EQ(1, CKbApiBase::Instance().m_nInitResult);
        CKbApi second(m_printer);
        EXPECT_FALSE(second.IsEnable());
        EXPECT_EQ(1, m_sim.CountCalls(Entry::Initialize));
    }
    EXPECT_EQ(1, m_sim.CountCalls(Entry::Release)) << "released all the same";
    EXPECT_EQ(nullptr, Loaded(kit::kSimDllName));
    // A negative result is retried by the next user.
    m_sim.SetInitializeResult(-3);
    CKbApi api(m_printer);
    EXPECT_FALSE(api.IsEnable());
    m_sim.SetInitializeResult(0);
    CKbApi second(m_printer);
    EXPECT_TRUE(second.IsEnable());
    EXPECT_EQ(3, m_sim.CountCalls(Entry::Initialize));
}

TEST_F(KbApiTest, ChannelListIsCachedPerProcessAndAFailedQueryHoldsNone)
{
    {
        CKbApi api(m_printer);
        ASSERT_TRUE(api.IsEnable());
        int usb = api.KBGetAvailableChannel(1, commtest::kUsb);
        ASSERT_GT(usb, 0);
        EXPECT_EQ(2, m_sim.CountCalls(Entry::GetAvailableChannel)) << "size query, then the list";
        EXPECT_EQ(usb, api.KBGetAvailableChannel(1, commtest::kLpt)) << "the first name's list";
        EXPECT_EQ(2, m_sim.CountCalls(Entry::GetAvailableChannel));
        EXPECT_EQ(kb::kBadArgument, api.KBGetAvailableChannel(1, nullptr));
    }
    // size query answers 0 or fails, list read answers 0 or fails
    for (kbsim::Phase phase : {kbsim::Phase::SizeQuery, kbsim::Phase::DataRead}) {
        for (int result : {0, -5}) {
            m_sim.ClearFaults("");
            m_sim.AddFault(commtest::kUsb, {Entry::GetAvailableChannel, result, 1, 0, phase});
            CKbApi api(m_printer);
            ASSERT_TRUE(api.IsEnable());
            EXPECT_EQ(-1, api.KBGetAvailableChannel(1, commtest::kUsb)) << result;
            EXPECT_EQ(nullptr, CKbApiBase::Instance().m_pChannelList);
            EXPECT_EQ(-1, CKbApiBase::Instance().m_nChannelCount);
        }
    }
}

TEST_F(KbApiTest, SessionHoldKeepsTheLibraryBetweenCallsAndNeedsIt)
{
    auto start = [](DWORD owner, const char* printer) {
        return PrMonitoringStart(owner, printer, kit::kDriverName, "USB001", kit::kModelId, nullptr, nullptr);
    };
    ASSERT_EQ(0, start(7, commtest::kUsb));
    CMonitoringBuffer* buffer = GetApp()->m_pMonitorBuffer;
    ASSERT_NE(nullptr, buffer);
    ASSERT_EQ(0, start(9, commtest::kUsb));
    EXPECT_EQ(buffer, GetApp()->m_pMonitorBuffer) << "the first buffer stays";
    EXPECT_EQ(7u, buffer->m_dwOwner);
    EXPECT_EQ(2u, CKbApiBase::Instance().m_dwRefCount);

    EXPECT_EQ(0, PrMonitoringEnd());
    EXPECT_EQ(nullptr, GetApp()->m_pMonitorBuffer);
    EXPECT_EQ(1u, CKbApiBase::Instance().m_dwRefCount) << "one hold remains";
    EXPECT_NE(nullptr, Loaded(kit::kSimDllName));
    EXPECT_EQ(0, m_sim.CountCalls(Entry::Release));
    EXPECT_EQ(0, PrMonitoringEnd()) << "no session, library still there";
    EXPECT_EQ(1, m_sim.CountCalls(Entry::Release));
    EXPECT_EQ(nullptr, Loaded(kit::kSimDllName));

    // An invalid context still takes a hold, through the last valid printer.
    EXPECT_EQ(1, start(1, ""));
    EXPECT_EQ(nullptr, GetApp()->m_pMonitorBuffer);
    EXPECT_EQ(1u, CKbApiBase::Instance().m_dwRefCount);
    EXPECT_EQ(0, PrMonitoringEnd());
    EXPECT_EQ(1, start(1, commtest::kMissingLib)) << "no library, no session";
    EXPECT_EQ(nullptr, GetApp()->m_pMonitorBuffer);
    EXPECT_EQ(1, PrMonitoringEnd());
}

TEST_F(KbApiTest, ThreadsAndSessionsTogetherEndWithOneLoadAndOneRelease)
{
    {
        // The simulator keeps its last 512 calls: the run stays below that.
        CKbApi outer(m_printer);  // keeps the count above zero while the workers come and go
        ASSERT_TRUE(outer.IsEnable());
        std::atomic<int> failures{0};
        std::vector<std::thread> workers;
        for (int t = 0; t < 4; ++t) {
            workers.emplace_back([&] {
                for (int i = 0; i < 25; ++i) {
                    CKbStatChannel channel(1, commtest::kUsb);
                    if (channel.OpenStatusChannel() != 1 || channel.GetPrinterStatus() != 1) ++failures;
                    channel.CloseChannel();
                }
            });
        }
        for (int i = 0; i < 40; ++i) {
            if (PrMonitoringStart(1, commtest::kUsb, kit::kDriverName, "USB001", kit::kModelId, nullptr, nullptr) != 0)
                ++failures;
            if (PrMonitoringEnd() != 0) ++failures;
        }
        for (std::thread& w : workers) w.join();
        EXPECT_EQ(0, failures.load());
        EXPECT_EQ(1u, CKbApiBase::Instance().m_dwRefCount);
        EXPECT_EQ(0, m_sim.OpenChannelCount());
    }
    EXPECT_EQ(0u, CKbApiBase::Instance().m_dwRefCount);
    EXPECT_EQ(1, m_sim.CountCalls(Entry::Initialize));
    EXPECT_EQ(1, m_sim.CountCalls(Entry::Release));
    EXPECT_EQ(nullptr, Loaded(kit::kSimDllName));
}

// A session the host never ends is released when the host unloads the
// module, but not at process exit, when the library may already be gone.
TEST_F(KbApiTest, OpenSessionIsReleasedAtUnloadNotAtProcessExit)
{
    for (const char* mode : {"exit", "unload"}) {
        SCOPED_TRACE(mode);
        uint32_t since = m_sim.NextSeq();
        std::string cmd = "\"" + vm2test::BinDir() + "\\unload_host.exe\" \"" + vm2test::ModuleDllPath() + "\" \"" +
                          commtest::kUsb + "\" \"" + kit::kDriverName + "\" USB001 \"" + kit::kModelId + "\" " + mode;
        ASSERT_EQ(0u, vm2test::ChildProcess(cmd).Wait(30000)) << cmd;
        EXPECT_EQ(1, m_sim.CountCalls(Entry::Initialize, since));
        EXPECT_EQ(strcmp(mode, "unload") == 0 ? 1 : 0, m_sim.CountCalls(Entry::Release, since));
    }
}
