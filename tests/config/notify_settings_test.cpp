#include "config/notify_settings.h"

#include <gtest/gtest.h>

#include <string>

#include "config/target_fixtures.h"
#include "harness/test_support.h"

using namespace vm2test;

namespace {

// A target key of its own in a sandbox, the way the notification list is
// checked when defaults are written.
struct NotifySandbox {
    ScopedRegKey key{HKEY_CURRENT_USER, "Software\\vm2test\\" + UniqueName("notify") + "\\P0000000000000000"};
    std::string Notify() const { return key.Path() + "\\Notify"; }
};

int Check(const NotifySandbox& box, const TestModel& model)
{
    return ChkNtfyReg(HKEY_CURRENT_USER, box.key.Path().c_str(), model.model.c_str(), model.dataFile.c_str());
}

// A printer's target key in the current user's base, as the status code
// finds it by name. The printer is real: any rebuild on the way (filling
// the context rebuilds missing keys) sweeps keys of vanished printers.
struct PrinterKey {
    CleanTargetBases clean;
    TestPrinter spooled{"vm2tk-notify"};
    std::string printer = spooled.Name();
    std::string path = TargetKeyPath(kPrinterBase, 0);
    PrinterKey() { MakeTargetKey(HKEY_CURRENT_USER, kPrinterBase, 0, printer.c_str()); }
    void Set(const char* name, DWORD v) const
    {
        RegSetKeyValueA(HKEY_CURRENT_USER, path.c_str(), name, REG_DWORD, &v, sizeof(v));
    }
    void SetItem(const char* name, DWORD v) const
    {
        RegSetKeyValueA(HKEY_CURRENT_USER, (path + "\\Notify").c_str(), name, REG_DWORD, &v, sizeof(v));
    }
};

// The printer and the resource module the buzzer question is asked with.
struct BuzzerContext {
    BuzzerContext(const PrinterKey& key, const TestModel& model, HMODULE res = nullptr)
        : printer{key.printer, model.driver, "LPT1:", model.model, model.dataFile}, res(res)
    {
    }
    int Ask(int no, int* out, const char* name = nullptr, const char* model = nullptr) const
    {
        vm2::PrinterContext asked = printer;
        if (name != nullptr) asked.printer = name;
        if (model != nullptr) asked.model = model;
        return GetBuzzerNotify(asked, res, no, out);
    }
    vm2::PrinterContext printer;
    HMODULE res;
};

}  // namespace

// ------------------------------------------------------------ the list

// The list is made at the file's defaults, ITEMNUM items of them (odd lines
// are no items); a repair adds what is missing and keeps the user's values.
TEST(ChkNtfyReg, CreatesTheListAtTheDefaultsAndRepairKeepsTheUsersChoices)
{
    NotifySandbox box;
    TestModel model("ITEMNUM=3\r\nITEM12=1\r\nITEM1234=1\r\nITEM003=1\r\nITEM010=0\r\nITEM011=7\r\nITEM020=1");
    EXPECT_EQ(1, Check(box, model));
    EXPECT_EQ((std::vector<std::string>{"Notify"}), SubkeyNames(HKEY_CURRENT_USER, box.key.Path()));
    EXPECT_EQ(1u, ReadDword(HKEY_CURRENT_USER, box.Notify(), "003"));
    EXPECT_EQ(0u, ReadDword(HKEY_CURRENT_USER, box.Notify(), "010"));
    EXPECT_EQ(7u, ReadDword(HKEY_CURRENT_USER, box.Notify(), "011"));
    for (const char* absent : {"020", "012", "123", "12", "1234"})
        EXPECT_FALSE(HasValue(HKEY_CURRENT_USER, box.Notify(), absent)) << absent;

    RegDeleteKeyValueA(HKEY_CURRENT_USER, box.Notify().c_str(), "010");
    ScopedRegKey notify(HKEY_CURRENT_USER, box.Notify());
    notify.SetDword("003", 0);
    notify.SetString("011", "yes");  // of the wrong type, but the user's
    notify.SetDword("099", 1);       // not in the file: untouched
    EXPECT_EQ(1, Check(box, model));
    EXPECT_EQ(0u, ReadDword(HKEY_CURRENT_USER, box.Notify(), "003"));
    EXPECT_EQ(0u, ReadDword(HKEY_CURRENT_USER, box.Notify(), "010"));
    EXPECT_EQ("yes", ReadString(HKEY_CURRENT_USER, box.Notify(), "011"));
    EXPECT_EQ(1u, ReadDword(HKEY_CURRENT_USER, box.Notify(), "099"));
}

