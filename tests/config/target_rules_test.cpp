#include "config/target_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using vm2::AccountName;
using vm2::ChooseTargetBase;
using vm2::LogonFacts;
using vm2::ProfileEntry;

namespace {

const std::string kPrinterBase = "software\\KAVRO\\VLX3\\VLXData\\KPLTarget";
const std::string kPortBase = "software\\KAVRO\\VLX3\\VLXData\\KPNTarget";

ProfileEntry Profile(const char* sid, const char* user, const char* domain, bool resolved = true)
{
    ProfileEntry e;
    e.subkey = sid;
    e.resolved = resolved;
    e.account = {user, domain};
    return e;
}

// A service running as SYSTEM while "Alice" of "OFFICE" is at the console.
LogonFacts ServiceFacts()
{
    LogonFacts f;
    f.logon = {"Alice", "OFFICE"};
    f.selfKnown = true;
    f.self = {"SYSTEM", "NT AUTHORITY"};
    f.profileListOpened = true;
    f.profiles = {Profile("S-1-5-18", "SYSTEM", "NT AUTHORITY"), Profile("S-1-5-21-1-2-3-1001", "Bob", "OFFICE"),
                  Profile("S-1-5-21-1-2-3-1002", "alice", "office")};
    return f;
}

// Lines of a profile section as the profile calls hand them over.
std::string Section(const std::vector<std::string>& lines)
{
    std::string data;
    for (const std::string& l : lines) data += l + '\0';
    data += '\0';
    return data;
}

std::vector<std::pair<std::string, long>> Items(const std::string& data, int limit)
{
    std::vector<std::pair<std::string, long>> items;
    vm2::ForEachNotifyItem(data.data(), data.size(), limit,
                           [&](const char* number, long value) { items.emplace_back(number, value); });
    return items;
}

}  // namespace

// The key path must fit with its terminator; the port name is the target
// only when the printer name is empty.
TEST(TargetPaths, KeyPathBoundsAndTheNameThatCounts)
{
    char path[260];
    EXPECT_FALSE(vm2::FormatTargetKeyPath(path, 19, "B", 1)) << "one byte short of the terminator";
    ASSERT_TRUE(vm2::FormatTargetKeyPath(path, 20, "B", 2147483646));
    EXPECT_STREQ("B\\P0000002147483646", path);
    EXPECT_EQ(0, vm2::TargetKindFor("Printer", "LPT1:"));
    EXPECT_EQ(1, vm2::TargetKindFor("", "LPT1:"));
    EXPECT_STREQ("LPT1:", vm2::TargetNameFor(nullptr, "LPT1:"));
    EXPECT_EQ(0, vm2::TargetKindFor(nullptr, nullptr));
    EXPECT_STREQ("", vm2::TargetNameFor(nullptr, nullptr));
}

