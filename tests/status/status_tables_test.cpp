#include "status/status_tables.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using vm2::BuildModelRow;
using vm2::StatusLineFields;
using vm2::StatusRows;

namespace {

StatusRecord Record(int st, int er = 0xFF, std::vector<int> wr = {})
{
    StatusRecord r;
    vm2::ResetStatusRecord(&r);
    r.ST = static_cast<std::uint8_t>(st);
    r.ER = static_cast<std::uint8_t>(er);
    r.nWRCount = static_cast<std::uint8_t>(wr.size());
    for (std::size_t k = 0; k < wr.size(); ++k) r.WR[k] = static_cast<std::uint8_t>(wr[k]);
    return r;
}

int RealNo(const StatusRows& rows, const StatusRecord& r)
{
    int k = rows.FindPattern(r);
    return k < 0 ? -999 : static_cast<int>(rows.Pattern(k)->dwStatusNo);
}

StatusLineFields Line(int st, int er, int wr, const char* m1 = "m1", const char* m2 = "m2", int sel = 0,
                      int flag = 0)
{
    StatusLineFields f;
    f.wST = static_cast<std::uint16_t>(st);
    f.wER = static_cast<std::uint16_t>(er);
    f.wWR = static_cast<std::uint16_t>(wr);
    f.pszMessage1 = m1;
    f.pszMessage2 = m2;
    f.nClassSelector = sel;
    f.nClassFlag = flag;
    return f;
}

}  // namespace

TEST(BuiltinTables, EveryPatternReachesItsOwnEntry)
{
    // One record per built-in pattern, in table order, and records that only
    // the catch-all takes: each must land on its own pattern and on the entry
    // of its number, never on the kind's fallback.
    struct Case {
        int st, er;
        std::vector<int> wr;
        int pattern, real, simple, cls;
    } cases[] = {
        {0x00, 0xFF, {}, 0, 21, 11, 2},      {0x00, 0x00, {0x10}, 1, 14, 12, 4}, {0x00, 0x01, {}, 2, 18, 999, 1},
        {0x00, 0x02, {0x10}, 3, 33, 6, 6},   {0x00, 0x03, {}, 4, 7, 999, 5},     {0x00, 0x04, {}, 5, 6, 5, 7},
        {0x00, 0x05, {}, 6, 37, 999, 4},     {0x00, 0x06, {}, 7, 5, 3, 3},       {0x00, 0x07, {}, 8, 36, 999, 1},
        {0x00, 0x09, {}, 9, 34, 3, 3},       {0x00, 0x0B, {}, 10, 38, 999, 4},   {0x00, 0x0E, {}, 11, 35, 5, 8},
        {0x01, 0x05, {}, 12, 17, 999, 1},    {0x02, 0xFF, {}, 13, 11, 999, 1},   {0x03, 0xFF, {}, 14, 11, 999, 1},
        {0x04, 0xFF, {0x01}, 15, 1, 1, 1},   {0x05, 0x01, {}, 16, 32, 2, 4},     {0x07, 0xFF, {}, 17, 21, 11, 2},
        {0x00, 0xFF, {0x10}, 17, 21, 11, 2},  // no ER but a warning
        {0x00, 0x08, {}, 17, 21, 11, 2},      // ER 8 has no row
        {0xFF, 0xFF, {}, 17, 21, 11, 2},      // no ST at all
    };
    StatusRows rows;
    for (const Case& c : cases) {
        SCOPED_TRACE("ST " + std::to_string(c.st) + " ER " + std::to_string(c.er));
        int k = rows.FindPattern(Record(c.st, c.er, c.wr));
        ASSERT_EQ(c.pattern, k);
        EXPECT_EQ(c.real, static_cast<int>(rows.Pattern(k)->dwStatusNo));
        const StatusEntry* e = rows.Entry(rows.FindEntry(1, c.real));
        ASSERT_NE(nullptr, e);
        EXPECT_EQ(c.real, e->nRealNo);
        EXPECT_EQ(c.simple, e->nSimpleNo);
        EXPECT_EQ(c.cls, e->nClass);
        EXPECT_NE(nullptr, vm2::FindStatusClass(e->nClass)) << "no class row to show";
    }
    EXPECT_EQ(nullptr, rows.Pattern(vm2::kBuiltinPatternCount));
    EXPECT_EQ(nullptr, rows.Entry(vm2::kBuiltinEntryCount));
    EXPECT_EQ(nullptr, rows.Entry(-1));
    EXPECT_EQ(-1, rows.FindEntry(3, -1)) << "no fallback for an unknown kind";
    const StatusClassRow* row = vm2::FindStatusClass(5);
    ASSERT_NE(nullptr, row);
    EXPECT_EQ(777u, row->dwValue[3]);
    EXPECT_EQ(nullptr, vm2::FindStatusClass(0));
    EXPECT_EQ(nullptr, vm2::FindStatusClass(13));
}

