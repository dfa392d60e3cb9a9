#include "comm/kbapi.h"

#include <gtest/gtest.h>
#include <winspool.h>

#include <atomic>
#include <thread>
#include <vector>

#include "base/text.h"
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

std::string FolderOfDriverDataFile(const char* printer)
{
    HANDLE h = nullptr;
    if (!OpenPrinterA(const_cast<char*>(printer), &h, nullptr)) return "";
    DWORD needed = 0;
    GetPrinterDriverA(h, nullptr, 6, nullptr, 0, &needed);
    std::vector<BYTE> buf(needed);
    std::string folder;
    if (GetPrinterDriverA(h, nullptr, 6, buf.data(), needed, &needed)) {
        folder = reinterpret_cast<DRIVER_INFO_6A*>(buf.data())->pDataFile;
        folder.erase(folder.find_last_of('\\') + 1);
    }
    ClosePrinter(h);
    return folder;
}

std::string ModulePath(HMODULE h)
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(h, path, MAX_PATH);
    return path;
}

}  // namespace

TEST_F(KbApiTest, LoadsTheLibraryNamedByPrinterDataBesideTheDriverDataFile)
{
    ASSERT_EQ(nullptr, Loaded(kit::kSimDllName));
    {
        CKbApi api(m_printer);
        ASSERT_TRUE(api.IsEnable());
        HMODULE lib = Loaded(kit::kSimDllName);
        ASSERT_NE(nullptr, lib);
        std::string folder = FolderOfDriverDataFile(commtest::kUsb);
        ASSERT_FALSE(folder.empty());
        EXPECT_TRUE(vm2::EqualNoCase((folder + kit::kSimDllName).c_str(), ModulePath(lib).c_str()))
            << ModulePath(lib) << " vs " << folder;
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

TEST_F(KbApiTest, ChannelListIsCachedPerProcessNotPerName)
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

TEST_F(KbApiTest, FailedChannelQueryHoldsNoList)
{
    struct { kbsim::Fault fault; const char* why; } cases[] = {
        {{Entry::GetAvailableChannel, 0, 1, 0, kbsim::Phase::SizeQuery}, "size query answers 0"},
        {{Entry::GetAvailableChannel, -5, 1, 0, kbsim::Phase::SizeQuery}, "size query fails"},
        {{Entry::GetAvailableChannel, 0, 1, 0, kbsim::Phase::DataRead}, "list read answers 0"},
        {{Entry::GetAvailableChannel, -5, 1, 0, kbsim::Phase::DataRead}, "list read fails"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        m_sim.ClearFaults("");
        m_sim.AddFault(commtest::kUsb, c.fault);
        CKbApi api(m_printer);
        ASSERT_TRUE(api.IsEnable());
        EXPECT_EQ(-1, api.KBGetAvailableChannel(1, commtest::kUsb));
        EXPECT_EQ(nullptr, CKbApiBase::Instance().m_pChannelList);
        EXPECT_EQ(-1, CKbApiBase::Instance().m_nChannelCount);
    }
}

TEST_F(KbApiTest, SessionHoldKeepsTheLibraryBetweenCalls)
{
    const char* usb = commtest::kUsb;
    ASSERT_EQ(0, PrMonitoringStart(7, usb, kit::kDriverName, "USB001", kit::kModelId, nullptr, nullptr));
    CMonitoringBuffer* buffer = GetApp()->m_pMonitorBuffer;
    ASSERT_NE(nullptr, buffer);
    EXPECT_EQ(7u, buffer->m_dwOwner);
    ASSERT_EQ(0, PrMonitoringStart(9, usb, kit::kDriverName, "USB001", kit::kModelId, nullptr, nullptr));
    EXPECT_EQ(buffer, GetApp()->m_pMonitorBuffer) << "the first buffer stays";
    EXPECT_EQ(7u, buffer->m_dwOwner);
    EXPECT_EQ(2u, CKbApiBase::Instance().m_dwRefCount);
    EXPECT_NE(nullptr, Loaded(kit::kSimDllName));

    EXPECT_EQ(0, PrMonitoringEnd());
    EXPECT_EQ(nullptr, GetApp()->m_pMonitorBuffer);
    EXPECT_EQ(1u, CKbApiBase::Instance().m_dwRefCount) << "one hold remains";
    EXPECT_NE(nullptr, Loaded(kit::kSimDllName));
    EXPECT_EQ(0, m_sim.CountCalls(Entry::Release));

    EXPECT_EQ(0, PrMonitoringEnd()) << "no session, library still there";
    EXPECT_EQ(1, m_sim.CountCalls(Entry::Release));
    EXPECT_EQ(nullptr, Loaded(kit::kSimDllName));
}

TEST_F(KbApiTest, SessionStartWithInvalidContextStillTakesAHoldButNotWithoutTheLibrary)
{
    EXPECT_EQ(0, PrMonitoringStart(1, commtest::kUsb, kit::kDriverName, "USB001", kit::kModelId, nullptr, nullptr));
    EXPECT_EQ(0, PrMonitoringEnd());
    // The library is reached through the last valid printer of the context.
    EXPECT_EQ(1, PrMonitoringStart(1, "", kit::kDriverName, "USB001", kit::kModelId, nullptr, nullptr));
    EXPECT_EQ(nullptr, GetApp()->m_pMonitorBuffer);
    EXPECT_EQ(1u, CKbApiBase::Instance().m_dwRefCount);
    EXPECT_EQ(0, PrMonitoringEnd());
    EXPECT_EQ(1, PrMonitoringStart(1, commtest::kMissingLib, kit::kDriverName, "USB001", kit::kModelId, nullptr,
                                   nullptr)) << "no library, no session";
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
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi = {};
        ASSERT_TRUE(CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) << cmd;
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 30000));
        DWORD code = 99;
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        ASSERT_EQ(0u, code);
        EXPECT_EQ(1, m_sim.CountCalls(Entry::Initialize, since));
        EXPECT_EQ(strcmp(mode, "unload") == 0 ? 1 : 0, m_sim.CountCalls(Entry::Release, since));
    }
}
