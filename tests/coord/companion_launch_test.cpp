// The tray-icon program's start and logon entry, with the kit's stand-in
// icon program reading what the module launched. The Run key is the user's
// and shared: these tests hold the "run_key" lock and use value names of
// their own.
#include "coord/companion_launch.h"

#include <gtest/gtest.h>

#include <string>

#include "config/regpaths.h"
#include "coord/companion_fixture.h"

using comptest::CompanionSandbox;
using vm2test::UniqueName;

namespace {

const char kRunKey[] = "software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kMissing[] = "<missing>";

// A value of the user's Run key, removed however the test ends.
struct RunValueGuard {
    explicit RunValueGuard(std::string n) : name(std::move(n)) {}
    ~RunValueGuard() { RegDeleteKeyValueA(HKEY_CURRENT_USER, kRunKey, name.c_str()); }
    std::string name;
};

std::string RunValue(const std::string& name)
{
    HKEY h = nullptr;
    char buf[1024] = "";
    DWORD size = sizeof(buf), type = 0;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_READ, &h) != ERROR_SUCCESS) return kMissing;
    LONG rc = RegQueryValueExA(h, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(h);
    if (rc != ERROR_SUCCESS) return kMissing;  // RegGetValue would add a missing terminator
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(strlen(buf) + 1, size) << "the value is stored with its terminator";
    return buf;
}