TEST(PatternSearch, ModelRowsComeFirst)
{
    StatusPattern model[2] = {
        {0x00, 0x02, 0x10, 0, 0, 100},  // ST 0, ER 2, first warning 0x10
        {0x104, 0xFFFE, 0xFFFF, 0, 0, 101},  // only the low byte of ST counts
    };
    StatusRows rows(nullptr, model, 2);
    EXPECT_EQ(0, rows.FindPattern(Record(0x00, 0x02, {0x10, 0x11})));
    EXPECT_EQ(100, RealNo(rows, Record(0x00, 0x02, {0x10})));
    EXPECT_EQ(33, RealNo(rows, Record(0x00, 0x02, {0x11, 0x10})));  // WR compares code 0 only
    EXPECT_EQ(33, RealNo(rows, Record(0x00, 0x02)));
    EXPECT_EQ(101, RealNo(rows, Record(0x04)));
    EXPECT_EQ(1, RealNo(rows, Record(0x04, 0xFF, {0x01})));  // 0xFFFF: no warnings only
    EXPECT_EQ(2 + 15, rows.FindPattern(Record(0x04, 0xFF, {0x01})));
}

TEST(PatternSearch, InkFlagsMustEqualTheInkClass)
{
    StatusPattern model[1] = {{0xFFFE, 0x05, 0xFFFE, 0, 0x1000, 120}};
    StatusRows rows(nullptr, model, 1);
    StatusRecord r = Record(0x00, 0x05);
    r.IQ[0] = 50, r.IQ[1] = 20, r.IQ[2] = 60, r.IQ[3] = 70;  // class 0x1000
    EXPECT_EQ(120, RealNo(rows, r));
    r.IQ[1] = 60;  // class 0x0010
    EXPECT_EQ(37, RealNo(rows, r));
    model[0].dwFlags = 0x1010 | 0x2;  // bits outside 0x1010 do not count
    r.IQ[1] = 50;                     // class 0x1010
    EXPECT_EQ(120, RealNo(rows, r));
}

// A model row shares the number of a built-in pattern it equals; others are
// numbered from 100, never shared between model rows.
TEST(ModelRows, SharedNumbersAndNumberingFrom100)
{
    struct {
        int st, er, wr;
        int real, simple;  // simple: 12 for ST 0, else 1
    } rows[] = {
        {0, 5, -2, 37, 12}, {4, -2, -2, 1, 1}, {9, -2, -2, 100, 1}, {9, -2, -2, 101, 1}, {0, -1, -1, 21, 12},
        {-2, -2, -2, 21, 1},
    };
    int next = 100;
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.st << "," << r.er << "," << r.wr);
        StatusEntry e;
        StatusPattern p;
        BuildModelRow(Line(r.st, r.er, r.wr, "m1", "m2", 1, 0), &next, &e, &p);
        EXPECT_EQ(r.real, e.nRealNo);
        EXPECT_EQ(static_cast<std::uint32_t>(r.real), p.dwStatusNo);
        EXPECT_EQ(r.simple, e.nSimpleNo);
        EXPECT_STREQ("m2", e.szMessage2);
    }
    EXPECT_EQ(102, next);
}