TEST(ChkNtfyReg, ModelsWithoutAListAndKeysWithoutRoomForIt)
{
    for (const char* section : {"ITEM003=1", "ITEMNUM=0\r\nITEM003=1", "ITEMNUM=-2\r\nITEM003=1"}) {
        SCOPED_TRACE(section);
        NotifySandbox box;
        TestModel model(section);
        EXPECT_EQ(0, Check(box, model));
        EXPECT_FALSE(HasValue(HKEY_CURRENT_USER, box.Notify(), "003"));
    }
    NotifySandbox box;
    EXPECT_EQ(0, ChkNtfyReg(HKEY_CURRENT_USER, box.key.Path().c_str(), "VM2TK", nullptr));
    EXPECT_EQ(0, ChkNtfyReg(HKEY_CURRENT_USER, nullptr, "VM2TK", "x.ini"));

    TestModel model("ITEMNUM=1\r\nITEM003=1");
    std::string longKey = "Software\\vm2test\\" + std::string(240, 'k');  // + "\Notify" passes 259
    EXPECT_EQ(0, ChkNtfyReg(HKEY_CURRENT_USER, longKey.c_str(), model.model.c_str(), model.dataFile.c_str()));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, longKey + "\\Notify"));
}

TEST(ChkNtfyReg, SectionTooLargeForTheBufferFails)
{
    NotifySandbox box;
    std::string filler;
    for (int i = 0; filler.size() < 40000; ++i) filler += "Pad" + std::to_string(i) + "=" + std::string(40, 'p') + "\r\n";
    TestModel big("ITEMNUM=1\r\nITEM003=1\r\n" + filler);
    EXPECT_EQ(0, Check(box, big));
    EXPECT_FALSE(HasValue(HKEY_CURRENT_USER, box.Notify(), "003"));

    NotifySandbox box2;
    TestModel fits("ITEMNUM=1\r\nITEM003=1\r\n" + filler.substr(0, 32000));
    EXPECT_EQ(1, Check(box2, fits));
}

// ------------------------------------------------- sound and buzzer

TEST(GetSoundNotify, PrinterSwitchAndItemTogether)
{
    PrinterKey k;
    k.SetItem("007", 1);
    k.SetItem("008", 0);
    struct Case {
        DWORD printerSwitch;
        int number;
        int sound;
        int item;
    } cases[] = {{1, 7, 1, 1}, {0, 7, 0, 1}, {1, 8, 0, 0}, {1, 9, 0, 0}, {3, 7, 1, 1}, {2, 7, 0, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "switch " << c.printerSwitch << " number " << c.number);
        k.Set("SoundNotifyEnable", c.printerSwitch);
        int sound = -7, item = -7;
        EXPECT_EQ(0, GetSoundNotify(k.printer.c_str(), "LPT1:", c.number, &sound, &item));
        EXPECT_EQ(c.sound, sound);
        EXPECT_EQ(c.item, item);
    }
}

// Result, sound and item; both off on failure.
TEST(GetSoundNotify, MissingPiecesFailWithBothOff)
{
    PrinterKey k;
    auto ask = [](const std::string& printer) {
        int sound = -7, item = -7;
        int rc = GetSoundNotify(printer.c_str(), "LPT1:", 7, &sound, &item);
        return std::vector<int>{rc, sound, item};
    };
    EXPECT_EQ((std::vector<int>{1, 0, 0}), ask(k.printer)) << "no Notify list";
    k.SetItem("007", 1);
    EXPECT_EQ((std::vector<int>{0, 0, 1}), ask(k.printer)) << "no printer switch: off";
    EXPECT_EQ((std::vector<int>{1, 0, 0}), ask("vm2tk unknown"));
    EXPECT_EQ(1, GetSoundNotify("", "", 7, nullptr, nullptr));
    RegSetKeyValueA(HKEY_CURRENT_USER, (k.path + "\\Notify").c_str(), "007", REG_SZ, "1", 2);
    k.Set("SoundNotifyEnable", 1);
    EXPECT_EQ((std::vector<int>{0, 0, 0}), ask(k.printer)) << "a switch of the wrong type is off";
}

TEST(GetSoundNotify, PortNamePrinterUsesItsPortKey)
{
    CleanTargetBases clean;
    std::string port = UniqueName("VM2TKPORT") + ":";
    MakeTargetKey(HKEY_CURRENT_USER, kPortBase, 0, port.c_str());
    std::string key = TargetKeyPath(kPortBase, 0);
    DWORD on = 1;
    RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), "SoundNotifyEnable", REG_DWORD, &on, sizeof(on));
    RegSetKeyValueA(HKEY_CURRENT_USER, (key + "\\Notify").c_str(), "012", REG_DWORD, &on, sizeof(on));
    int sound = 0, item = 0;
    EXPECT_EQ(0, GetSoundNotify("", port.c_str(), 12, &sound, &item));
    EXPECT_EQ(1, sound);
    EXPECT_EQ(1, item);
    EXPECT_EQ(1, GetSoundNotify("someone", port.c_str(), 12, &sound, &item)) << "a printer name wins";
}