void SetRunValue(const std::string& name, const std::string& value)
{
    RegSetKeyValueA(HKEY_CURRENT_USER, kRunKey, name.c_str(), REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

// The fields the stand-in read, each compared.
void ExpectFields(const companion::Record& r, std::initializer_list<std::pair<const char*, std::string>> fields)
{
    for (const auto& [name, value] : fields) EXPECT_EQ(value, r.Get(name)) << name;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// ""<icon>" /A "<path>"": the path.
std::string EntryFile(const std::string& value)
{
    std::string prefix = "\"" + comptest::IconStandIn() + "\" /A \"";
    if (value.compare(0, prefix.size(), prefix) != 0 || value.back() != '"') return "<not an /A entry: " + value + ">";
    return value.substr(prefix.size(), value.size() - prefix.size() - 1);
}

}  // namespace

// ------------------------------------------------------------ immediate start

TEST(StartIconProgram, OneShotFileCarriesTheIdentityAndTheReaderDeletesIt)
{
    CompanionSandbox box;
    const std::string printer = "Printer \"A\"/B \xC4\xD6";
    ASSERT_EQ(1, StartIconProgram(TRUE, printer.c_str(), box.DriverName().c_str(), "USB001", "KX-9100"));
    auto records = box.WaitForRecords(1);
    ASSERT_EQ(1u, records.size());
    const companion::Record& r = records[0];
    EXPECT_EQ("icon", r.program);
    // "<icon> /F "K_V....tmp"": the name alone, found in the temporary folder.
    const std::string& args = r.Get("args");
    EXPECT_EQ(0u, args.find(" /F \"K_V")) << args;
    EXPECT_EQ(".tmp\"", args.substr(args.size() - 5)) << args;
    // No driver name is handed over; a one-shot file is deleted by its reader.
    ExpectFields(r, {{"P", printer}, {"O", "USB001"}, {"M", "KX-9100"}, {"D", ""}, {"R", "0"}, {"paramfile_left", "0"}});
    EXPECT_TRUE(box.TempFiles().empty()) << box.TempFiles().front();
}

TEST(StartIconProgram, WithoutATemporaryFolderTheNamesGoOnTheCommandLine)
{
    CompanionSandbox box;
    comptest::ScopedEnv tmp("TMP", box.TempFolder() + "\\missing\\");
    comptest::ScopedEnv temp("TEMP", box.TempFolder() + "\\missing\\");
    const std::string printer = "Pr\"int/er \"x\"";
    ASSERT_EQ(1, StartIconProgram(FALSE, printer.c_str(), box.DriverName().c_str(), "\\\\srv\\q\"1", "KX-9100"));
    ASSERT_EQ(1, StartIconProgram(TRUE, printer.c_str(), box.DriverName().c_str(), "USB001", "KX-9100"));
    auto records = box.WaitForRecords(2);
    ASSERT_EQ(2u, records.size());
    // The records may come in either order.
    const companion::Record& off = records[0].Get("R") == "1" ? records[0] : records[1];
    const companion::Record& on = records[0].Get("R") == "1" ? records[1] : records[0];
    const std::string n = std::to_string(printer.size());
    EXPECT_EQ(" /P" + n + " \"" + printer + "\" /O9 \"\\\\srv\\q\"1\" /M \"KX-9100\"  /R", off.Get("args"));
    ExpectFields(off, {{"P", printer}, {"O", "\\\\srv\\q\"1"}, {"M", "KX-9100"}, {"R", "1"}});
    EXPECT_EQ(" /P" + n + " \"" + printer + "\" /O6 \"USB001\" /M \"KX-9100\" ", on.Get("args"));
    ExpectFields(on, {{"P", printer}, {"R", "0"}});
    EXPECT_TRUE(box.TempFiles().empty());
}

TEST(StartIconProgram, RefusalsStartNothingAndLeaveNoFile)
{
    CompanionSandbox box;
    std::string tooLong(260, 'p');
    EXPECT_EQ(0, StartIconProgram(TRUE, tooLong.c_str(), box.DriverName().c_str(), "USB001", "KX-9100"));
    EXPECT_EQ(0, StartIconProgram(TRUE, "Printer", box.DriverName().c_str(), "USB001", tooLong.c_str()));
    box.SetDriverValue("K_VICN", box.TempFolder() + "\\no such icon program.exe");
    EXPECT_EQ(0, StartIconProgram(TRUE, "Printer", box.DriverName().c_str(), "USB001", "KX-9100"));
    EXPECT_TRUE(box.TempFiles().empty()) << box.TempFiles().front();
    // A command line of more than 520 characters is not used either.
    box.SetDriverValue("K_VICN", comptest::IconStandIn());
    comptest::ScopedEnv tmp("TMP", box.TempFolder() + "\\missing\\");
    std::string longest(259, 'x');
    EXPECT_EQ(0, StartIconProgram(TRUE, longest.c_str(), box.DriverName().c_str(), longest.c_str(), "KX-9100"));
    Sleep(200);
    EXPECT_TRUE(box.Records().empty());
}

// ------------------------------------------------------------ logon entry

TEST(UpdateRunEntry, OnWritesTheEntryThatStartsTheIconProgramOffRemovesEntryAndFile)
{
    CompanionSandbox box;
    RunValueGuard guard(UniqueName("CT Printer \"Q\"/1"));
    const char* printer = guard.name.c_str();
    ASSERT_EQ(1, UpdateRunEntry(TRUE, printer, box.DriverName().c_str(), "USB001", "KX-9100"));
    std::string first = EntryFile(RunValue(printer));
    EXPECT_EQ(box.TempFolder() + "\\", first.substr(0, box.TempFolder().size() + 1));
    EXPECT_EQ(std::string("/P \"") + printer + "\"\r\n/O \"USB001\"\r\n/M \"KX-9100\"\r\n", vm2test::ReadFileText(first))
        << "text-mode lines end in CR LF on disk";

    // On again: a new file, the previous one gone.
    ASSERT_EQ(1, UpdateRunEntry(TRUE, printer, box.DriverName().c_str(), "COM3:", "KX-9100"));
    std::string entry = RunValue(printer), second = EntryFile(entry);
    EXPECT_NE(first, second);
    EXPECT_FALSE(Exists(first));
    EXPECT_EQ(1u, box.TempFiles().size());

    // Started as the logon starts it, the icon program reads the file and keeps it.
    ASSERT_NE(0xDEADu, vm2test::ChildProcess(entry).Wait(20000)) << entry;
    auto records = box.WaitForRecords(1);
    ASSERT_EQ(1u, records.size());
    // The logon entry's file is read at every logon.
    ExpectFields(records[0], {{"P", guard.name}, {"O", "COM3:"}, {"M", "KX-9100"}, {"R", "0"}, {"paramfile", second}, {"paramfile_left", "1"}});

    // Off: value and file gone; off once more is still fine.
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(1, UpdateRunEntry(FALSE, printer, box.DriverName().c_str(), "COM3:", "KX-9100"));
        EXPECT_EQ(kMissing, RunValue(printer));
        EXPECT_TRUE(box.TempFiles().empty());
    }
}

TEST(UpdateRunEntry, UnderThePortNameWhenThePrinterHasNoneAndWithoutAFileNoPrinter)
{
    CompanionSandbox box;
    RunValueGuard port(UniqueName("CTPORT") + ":"), noTemp(UniqueName("CT NoTemp"));
    ASSERT_EQ(1, UpdateRunEntry(TRUE, "", box.DriverName().c_str(), port.name.c_str(), "KX-9100"));
    std::string file = EntryFile(RunValue(port.name));
    EXPECT_EQ("/O \"" + port.name + "\"\r\n/M \"KX-9100\"\r\n", vm2test::ReadFileText(file));
    ASSERT_EQ(1, UpdateRunEntry(FALSE, nullptr, box.DriverName().c_str(), port.name.c_str(), "KX-9100"));
    EXPECT_EQ(kMissing, RunValue(port.name));
    EXPECT_FALSE(Exists(file));

    comptest::ScopedEnv tmp("TMP", box.TempFolder() + "\\missing\\"), temp("TEMP", box.TempFolder() + "\\missing\\");
    ASSERT_EQ(1, UpdateRunEntry(TRUE, noTemp.name.c_str(), box.DriverName().c_str(), "USB001", "KX-9100"));
    EXPECT_EQ("\"" + comptest::IconStandIn() + "\" /P0 \"\" /O0 \"\" /M \"\"", RunValue(noTemp.name));
    ASSERT_EQ(1, UpdateRunEntry(FALSE, noTemp.name.c_str(), box.DriverName().c_str(), "USB001", "KX-9100"));
    EXPECT_EQ(kMissing, RunValue(noTemp.name));
}

TEST(UpdateRunEntry, FilesNamedByAValueThatIsNotOursStay)
{
    CompanionSandbox box;
    RunValueGuard guard(UniqueName("CT Foreign"));
    std::string keep = box.TempFolder() + "\\settings.dat";
    vm2test::WriteFileText(keep, "/P \"x\"\n");
    // On and off: the previous value names no ".tmp" file; the value goes
    // when off, the file always stays.
    for (const char* step : {"1A", "0A", "0F"}) {
        SetRunValue(guard.name, std::string("C:\\other\\app.exe /") + step[1] + " \"" + keep + "\"");
        ASSERT_EQ(1, UpdateRunEntry(step[0] == '1', guard.name.c_str(), box.DriverName().c_str(), "USB001", "KX-9100"));
        EXPECT_TRUE(Exists(keep));
    }
    EXPECT_EQ(kMissing, RunValue(guard.name));
    // A value too long to be ours is left as it is.
    std::string huge = "C:\\other\\app.exe " + std::string(600, 'x');
    SetRunValue(guard.name, huge);
    EXPECT_EQ(1, UpdateRunEntry(FALSE, guard.name.c_str(), box.DriverName().c_str(), "USB001", "KX-9100"));
    EXPECT_EQ(huge, RunValue(guard.name));
}

TEST(UpdateRunEntry, RefusesWhatCannotBeEntered)
{
    CompanionSandbox box;
    // No name at all would address the Run key's default value.
    EXPECT_EQ(0, UpdateRunEntry(TRUE, "", box.DriverName().c_str(), "", "KX-9100"));
    EXPECT_EQ(0, UpdateRunEntry(TRUE, nullptr, box.DriverName().c_str(), nullptr, "KX-9100"));
    EXPECT_EQ(kMissing, RunValue(""));
    std::string tooLong(260, 'p');
    EXPECT_EQ(0, UpdateRunEntry(TRUE, tooLong.c_str(), box.DriverName().c_str(), "USB001", "KX-9100"));
    EXPECT_EQ(kMissing, RunValue(tooLong));
    EXPECT_TRUE(box.TempFiles().empty());

    // The longest icon path (259 characters) and a parameter file of 257:
    // ""<icon>" /A "<file>"" is 524 characters.
    std::string deep = box.TempFolder() + "\\" + std::string(245 - box.TempFolder().size() - 1, 'd');
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr)) << deep.size();
    std::string icon = deep + "\\" + std::string(259 - deep.size() - 1 - 4, 'i') + ".exe";
    ASSERT_EQ(259u, icon.size());
    ASSERT_TRUE(vm2test::WriteFileText(icon, "MZ"));
    box.SetDriverValue("K_VICN", icon);
    comptest::ScopedEnv tmp("TMP", deep + "\\");
    RunValueGuard guard(UniqueName("CT Long"));
    EXPECT_EQ(0, UpdateRunEntry(TRUE, guard.name.c_str(), box.DriverName().c_str(), "USB001", "KX-9100"));
    EXPECT_EQ(kMissing, RunValue(guard.name));
    // Nothing is left in that folder but the icon program.
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((deep + "\\K_V*").c_str(), &fd);
    EXPECT_EQ(INVALID_HANDLE_VALUE, h) << fd.cFileName;
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
}

