#include "config/target_keys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "config/target_fixtures.h"
#include "harness/test_support.h"
#include "harness/trace_log.h"
#include "module/exports.h"
#include "base/trace.h"

using namespace vm2test;

namespace {

const std::string kNone = "<missing>";

// A base of its own for the tests of the numbering and deletion helpers.
struct Sandbox {
    ScopedRegKey key{HKEY_CURRENT_USER, "Software\\vm2test\\" + UniqueName("targets")};
    const std::string& Base() const { return key.Path(); }
};

std::string Lookup(const std::string& name, int kind, int* pRc, HKEY* pRoot = nullptr)
{
    char path[260] = "sentinel";
    HKEY root = pRoot != nullptr ? *pRoot : nullptr;
    *pRc = GetCurrentTargetPrnKey(name.c_str(), kind, path, &root);
    if (pRoot != nullptr) *pRoot = root;
    return path;
}

// The defaults-bearing model section used by the rebuild tests.
const char kModelSection[] =
    "SoundNotifyEnable=1\r\n"
    "BeepBuzzerEnable=1\r\n"
    "TrayIconSelected=1\r\n"
    "InkNearEndB=5\r\n"
    "SlipMax=-1\r\n"
    "MaxIC=0\r\n"
    "ITEMNUM=2\r\n"
    "ITEM003=1\r\n"
    "ITEM010=0\r\n";

}  // namespace

// ------------------------------------------------------------ lookup

TEST(GetCurrentTargetPrnKey, MissingBaseGivesFourAndTheBasePathABadKindFive)
{
    CleanTargetBases clean;
    int rc = 0;
    HKEY root = reinterpret_cast<HKEY>(0x1234);
    for (int kind : {2, -1}) {
        EXPECT_EQ("sentinel", Lookup("x", kind, &rc, &root)) << "a bad kind touches nothing";
        EXPECT_EQ(5, rc);
        EXPECT_EQ(reinterpret_cast<HKEY>(0x1234), root);
    }
    EXPECT_EQ(kPrinterBase, Lookup("anything", 0, &rc, &root));
    EXPECT_EQ(4, rc);
    EXPECT_EQ(HKEY_CURRENT_USER, root) << "this process is the logged-on user";
    EXPECT_EQ(kPortBase, Lookup("LPT1:", 1, &rc));
    EXPECT_EQ(4, rc);
}

TEST(GetCurrentTargetPrnKey, FindsByNameIgnoringCaseNeverByNumber)
{
    CleanTargetBases clean;
    MakeTargetKey(HKEY_CURRENT_USER, kPrinterBase, 0, nullptr);               // no "Name"
    MakeTargetKey(HKEY_CURRENT_USER, kPrinterBase, 1, "");                    // empty
    MakeTargetKey(HKEY_CURRENT_USER, kPrinterBase, 2, std::string(300, 'L').c_str());  // too long to read
    MakeTargetKey(HKEY_CURRENT_USER, kPrinterBase, 5, "Other Printer");
    MakeTargetKey(HKEY_CURRENT_USER, kPrinterBase, 9, "My Printer");
    std::string wrongType = TargetKeyPath(kPrinterBase, 3);
    ScopedRegKey dword(HKEY_CURRENT_USER, wrongType);
    dword.SetDword("Name", 7);

    int rc = -1;
    HKEY root = nullptr;
    EXPECT_EQ(TargetKeyPath(kPrinterBase, 9), Lookup("mY pRINTER", 0, &rc, &root));
    EXPECT_EQ(0, rc);
    EXPECT_EQ(HKEY_CURRENT_USER, root);
    EXPECT_EQ(TargetKeyPath(kPrinterBase, 5), Lookup("Other Printer", 0, &rc));
    EXPECT_EQ(0, rc);

    EXPECT_EQ(kPrinterBase, Lookup("Missing Printer", 0, &rc));
    EXPECT_EQ(1, rc);
    EXPECT_EQ(kPrinterBase, Lookup("", 0, &rc)) << "an empty name matches no empty \"Name\"";
    EXPECT_EQ(1, rc);
    EXPECT_EQ(kPrinterBase, Lookup(std::string(300, 'L'), 0, &rc));
    EXPECT_EQ(1, rc);
    EXPECT_EQ(kPrinterBase, Lookup("My Printer ", 0, &rc)) << "no trimming";
    EXPECT_EQ(1, rc);

    Lookup("My Printer", 1, &rc);
    EXPECT_EQ(4, rc) << "the port family is a base of its own";
}

