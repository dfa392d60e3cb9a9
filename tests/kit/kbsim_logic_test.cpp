// The simulated library's replies: the grammar the printers use and the presets.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>

#include "kbsim/kbsim_layout.h"
#include "kbsim/kbsim_reply.h"

using namespace kbsim;

namespace {

// The reply grammar the printers use, checked field by field: header, then
// tag + value + ";" runs, then one terminator byte at the very end.
::testing::AssertionResult WellFormed(const std::string& r)
{
    if (r.compare(0, 9, "@BDC ST\r\n") != 0) return ::testing::AssertionFailure() << "bad header";
    if (r.size() < 10) return ::testing::AssertionFailure() << "no terminator";
    unsigned char last = static_cast<unsigned char>(r.back());
    if (last != 0x0C && last != 0xFF) return ::testing::AssertionFailure() << "bad terminator " << int(last);
    std::string body = r.substr(9, r.size() - 10);
    size_t i = 0;
    while (i < body.size()) {
        size_t semi = body.find(';', i);
        if (semi == std::string::npos || semi < i + 4) return ::testing::AssertionFailure() << "field at " << i;
        std::string tag = body.substr(i, 3);
        if (tag != "ST:" && tag != "ER:" && tag != "IQ:" && tag != "WR:" && tag != "RV:" && tag != "TC:")
            return ::testing::AssertionFailure() << "unknown tag " << tag;
        for (size_t k = i + 3; k < semi; ++k) {
            char c = body[k];
            bool ok = std::isxdigit(static_cast<unsigned char>(c)) || (tag == "WR:" && c == ',') ||
                      (tag == "IQ:" && (c == 'N' || c == 'A'));
            if (!ok) return ::testing::AssertionFailure() << "bad value character in " << tag;
        }
        i = semi + 1;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace

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
        std::string r = BuildStatusReply(p.fields);
        EXPECT_TRUE(WellFormed(r));
        EXPECT_EQ(FindPreset(p.pszName), &p);
        EXPECT_LE(r.size(), kMaxReply);
        EXPECT_GE(p.fields.nST, 0) << "every state a printer reports carries ST";
    }
    EXPECT_EQ(FindPreset("no-such-state"), nullptr);
}

TEST(KbSimReply, PresetsCarryTheStateBytesOfTheirNames)
{
    // The day the demo walks relies on these meanings.
    struct {
        const char* name;
        int st, er, wr0;
    } rows[] = {{"ready", 4, -1, -1},     {"printing", 3, -1, -1}, {"paper-out", 0, 4, -1},
                {"cover-open", 0, 6, -1}, {"paper-jam", 0, 2, -1}, {"ribbon-low", 4, -1, 0x10},
                {"off-line", 5, -1, -1},  {"fatal-error", 0, 0, -1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const StatePreset* p = FindPreset(row.name);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->fields.nST, row.st);
        EXPECT_EQ(p->fields.nER, row.er);
        EXPECT_EQ(p->fields.wr.empty() ? -1 : p->fields.wr[0], row.wr0);
    }
}
