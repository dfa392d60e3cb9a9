#include "comm/kbchannel.h"

#include <gtest/gtest.h>

#include "comm/comm_fixture.h"
#include "comm/receiver.h"

using commtest::Receiver;
using kbsim::Entry;

namespace {

class KbChannelTest : public SimPrinterTest {
protected:
    void SetChannels(std::vector<kbsim::Channel> channels) { m_sim.SetChannels(commtest::kUsb, channels); }
};

}  // namespace

TEST_F(KbChannelTest, SelectChannelNeedsABindingTheIdAndEveryMaskBit)
{
    for (CKbApiChannel* unusable : {new CKbApiChannel(2, commtest::kUsb), new CKbApiChannel(1, commtest::kMissingLib)}) {
        EXPECT_FALSE(unusable->IsUsable());
        EXPECT_EQ(-1, unusable->SelectChannel(4, 0));
        EXPECT_EQ(0, unusable->OpenChannel());
        delete unusable;
    }
    SetChannels({{4, 0x0001, 0}, {0x10000005, 0x8004, 0x1234}});
    CKbApiChannel channel(1, commtest::kUsb);
    ASSERT_TRUE(channel.IsUsable());
    EXPECT_EQ(0, channel.SelectChannel(4, kb::kModeStatus));
    EXPECT_EQ(0u, channel.GetSelectedChannel());
    EXPECT_EQ(0, channel.SelectChannel(0x77, 0)) << "not offered";
    EXPECT_EQ(1, channel.SelectChannel(0x10000005, 0x8004));
    EXPECT_EQ(0x10000005u, channel.GetSelectedChannel());
    EXPECT_EQ(0x8004u, channel.GetSelectedMode()) << "low 16 bits of the info word";
    EXPECT_EQ(1, channel.SelectChannel(4, 0)) << "no mask: any mode";

    EXPECT_GE(channel.OpenChannel(), 1);
    EXPECT_EQ(-1, channel.SelectChannel(0x10000005, 0)) << "open channels are not reselected";
    channel.CloseChannel();
    EXPECT_FALSE(channel.IsOpen());
    EXPECT_EQ(0, m_sim.OpenChannelCount());
}

TEST_F(KbChannelTest, StatusChannelSearch)
{
    struct {
        const char* what;
        std::vector<kbsim::Channel> channels;
        Entry failing;  // GetStatus: nothing fails
        int result;
    } rows[] = {
        {"candidates without the status bit are skipped", {{4, 0x0001, 0}, {0x10000005, 0x0004, 0}}, Entry::GetStatus, 1},
        {"offered, but not a status candidate", {{0x10000003, 0x0004, 0}}, Entry::GetStatus, -1},
        {"no list: the search ends at once", {{4, 0x0004, 0}}, Entry::GetAvailableChannel, -1},
        {"selected, but the open failed", {{4, 0x0004, 0}}, Entry::OpenChannel, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        SetChannels(row.channels);
        CKbStatChannel channel(1, commtest::kUsb);
        if (row.failing != Entry::GetStatus) m_sim.AddFault("", {row.failing, -5, 1, 0, kbsim::Phase::Any});
        EXPECT_EQ(row.result, channel.OpenStatusChannel());
        EXPECT_EQ(row.result == 1, channel.IsOpen());
        if (row.result == 1) { EXPECT_EQ(0x10000005u, channel.GetSelectedChannel()); }
        channel.CloseChannel();
        m_sim.ClearFaults("");
    }
}

TEST_F(KbChannelTest, FailedReadKeepsThePreviousReply)
{
    std::string ready = Reply("ready");
    m_sim.SetReply(commtest::kUsb, ready);
    CKbStatChannel channel(1, commtest::kUsb);
    EXPECT_EQ(-1, channel.GetPrinterStatus()) << "not open yet";
    ASSERT_EQ(1, channel.OpenStatusChannel());
    ASSERT_EQ(1, channel.GetPrinterStatus());
    ASSERT_EQ(static_cast<int>(ready.size()), channel.GetStatusLength());
    EXPECT_EQ(ready, std::string(reinterpret_cast<const char*>(channel.GetStatusBuffer()), ready.size()));

    m_sim.SetReply(commtest::kUsb, Reply("paper-out"));
    struct { kbsim::Fault fault; int expected; } cases[] = {
        {{Entry::GetStatus, -5, 1, 0, kbsim::Phase::SizeQuery}, -5},
        {{Entry::GetStatus, -17, 1, 0, kbsim::Phase::SizeQuery}, -17},
        {{Entry::GetStatus, 0, 1, 0, kbsim::Phase::SizeQuery}, 0},
        {{Entry::GetStatus, -5, 1, 0, kbsim::Phase::DataRead}, -5},
        {{Entry::GetStatus, 0, 1, 0, kbsim::Phase::DataRead}, 0},
    };
    for (const auto& c : cases) {
        m_sim.AddFault(commtest::kUsb, c.fault);
        EXPECT_EQ(c.expected, channel.GetPrinterStatus());
        EXPECT_EQ(ready, std::string(reinterpret_cast<const char*>(channel.GetStatusBuffer()), ready.size()));
    }
    EXPECT_EQ(1, channel.GetPrinterStatus());
    EXPECT_EQ(Reply("paper-out"), std::string(reinterpret_cast<const char*>(channel.GetStatusBuffer()),
                                              channel.GetStatusLength()));
    channel.CloseChannel();
}

TEST_F(KbChannelTest, WorkerPostsTheStatusOrAMissingChannelToTheWindow)
{
    m_sim.SetReply(commtest::kUsb, Reply("ready"));
    for (bool statusChannel : {true, false}) {
        if (!statusChannel) SetChannels({{0x10000003, 0x0000, 0}});
        Receiver window;
        CKbStatChannel channel(1, commtest::kUsb);
        ASSERT_EQ(1, channel.StartStatusThread(window.Handle()));
        EXPECT_EQ(0, channel.StartStatusThread(window.Handle())) << "already running";
        ASSERT_TRUE(window.WaitFor(5000));
        ASSERT_EQ(1u, window.m_got.size());
        EXPECT_EQ(static_cast<UINT>(statusChannel ? WM_RESULT_KBSTATUS : WM_RESULT_KBSTCHANNEL), window.m_got[0].msg);
        EXPECT_EQ(statusChannel ? 1 : -1, window.m_got[0].result);
        channel.EndStatusThread();
        EXPECT_EQ(statusChannel, channel.GetStatusLength() > 0);
        channel.CloseChannel();
    }
}

TEST_F(KbChannelTest, EndingDuringThePausePostsNothing)
{
    Receiver window;
    uint32_t since = m_sim.NextSeq();
    {
        CKbStatChannel channel(1, commtest::kUsb);
        ASSERT_EQ(1, channel.StartStatusThread(window.Handle()));
        channel.EndStatusThread();
        EXPECT_FALSE(channel.IsRunning());
        EXPECT_EQ(1, channel.StartStatusThread(window.Handle())) << "a new start after an end";
    }  // the destructor ends the second worker
    EXPECT_FALSE(window.WaitFor(800));
    EXPECT_EQ(0, m_sim.CountCalls(Entry::GetStatus, since));
}
