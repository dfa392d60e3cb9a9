#include "comm/kbchannel.h"

#include <gtest/gtest.h>

#include "comm/comm_printers.h"
#include "comm/receiver.h"
#include "harness/test_support.h"
#include "installer/kit_install.h"
#include "kbsim/kbsim_control.h"
#include "module/app.h"


using commtest::Receiver;
using kbsim::Entry;

namespace {

class KbChannelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        kbsim::SetProcessInstance(vm2test::UniqueName("kbch"));
        ASSERT_TRUE(m_sim.Open());
        m_sim.Reset();
        m_printer = kbsim::StandardPrinter(commtest::kUsb, "USB001", kbsim::Connection::Usb);
        m_sim.DefinePrinter(m_printer);
        GetApp()->m_BaseInfo.SetPrinterInfo(commtest::kUsb, kit::kDriverName, "USB001", kit::kModelId, nullptr,
                                            nullptr);
    }

    void SetChannels(std::vector<kbsim::Channel> channels) { m_sim.SetChannels(commtest::kUsb, channels); }

    kbsim::Control m_sim;
    kbsim::PrinterConfig m_printer;
};

std::string Reply(const char* preset) { return kbsim::BuildStatusReply(kbsim::FindPreset(preset)->fields); }

}  // namespace

TEST_F(KbChannelTest, UnusableWithoutBindingOrWithABadType)
{
    {
        CKbApiChannel badType(2, commtest::kUsb);
        EXPECT_FALSE(badType.IsUsable());
        EXPECT_EQ(-1, badType.SelectChannel(4, 0));
    }

    GetApp()->m_BaseInfo.SetPrinterInfo(commtest::kMissingLib, kit::kDriverName, "USB001", kit::kModelId, nullptr,
                                        nullptr);
    CKbApiChannel noLibrary(1, commtest::kUsb);
    EXPECT_FALSE(noLibrary.IsUsable());
    EXPECT_EQ(-1, noLibrary.SelectChannel(4, 0));
    EXPECT_EQ(0, noLibrary.OpenChannel());
}

TEST_F(KbChannelTest, SelectChannelNeedsTheIdAndEveryMaskBit)
{
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

TEST_F(KbChannelTest, StatusChannelSkipsCandidatesWithoutTheStatusBit)
{
    SetChannels({{4, 0x0001, 0}, {0x10000005, 0x0004, 0}});
    CKbStatChannel channel(1, commtest::kUsb);
    EXPECT_EQ(1, channel.OpenStatusChannel());
    EXPECT_EQ(0x10000005u, channel.GetSelectedChannel());
    EXPECT_TRUE(channel.IsOpen());
    channel.CloseChannel();
}

TEST_F(KbChannelTest, StatusChannelResults)
{
    {
        SetChannels({{0x10000003, 0x0004, 0}});  // offered, but not a status candidate here
        CKbStatChannel channel(1, commtest::kUsb);
        EXPECT_EQ(-1, channel.OpenStatusChannel());
    }
    {
        CKbStatChannel channel(1, commtest::kUsb);
        m_sim.AddFault("", {Entry::GetAvailableChannel, -5, 1, 0, kbsim::Phase::Any});
        EXPECT_EQ(-1, channel.OpenStatusChannel()) << "no list: the search ends at once";
        m_sim.ClearFaults("");
    }
    {
        SetChannels({{4, 0x0004, 0}});
        CKbStatChannel channel(1, commtest::kUsb);
        m_sim.AddFault(commtest::kUsb, {Entry::OpenChannel, -5, 1, 0, kbsim::Phase::Any});
        EXPECT_EQ(0, channel.OpenStatusChannel()) << "selected, but the open failed";
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

TEST_F(KbChannelTest, WorkerPostsTheStatusToTheWindow)
{
    m_sim.SetReply(commtest::kUsb, Reply("ready"));
    Receiver window;
    CKbStatChannel channel(1, commtest::kUsb);
    ASSERT_EQ(1, channel.StartStatusThread(window.Handle()));
    EXPECT_EQ(0, channel.StartStatusThread(window.Handle())) << "already running";
    ASSERT_TRUE(window.WaitFor(5000));
    ASSERT_EQ(1u, window.m_got.size());
    EXPECT_EQ(static_cast<UINT>(WM_RESULT_KBSTATUS), window.m_got[0].msg);
    EXPECT_EQ(1, window.m_got[0].result);
    channel.EndStatusThread();
    EXPECT_GT(channel.GetStatusLength(), 0);
    channel.CloseChannel();
}

TEST_F(KbChannelTest, WorkerReportsAMissingStatusChannel)
{
    SetChannels({{0x10000003, 0x0000, 0}});
    Receiver window;
    CKbStatChannel channel(1, commtest::kUsb);
    ASSERT_EQ(1, channel.StartStatusThread(window.Handle()));
    ASSERT_TRUE(window.WaitFor(5000));
    EXPECT_EQ(static_cast<UINT>(WM_RESULT_KBSTCHANNEL), window.m_got[0].msg);
    EXPECT_EQ(-1, window.m_got[0].result);
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