TEST(GetBuzzerNotify, UserSwitchModelDefaultAndItem)
{
    PrinterKey k;
    TestModel model("BeepBuzzerEnable=1");
    BuzzerContext ctx(k, model);
    k.SetItem("021", 1);
    k.SetItem("022", 0);
    int buzzer = -7;
    EXPECT_EQ(0, ctx.Ask(21, &buzzer));
    EXPECT_EQ(1, buzzer) << "no user value: the model's default";
    EXPECT_EQ(0, ctx.Ask(22, &buzzer));
    EXPECT_EQ(0, buzzer);
    struct Case {
        DWORD user;
        int buzzer;
    } cases[] = {{0, 0}, {1, 1}, {5, 0}, {2, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.user);
        k.Set("BeepBuzzerEnable", c.user);
        buzzer = -7;
        EXPECT_EQ(0, ctx.Ask(21, &buzzer));
        EXPECT_EQ(c.buzzer, buzzer);
    }
}

TEST(GetBuzzerNotify, OtherReasonsToFail)
{
    PrinterKey k;
    TestModel model("BeepBuzzerEnable=1");
    int buzzer = -7;
    {
        BuzzerContext ctx(k, model);
        EXPECT_EQ(1, ctx.Ask(21, &buzzer)) << "no list";
        k.SetItem("021", 1);
        EXPECT_EQ(1, ctx.Ask(21, &buzzer, "vm2tk unknown")) << "no key";
        EXPECT_EQ(1, ctx.Ask(21, &buzzer, nullptr, "VM2TK-NO-MODEL")) << "no data file";
        EXPECT_EQ(0, ctx.Ask(21, &buzzer));
        EXPECT_EQ(1, buzzer);
    }
    {
        // A resource DLL without the buzzer sound.
        BuzzerContext ctx(k, model, GetModuleHandleA("kernel32.dll"));
        buzzer = -7;
        EXPECT_EQ(1, ctx.Ask(21, &buzzer));
        EXPECT_EQ(0, buzzer);
    }
    {
        // This program carries a buzzer sound of its own.
        BuzzerContext ctx(k, model, GetModuleHandleA(nullptr));
        EXPECT_EQ(0, ctx.Ask(21, &buzzer));
        EXPECT_EQ(1, buzzer);
    }
    // A model without a buzzer, whatever the key holds.
    k.Set("BeepBuzzerEnable", 1);
    for (const char* section : {"SoundNotifyEnable=1", "BeepBuzzerEnable=-1"}) {
        SCOPED_TRACE(section);
        TestModel without(section);
        BuzzerContext ctx(k, without);
        buzzer = -7;
        EXPECT_EQ(1, ctx.Ask(21, &buzzer));
        EXPECT_EQ(0, buzzer);
    }
}

// ------------------------------------------------ stored status values

TEST(SetStatusRecord, StoresReplyAndChannel)
{
    PrinterKey k;
    const BYTE reply[] = "@BDC ST\r\nST:01;";
    EXPECT_EQ(0, SetStatusRecord(k.printer.c_str(), "LPT1:", reply, sizeof(reply) - 1, 0x10010003));
    BYTE back[64] = {};
    DWORD size = sizeof(back);
    DWORD type = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegGetValueA(HKEY_CURRENT_USER, k.path.c_str(), "Status", RRF_RT_ANY, &type, back, &size));
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
    EXPECT_EQ(sizeof(reply) - 1, size);
    EXPECT_EQ(0, memcmp(reply, back, size));
    EXPECT_EQ(0x10010003u, ReadDword(HKEY_CURRENT_USER, k.path, "Channel"));

    EXPECT_EQ(1, SetStatusRecord("vm2tk unknown", "LPT1:", reply, 4, 1));
    EXPECT_EQ(1u, SubkeyNames(HKEY_CURRENT_USER, kPrinterBase).size()) << "nothing created for an unknown printer";
}

TEST(ComStatus, StoredReadBackDefaultTwoAndOneWithoutKey)
{
    PrinterKey k;
    EXPECT_EQ(2u, GetComStatus(k.printer.c_str(), "LPT1:")) << "absent";
    SetComStatus(k.printer.c_str(), "LPT1:", 3);
    EXPECT_EQ(3u, GetComStatus(k.printer.c_str(), "LPT1:"));
    EXPECT_EQ(3u, ReadDword(HKEY_CURRENT_USER, k.path, "ComStatus"));
    SetComStatus(k.printer.c_str(), "LPT1:", 0);
    EXPECT_EQ(0u, GetComStatus(k.printer.c_str(), "LPT1:"));

    EXPECT_EQ(1u, GetComStatus("vm2tk unknown", "LPT1:"));
    SetComStatus("vm2tk unknown", "LPT1:", 4);  // silently nothing
    EXPECT_EQ(1u, SubkeyNames(HKEY_CURRENT_USER, kPrinterBase).size());

    RegSetKeyValueA(HKEY_CURRENT_USER, k.path.c_str(), "ComStatus", REG_SZ, "3", 2);
    EXPECT_EQ(2u, GetComStatus(k.printer.c_str(), "LPT1:")) << "not a number: as if absent";
}