// ------------------------------------------------------- numbered keys

// The first key is number 0 below a base made on the way, with its name, no
// setting and the default timer; numbers freed are reused lowest first and a
// taken one never.
TEST(CreateTargetPrnKey, NumberingFromZeroReusesGapsLowestFirst)
{
    Sandbox box;
    std::string base = box.Base() + "\\KPLTarget";
    char path[260];
    for (int expected : {0, 1, 2}) {
        ASSERT_EQ(0, CreateTargetPrnKey(HKEY_CURRENT_USER, "P", 0, base.c_str(), path));
        EXPECT_EQ(TargetKeyPath(base.c_str(), expected), path);
    }
    EXPECT_EQ(base + "\\P0000000000000002", path);
    EXPECT_EQ("P", ReadString(HKEY_CURRENT_USER, path, "Name"));
    EXPECT_EQ(0u, ReadDword(HKEY_CURRENT_USER, path, "Setting"));
    EXPECT_EQ(10u, ReadDword(HKEY_CURRENT_USER, path, "Timer"));
    DeleteRegTree(HKEY_CURRENT_USER, TargetKeyPath(base.c_str(), 0));
    DeleteRegTree(HKEY_CURRENT_USER, TargetKeyPath(base.c_str(), 2));
    ASSERT_EQ(0, CreateTargetPrnKey(HKEY_CURRENT_USER, "Q", 0, base.c_str(), path));
    EXPECT_EQ(TargetKeyPath(base.c_str(), 0), path);
    strcpy(path, base.c_str());
    ASSERT_EQ(0, CreateTargetPrnKey(HKEY_CURRENT_USER, "R", 0, path, path)) << "the base buffer as the out buffer";
    EXPECT_EQ(TargetKeyPath(base.c_str(), 2), path);
    EXPECT_EQ("P", ReadString(HKEY_CURRENT_USER, TargetKeyPath(base.c_str(), 1), "Name"));
}

TEST(CreateTargetPrnKey, Failures)
{
    Sandbox box;
    char path[260] = "sentinel";
    EXPECT_EQ(4, CreateTargetPrnKey(reinterpret_cast<HKEY>(0x1234), "P", 0, "x", path)) << "base not creatable";
    EXPECT_STREQ("sentinel", path);

    // Names no lookup could find again are refused before a key is taken.
    EXPECT_EQ(2, CreateTargetPrnKey(HKEY_CURRENT_USER, std::string(260, 'n').c_str(), 0, box.Base().c_str(), path));
    EXPECT_EQ(2, CreateTargetPrnKey(HKEY_CURRENT_USER, "", 0, box.Base().c_str(), path));
    EXPECT_EQ(2, CreateTargetPrnKey(HKEY_CURRENT_USER, nullptr, 0, box.Base().c_str(), path));
    EXPECT_STREQ("sentinel", path);
    EXPECT_TRUE(SubkeyNames(HKEY_CURRENT_USER, box.Base()).empty());

    ASSERT_EQ(0, CreateTargetPrnKey(HKEY_CURRENT_USER, std::string(259, 'n').c_str(), 0, box.Base().c_str(), path));
    EXPECT_EQ(std::string(259, 'n'), ReadString(HKEY_CURRENT_USER, path, "Name")) << "the longest name that fits";
}

// ------------------------------------------------------------ deletion

TEST(DeleteTargetKey, BothDeletersRemoveTheWholeTreeAndOnlyIt)
{
    for (auto del : {DeleteTargetKey, DeleteUnusedKey}) {
        SCOPED_TRACE(del == DeleteTargetKey ? "DeleteTargetKey" : "DeleteUnusedKey");
        Sandbox box;
        std::string key = box.Base() + "\\P0000000000000004";
        ScopedRegKey deep(HKEY_CURRENT_USER, key + "\\Notify\\a\\b\\c");
        ScopedRegKey wide(HKEY_CURRENT_USER, key + "\\Other");
        ScopedRegKey sibling(HKEY_CURRENT_USER, box.Base() + "\\P0000000000000005\\Notify");
        deep.SetDword("x", 1);
        EXPECT_EQ(0, del(HKEY_CURRENT_USER, key.c_str()));
        EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, key));
        EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, sibling.Path()));
        EXPECT_EQ(-1, del(HKEY_CURRENT_USER, key.c_str()));
    }
}

