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

TEST(ChannelKind, TableAndUnknownIds)
{
    EXPECT_EQ(1u, vm2::GetChannelKind(4));
    EXPECT_EQ(1u, vm2::GetChannelKind(0x10000005));
    EXPECT_EQ(1u, vm2::GetChannelKind(0x10010003));
    EXPECT_EQ(1u, vm2::GetChannelKind(0x10000003));
    EXPECT_EQ(2u, vm2::GetChannelKind(0x2000001));
    EXPECT_EQ(0u, vm2::GetChannelKind(0));
    EXPECT_EQ(0u, vm2::GetChannelKind(0x20000001));
    EXPECT_EQ(0u, vm2::GetChannelKind(5));
}

TEST(BuiltinTables, EveryPatternReachesItsOwnEntry)
{
    // A parsed reply must land on its own entry, never on the kind's fallback,
    // and every entry must have a class row to show.
    StatusRows rows;
    for (const StatusPattern& p : vm2::kBuiltinPatterns) {
        int k = rows.FindEntry(1, static_cast<std::int32_t>(p.dwStatusNo));
        ASSERT_GE(k, 0) << "status " << p.dwStatusNo;
        EXPECT_NE(-1, rows.Entry(k)->nRealNo);
    }
    const StatusEntry* e = vm2::BuiltinEntries();
    for (int k = 0; k < vm2::kBuiltinEntryCount; ++k) {
        EXPECT_NE(nullptr, vm2::FindStatusClass(e[k].nClass)) << "entry " << k;
        EXPECT_EQ(0u, e[k].dwLiteral);
        EXPECT_EQ(1600, e[k].nValue3);
    }
    EXPECT_EQ(0u, e[22].dwKind);  // the end marker closes the table
    EXPECT_EQ(-1, e[22].nRealNo);
    EXPECT_EQ(3528u, vm2::MessageNumber(e[22].szMessage1));
    EXPECT_EQ(2002u, vm2::MessageNumber(e[22].szMessage2));
    const StatusClassRow* row = vm2::FindStatusClass(5);
    ASSERT_NE(nullptr, row);
    EXPECT_EQ(777u, row->dwValue[3]);
    EXPECT_EQ(nullptr, vm2::FindStatusClass(0));
    EXPECT_EQ(nullptr, vm2::FindStatusClass(13));
}

