// Status replies with the answer the parser must give: shared by the parser
// tests and the fuzz seed corpus.
#pragma once

#include <string>

namespace vm2test {

struct ReplyCase {
    const char* name;  // also the seed file name
    std::string bytes;
    bool accepted;
};

inline std::string Reply(const std::string& body) { return "@BDC ST\r\n" + body; }

// "\x0c" and "\xff" are the two terminators.
inline const ReplyCase* ReplyCases(int* pnCount)
{
    static const ReplyCase cases[] = {
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
    *pnCount = static_cast<int>(sizeof(cases) / sizeof(cases[0]));
    return cases;
}

}  // namespace vm2test