// Every choice of base from a service's facts; a doubt falls back to the
// current user's hive.
TEST(LogonUser, ChoiceOfTheTargetBase)
{
    const std::string hive = "S-1-5-21-1-2-3-1002\\";
    struct Case {
        const char* what;
        int kind;
        void (*change)(LogonFacts&);
        bool usersHive, sameUser;
        std::string path;
    } cases[] = {
        {"same user, printer base", 0, [](LogonFacts& f) { f.self = {"ALICE", "office"}; }, false, true, kPrinterBase},
        {"same user, port base", 1, [](LogonFacts& f) { f.self = {"ALICE", "office"}; }, false, true, kPortBase},
        {"other account, printer base", 0, [](LogonFacts&) {}, true, false, hive + kPrinterBase},
        {"other account, port base", 1, [](LogonFacts&) {}, true, false, hive + kPortBase},
        {"first resolved matching profile wins", 0, [](LogonFacts& f) {
             f.profiles.insert(f.profiles.begin(), Profile("S-unresolved", "Alice", "OFFICE", false));
             f.profiles.push_back(Profile("S-later", "Alice", "OFFICE"));
         }, true, false, hive + kPrinterBase},
        // The account is not to be trusted when its lookup failed.
        {"own account unknown", 0, [](LogonFacts& f) {
             f.selfKnown = false;
             f.self = f.logon;
         }, true, false, hive + kPrinterBase},
        {"bad kind", 2, [](LogonFacts&) {}, false, false, ""},
        {"Winlogon key missing", 0, [](LogonFacts& f) { f.logonKnown = false; }, false, false, kPrinterBase},
        {"no profile list", 0, [](LogonFacts& f) { f.profileListOpened = false; }, false, false, kPrinterBase},
        {"no profile of the user", 0, [](LogonFacts& f) { f.profiles.pop_back(); }, false, false, kPrinterBase},
        {"profile of the same user, other domain", 0,
         [](LogonFacts& f) { f.profiles.back().account.domain = "HOME"; }, false, false, kPrinterBase},
        {"logon user unknown (no session library)", 0, [](LogonFacts& f) { f.logon = {}; }, false, false,
         kPrinterBase},
        {"no user names at all are not the same user", 0, [](LogonFacts& f) { f.logon = f.self = {}; }, false, false,
         kPrinterBase},
        {"own account unknown and no profile", 0, [](LogonFacts& f) {
             f.selfKnown = false;
             f.profiles.clear();
         }, false, false, kPrinterBase},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LogonFacts f = ServiceFacts();
        c.change(f);
        auto choice = ChooseTargetBase(c.kind, f);
        EXPECT_EQ(c.usersHive, choice.usersHive);
        EXPECT_EQ(c.sameUser, choice.sameUser);
        EXPECT_EQ(c.path, choice.basePath);
    }
}

TEST(NotifyItems, OnlyItemWithThreeDigitsAndEquals)
{
    struct Case {
        const char* line;
        bool item;
        const char* number;
        long value;
    } cases[] = {
        {"ITEM003=1", true, "003", 1},
        {"ITEM010=0", true, "010", 0},
        {"item007=1", true, "007", 1},
        {"Item999=12", true, "999", 12},
        {"ITEM003= 1", true, "003", 1},
        {"ITEM003=", true, "003", 0},
        {"ITEM003=x", true, "003", 0},
        {"ITEM003=-1", true, "003", -1},
        {"ITEMNUM=2", false, "", 0},
        {"ITEM12=1", false, "", 0},
        {"ITEM1234=1", false, "", 0},
        {"ITEM003 =1", false, "", 0},
        {"ITEM0a3=1", false, "", 0},
        {"ITE003=1", false, "", 0},
        {"ITEM003", false, "", 0},
        {"", false, "", 0},
        {"OLDITEM004=1", true, "004", 1},
        {"ITEMNUMITEM005=1", true, "005", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        char number[4] = "zzz";
        long value = 77;
        std::string line = c.line;
        bool got = vm2::ParseNotifyItemLine(line.data(), line.size(), number, &value);
        EXPECT_EQ(c.item, got);
        if (c.item && got) {
            EXPECT_STREQ(c.number, number);
            EXPECT_EQ(c.value, value);
        }
    }
}

// The count limits the items, not the lines; the walk ends at an empty line
// or at the length, a line without terminator at its length.
TEST(NotifyItems, WalkOfASection)
{
    std::string data = Section({"PrnDll=x.dll", "ITEMNUM=2", "ITEM003=1", "ITEM12=1", "ITEM010=0", "ITEM020=1"});
    using Items_ = std::vector<std::pair<std::string, long>>;
    EXPECT_EQ((Items_{{"003", 1}, {"010", 0}}), Items(data, 2));
    EXPECT_EQ(3u, Items(data, 50).size()) << "the section ends first";
    EXPECT_TRUE(Items(data, 0).empty());
    EXPECT_EQ(1u, Items(Section({"ITEM001=1"}) + "ITEM002=1" + '\0' + '\0', 9).size()) << "an empty line ends the list";
    EXPECT_EQ((Items_{{"001", 1}, {"002", 42}}), Items(std::string("ITEM001=1\0ITEM002=42", 20), 9));
    EXPECT_EQ((Items_{{"001", 1}, {"002", 4}}), Items(std::string("ITEM001=1\0ITEM002=42", 19), 9));
    EXPECT_TRUE(Items(std::string("ITEM002", 7), 9).empty()) << "cut before the equals sign";
}
