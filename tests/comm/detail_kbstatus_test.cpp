// The status window's polling thread, reporting to a plain window.
#include "comm/detail_kbstatus.h"

#include "comm/comm_fixture.h"
#include "comm/receiver.h"
#include "config/notify_settings.h"
#include "config/regpaths.h"
#include "base/trace.h"
#include "base/unique_handle.h"
#include "harness/trace_log.h"

using commtest::Receiver;
using kbsim::Entry;

namespace {

class DetailKbStatusTest : public SimPrinterTest {
protected:
    void SetUp() override
    {
        SimPrinterTest::SetUp();
        // The printer's target key, where the thread reads and writes its state.
        int kind = 0;
        char path[260] = "";
        ASSERT_EQ(0, CheckTargetRegKey(commtest::kUsb, "USB001", kit::kModelId, &kind, path));
    }

    // A poller of the USB printer, polling every second.
    std::unique_ptr<CDetailKbStatus> MakePoller(const char* model = kit::kModelId)
    {
        auto p = std::make_unique<CDetailKbStatus>(1, commtest::kUsb, m_tolerance);
        p->Initialize(commtest::kUsb, "USB001", model, commtest::kUsb);
        p->SetIntervals(1, 1);
        return p;
    }

    static int Count(const Receiver& r, UINT msg, int result)
    {
        int n = 0;
        for (const auto& g : r.m_got) n += (g.msg == msg && g.result == result);
        return n;
    }

    ComErrTolerance m_tolerance;
};

}  // namespace

TEST(DeviceIdModel, TextAfterMdlUpToTheSemicolon)
{
    struct { const char* text; bool found; const char* model; } cases[] = {
        {"MFG:X;MDL:ABC-1;CMD:Y;", true, "ABC-1"},
        {"MDL:;", true, ""},
        {"MFG:X;MDL:ABC-1", false, ""},
        {"MFG:X;CMD:Y;", false, ""},
        {"MDL:A;MDL:B;", true, "A"},
        {"", false, ""},
    };
    for (const auto& c : cases) {
        std::string model;
        EXPECT_EQ(c.found, ModelFromDeviceId(c.text, strlen(c.text), &model)) << c.text;
        if (c.found) {
            EXPECT_EQ(c.model, model) << c.text;
        }
    }
    std::string model;
    EXPECT_FALSE(ModelFromDeviceId("MDL:AB;", 6, &model)) << "the semicolon lies past the length";
}

TEST_F(DetailKbStatusTest, InitializeBuildsTheMappingNameAndIsRefusedWhileRunning)
{
    CDetailKbStatus poller(1, commtest::kUsb, m_tolerance);
    EXPECT_EQ(1, poller.Initialize("A\\B", "", "M", "A\\B"));
    EXPECT_EQ("K_VTMS_A/B", poller.GetMapName());
    EXPECT_EQ(5, poller.GetNormalInterval());
    EXPECT_EQ(30, poller.GetNetworkInterval());
    poller.SetIntervals(0, 7);
    EXPECT_EQ(5, poller.GetNormalInterval());
    EXPECT_EQ(7, poller.GetNetworkInterval());

    Receiver window;
    ASSERT_EQ(1, poller.StartStatusThread(window.Handle()));
    EXPECT_EQ(0, poller.Initialize("C", "", "M", "C"));
    EXPECT_EQ("K_VTMS_A/B", poller.GetMapName());
    poller.EndStatusThread();
}

TEST_F(DetailKbStatusTest, ModelCheckAgainstTheDeviceId)
{
    m_sim.SetDeviceId(commtest::kUsb, "MFG:X;MDL:ABC-1;CMD:Y;");
    EXPECT_EQ(1, MakePoller("abc-1")->CheckModelIDFromKBAPI()) << "case is ignored";
    EXPECT_EQ(-2, MakePoller("ABC-2")->CheckModelIDFromKBAPI());
    m_sim.SetDeviceId(commtest::kUsb, "MFG:X;MDL:ABC-1");
    EXPECT_EQ(-1, MakePoller("ABC-1")->CheckModelIDFromKBAPI());
    m_sim.AddFault(commtest::kUsb, {Entry::GetDeviceID, -17, 1, 0, kbsim::Phase::SizeQuery});
    EXPECT_EQ(0, MakePoller("ABC-1")->CheckModelIDFromKBAPI()) << "busy: no verdict";
}