TEST(DeleteNoneReg, RemovesKeysOfVanishedPrintersAndNamelessKeys)
{
    CleanTargetBases clean;
    TestPrinter living;
    ASSERT_TRUE(living.Installed());
    std::string upper = living.Name();
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);

    MakeTargetKey(HKEY_CURRENT_USER, kPrinterBase, 0, upper.c_str());           // living, other case
    MakeTargetKey(HKEY_CURRENT_USER, kPrinterBase, 1, "vm2tk no such printer"); // vanished
    MakeTargetKey(HKEY_CURRENT_USER, kPrinterBase, 2, nullptr);                 // no name
    MakeTargetKey(HKEY_CURRENT_USER, kPrinterBase, 3, "");                      // empty name
    MakeTargetKey(HKEY_CURRENT_USER, kPrinterBase, 4, living.Name().c_str());   // living
    MakeTargetKey(HKEY_CURRENT_USER, kPrinterBase, 5, std::string(400, 'x').c_str());
    ScopedRegKey notify(HKEY_CURRENT_USER, TargetKeyPath(kPrinterBase, 1) + "\\Notify\\deeper");
    ScopedRegKey wrongType(HKEY_CURRENT_USER, TargetKeyPath(kPrinterBase, 6));
    wrongType.SetDword("Name", 1);
    // Port-name keys only go when they lost their name.
    MakeTargetKey(HKEY_CURRENT_USER, kPortBase, 0, nullptr);
    MakeTargetKey(HKEY_CURRENT_USER, kPortBase, 1, "LPT9:");
    MakeTargetKey(HKEY_CURRENT_USER, kPortBase, 2, "");

    EXPECT_EQ(0, DeleteNoneReg(HKEY_CURRENT_USER, kPrinterBase));

    std::vector<std::string> left = SubkeyNames(HKEY_CURRENT_USER, kPrinterBase);
    EXPECT_EQ((std::vector<std::string>{"P0000000000000000", "P0000000000000004"}), left);
    EXPECT_EQ((std::vector<std::string>{"P0000000000000001"}), SubkeyNames(HKEY_CURRENT_USER, kPortBase));
    EXPECT_EQ(0u, ReadDword(HKEY_CURRENT_USER, TargetKeyPath(kPrinterBase, 0), "Setting", 0))
        << "a living printer's key is not even marked";
}

TEST(DeleteNoneReg, WithoutPortBaseSweepsButReportsFailure)
{
    CleanTargetBases clean;
    MakeTargetKey(HKEY_CURRENT_USER, kPrinterBase, 0, "vm2tk no such printer");
    EXPECT_EQ(-1, DeleteNoneReg(HKEY_CURRENT_USER, kPrinterBase));
    EXPECT_TRUE(SubkeyNames(HKEY_CURRENT_USER, kPrinterBase).empty());
    DeleteRegTree(HKEY_CURRENT_USER, kPrinterBase);
    EXPECT_EQ(-1, DeleteNoneReg(HKEY_CURRENT_USER, kPrinterBase)) << "no base at all";
}

TEST(DeleteNoneReg, HundredsOfKeysEachExaminedOnce)
{
    CleanTargetBases clean;
    TestPrinter living;
    ASSERT_TRUE(living.Installed());
    // Runs of stale keys next to each other are where a sweep that moves on
    // after a removal would skip one.
    for (int i = 0; i < 300; ++i)
        MakeTargetKey(HKEY_CURRENT_USER, kPrinterBase, i, (i % 3 == 0) ? living.Name().c_str() : "vm2tk gone");
    MakeTargetKey(HKEY_CURRENT_USER, kPortBase, 0, "LPT1:");
    EXPECT_EQ(0, DeleteNoneReg(HKEY_CURRENT_USER, kPrinterBase));
    std::vector<std::string> left = SubkeyNames(HKEY_CURRENT_USER, kPrinterBase);
    ASSERT_EQ(100u, left.size());
    for (size_t i = 0; i < left.size(); ++i) EXPECT_EQ(TargetKeyPath("", int(i * 3)).substr(1), left[i]);
    char path[260];
    ASSERT_EQ(0, CreateTargetPrnKey(HKEY_CURRENT_USER, "next", 0, kPrinterBase, path));
    EXPECT_EQ(TargetKeyPath(kPrinterBase, 1), path) << "the first gap";
}

