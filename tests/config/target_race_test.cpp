// Several processes creating target keys at the same moment.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "config/target_fixtures.h"
#include "harness/test_support.h"

using namespace vm2test;

namespace {

// Starts the helper copies, lets them all reach the start line, releases
// them together and collects their exit codes.
std::vector<DWORD> RunTogether(const std::vector<std::string>& argLists)
{
    const std::string ready = UniqueName("vm2tk-ready"), go = UniqueName("vm2tk-go");
    HANDLE hReady = CreateSemaphoreA(nullptr, 0, 64, ready.c_str());
    HANDLE hGo = CreateEventA(nullptr, TRUE, FALSE, go.c_str());
    const std::string exe = "\"" + BinDir() + "\\target_race_helper.exe\" ";
    std::vector<std::unique_ptr<ChildProcess>> procs;
    for (const std::string& args : argLists) procs.emplace_back(new ChildProcess(exe + args + " " + ready + " " + go));
    size_t readyCount = 0;
    while (readyCount < procs.size() && WaitForSingleObject(hReady, 60000) == WAIT_OBJECT_0) ++readyCount;
    EXPECT_EQ(procs.size(), readyCount) << "not every helper reached the start";
    SetEvent(hGo);
    std::vector<DWORD> codes;
    for (auto& p : procs) codes.push_back(p->Wait(90000));
    CloseHandle(hReady);
    CloseHandle(hGo);
    return codes;
}

}  // namespace

TEST(TargetKeyRace, ConcurrentCreatorsNeverShareANumber)
{
    ScopedRegKey base(HKEY_CURRENT_USER, "Software\\vm2test\\" + UniqueName("race"));
    const int kProcesses = 6;
    const int kKeysEach = 40;
    std::vector<std::string> args;
    for (int p = 0; p < kProcesses; ++p)
        args.push_back("create " + base.Path() + " proc" + std::to_string(p) + " " + std::to_string(kKeysEach));
    std::vector<DWORD> codes = RunTogether(args);
    for (DWORD c : codes) EXPECT_EQ(0u, c);

    // A number taken twice would show as a name overwritten by another
    // process, or a key left without the writer's values.
    std::vector<std::string> keys = SubkeyNames(HKEY_CURRENT_USER, base.Path());
    EXPECT_EQ(static_cast<size_t>(kProcesses * kKeysEach), keys.size());
    std::set<std::string> names;
    for (size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(TargetKeyPath("", static_cast<int>(i)).substr(1), keys[i]) << "numbers are dense from 0";
        std::string path = base.Path() + "\\" + keys[i];
        names.insert(ReadString(HKEY_CURRENT_USER, path, "Name"));
        EXPECT_EQ(10u, ReadDword(HKEY_CURRENT_USER, path, "Timer"));
    }
    EXPECT_EQ(static_cast<size_t>(kProcesses * kKeysEach), names.size());
    for (int p = 0; p < kProcesses; ++p)
        for (int i = 0; i < kKeysEach; ++i)
            EXPECT_EQ(1u, names.count("proc" + std::to_string(p) + "#" + std::to_string(i)));
}

TEST(TargetKeyRace, ConcurrentRebuildsForDifferentPrintersKeepEveryKey)
{
    CleanTargetBases clean;
    const int kPrinters = 5;
    std::vector<std::unique_ptr<TestPrinter>> printers;
    std::vector<std::string> args;
    for (int i = 0; i < kPrinters; ++i) {
        printers.emplace_back(new TestPrinter("vm2tk-race"));
        ASSERT_TRUE(printers.back()->Installed());
        args.push_back("check \"" + printers.back()->Name() + "\" 12");
    }
    std::vector<DWORD> codes = RunTogether(args);
    for (DWORD c : codes) EXPECT_EQ(0u, c);

    // Each sweep looks at the others' fresh keys: none may take one for a
    // stale key, and no two printers may end in one key.
    std::vector<std::string> keys = SubkeyNames(HKEY_CURRENT_USER, kPrinterBase);
    EXPECT_EQ(static_cast<size_t>(kPrinters), keys.size());
    std::map<std::string, int> owners;
    for (const std::string& k : keys) ++owners[ReadString(HKEY_CURRENT_USER, std::string(kPrinterBase) + "\\" + k, "Name")];
    for (const auto& p : printers) EXPECT_EQ(1, owners[p->Name()]) << p->Name();
}
