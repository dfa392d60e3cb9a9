#include "status/status_record.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "status/reply_cases.h"

using vm2::GetAttributeBits;
using vm2::GetInkClass;
using vm2::ParseStatusReply;
using vm2test::Reply;

namespace {

int Parse(const std::string& bytes, StatusRecord* pRecord)
{
    // An exact-size copy: nothing after the reply is readable by accident.
    std::vector<std::uint8_t> copy(bytes.begin(), bytes.end());
    memset(pRecord, 0xAB, sizeof(*pRecord));
    return ParseStatusReply(pRecord, copy.data(), copy.size());
}

StatusRecord Parsed(const std::string& bytes)
{
    StatusRecord r;
    EXPECT_EQ(1, Parse(bytes, &r)) << "reply rejected";
    return r;
}

StatusRecord WithIQ(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d)
{
    StatusRecord r;
    vm2::ResetStatusRecord(&r);
    r.IQ[0] = a;
    r.IQ[1] = b;
    r.IQ[2] = c;
    r.IQ[3] = d;
    return r;
}

}  // namespace

TEST(StatusReply, CaseTableAcceptsAndRejects)
{
    int count = 0;
    const vm2test::ReplyCase* cases = vm2test::ReplyCases(&count);
    for (int k = 0; k < count; ++k) {
        StatusRecord r;
        EXPECT_EQ(cases[k].accepted ? 1 : 0, Parse(cases[k].bytes, &r)) << cases[k].name;
    }
}

TEST(StatusReply, MinimalReplyHasDefaults)
{
    StatusRecord r = Parsed(Reply("ST:00;\x0c"));
    EXPECT_EQ(0, r.ST);
    EXPECT_EQ(0xFF, r.ER);
    EXPECT_EQ(0, r.nIQCount);
    EXPECT_EQ(0, r.nWRCount);
    EXPECT_EQ(0, r.RV);
    EXPECT_EQ(0xFFFF, r.TC);
    EXPECT_EQ(0, r.wAttribute);
    for (std::uint8_t v : r.IQ) EXPECT_EQ(0, v);
    for (std::uint8_t v : r.WR) EXPECT_EQ(0, v);
}

TEST(StatusReply, TruncatedReplyNeverReadsWhatFollows)
{
    // The bytes after the reply's length would complete it: a parser that reads
    // past the length accepts; a correct one rejects every prefix.
    const std::string full = Reply("ST:04;ER:01;IQ:10NA;WR:10,11;RV:3;TC:0102;\x0c");
    std::vector<std::uint8_t> buf(full.begin(), full.end());
    for (std::size_t len = 0; len < full.size(); ++len) {
        StatusRecord r;
        EXPECT_EQ(0, ParseStatusReply(&r, buf.data(), len)) << "length " << len;
    }
    StatusRecord r;
    EXPECT_EQ(1, ParseStatusReply(&r, buf.data(), buf.size()));
    EXPECT_EQ(0, ParseStatusReply(&r, nullptr, 40));
    EXPECT_EQ(0, ParseStatusReply(nullptr, buf.data(), buf.size()));
}

TEST(StatusReply, HeaderIsComparedByteForByte)
{
    StatusRecord r;
    EXPECT_EQ(1, Parse(Reply("ST:00;\x0c"), &r));
    for (std::size_t k = 0; k < vm2::kStatusHeaderLen; ++k) {
        std::string bad = Reply("ST:00;\x0c");
        bad[k] ^= 0x20;
        EXPECT_EQ(0, Parse(bad, &r)) << "header byte " << k;
    }
}

TEST(StatusReply, StAndErStoreTheLastField)
{
    StatusRecord r = Parsed(Reply("ST:01;ER:0e;ST:Fa;ER:02;\xff"));
    EXPECT_EQ(0xFA, r.ST);
    EXPECT_EQ(0x02, r.ER);
}

TEST(StatusReply, IqItemsClampAndNa)
{
    StatusRecord r = Parsed(Reply("ST:00;IQ:50NA7F;\x0c"));
    EXPECT_EQ(3, r.nIQCount);
    EXPECT_EQ(0x50, r.IQ[0]);
    EXPECT_EQ(0xFF, r.IQ[1]);
    EXPECT_EQ(100, r.IQ[2]);
    EXPECT_EQ(0, r.IQ[3]);

    r = Parsed(Reply("ST:00;IQ:64650000;\x0c"));
    EXPECT_EQ(4, r.nIQCount);
    EXPECT_EQ(100, r.IQ[0]);  // exactly 100 stays
    EXPECT_EQ(100, r.IQ[1]);  // 101 is clamped
    EXPECT_EQ(0, r.IQ[2]);

    StatusRecord bad;
    EXPECT_EQ(0, Parse(Reply("ST:00;IQ:0102030405;\x0c"), &bad));
    EXPECT_EQ(0, Parse(Reply("ST:00;IQ:1;\x0c"), &bad));
}

TEST(StatusReply, WrWithAndWithoutCommasGiveTheSameCodes)
{
    for (const char* body : {"ST:00;WR:10,11;\x0c", "ST:00;WR:1011;\x0c", "ST:00;WR:10,11,;\x0c"}) {
        SCOPED_TRACE(body);
        StatusRecord r = Parsed(Reply(body));
        EXPECT_EQ(2, r.nWRCount);
        EXPECT_EQ(0x10, r.WR[0]);
        EXPECT_EQ(0x11, r.WR[1]);
        EXPECT_EQ(0, r.WR[2]);
    }
    StatusRecord r = Parsed(Reply("ST:00;WR:00,01,02,03,04,05,06,07,08,fF;\x0c"));
    EXPECT_EQ(10, r.nWRCount);
    EXPECT_EQ(0xFF, r.WR[9]);
}

