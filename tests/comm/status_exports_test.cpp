// The host's polling exports against the kit's printers.
#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "comm/comm_fixture.h"
#include "comm/detail_kbstatus.h"
#include "comm/receiver.h"
#include "config/notify_settings.h"
#include "config/paths.h"
#include "harness/trace_log.h"
#include "module/app.h"
#include "module/exports.h"

using kbsim::Entry;
using kbsim::Phase;

namespace {

struct Poll {
    int result = 0, popup = -7, sound = -7, printing = -7, real = -7, simple = -7;
};

Poll GetStatus(int enableErr = 0)
{
    Poll p;
    p.result = PrGetStatus(enableErr, &p.popup, &p.sound, &p.printing, &p.real, &p.simple);
    return p;
}

class StatusExports : public SimPrinterTest {
protected:
    void TearDown() override
    {
        PrMonitoringEnd();  // answers 1 when the test ended its session itself
        EXPECT_EQ(0u, CKbApiBase::Instance().m_dwRefCount);
    }

    void Start(const char* printer, const char* port)
    {
        ASSERT_EQ(0, PrMonitoringStart(1, printer, kit::kDriverName, port, kit::kModelId, nullptr, nullptr));
        DWORD status = 0, data = 0;
        ASSERT_EQ(0, PrGetChannel(&status, &data));
    }
};

}  // namespace

