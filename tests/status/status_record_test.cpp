#include "status/status_record.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using vm2::GetAttributeBits;
using vm2::GetInkClass;
using vm2::ParseStatusReply;

namespace {

std::string Reply(const std::string& body) { return "@BDC ST\r\n" + body; }

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

// Each name is also a seed file of fuzz/corpus/fuzz_status_reply. "\x0c" and
// "\xff" are the two terminators.
TEST(StatusReply, CaseTableAcceptsAndRejects)
{
    const struct {
        const char* name;
        std::string bytes;
        bool accepted;
    } cases[] = {
        {"st_only", Reply("ST:00;\x0c"), true},
        {"st_only_ff_end", Reply("ST:00;\xff"), true},
        {"st_no_terminator", Reply("ST:00;"), false},
        {"header_only", Reply(""), false},
        {"header_and_terminator", Reply("\x0c"), false},
        {"short_header", std::string("@BDC ST\r"), false},
        {"header_lower_case", std::string("@bdc st\r\nST:00;\x0c"), false},
        {"header_lf_only", std::string("@BDC ST\nST:00;\x0c"), false},
        {"er_without_st", Reply("ER:04;\x0c"), false},
        {"st_lower_case_tag", Reply("st:00;\x0c"), false},
        {"st_lower_case_and_real", Reply("st:01;ST:04;\x0c"), true},
        {"st_bad_hex", Reply("ST:0G;\x0c"), false},
        {"st_missing_semicolon", Reply("ST:00,\x0c"), false},
        {"st_cut_in_value", Reply("ST:0"), false},
        {"st_cut_before_semicolon", Reply("ST:00"), false},
        {"st_twice_last_wins", Reply("ST:01;ST:04;\x0c"), true},
        {"full_reply", Reply("ST:00;ER:02;IQ:50NA7F;WR:10,11;RV:A;TC:0102;\x0c"), true},
        {"iq_four_items", Reply("ST:00;IQ:01020304;\x0c"), true},
        {"iq_five_items", Reply("ST:00;IQ:0102030405;\x0c"), false},
        {"iq_odd_digits", Reply("ST:00;IQ:1;\x0c"), false},
        {"iq_empty", Reply("ST:00;IQ:;\x0c"), false},
        {"iq_na_lower_case", Reply("ST:00;IQ:na;\x0c"), false},
        {"iq_cut", Reply("ST:00;IQ:50"), false},
        {"wr_commas", Reply("ST:00;WR:10,11;\x0c"), true},
        {"wr_no_commas", Reply("ST:00;WR:1011;\x0c"), true},
        {"wr_trailing_comma", Reply("ST:00;WR:10,;\x0c"), true},
        {"wr_double_comma", Reply("ST:00;WR:10,,11;\x0c"), false},
        {"wr_ten_codes", Reply("ST:00;WR:00,01,02,03,04,05,06,07,08,09;\x0c"), true},
        {"wr_eleven_codes", Reply("ST:00;WR:00,01,02,03,04,05,06,07,08,09,0A;\x0c"), false},
        {"wr_cut_after_comma", Reply("ST:00;WR:10,"), false},
        {"rv_digit", Reply("ST:00;RV:A;\x0c"), true},
        {"rv_bad_digit", Reply("ST:00;RV:Z;\x0c"), false},
        {"rv_two_digits", Reply("ST:00;RV:0A;\x0c"), false},
        {"tc_pairs", Reply("ST:00;TC:0102;\x0c"), true},
        {"tc_short", Reply("ST:00;TC:01;\x0c"), false},
        {"unknown_tag_skipped", Reply("XX:ZZZZ;ST:05;\x0c"), true},
        {"tag_inside_unknown_value", Reply("AB:ER:01;;ST:00;\x0c"), true},
        {"garbage_between_fields", Reply("??ST:00;  ER:01;\x0c"), true},
        {"terminator_before_st", Reply("ER:01;\x0cST:00;\x0c"), false},
        {"nul_bytes_skipped", Reply(std::string("\0\0ST:03;\x0c", 9)), true},
    };
    for (const auto& c : cases) {
        StatusRecord r;
        EXPECT_EQ(c.accepted ? 1 : 0, Parse(c.bytes, &r)) << c.name;
    }
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

// Each accepted reply's fields; IQ levels over 100 are clamped, "NA" is 0xFF,
// absent fields keep their defaults, lower-case tags are not tags and 0x0C is
// only a terminator where a field may start.
TEST(StatusReply, FieldsOfAcceptedReplies)
{
    struct Row {
        const char* body;
        int st, er, iqCount;
        std::vector<int> iq;  // all four levels
        std::vector<int> wr;  // the codes, then one 0
        int rv, tc;
    } rows[] = {
        {"ST:00;\x0c", 0, 0xFF, 0, {0, 0, 0, 0}, {0}, 0, 0xFFFF},
        {"ST:01;ER:0e;ST:Fa;ER:02;\xff", 0xFA, 0x02, 0, {0, 0, 0, 0}, {0}, 0, 0xFFFF},
        {"ST:00;IQ:50NA7F;\x0c", 0, 0xFF, 3, {0x50, 0xFF, 100, 0}, {0}, 0, 0xFFFF},
        {"ST:00;IQ:64650000;\x0c", 0, 0xFF, 4, {100, 100, 0, 0}, {0}, 0, 0xFFFF},
        {"ST:00;WR:10,11;\x0c", 0, 0xFF, 0, {0, 0, 0, 0}, {0x10, 0x11, 0}, 0, 0xFFFF},
        {"ST:00;WR:1011;\x0c", 0, 0xFF, 0, {0, 0, 0, 0}, {0x10, 0x11, 0}, 0, 0xFFFF},
        {"ST:00;WR:10,11,;\x0c", 0, 0xFF, 0, {0, 0, 0, 0}, {0x10, 0x11, 0}, 0, 0xFFFF},
        {"ST:00;WR:00,01,02,03,04,05,06,07,08,fF;\x0c", 0, 0xFF, 0, {0, 0, 0, 0}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 0xFF}, 0, 0xFFFF},
        {"ST:00;RV:A;TC:0102;\x0c", 0, 0xFF, 0, {0, 0, 0, 0}, {0}, 10, 0x0102},
        {"ST:00;RV:f;TC:FFFE;\x0c", 0, 0xFF, 0, {0, 0, 0, 0}, {0}, 15, 0xFFFE},
        {"ST:02;er:05;iq:00;wr:10;\x0c", 2, 0xFF, 0, {0, 0, 0, 0}, {0}, 0, 0xFFFF},
        {"XY:\x01\x02ST:01;\x0c", 1, 0xFF, 0, {0, 0, 0, 0}, {0}, 0, 0xFFFF},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.body);
        StatusRecord r = Parsed(Reply(row.body));
        EXPECT_EQ(row.st, r.ST);
        EXPECT_EQ(row.er, r.ER);
        EXPECT_EQ(row.iqCount, r.nIQCount);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(row.iq[i], r.IQ[i]) << "IQ " << i;
        const int wrCount = static_cast<int>(row.wr.size()) - (row.wr.size() < 10 ? 1 : 0);
        EXPECT_EQ(wrCount, r.nWRCount);
        for (size_t i = 0; i < row.wr.size(); ++i) EXPECT_EQ(row.wr[i], r.WR[i]) << "WR " << i;
        EXPECT_EQ(row.rv, r.RV);
        EXPECT_EQ(row.tc, r.TC);
        EXPECT_EQ(0, r.wAttribute);
    }
    StatusRecord r;
    EXPECT_EQ(0, Parse(Reply("ST:0\x0c;\x0c"), &r)) << "a terminator inside a value is data";
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
    // Two items: levels 2 and 3 stay 0 and count, whatever the item count says.
    EXPECT_EQ(0x1000, GetInkClass(Parsed(Reply("ST:00;IQ:2030;\x0c"))));
}