TEST(DeleteNoneReg, PrinterWithoutPrintProcessorCountsAsGone)
{
    CleanTargetBases clean;
    TestPrinter broken;
    ASSERT_TRUE(broken.Installed());
    // The spooler keeps its printers in the machine's registry; a record that
    // lost its print processor is what a half-removed printer looks like.
    std::string record = "System\\CurrentControlSet\\Control\\Print\\Printers\\" + broken.Name();
    ASSERT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, record));
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, record.c_str(), "Print Processor", REG_SZ, "", 1);
    MakeTargetKey(HKEY_CURRENT_USER, kPrinterBase, 0, broken.Name().c_str());
    MakeTargetKey(HKEY_CURRENT_USER, kPortBase, 0, "LPT1:");
    EXPECT_EQ(0, DeleteNoneReg(HKEY_CURRENT_USER, kPrinterBase));
    EXPECT_TRUE(SubkeyNames(HKEY_CURRENT_USER, kPrinterBase).empty());
}

// ----------------------------------------------------- check and rebuild

TEST(CheckTargetRegKey, ExistingKeyIsFoundNotRebuilt)
{
    CleanTargetBases clean;
    MakeTargetKey(HKEY_CURRENT_USER, kPrinterBase, 3, "vm2tk no such printer");
    MakeTargetKey(HKEY_CURRENT_USER, kPrinterBase, 7, "Known Printer");
    char path[260] = "sentinel";
    int kind = -1;
    EXPECT_EQ(0, CheckTargetRegKey("known printer", "LPT1:", "model", &kind, path));
    EXPECT_EQ(0, kind);
    EXPECT_EQ(TargetKeyPath(kPrinterBase, 7), path);
    EXPECT_EQ(2u, SubkeyNames(HKEY_CURRENT_USER, kPrinterBase).size()) << "no sweep without a rebuild";
}

TEST(CheckTargetRegKey, PortNameKeysLiveUnderTheirOwnBase)
{
    CleanTargetBases clean;
    std::string port = UniqueName("VM2TKPORT") + ":";
    char path[260] = "";
    int kind = -1;
    // No data file for the model: the key is made, nothing fills it.
    EXPECT_EQ(4, CheckTargetRegKey("", port.c_str(), "VM2TK-NO-MODEL", &kind, path));
    EXPECT_EQ(1, kind);
    std::string key = TargetKeyPath(kPortBase, 0);
    EXPECT_EQ(key, path);
    EXPECT_EQ(port, ReadString(HKEY_CURRENT_USER, key, "Name"));
    EXPECT_EQ(10u, ReadDword(HKEY_CURRENT_USER, key, "Timer"));
    EXPECT_FALSE(HasValue(HKEY_CURRENT_USER, key, "SoundNotifyEnable"));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kPrinterBase));

    EXPECT_EQ(0, CheckTargetRegKey(nullptr, port.c_str(), "VM2TK-NO-MODEL", &kind, path)) << "found again";
    EXPECT_EQ(key, path);
}

TEST(RebuildTargetKey, StaleKeyGoesWithItsSubkeysLivingKeysStay)
{
    CleanTargetBases clean;
    TestPrinter doomed, kept, fresh;
    ASSERT_TRUE(doomed.Installed() && kept.Installed() && fresh.Installed());
    TestModel model(kModelSection);  // no printer DLL: rebuilds stop at 4
    char path[260];
    int kind;
    EXPECT_EQ(4, CheckTargetRegKey(doomed.Name().c_str(), "LPT1:", model.model.c_str(), &kind, path));
    EXPECT_EQ(TargetKeyPath(kPrinterBase, 0), path);
    EXPECT_EQ(4, CheckTargetRegKey(kept.Name().c_str(), "LPT1:", model.model.c_str(), &kind, path));
    EXPECT_EQ(TargetKeyPath(kPrinterBase, 1), path);
    ScopedRegKey notify(HKEY_CURRENT_USER, TargetKeyPath(kPrinterBase, 0) + "\\Notify");
    notify.SetDword("003", 1);

    doomed.Remove();
    ASSERT_FALSE(PrinterExists(doomed.Name()));
    vm2test::TraceLog log;
    {
        vm2test::TraceOn on;
        EXPECT_EQ(4, CheckTargetRegKey(fresh.Name().c_str(), "LPT1:", model.model.c_str(), &kind, path));
    }
    EXPECT_EQ(1, log.Count("GetCurrentTargetPrnKey()")) << "the rebuild rechecks its key without a lookup's lines";
    EXPECT_EQ(TargetKeyPath(kPrinterBase, 0), path) << "the freed number";
    EXPECT_EQ(fresh.Name(), ReadString(HKEY_CURRENT_USER, path, "Name"));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, TargetKeyPath(kPrinterBase, 0) + "\\Notify"));
    EXPECT_EQ(kept.Name(), ReadString(HKEY_CURRENT_USER, TargetKeyPath(kPrinterBase, 1), "Name"));
    EXPECT_EQ(2u, SubkeyNames(HKEY_CURRENT_USER, kPrinterBase).size());
}