// One poll after a good one, per reply or library failure: every output, the
// stored reply and "ComStatus". Failures before a status is made reset four
// outputs and leave the simple number; real communication errors are status
// 21 (simple 11) with "ComStatus" 0 and the last good reply kept.
TEST_F(StatusExports, OnePollPerReplyOrFailure)
{
    const kbsim::StatePreset& printing = *kbsim::FindPreset("printing");
    const kbsim::StatePreset& paperOut = *kbsim::FindPreset("paper-out");
    kbsim::StatusFields comError;
    comError.nST = 0x07;  // no pattern but the communication-error one matches
    const std::string ready = Reply("ready");
    const int kUntouched = -7, kAnyFlag = -1;
    struct {
        const char* what;
        std::string reply;
        std::vector<kbsim::Fault> faults;
        int result, real, simple, printing, flags;  // flags: pop-up and sound
        std::string stored;
        DWORD comStatus;
    } rows[] = {
        {"printing", Reply("printing"), {}, 1, printing.nRealStatus, printing.nSimpleStatus, 2, kAnyFlag, Reply("printing"), 1},
        {"paper out", Reply("paper-out"), {}, 1, paperOut.nRealStatus, paperOut.nSimpleStatus, 1, kAnyFlag, Reply("paper-out"), 1},
        {"no status", ready, {{Entry::GetStatus, 0, 1, 0, Phase::SizeQuery}}, 0, 0, kUntouched, 0, 0, ready, 1},
        {"busy at the size query", ready, {{Entry::GetStatus, -17, 1, 0, Phase::SizeQuery}}, -1, 0, kUntouched, 0, 0, ready, 1},
        {"busy at the read", ready, {{Entry::GetStatus, -17, 1, 0, Phase::DataRead}}, -1, 0, kUntouched, 0, 0, ready, 1},
        {"USB reports the first failure", ready, {{Entry::GetStatus, -5, 1, 0, Phase::DataRead}}, 1, 0, 11, 0, kAnyFlag, ready, 0},
        // Regression: an empty reply (size 0 announced, then success) was
        // delivered as a status; it cannot be parsed.
        {"empty reply", ready, {{Entry::GetStatus, -4, 1, 0, Phase::Any}, {Entry::GetStatus, 1, 1, 0, Phase::Any}}, 1, 0, 11, 0, kAnyFlag, ready, 0},
        {"reply meaning a communication error", kbsim::BuildStatusReply(comError), {}, 1, 0, 11, 0, kAnyFlag, ready, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        m_sim.SetReply(commtest::kUsb, ready);
        Start(commtest::kUsb, "USB001");
        vm2test::TraceLog log;
        {
            vm2test::TraceOn on;
            ASSERT_EQ(1, GetStatus().result);
        }
        // Each of its four target key lookups (reply, state, sound, buzzer) traces the hive decision.
        EXPECT_EQ(4, log.Count("GetCurrentTargetPrnKey()"));
        EXPECT_EQ(4, log.Count("same logon user"));
        EXPECT_EQ(GetApp()->m_pMonitorBuffer->m_dwStatusChannelNo, StoredDword(commtest::kUsb, "Channel", 0));
        m_sim.SetReply(commtest::kUsb, row.reply);
        for (const kbsim::Fault& f : row.faults) m_sim.AddFault(commtest::kUsb, f);
        Poll p = GetStatus();
        EXPECT_EQ(row.result, p.result);
        EXPECT_EQ(row.real, p.real);
        EXPECT_EQ(row.simple, p.simple);
        EXPECT_EQ(row.printing, p.printing);
        if (row.flags != kAnyFlag) {
            EXPECT_EQ(row.flags, p.popup);
            EXPECT_EQ(row.flags, p.sound);
        }
        EXPECT_EQ(row.stored, StoredStatus(commtest::kUsb));
        EXPECT_EQ(row.comStatus, StoredDword(commtest::kUsb, "ComStatus", 9));
        EXPECT_EQ(0, PrMonitoringEnd());
        m_sim.ClearFaults("");
    }
}

TEST_F(StatusExports, ParallelPortToleratesComErrDisableNumFailures)
{
    for (int enable : {0, 1}) {
        SCOPED_TRACE(enable);
        m_sim.SetReply(commtest::kLpt, Reply("ready"));
        Start(commtest::kLpt, "LPT1:");
        ASSERT_EQ(3u, GetApp()->m_ComErr.Limit());
        ASSERT_EQ(1, GetStatus().result);
        m_sim.AddFault(commtest::kLpt, {Entry::GetStatus, -5, 4, 0, Phase::Any});
        for (int i = 0; i < 3; ++i) EXPECT_EQ(-1, GetStatus(enable).result) << "transient #" << i + 1;
        Poll p = GetStatus(enable);
        EXPECT_EQ(1, p.result);
        EXPECT_EQ(0, p.real);
        EXPECT_EQ(enable ? 14 : 11, p.simple);
        EXPECT_EQ(enable ? 4u : 0u, StoredDword(commtest::kLpt, "ComStatus", 9));

        // A good read ends the run: the next failure is tolerated again.
        EXPECT_EQ(1, GetStatus(enable).result);
        EXPECT_EQ(0u, GetApp()->m_ComErr.Count());
        PrMonitoringEnd();
    }
}

TEST_F(StatusExports, ClosedStatusChannelUsesTheStoredCommunicationState)
{
    Start(commtest::kUsb, "USB001");
    SetComStatus(commtest::kUsb, "USB001", 3);
    GetApp()->m_pMonitorBuffer->m_hStatusChannel = 0;
    Poll p = GetStatus();
    EXPECT_EQ(1, p.result);
    EXPECT_EQ(12, p.simple) << "status 16 of a kind-1 channel";

    GetApp()->m_pMonitorBuffer->m_dwStatusChannelNo = 0;
    p = GetStatus();
    EXPECT_EQ(11, p.simple) << "kind 0 has no status 16: its fallback entry";
    EXPECT_EQ(3u, StoredDword(commtest::kUsb, "ComStatus", 9)) << "nothing written";
}

// Without a session (LoadedModule.StatusWithoutSessionDeliversNothing and
// PrinterDataNeedsASession) or with an invalid context, nothing is delivered.
TEST_F(StatusExports, PrinterDataWordBelongsToTheSessionAndAnInvalidContextGetsNothing)
{
    Start(commtest::kUsb, "USB001");
    DWORD inOut = 5, data = 9;
    EXPECT_EQ(0, PrSendPrinterData(1, &inOut, &data));
    EXPECT_EQ(5u, inOut);
    EXPECT_EQ(0u, data);
    GetApp()->m_pMonitorBuffer->m_pPrinterData = 0x1234;
    EXPECT_EQ(0, PrGetPrinterData(1, &inOut, &data));
    EXPECT_EQ(0x1234u, data);
    EXPECT_EQ(0, PrReleasePrinterData(nullptr));
    EXPECT_EQ(0u, GetApp()->m_pMonitorBuffer->m_pPrinterData);

    EXPECT_EQ(1, PrReleaseRegistry("", "", "", ""));  // the context is now invalid
    Poll p = GetStatus();
    EXPECT_EQ(1, p.result);
    for (int v : {p.real, p.popup, p.sound, p.printing, p.simple}) EXPECT_EQ(-7, v) << "outputs untouched";
    EXPECT_EQ(1, PrGetChannel(nullptr, nullptr));
    EXPECT_EQ(0, PrMonitoringEnd());
    inOut = data = 77;
    EXPECT_EQ(1, PrSendPrinterData(1, &inOut, &data));
    EXPECT_EQ(77u, inOut);
    EXPECT_EQ(77u, data);
    EXPECT_EQ(1, PrGetStatus(0, nullptr, nullptr, nullptr, nullptr, nullptr));
}

TEST_F(StatusExports, ChannelsAndTheirFailures)
{
    ASSERT_EQ(0, PrMonitoringStart(1, commtest::kUsb, kit::kDriverName, "USB001", kit::kModelId, nullptr, nullptr));
    DWORD status = 1, data = 1;
    EXPECT_EQ(0, PrGetChannel(&status, &data));
    EXPECT_EQ(4u, status);
    EXPECT_EQ(4u, data) << "channel 4 is also the first data candidate offered";
    EXPECT_EQ(0, PrGetChannel(&status, &data));  // the host asks again
    EXPECT_EQ(2, m_sim.OpenChannelCount(commtest::kUsb)) << "earlier channels closed";
    EXPECT_EQ(0, PrMonitoringEnd());
    EXPECT_EQ(0, m_sim.OpenChannelCount()) << "the session's end closes its channels";

    // Only a status channel: found, but nothing is opened or recorded.
    m_sim.SetChannels(commtest::kUsb, {{0x10000005, 0x0004, 0}});
    ASSERT_EQ(0, PrMonitoringStart(1, commtest::kUsb, kit::kDriverName, "USB001", kit::kModelId, nullptr, nullptr));
    EXPECT_EQ(1, PrGetChannel(&status, &data));
    EXPECT_EQ(0x10000005u, status);
    EXPECT_EQ(0u, data);
    EXPECT_EQ(0u, GetApp()->m_pMonitorBuffer->m_dwStatusChannelNo);
    EXPECT_EQ(0, m_sim.OpenChannelCount());

    // No channel list at all: the first candidates are taken as they are.
    m_sim.AddFault("", {Entry::GetAvailableChannel, -5, kbsim::Fault::kForever, 0, Phase::Any});
    PrMonitoringEnd();
    ASSERT_EQ(0, PrMonitoringStart(1, commtest::kUsb, kit::kDriverName, "USB001", kit::kModelId, nullptr, nullptr));
    m_sim.SetChannels(commtest::kUsb, {{4, 0x0004, 0}, {0x10010003, 0, 0}});
    EXPECT_EQ(0, PrGetChannel(&status, &data));
    EXPECT_EQ(4u, status);
    EXPECT_EQ(0x10010003u, data);
}

TEST_F(StatusExports, DeviceIdUsesTheTwoCallPattern)
{
    char buf[256];
    DWORD size = 0;
    EXPECT_EQ(1, PrGetDeviceID(buf, &size)) << "no session";
    Start(commtest::kUsb, "USB001");
    const std::string id = kbsim::StandardDeviceId();
    const DWORD need = static_cast<DWORD>(id.size() + 1);

    // A size query, a buffer one byte short (cleared), exact and one more.
    for (DWORD cap : {DWORD(0), need - 1, need, need + 1}) {
        size = cap;
        memset(buf, 'x', sizeof(buf));
        int r = PrGetDeviceID(cap ? buf : nullptr, &size);
        EXPECT_EQ(cap < need ? 1 : 0, r) << cap;
        if (cap < need) {
            EXPECT_EQ(need, size);
            EXPECT_EQ(cap ? '\0' : 'x', buf[0]);
        } else {
            EXPECT_EQ(id, buf);
        }
    }
    m_sim.AddFault(commtest::kUsb, {Entry::GetDeviceID, -17, 1, 0, Phase::DataRead});
    size = sizeof(buf);
    EXPECT_EQ(1, PrGetDeviceID(buf, &size));
}

TEST_F(StatusExports, StatusRowsFollowAChangedDataFile)
{
    // A copy of the installed data file and its resource DLLs, which the
    // session names itself.
    char install[260] = "";
    ASSERT_TRUE(GetInstallPath(install, kit::kDriverName, kit::kModelId));
    vm2test::TempDir dir;
    for (const char* f : {kit::kDataFileName, kit::kResDllEnglish, kit::kResDllGerman})
        ASSERT_TRUE(CopyFileA((std::string(install) + f).c_str(), dir.File(f).c_str(), FALSE)) << f;
    std::string dat = dir.File(kit::kDataFileName);

    m_sim.SetReply(commtest::kUsb, Reply("ribbon-low"));
    ASSERT_EQ(0, PrMonitoringStart(1, commtest::kUsb, kit::kDriverName, "USB001", kit::kModelId, dat.c_str(),
                                   nullptr));
    DWORD status = 0, data = 0;
    ASSERT_EQ(0, PrGetChannel(&status, &data));
    EXPECT_EQ(100, GetStatus().real) << "the model's own row";

    // Without its status lines the model's ribbon status is a built-in one.
    std::string text = vm2test::ReadFileText(dat);
    size_t at;
    while ((at = text.find("STATUS0")) != std::string::npos) text.replace(at, 6, "XTATUS");
    Sleep(20);  // a distinct write time
    ASSERT_TRUE(vm2test::WriteFileText(dat, text));
    Poll p = GetStatus();
    EXPECT_EQ(1, p.result);
    EXPECT_NE(100, p.real) << "the status rows were read again";
}

// Two host threads poll while the status window's thread polls the same
// parallel printer and the printer changes state and fails now and then:
// every stored "Status" is a whole reply, the run of tolerated failures
// stays within its limit, and nothing is left open.
TEST_F(StatusExports, HostThreadsAndTheStatusThreadPollTogether)
{
    const std::vector<std::string> replies = {Reply("ready"), Reply("paper-out"), Reply("printing")};
    m_sim.SetScript(commtest::kLpt,
                    {{replies[0], 2, 1}, {"", 2, -5}, {replies[1], 3, 1}, {"", 1, -17}, {replies[2], 2, 1}, {"", 4, -5}},
                    true);
    Start(commtest::kLpt, "LPT1:");
    ComErrTolerance& tolerance = GetApp()->m_ComErr;
    ASSERT_EQ(3u, tolerance.Limit());

    commtest::Receiver window;
    auto poller = std::make_unique<CDetailKbStatus>(1, commtest::kLpt, tolerance);
    poller->Initialize(commtest::kLpt, "LPT1:", kit::kModelId, commtest::kLpt);
    poller->SetIntervals(1, 1);
    ASSERT_EQ(1, poller->StartStatusThread(window.Handle()));

    std::atomic<int> torn{0}, pastLimit{0}, delivered{0};
    auto check = [&] {
        std::string stored = StoredStatus(commtest::kLpt);
        if (!stored.empty() && std::find(replies.begin(), replies.end(), stored) == replies.end()) ++torn;
        if (static_cast<LONG>(tolerance.Count()) < 0 || tolerance.Count() > tolerance.Limit()) ++pastLimit;
    };
    std::vector<std::thread> hosts;
    for (int t = 0; t < 2; ++t)
        hosts.emplace_back([&] {
            for (int i = 0; i < 60; ++i) {
                if (GetStatus().result == 1) ++delivered;
                check();
                Sleep(40);
            }
        });
    while (!window.WaitFor(100, 4)) check();  // the status thread's passes, about one a second
    for (std::thread& h : hosts) h.join();
    poller->EndStatusThread();
    poller->CloseChannel();
    poller.reset();

    EXPECT_EQ(0, torn.load());
    EXPECT_EQ(0, pastLimit.load());
    EXPECT_GT(delivered.load(), 0);
    EXPECT_GE(window.m_got.size(), 4u);
    EXPECT_EQ(0, PrMonitoringEnd());
    EXPECT_EQ(0, m_sim.OpenChannelCount());
    EXPECT_EQ(0u, CKbApiBase::Instance().m_dwRefCount);
}