TEST(StatusReply, RvAndTc)
{
    StatusRecord r = Parsed(Reply("ST:00;RV:A;TC:0102;\x0c"));
    EXPECT_EQ(10, r.RV);
    EXPECT_EQ(0x0102, r.TC);
    r = Parsed(Reply("ST:00;RV:f;TC:FFFE;\x0c"));
    EXPECT_EQ(15, r.RV);
    EXPECT_EQ(0xFFFE, r.TC);
}

TEST(StatusReply, LowerCaseTagsAreNotTags)
{
    StatusRecord r;
    EXPECT_EQ(0, Parse(Reply("st:00;\x0c"), &r));
    r = Parsed(Reply("ST:02;er:05;iq:00;wr:10;\x0c"));
    EXPECT_EQ(2, r.ST);
    EXPECT_EQ(0xFF, r.ER);
    EXPECT_EQ(0, r.nIQCount);
    EXPECT_EQ(0, r.nWRCount);
}

TEST(StatusReply, TerminatorInsideAValueIsData)
{
    // 0x0C is only a terminator where a field may start.
    StatusRecord r;
    EXPECT_EQ(0, Parse(Reply("ST:0\x0c;\x0c"), &r));
    r = Parsed(Reply("XY:\x01\x02ST:01;\x0c"));
    EXPECT_EQ(1, r.ST);
}

TEST(InkClass, TableOfLevels)
{
    struct { std::uint8_t iq[4]; std::uint16_t ink; } cases[] = {
        {{30, 30, 80, 80}, 0x1010}, {{20, 30, 40, 50}, 0x0010}, {{40, 30, 50, 60}, 0x1000},
        {{0, 50, 50, 50}, 0x0010},  {{0, 0, 50, 50}, 0x1010},   {{0, 0, 0, 0}, 0x1010},
        {{0xFF, 9, 9, 9}, 0x0010},  {{0xFF, 9, 0xFF, 9}, 0x1010}, {{50, 60, 70, 0xFF}, 0x1000},
        {{10, 20, 30, 10}, 0x1010}, {{100, 100, 100, 100}, 0x1010}, {{5, 6, 7, 8}, 0x0010},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.iq[0]) << "," << int(c.iq[1]) << "," << int(c.iq[2]) << ","
                                        << int(c.iq[3]));
        EXPECT_EQ(c.ink, GetInkClass(WithIQ(c.iq[0], c.iq[1], c.iq[2], c.iq[3])));
    }
}

TEST(InkClass, UsesLevelsNotTheItemCount)
{
    StatusRecord r = Parsed(Reply("ST:00;IQ:2030;\x0c"));  // two items: levels 2, 3 stay 0
    EXPECT_EQ(2, r.nIQCount);
    EXPECT_EQ(0x1000, GetInkClass(r));
}

TEST(AttributeBits, FromWarningsErrorAndNumber)
{
    StatusRecord r = Parsed(Reply("ST:00;ER:01;WR:10,12;\x0c"));
    EXPECT_EQ(0x0101, GetAttributeBits(r, 14));
    r = Parsed(Reply("ST:00;WR:11;\x0c"));
    EXPECT_EQ(0x0100, GetAttributeBits(r, 14));
    r = Parsed(Reply("ST:00;WR:10;\x0c"));
    EXPECT_EQ(0x0001, GetAttributeBits(r, 14));
    r = Parsed(Reply("ST:00;WR:10,14;\x0c"));
    EXPECT_EQ(0x0001, GetAttributeBits(r, 14));
    r = Parsed(Reply("ST:00;WR:14,11;\x0c"));
    EXPECT_EQ(0, GetAttributeBits(r, 14));
    r = Parsed(Reply("ST:00;\x0c"));
    EXPECT_EQ(0, GetAttributeBits(r, 14));
}

TEST(AttributeBits, NumbersTwoAndTwentyIgnoreTheRecord)
{
    StatusRecord r = Parsed(Reply("ST:00;ER:05;IQ:10203040;WR:11;\x0c"));
    EXPECT_EQ(0x1010, GetAttributeBits(r, 2));
    EXPECT_EQ(0x0101, GetAttributeBits(r, 20));
}

TEST(AttributeBits, InkErrorAddsTheInkClass)
{
    // ER 5 with the first level alone lowest: 0x0010 ORed into the warning bits.
    StatusRecord r = Parsed(Reply("ST:00;ER:05;IQ:10203040;WR:11;\x0c"));
    EXPECT_EQ(0x0110, GetAttributeBits(r, 37));
    r = Parsed(Reply("ST:00;ER:05;IQ:40302050;WR:10;\x0c"));
    EXPECT_EQ(0x1001, GetAttributeBits(r, 37));
    // Both classes replace whatever the warnings gave.
    r = Parsed(Reply("ST:00;ER:05;IQ:10102030;WR:10,11;\x0c"));
    EXPECT_EQ(0x1010, GetAttributeBits(r, 37));
    r = Parsed(Reply("ST:00;ER:05;\x0c"));  // no levels at all
    EXPECT_EQ(0x1010, GetAttributeBits(r, 37));
}