TEST(RebuildTargetKey, PrinterDllMissingOrWithoutExport)
{
    CleanTargetBases clean;
    TestPrinter first, second;
    ASSERT_TRUE(first.Installed() && second.Installed());
    {
        TestModel model(kModelSection, false, "vm2tk-absent.dll");
        char base[260];
        strcpy(base, kPrinterBase);
        EXPECT_EQ(4, RebuildTargetKey(HKEY_CURRENT_USER, first.Name().c_str(), "LPT1:", model.model.c_str(), 0,
                                      base));
        EXPECT_EQ(TargetKeyPath(kPrinterBase, 0), base);
    }
    {
        // Any DLL without the export stands for a wrong printer DLL.
        TestModel model(kModelSection, false, "noexport.dll");
        char sys[MAX_PATH];
        GetSystemDirectoryA(sys, MAX_PATH);
        ASSERT_TRUE(CopyFileA((std::string(sys) + "\\version.dll").c_str(),
                              (model.dir.Path() + "\\noexport.dll").c_str(), FALSE));
        char base[260];
        strcpy(base, kPrinterBase);
        EXPECT_EQ(5, RebuildTargetKey(HKEY_CURRENT_USER, second.Name().c_str(), "LPT1:", model.model.c_str(), 0,
                                      base));
        EXPECT_EQ(TargetKeyPath(kPrinterBase, 1), base) << "the first key still belongs to a living printer";
        EXPECT_EQ(second.Name(), ReadString(HKEY_CURRENT_USER, base, "Name"));
        EXPECT_EQ(10u, ReadDword(HKEY_CURRENT_USER, base, "Timer"));
        EXPECT_FALSE(HasValue(HKEY_CURRENT_USER, base, "SoundNotifyEnable"));
    }
}

TEST(RebuildTargetKey, KeyThatAppearedMeanwhileIsTakenNotDuplicated)
{
    // Another process may have made the key between our failed lookup and
    // the rebuild.
    CleanTargetBases clean;
    TestPrinter printer;
    ASSERT_TRUE(printer.Installed());
    MakeTargetKey(HKEY_CURRENT_USER, kPrinterBase, 0, "vm2tk no such printer");
    MakeTargetKey(HKEY_CURRENT_USER, kPrinterBase, 1, printer.Name().c_str());
    char base[260];
    strcpy(base, kPrinterBase);
    EXPECT_EQ(0, RebuildTargetKey(HKEY_CURRENT_USER, printer.Name().c_str(), "LPT1:", "VM2TK-NO-MODEL", 0, base));
    EXPECT_EQ(TargetKeyPath(kPrinterBase, 1), base);
    EXPECT_EQ((std::vector<std::string>{"P0000000000000001"}), SubkeyNames(HKEY_CURRENT_USER, kPrinterBase))
        << "swept, nothing new";
}

TEST(RebuildTargetKey, PrinterDllWritesTheDefaults)
{
    // Needs the module's own PrSetRegDefaultValue to write the defaults.
    CleanTargetBases clean;
    TestPrinter printer;
    ASSERT_TRUE(printer.Installed());
    TestModel model(kModelSection, true);
    char path[260] = "";
    int kind = -1;
    EXPECT_EQ(0, CheckTargetRegKey(printer.Name().c_str(), "LPT1:", model.model.c_str(), &kind, path));
    std::string key = TargetKeyPath(kPrinterBase, 0);
    EXPECT_EQ(key, path);
    EXPECT_EQ(1u, SubkeyNames(HKEY_CURRENT_USER, kPrinterBase).size()) << "the nested fill finds the new key";
    EXPECT_EQ(5u, ReadDword(HKEY_CURRENT_USER, key, "InkNearEndB"));
    EXPECT_EQ(1u, ReadDword(HKEY_CURRENT_USER, key + "\\Notify", "003"));
}

// ------------------------------------------------------------ defaults

