// The register's records over plain byte buffers: keys, the walk, the
// repair of a lost end marker. Sections of any size and content are
// fuzz_window_map's (tests/fuzz, with its corpus in the suite).
#include "coord/window_map_records.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

using vm2::MapRecords;

namespace {

std::set<std::uint32_t> g_live;
bool IsLive(std::uint32_t h) { return g_live.count(h) != 0; }

// An empty register: record 0 is the end marker.
struct Section {
    explicit Section(const vm2::MapLayout& layout = vm2::kMapShortLayout)
        : bytes(layout.SectionSize(), 0), records(bytes.data(), bytes.size(), layout)
    {
        g_live = {0x1001, 0x1002, 0x1003, 0x1004, 0xFFFF0010};
        records.InitEmpty();
    }
    std::vector<std::uint8_t> bytes;
    MapRecords records;

    std::uint8_t* Rec(std::size_t i) { return records.Record(i); }
    std::string Name(std::size_t i)
    {
        const char* p = reinterpret_cast<const char*>(Rec(i));
        return std::string(p, strnlen(p, records.Layout().cbName));
    }
    std::uint32_t Slot(std::size_t i, int kind) { return vm2::ReadMapWord(Rec(i) + vm2::MapSlotOffset(records.Layout(), kind)); }
    std::uint32_t Find(const std::string& key, int kind) { return vm2::FindInMap(records, key.c_str(), kind); }
    unsigned Register(const std::string& key, int kind, std::uint32_t h, std::uint32_t* pExisting = nullptr)
    {
        std::uint32_t existing = 0xDEADBEEF;
        unsigned r = vm2::RegisterInMap(records, key.c_str(), kind, h, IsLive, &existing);
        if (r != vm2::kMapTaken) { EXPECT_EQ(0u, existing) << "existing set with result " << r; }
        if (pExisting) *pExisting = existing;
        return r;
    }
};

}  // namespace

TEST(MapKeys, SectionNameKeyChoiceAndLength)
{
    const std::string k260(260, 'p'), k261(261, 'p');
    struct {
        const char *printer, *port;
        int usePort, length;
    } rows[] = {{k260.c_str(), "", 0, 20}, {k261.c_str(), "", 0, 21}, {k261.c_str(), "LPT1:", 1, 20},
                {"", k261.c_str(), 1, 21}, {"", "", 0, 20}};
    for (const auto& row : rows) {
        char name[vm2::kMapNameBuf] = "";
        EXPECT_EQ(row.length, SelectMapName(name, sizeof(name), row.printer, row.port, row.usePort));
        EXPECT_STREQ(row.length == 20 ? "VlxV3MapFile_SIDM_02" : "VlxV3MapFile2_SIDM_02", name);
    }
    char name[vm2::kMapNameBuf] = "untouched";
    EXPECT_EQ(0, SelectMapName(nullptr, 32, "P", "L", 0));
    EXPECT_EQ(0, SelectMapName(name, sizeof(name), nullptr, "L", 0));
    EXPECT_EQ(0, SelectMapName(name, sizeof(name), "P", nullptr, 0));
    EXPECT_EQ(0, SelectMapName(name, 20, "P", "L", 0)) << "no room for the terminator";
    EXPECT_STREQ("untouched", name);
    EXPECT_EQ(20, SelectMapName(name, 21, "P", "L", 0));

    struct {
        const char *printer, *port, *key;
        bool usePort;
    } keys[] = {{"Printer", "LPT1:", "Printer", false}, {"", "LPT1:", "LPT1:", true}, {nullptr, "LPT1:", "LPT1:", true},
                {"", "", "", false},                    {nullptr, nullptr, "", false}};
    for (const auto& k : keys) {
        bool bUsePort = !k.usePort;
        EXPECT_STREQ(k.key, vm2::ChooseMapKey(k.printer, k.port, &bUsePort));
        EXPECT_EQ(k.usePort, bUsePort) << k.key;
    }
    std::string k(5000, 'k');
    EXPECT_EQ(521u, vm2::MapKeyLength(k.c_str()));
    EXPECT_EQ(261u, vm2::MapKeyLength(k.c_str(), 260));
    EXPECT_EQ(3u, vm2::MapKeyLength("abc"));
    EXPECT_EQ(0u, vm2::MapKeyLength(nullptr));
}