TEST(UpdateRunEntry, OffRemovesTheFileOfAnEntryOf260CharactersOrMore)
{
    CompanionSandbox box;
    std::string deep = box.TempFolder() + "\\" + std::string(180 - box.TempFolder().size(), 'd');
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
    std::string icon = deep + "\\K_VM1IC2.EXE";
    ASSERT_TRUE(vm2test::WriteFileText(icon, "MZ"));
    box.SetDriverValue("K_VICN", icon);
    comptest::ScopedEnv tmp("TMP", deep + "\\");
    RunValueGuard guard(UniqueName("CT LongEntry"));
    ASSERT_EQ(1, UpdateRunEntry(TRUE, guard.name.c_str(), box.DriverName().c_str(), "USB001", "KX-9100"));
    std::string entry = RunValue(guard.name);
    ASSERT_GE(entry.size(), 260u) << entry;
    std::string file = entry.substr(entry.find(" /A \"") + 5);
    file.pop_back();
    ASSERT_TRUE(Exists(file)) << entry;
    ASSERT_EQ(1, UpdateRunEntry(FALSE, guard.name.c_str(), box.DriverName().c_str(), "USB001", "KX-9100"));
    EXPECT_EQ(kMissing, RunValue(guard.name));
    EXPECT_FALSE(Exists(file)) << "the entry's parameter file is left behind";
}

TEST(StartIconProgram, APathWithABlankIsNotTakenForAShorterProgram)
{
    CompanionSandbox box;
    // "<temp>\Kit Dir\K_VM1IC2.EXE" unquoted would first be tried as "<temp>\Kit.exe".
    std::string dir = box.TempFolder() + "\\Kit Dir";
    ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
    std::string icon = dir + "\\K_VM1IC2.EXE", planted = box.TempFolder() + "\\Kit.exe";
    ASSERT_TRUE(CopyFileA(comptest::IconStandIn().c_str(), icon.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(comptest::AgentStandIn().c_str(), planted.c_str(), FALSE));
    box.SetDriverValue("K_VICN", icon);
    ASSERT_EQ(1, StartIconProgram(TRUE, "Blank Printer", box.DriverName().c_str(), "USB001", "KX-9100"));
    auto records = box.WaitForRecords(1);
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ("icon", records[0].program) << records[0].Get("exe");
    EXPECT_EQ("Blank Printer", records[0].Get("P"));
    Sleep(300);  // the stand-in ends before the sandbox goes
}