TEST(SetRegDefaultValue, WritesAlwaysValuesAndOnlyTheLimitsTheFileHas)
{
    Sandbox box;
    TestModel model(kModelSection);
    std::string key = box.Base() + "\\P0000000000000000";
    ScopedRegKey target(HKEY_CURRENT_USER, key);
    target.SetDword("InkNearEndC", 9);   // the file lacks it: stays
    target.SetDword("SlipMax", 4);       // the file says -1: absent, stays
    target.SetDword("TrayIconEnable", 1);  // always written: the file lacks it, so 0

    EXPECT_EQ(0, SetRegDefaultValue(HKEY_CURRENT_USER, model.dataFile.c_str(), model.model.c_str(), key.c_str()));
    EXPECT_EQ(1u, ReadDword(HKEY_CURRENT_USER, key, "SoundNotifyEnable"));
    EXPECT_EQ(1u, ReadDword(HKEY_CURRENT_USER, key, "BeepBuzzerEnable"));
    EXPECT_EQ(0u, ReadDword(HKEY_CURRENT_USER, key, "TrayIconEnable"));
    EXPECT_EQ(1u, ReadDword(HKEY_CURRENT_USER, key, "TrayIconSelected"));
    EXPECT_EQ(5u, ReadDword(HKEY_CURRENT_USER, key, "InkNearEndB"));
    EXPECT_EQ(9u, ReadDword(HKEY_CURRENT_USER, key, "InkNearEndC"));
    EXPECT_EQ(4u, ReadDword(HKEY_CURRENT_USER, key, "SlipMax"));
    EXPECT_EQ(0u, ReadDword(HKEY_CURRENT_USER, key, "MaxIC")) << "0 is a value, not an absence";
    for (const char* absent : {"SizeUnitH", "MaxCaset", "PaperNearEnd"}) {
        SCOPED_TRACE(absent);
        EXPECT_FALSE(HasValue(HKEY_CURRENT_USER, key, absent));
    }
    EXPECT_EQ(1u, ReadDword(HKEY_CURRENT_USER, key + "\\Notify", "003"));
    EXPECT_EQ(0u, ReadDword(HKEY_CURRENT_USER, key + "\\Notify", "010"));
}

TEST(SetRegDefaultValue, MissingKeyAndModelWithoutList)
{
    Sandbox box;
    TestModel noList("SoundNotifyEnable=1\r\n");
    std::string key = box.Base() + "\\P0000000000000000";
    EXPECT_EQ(1, SetRegDefaultValue(HKEY_CURRENT_USER, noList.dataFile.c_str(), noList.model.c_str(), key.c_str()));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, key)) << "nothing created";

    ScopedRegKey target(HKEY_CURRENT_USER, key);
    EXPECT_EQ(4, SetRegDefaultValue(HKEY_CURRENT_USER, noList.dataFile.c_str(), noList.model.c_str(), key.c_str()));
    EXPECT_EQ(1u, ReadDword(HKEY_CURRENT_USER, key, "SoundNotifyEnable")) << "the defaults come first";
    EXPECT_EQ(4, SetRegDefaultValue(HKEY_CURRENT_USER, nullptr, noList.model.c_str(), key.c_str()));
    EXPECT_EQ(0u, ReadDword(HKEY_CURRENT_USER, key, "SoundNotifyEnable")) << "no data file: the defaults";
}

TEST(PrSetRegDefaultValue, WritesIntoTheFoundKey)
{
    CleanTargetBases clean;
    TestPrinter printer;
    ASSERT_TRUE(printer.Installed());
    TestModel model(kModelSection);
    MakeTargetKey(HKEY_CURRENT_USER, kPrinterBase, 2, printer.Name().c_str());
    // No data file given: looked up from driver and model.
    EXPECT_EQ(0, PrSetRegDefaultValue(printer.Name().c_str(), model.driver.c_str(), "LPT1:", model.model.c_str(),
                                      nullptr));
    std::string key = TargetKeyPath(kPrinterBase, 2);
    EXPECT_EQ(5u, ReadDword(HKEY_CURRENT_USER, key, "InkNearEndB"));
    EXPECT_EQ(1u, ReadDword(HKEY_CURRENT_USER, key + "\\Notify", "003"));

    EXPECT_EQ(1, PrSetRegDefaultValue("", model.driver.c_str(), "LPT1:", model.model.c_str(), nullptr))
        << "context invalid";
}