// Warnings 0x10 and 0x11 and the error give the bits; numbers 2 and 20 ignore
// the record; an ink error (ER 5, number 37) adds the ink class, and both
// classes replace whatever the warnings gave.
TEST(AttributeBits, FromWarningsErrorNumberAndInkClass)
{
    struct {
        const char* body;
        int number;
        int bits;
    } rows[] = {
        {"ST:00;ER:01;WR:10,12;\x0c", 14, 0x0101},  {"ST:00;WR:11;\x0c", 14, 0x0100},
        {"ST:00;WR:10;\x0c", 14, 0x0001},           {"ST:00;WR:10,14;\x0c", 14, 0x0001},
        {"ST:00;WR:14,11;\x0c", 14, 0},             {"ST:00;\x0c", 14, 0},
        {"ST:00;ER:05;IQ:10203040;WR:11;\x0c", 2, 0x1010},
        {"ST:00;ER:05;IQ:10203040;WR:11;\x0c", 20, 0x0101},
        {"ST:00;ER:05;IQ:10203040;WR:11;\x0c", 37, 0x0110},
        {"ST:00;ER:05;IQ:40302050;WR:10;\x0c", 37, 0x1001},
        {"ST:00;ER:05;IQ:10102030;WR:10,11;\x0c", 37, 0x1010},
        {"ST:00;ER:05;\x0c", 37, 0x1010},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.body << " number " << row.number);
        EXPECT_EQ(row.bits, GetAttributeBits(Parsed(Reply(row.body)), row.number));
    }
}