TEST_F(DetailKbStatusTest, PollsThePrinterAndStoresWhatItReads)
{
    m_sim.SetReply(commtest::kUsb, Reply("cover-open"));
    Receiver window;
    auto poller = MakePoller();
    ASSERT_EQ(1, poller->StartStatusThread(window.Handle()));
    ASSERT_TRUE(window.WaitFor(6000, 2));
    poller->EndStatusThread();
    EXPECT_EQ(static_cast<int>(window.m_got.size()), Count(window, WM_RESULT_KBSTATUS, 1));
    EXPECT_EQ(Reply("cover-open"), StoredStatus(commtest::kUsb));
    EXPECT_EQ(1, m_sim.CountCalls(Entry::GetDeviceID) > 0) << "the model is checked";
    poller->CloseChannel();
}

TEST_F(DetailKbStatusTest, WrongModelIsReportedEveryPass)
{
    Receiver window;
    auto poller = MakePoller("OTHER-1");
    ASSERT_EQ(1, poller->StartStatusThread(window.Handle()));
    ASSERT_TRUE(window.WaitFor(6000, 2));
    poller->EndStatusThread();
    EXPECT_EQ(static_cast<int>(window.m_got.size()), Count(window, WM_RESULT_KBDEVICEID, -2));
    EXPECT_EQ(0, m_sim.CountCalls(Entry::GetStatus)) << "no status is read meanwhile";
}

TEST_F(DetailKbStatusTest, MissingStatusChannelIsReported)
{
    m_sim.SetChannels(commtest::kUsb, {{0x10000003, 0, 0}});
    Receiver window;
    vm2test::TraceLog log;
    vm2test::TraceOn on;
    auto poller = MakePoller();
    ASSERT_EQ(1, poller->StartStatusThread(window.Handle()));
    ASSERT_TRUE(window.WaitFor(6000));
    poller->EndStatusThread();
    EXPECT_EQ(static_cast<UINT>(WM_RESULT_KBSTCHANNEL), window.m_got[0].msg);
    EXPECT_EQ(-1, window.m_got[0].result);
    poller.reset();
    EXPECT_EQ(2, log.Count("Enter CKbStatChannel::EndStatusThread")) << "ended by its window, then at its destruction";
}

TEST_F(DetailKbStatusTest, PrintJobSwitchesToTheRegistryAndBack)
{
    m_sim.SetReply(commtest::kUsb, Reply("printing"));
    Receiver window;
    auto poller = MakePoller();
    poller->SetIntervals(30, 30);  // only the print job makes it poll every second
    ASSERT_EQ(1, poller->StartStatusThread(window.Handle()));
    ASSERT_TRUE(window.WaitFor(5000, 1)) << "first pass reads the printer";
    int reads = m_sim.CountCalls(Entry::GetStatus);
    EXPECT_GT(reads, 0);

    // Another program of the suite holds this mapping while the job prints.
    SetComStatus(commtest::kUsb, "USB001", 1);
    HANDLE job = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 16,
                                    ("K_VTMS_" + std::string(commtest::kUsb)).c_str());
    ASSERT_NE(nullptr, job);
    // The 30-second rhythm only ends at its next pass; the test does not wait
    // for it: a fresh poller starts while the job is printing.
    poller->EndStatusThread();
    window.m_got.clear();
    poller = MakePoller();
    poller->SetIntervals(30, 30);
    reads = m_sim.CountCalls(Entry::GetStatus);
    ASSERT_EQ(1, poller->StartStatusThread(window.Handle()));
    // While printing, a pass reports only when the host's polling has stored
    // a fresh reply ("ComStatus" 1), and sets it back to 2.
    for (int pass = 0; pass < 3; ++pass) {
        SetComStatus(commtest::kUsb, "USB001", 1);
        size_t before = window.m_got.size();
        ASSERT_TRUE(window.WaitFor(2500, before + 1)) << "pass " << pass << ": one pass a second while printing";
        EXPECT_EQ(2u, StoredDword(commtest::kUsb, "ComStatus", 0));
    }
    EXPECT_TRUE(poller->IsPrinting());
    EXPECT_EQ(reads, m_sim.CountCalls(Entry::GetStatus)) << "the printer is left alone";
    EXPECT_EQ(static_cast<int>(window.m_got.size()), Count(window, WM_RESULT_KBSTATUS, 1));

    CloseHandle(job);
    window.m_got.clear();
    EXPECT_TRUE(window.WaitFor(4000, 1));
    poller->EndStatusThread();
    EXPECT_FALSE(poller->IsPrinting());
    EXPECT_GT(m_sim.CountCalls(Entry::GetStatus), reads) << "back to the printer";
    poller->CloseChannel();
}