TEST(RegisterInMap, RecordZeroSlotsLivenessAndAll32Bits)
{
    Section s;
    std::memset(s.Rec(0) + 10, 0xCC, 264);  // old bytes behind the first name byte
    s.Rec(0)[0] = 0xFF;
    EXPECT_EQ(0u, s.Register("P", MAPWND_STATUS, 0x1001));
    EXPECT_EQ("P", s.Name(0));
    EXPECT_EQ(0xCC, s.Rec(0)[10]) << "bytes between the name and the end of the field are kept";
    for (std::size_t b = 260; b < 274; ++b)
        if (b < 262 || b >= 266) { EXPECT_EQ(0, s.Rec(0)[b]) << "byte " << b; }
    EXPECT_EQ(0x1001u, s.Slot(0, MAPWND_STATUS));
    EXPECT_EQ(1, s.records.EndMarker());

    std::uint32_t existing = 0;
    EXPECT_EQ(1u, s.Register("p", MAPWND_STATUS2, 0x1002, &existing));
    EXPECT_EQ(0x1001u, existing);
    EXPECT_EQ(0u, s.Register("P", MAPWND_PREFERENCE, 0x1002));
    EXPECT_EQ(0u, s.Register("P", MAPWND_EXTRA, 0x1003));
    EXPECT_EQ(1u, s.Register("P", 7, 0x1004, &existing));
    EXPECT_EQ(0u, existing);
    g_live.erase(0x1001);  // the status window died
    EXPECT_EQ(0u, s.Register("P", MAPWND_STATUS, 0x1004));
    EXPECT_EQ(0x1004u, s.Slot(0, MAPWND_STATUS));
    EXPECT_EQ(1, s.records.EndMarker());

    // A new key with an unknown kind gets a record without a window.
    EXPECT_EQ(0u, s.Register("Q", 7, 0x1004));
    EXPECT_EQ("Q", s.Name(1));
    EXPECT_EQ(0u, s.Slot(1, MAPWND_STATUS));

    ASSERT_EQ(0u, s.Register("High", MAPWND_STATUS, 0xFFFF0010));
    EXPECT_EQ(0xFFFF0010u, s.Find("HIGH", MAPWND_STATUS));
    EXPECT_EQ(1u, s.Register("High", MAPWND_STATUS, 0x1001, &existing));
    EXPECT_EQ(0xFFFF0010u, existing);
}

TEST(RegisterInMap, The500thLongKeyIsRefusedWithoutAChange)
{
    Section s(vm2::kMapLongLayout);
    for (int i = 0; i < 499; ++i) ASSERT_EQ(0u, s.Register(std::string(300, 'L') + std::to_string(i), MAPWND_STATUS, 0x1001)) << i;
    EXPECT_EQ(499, s.records.EndMarker());
    std::vector<std::uint8_t> before = s.bytes;
    std::string last = std::string(300, 'L') + "499";
    EXPECT_EQ(2u, s.Register(last, MAPWND_STATUS, 0x1001)) << "the marker in the last record cannot move";
    EXPECT_TRUE(before == s.bytes);
    vm2::UnregisterInMap(s.records, (std::string(300, 'l') + "10").c_str(), MAPWND_STATUS);
    EXPECT_EQ(0u, s.Register(last, MAPWND_STATUS, 0x1002));
    EXPECT_EQ(last, s.Name(10));
}

TEST(RegisterInMap, KeysThatDoNotFitAndUnknownKeysChangeNothing)
{
    Section shortSection, longSection(vm2::kMapLongLayout);
    EXPECT_EQ(0u, shortSection.Register(std::string(260, 'a'), MAPWND_STATUS, 0x1001));
    EXPECT_EQ(260u, shortSection.Name(0).size());
    EXPECT_EQ(2u, shortSection.Register(std::string(261, 'a'), MAPWND_STATUS, 0x1001));
    EXPECT_EQ(0u, longSection.Register(std::string(520, 'b'), MAPWND_STATUS, 0x1001));
    EXPECT_EQ(520u, longSection.Name(0).size());

    Section s;
    ASSERT_EQ(0u, s.Register("A", MAPWND_STATUS, 0x1001));
    ASSERT_EQ(0u, s.Register("Key", MAPWND_STATUS, 0x1002));
    vm2::UnregisterInMap(s.records, "A", MAPWND_STATUS);
    for (Section* p : {&s, &longSection}) {
        std::vector<std::uint8_t> before = p->bytes;
        EXPECT_EQ(2u, p->Register(std::string(521, 'b'), MAPWND_STATUS, 0x1001));
        EXPECT_EQ(0u, p->Find(std::string(521, 'b'), MAPWND_STATUS));
        // A key starting with the marker's byte would hide every record behind it.
        EXPECT_EQ(2u, p->Register("\xFFprinter", MAPWND_STATUS, 0x1003));
        for (const char* key : {"Other", "Ke", "Key ", static_cast<const char*>(nullptr)})
            vm2::UnregisterInMap(p->records, key, MAPWND_STATUS);
        vm2::UnregisterInMap(p->records, "Key", 4);
        vm2::UnregisterInMap(p->records, "Key", -1);
        vm2::UnregisterInMap(p->records, std::string(521, 'b').c_str(), MAPWND_STATUS);
        EXPECT_TRUE(before == p->bytes);
    }
    EXPECT_EQ(0x1002u, s.Find("KEY", MAPWND_STATUS));
    EXPECT_EQ(0u, s.Register("p\xFF", MAPWND_STATUS, 0x1003)) << "0xFF elsewhere is an ordinary byte";
}

