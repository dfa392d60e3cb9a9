// The simulated library's replies and presets. That each preset is a reply
// the module accepts, with the numbers its name stands for, is
// KitPresets.TheModuleReadsEachPresetAsDocumented (kit_files_test).
#include <gtest/gtest.h>

#include <string>

#include "kbsim/kbsim_layout.h"
#include "kbsim/kbsim_reply.h"

using namespace kbsim;

TEST(KbSimReply, BuildsTaggedFieldsInOrder)
{
    StatusFields f;
    f.nST = 0;
    f.nER = 0x0B;
    f.iq = {0x50, -1, 0x7F};
    f.wr = {0x10, 0x11};
    f.nRV = 10;
    f.nTC = 0x0102;
    EXPECT_EQ(BuildStatusReply(f), std::string("@BDC ST\r\nST:00;ER:0B;IQ:50NA7F;WR:10,11;RV:A;TC:0102;\x0C"));
    f.bWrCommas = false;
    f.terminator = 0xFF;
    std::string r = BuildStatusReply(f);
    EXPECT_NE(r.find("WR:1011;"), std::string::npos);
    EXPECT_EQ(static_cast<unsigned char>(r.back()), 0xFF);
}

TEST(KbSimReply, EveryPresetIsWellFormedAndUnique)
{
    ASSERT_GE(StatePresets().size(), 10u);
    for (const StatePreset& p : StatePresets()) {
        SCOPED_TRACE(p.pszName);
        EXPECT_EQ(FindPreset(p.pszName), &p);
        EXPECT_LE(BuildStatusReply(p.fields).size(), kMaxReply);
        EXPECT_GE(p.fields.nST, 0) << "every state a printer reports carries ST";
    }
    EXPECT_EQ(FindPreset("no-such-state"), nullptr);
}