TEST_F(DetailKbStatusTest, StoredCommunicationStateWhilePrinting)
{
    HANDLE job = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 16,
                                    ("K_VTMS_" + std::string(commtest::kUsb)).c_str());
    auto poller = MakePoller();
    struct { DWORD stored; int expected; } cases[] = {{0, -1}, {1, 1}, {3, -2}, {4, -3}, {5, -4}, {2, 0}, {9, 0}};
    for (const auto& c : cases) {
        SetComStatus(commtest::kUsb, "USB001", c.stored);
        EXPECT_EQ(c.expected, poller->CheckRegistry()) << c.stored;
    }
    CloseHandle(job);
    SetComStatus(commtest::kUsb, "USB001", 0);
    EXPECT_EQ(0, poller->CheckRegistry()) << "no print job: nothing to report";
}

TEST_F(DetailKbStatusTest, NetworkChannelPollsAtTheNetworkInterval)
{
    m_sim.SetReply(commtest::kNet, Reply("ready"));
    Receiver window;
    CDetailKbStatus poller(1, commtest::kNet, m_tolerance);
    poller.Initialize(commtest::kNet, "NET001:", kit::kModelId, commtest::kNet);
    poller.SetIntervals(1, 30);
    ASSERT_EQ(1, poller.StartStatusThread(window.Handle()));
    EXPECT_TRUE(window.WaitFor(1500, 1));
    EXPECT_FALSE(window.WaitFor(2500, 2)) << "the second pass waits for the network interval";
    poller.EndStatusThread();
    EXPECT_TRUE(poller.GetSelectedMode() & 0x8000);
    poller.CloseChannel();
}

namespace {

// A console user other than this process, whose hive is a key of the test's
// own under HKEY_USERS (as a service would see a logged-on user's profile).
std::string g_otherHive;

vm2::LogonFacts OtherUserLoggedOn(const TraceScope&)
{
    vm2::LogonFacts facts;
    facts.logon = {"vm2tk-console", "VM2TK"};
    facts.selfKnown = true;
    facts.self = {"SYSTEM", "NT AUTHORITY"};
    facts.profileListOpened = true;
    facts.profiles.push_back({g_otherHive, true, facts.logon});
    return facts;
}

}  // namespace

TEST_F(DetailKbStatusTest, WhilePrintingTheReplyIsReadUnderTheLogonUsersHive)
{
    g_otherHive = vm2test::UniqueName("S-1-5-21-vm2tk");
    vm2test::ScopedRegKey hive(HKEY_USERS, g_otherHive);
    vm2test::ScopedRegKey other(HKEY_USERS,
                                g_otherHive + "\\" + vm2::regpath::kTargetByPrinter + "\\P0000000000000000");
    ASSERT_TRUE(vm2test::RegKeyExists(HKEY_USERS, other.Path()));
    other.SetString("Name", commtest::kUsb);
    Registry own(HKEY_CURRENT_USER, TargetKey(commtest::kUsb).c_str(), FALSE, Registry::kAll);
    ASSERT_TRUE(own.IsOpen());
    vm2::UniqueHandle job(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 16,
                                             ("K_VTMS_" + std::string(commtest::kUsb)).c_str()));
    vm2::SetLogonFactsSource(OtherUserLoggedOn);
    struct Restore {
        ~Restore() { vm2::SetLogonFactsSource(nullptr); }
    } restore;
    // Only one of the two keys holds a reply: the answer tells which was read.
    const std::string reply = Reply("ready");
    for (bool inOthersHive : {true, false}) {
        SCOPED_TRACE(inOthersHive ? "reply in the logged-on user's hive" : "reply in this process's hive");
        other.SetBinary("Status", reply.data(), inOthersHive ? static_cast<DWORD>(reply.size()) : 0);
        own.SetBinary("Status", reply.data(), inOthersHive ? 0 : static_cast<DWORD>(reply.size()));
        other.SetDword("ComStatus", 1);  // a fresh reply is waiting
        Receiver window;
        auto poller = MakePoller();
        ASSERT_EQ(1, poller->StartStatusThread(window.Handle()));
        EXPECT_TRUE(window.WaitFor(5000, 1));
        poller->EndStatusThread();
        ASSERT_EQ(1u, window.m_got.size());
        EXPECT_EQ(static_cast<UINT>(WM_RESULT_KBSTATUS), window.m_got[0].msg);
        EXPECT_EQ(inOthersHive ? 1 : -1, window.m_got[0].result);
        poller->CloseChannel();
    }
}