TEST(RegisterInMap, EmptyKeyIsFoundInAFreeRecord)
{
    Section s;
    ASSERT_EQ(0u, s.Register("A", MAPWND_STATUS, 0x1001));
    ASSERT_EQ(0u, s.Register("", MAPWND_STATUS, 0x1002));
    EXPECT_EQ(0, s.Rec(1)[0]);
    EXPECT_EQ(2, s.records.EndMarker());
    EXPECT_EQ(0x1002u, s.Find("", MAPWND_STATUS));
    // The empty key's record looks free, so a new key takes it over.
    ASSERT_EQ(0u, s.Register("B", MAPWND_PREFERENCE, 0x1003));
    EXPECT_EQ("B", s.Name(1));
    EXPECT_EQ(0u, s.Find("", MAPWND_STATUS));
}

TEST(UnregisterInMap, RecordIsFreedOnlyWhenTheOtherSlotsAreEmpty)
{
    // kind unregistered, kind whose slot holds a (dead) window, freed
    const int P = MAPWND_PREFERENCE, S = MAPWND_STATUS, S2 = MAPWND_STATUS2, X = MAPWND_EXTRA;
    const int cases[][3] = {{S, P, 0}, {S, X, 0}, {S2, P, 0}, {P, S, 0}, {P, X, 0},
                            {X, S, 0}, {X, P, 0}, {S, S2, 1}, {P, P, 1}, {X, X, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c[0]) + " other " + std::to_string(c[1]));
        Section s;
        ASSERT_EQ(0u, s.Register("Key", c[1], 0x7777));  // 0x7777 is no live window
        ASSERT_EQ(0u, s.Register("Key", c[0], 0x1001));
        vm2::UnregisterInMap(s.records, "KEY", c[0]);
        EXPECT_EQ(c[2] ? 0 : 'K', s.Rec(0)[0]);
        EXPECT_EQ(0u, s.Slot(0, c[0]));
    }
}

TEST(MapRecords, NeitherRecordsBehindTheMarkerNorNamesWithoutTerminatorMatch)
{
    Section s;
    std::memset(s.Rec(0), 'A', 261);  // fills the whole name field
    s.Rec(1)[0] = 0xFF;
    std::memcpy(s.Rec(3), "Hidden", 7);
    vm2::WriteMapWord(s.Rec(3) + 262, 0x1002);
    std::string k260(260, 'A'), k261(261, 'A');
    EXPECT_EQ(-1, s.records.Search(k260.c_str(), 260));
    EXPECT_EQ(-1, s.records.Search(k261.c_str(), 261));
    EXPECT_EQ(0u, s.Find("Hidden", MAPWND_STATUS));
    EXPECT_EQ(0u, s.Register(k260, MAPWND_STATUS, 0x1001));
    EXPECT_EQ(k260, s.Name(1));
    EXPECT_EQ(0u, s.Register("Hidden", MAPWND_STATUS, 0x1003));
    EXPECT_EQ("Hidden", s.Name(2));

    MapRecords none(nullptr, 137000, vm2::kMapShortLayout);
    EXPECT_EQ(0u, none.Count());
    EXPECT_EQ(2u, vm2::RegisterInMap(none, "A", MAPWND_STATUS, 1, IsLive, nullptr));
}

TEST(RepairEndMarker, PutsTheMarkerBehindTheLastRecordInUse)
{
    struct Case {
        const char* states;  // first bytes of the records: '.' free, 'x' in use, '#' marker
        long marker;         // where the marker is afterwards
        bool wrote;
    } cases[] = {
        {"", -1, false},    {".....", 0, true}, {"xx#..", 2, false}, {"xx.x.", 4, true},
        {"x.x..", 3, true}, {"xxxxx", 4, true}, {"#xxxx", 0, false}, {"....x", 4, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.states);
        std::size_t n = strlen(c.states);
        std::vector<std::uint8_t> bytes(n * 274, 0x55);
        MapRecords r(bytes.data(), bytes.size(), vm2::kMapShortLayout);
        for (std::size_t i = 0; i < n; ++i) r.Record(i)[0] = c.states[i] == '.' ? 0x00 : c.states[i] == '#' ? 0xFF : 'x';
        EXPECT_EQ(c.wrote, r.RepairEndMarker());
        EXPECT_EQ(c.marker, r.EndMarker());
    }
}