TEST(PatternSearch, BuiltinNumbers)
{
    StatusRows rows;
    EXPECT_EQ(1, RealNo(rows, Record(0x04)));
    EXPECT_EQ(33, RealNo(rows, Record(0x00, 0x02)));
    EXPECT_EQ(33, RealNo(rows, Record(0x00, 0x02, {0x10})));
    EXPECT_EQ(21, RealNo(rows, Record(0x00)));                 // ST 0, no ER, no WR
    EXPECT_EQ(21, RealNo(rows, Record(0x00, 0xFF, {0x10})));   // no ER but a warning: only the catch-all
    EXPECT_EQ(21, RealNo(rows, Record(0x07)));                 // no specific pattern
    EXPECT_EQ(14, RealNo(rows, Record(0x00, 0x00)));
    EXPECT_EQ(35, RealNo(rows, Record(0x00, 0x0E)));
    EXPECT_EQ(21, RealNo(rows, Record(0x00, 0x08)));           // ER 8 has no row
    EXPECT_EQ(17, RealNo(rows, Record(0x01, 0x05)));
    EXPECT_EQ(11, RealNo(rows, Record(0x03)));
    EXPECT_EQ(32, RealNo(rows, Record(0x05)));
    EXPECT_EQ(17, rows.FindPattern(Record(0xFF)));             // no ST at all: catch-all row
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

TEST(EntrySearch, FallbackEntryPerKind)
{
    StatusRows rows;
    EXPECT_EQ(13, rows.FindEntry(1, 1));
    EXPECT_EQ(16, rows.FindEntry(1, 21));
    EXPECT_EQ(18, rows.FindEntry(2, 22));
    EXPECT_EQ(-1, rows.FindEntry(1, 999));
    EXPECT_EQ(20, rows.FindEntry(1, -1));
    EXPECT_EQ(-1, rows.FindEntry(2, 1));
    EXPECT_EQ(19, rows.FindEntry(2, -1));
    EXPECT_EQ(21, rows.FindEntry(0, 1000));
    EXPECT_EQ(-1, rows.FindEntry(0, 16));
    EXPECT_EQ(22, rows.FindEntry(0, -1));  // the end marker finds itself
    EXPECT_EQ(-1, rows.FindEntry(3, -1));  // no fallback for an unknown kind
    EXPECT_EQ(nullptr, rows.Entry(23));
    EXPECT_EQ(nullptr, rows.Pattern(18));
    EXPECT_EQ(nullptr, rows.Entry(-1));
}

TEST(EntrySearch, ModelEntriesComeFirst)
{
    StatusEntry model[2];
    StatusPattern patterns[2];
    int next = 100;
    BuildModelRow(Line(4, -2, -2, "Ready!"), &next, &model[0], &patterns[0]);
    BuildModelRow(Line(9, -2, -2), &next, &model[1], &patterns[1]);
    StatusRows rows(model, patterns, 2);
    EXPECT_EQ(0, rows.FindEntry(1, 1));       // the model's number 1 shadows built-in entry 13
    EXPECT_EQ(1, rows.FindEntry(1, 100));
    EXPECT_EQ(2 + 20, rows.FindEntry(1, -1));
    EXPECT_EQ(2 + 22, rows.FindEntry(0, -1));
    EXPECT_STREQ("Ready!", rows.Entry(0)->szMessage1);
    EXPECT_EQ(14, rows.Entry(2)->nRealNo);     // first built-in row after the model rows
    EXPECT_EQ(nullptr, rows.Entry(2 + 23));
}

TEST(ModelRows, ClassFromSelectorAndFlag)
{
    EXPECT_EQ(10, vm2::ModelClass(1, 0));
    EXPECT_EQ(4, vm2::ModelClass(1, 5));
    EXPECT_EQ(11, vm2::ModelClass(2, 1));
    EXPECT_EQ(12, vm2::ModelClass(2, 0));
    EXPECT_EQ(9, vm2::ModelClass(0, 0));
    EXPECT_EQ(1, vm2::ModelClass(3, 1));
    EXPECT_EQ(1, vm2::ModelClass(-1, -1));
}

TEST(ModelRows, SharedNumbersAndNumberingFrom100)
{
    StatusEntry e;
    StatusPattern p;
    int next = 100;

    BuildModelRow(Line(0, 5, -2, "Jam", "Open the cover", 1, 1), &next, &e, &p);
    EXPECT_EQ(37, e.nRealNo);  // same pattern as built-in row 6
    EXPECT_EQ(37u, p.dwStatusNo);
    EXPECT_EQ(0u, p.wST);
    EXPECT_EQ(5u, p.wER);
    EXPECT_EQ(0xFFFEu, p.wWR);
    EXPECT_EQ(0u, p.dwFlags);
    EXPECT_EQ(12, e.nSimpleNo);
    EXPECT_EQ(12, e.nNotifyNo);
    EXPECT_EQ(4, e.nClass);
    EXPECT_EQ(1u, e.dwKind);
    EXPECT_EQ(1u, e.dwLiteral);
    EXPECT_EQ(-1, e.nValue1);
    EXPECT_EQ(1600, e.nValue3);
    EXPECT_EQ(0, e.nSoundNo);
    EXPECT_STREQ("Jam", e.szMessage1);
    EXPECT_STREQ("Open the cover", e.szMessage2);
    EXPECT_EQ(100, next);

    BuildModelRow(Line(4, -2, -2), &next, &e, &p);
    EXPECT_EQ(1, e.nRealNo);  // built-in pattern 15
    EXPECT_EQ(1, e.nSimpleNo);
    EXPECT_EQ(9, e.nClass);

    BuildModelRow(Line(9, -2, -2), &next, &e, &p);
    EXPECT_EQ(100, e.nRealNo);
    EXPECT_EQ(100u, p.dwStatusNo);
    BuildModelRow(Line(9, -2, -2), &next, &e, &p);
    EXPECT_EQ(101, e.nRealNo);  // model rows never share with each other
    EXPECT_EQ(102, next);

    BuildModelRow(Line(0, -1, -1), &next, &e, &p);
    EXPECT_EQ(21, e.nRealNo);  // built-in pattern 0: absent ER and WR
    BuildModelRow(Line(-2, -2, -2), &next, &e, &p);
    EXPECT_EQ(21, e.nRealNo);  // the catch-all
    EXPECT_EQ(1, e.nSimpleNo);  // 0xFFFE is a non-zero ST pattern
}
