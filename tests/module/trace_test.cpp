#include "base/trace.h"

#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <sstream>

#include "harness/test_support.h"
#include "harness/trace_log.h"
#include "module/exports.h"

using vm2test::TraceFilePath;
using vm2test::TraceLog;
using vm2test::TraceOn;

namespace {

// Copies of trace_writer_helper sharing a start semaphore and a go event.
struct Writers {
    explicit Writers(bool bAutoReset)
        : hReady(CreateSemaphoreA(nullptr, 0, 64, ready.c_str())),
          hGo(CreateEventA(nullptr, bAutoReset ? FALSE : TRUE, FALSE, go.c_str()))
    {
    }
    ~Writers()
    {
        procs.clear();
        CloseHandle(hReady);
        CloseHandle(hGo);
    }
    void Start(const std::string& args)
    {
        procs.emplace_back(new vm2test::ChildProcess("\"" + vm2test::BinDir() + "\\trace_writer_helper.exe\" " + args +
                                                     " " + ready + " " + go));
    }
    bool Ready() { return WaitForSingleObject(hReady, 30000) == WAIT_OBJECT_0; }
    void Go() { SetEvent(hGo); }
    std::vector<DWORD> Join()
    {
        std::vector<DWORD> codes;
        for (auto& p : procs) codes.push_back(p->Wait());
        return codes;
    }

    const std::string ready = vm2test::UniqueName("vm2trace-ready"), go = vm2test::UniqueName("vm2trace-go");
    HANDLE hReady, hGo;
    std::vector<std::unique_ptr<vm2test::ChildProcess>> procs;
};

}  // namespace

// Two blanks per level, also for a line outside any scope of its own; a null
// name counts as category 0, and another category has a depth of its own.
TEST(Trace, ScopesNestWithTwoBlanksPerLevelAndCategory)
{
    TraceLog log;
    {
        TraceOn on;
        TraceScope outer("Outer()");
        Trace(outer, "value : %d\n", 5);
        {
            TraceScope inner("Inner::Step");
            Trace(inner, "%s\n", "deeper");
        }
        Trace("no scope of its own\n");
        Trace(outer, "back\n");
        TraceScope anon(nullptr, 5);
        EXPECT_EQ(0, anon.Category());
        EXPECT_EQ(2u, g_nTraceDepth[0]);
        TraceScope other("Other", 2);
        EXPECT_EQ(1u, g_nTraceDepth[2]);
        Trace(other, "in two\n");
    }
    EXPECT_EQ(0u, g_nTraceDepth[0]);
    EXPECT_EQ(0u, g_nTraceDepth[2]);
    std::vector<std::string> want = {"",           "---",   "Outer()", "  value : 5", "  ", "  ---", "  Inner::Step",
                                     "    deeper", "  no scope of its own", "  back", "  ", "  ---", "",    "---",
                                     "Other",      "  in two"};
    EXPECT_EQ(want, log.Lines());
}

// The path is looked up at the first scope (not when the switch is set, under
// the loader lock) and dropped when the outermost scope closes; off, scopes
// still count but nothing is written.
TEST(Trace, PathOnlyWithinTheOutermostScopeAndNothingWrittenWhenOff)
{
    {
        TraceOn on;
        EXPECT_EQ(nullptr, g_pszTracePath);
        {
            TraceScope s("Path()");
            EXPECT_EQ(TraceFilePath(), g_pszTracePath ? g_pszTracePath : "");
        }
        EXPECT_EQ(nullptr, g_pszTracePath);
    }
    TraceLog log;
    {
        TraceScope s("Silent()");
        EXPECT_EQ(1u, g_nTraceDepth[0]);
        Trace(s, "never\n");
    }
    EXPECT_EQ(0u, g_nTraceDepth[0]);
    EXPECT_TRUE(log.Lines().empty());
}

TEST(Trace, RegistrySwitchTurnsTheModuleTraceOn)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Kavro\\VLX3", 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    auto setLog = [key](DWORD v) { RegSetValueExA(key, "log", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4); };

    // The switch is read once, when the module is loaded.
    auto runExport = [] {
        HMODULE dll = LoadLibraryA(vm2test::ModuleDllPath().c_str());
        EXPECT_NE(nullptr, dll);
        if (dll == nullptr) return;
        auto release = reinterpret_cast<decltype(&PrReleaseRegistry)>(
            reinterpret_cast<void*>(GetProcAddress(dll, "PrReleaseRegistry")));
        release("Trace Printer", "Trace Driver", "LPT1:", "TR-1");
        FreeLibrary(dll);
    };

    setLog(0);
    TraceLog log;
    runExport();
    EXPECT_TRUE(log.Lines().empty()) << "log = 0 writes nothing";

    RegDeleteValueA(key, "log");
    runExport();
    EXPECT_TRUE(log.Lines().empty()) << "no log value writes nothing";

    setLog(1);
    runExport();
    RegDeleteValueA(key, "log");
    RegCloseKey(key);

    std::vector<std::string> got = log.Lines();
    ASSERT_GE(got.size(), 4u);
    EXPECT_EQ("", got[0]);
    EXPECT_EQ("---", got[1]);
    EXPECT_EQ("PrReleaseRegistry()", got[2]);
    EXPECT_EQ("  PrinterName : Trace Printer, DriverName : Trace Driver, PortName : LPT1:, ModelID : TR-1", got[3]);
}

TEST(TraceProcesses, SeveralWritersLoseOrSplitNoLine)
{
    DeleteFileA(TraceFilePath().c_str());
    const int kWriters = 4, kLines = 200;
    Writers w(false);
    for (int k = 0; k < kWriters; ++k) w.Start("lines W" + std::to_string(k) + " " + std::to_string(kLines));
    for (int k = 0; k < kWriters; ++k) ASSERT_TRUE(w.Ready());
    w.Go();
    EXPECT_EQ(std::vector<DWORD>(kWriters, 0), w.Join());

    std::istringstream in(vm2test::ReadFileText(TraceFilePath()));
    std::string line;
    std::vector<int> next(kWriters, 0);
    static const std::regex whole("^[0-9A-F]{4,}:[0-9]{10}: (?!.*[0-9A-F]{4}:[0-9]{10}: )[^\\r]*\\r$");
    static const std::regex written("^[0-9A-F]{4,}:[0-9]{10}:   W([0-9]) ([0-9]+) (x*)\\r$");
    while (std::getline(in, line)) {
        // Besides the writers' lines: their scopes' and the module's exit lines.
        EXPECT_TRUE(std::regex_match(line, whole)) << "split or mixed line: " << line.substr(0, 80);
        std::smatch m;
        if (!std::regex_match(line, m, written)) continue;
        int k = std::stoi(m[1]), i = std::stoi(m[2]);
        EXPECT_EQ(next[k], i) << "writer " << k << " lost or reordered a line";
        EXPECT_EQ(static_cast<size_t>(i * 7 % 2500), m[3].length()) << "writer " << k << " line " << i;
        next[k] = i + 1;
    }
    EXPECT_EQ(std::vector<int>(kWriters, kLines), next);
    DeleteFileA(TraceFilePath().c_str());
}

TEST(TraceProcesses, DeletedOrRenamedLogStartsAfreshAtTheNextScope)
{
    const std::string log = TraceFilePath(), old = log + ".old";
    DeleteFileA(log.c_str());
    DeleteFileA(old.c_str());
    Writers w(true);
    w.Start("rounds R 3");
    auto round = [&w] {
        w.Go();
        return w.Ready();
    };
    auto has = [](const std::string& path, const char* text) {
        return vm2test::ReadFileText(path).find(text) != std::string::npos;
    };

    ASSERT_TRUE(round());
    EXPECT_TRUE(has(log, "R round 0"));
    // The writer keeps the log open meanwhile.
    ASSERT_TRUE(DeleteFileA(log.c_str()));
    ASSERT_TRUE(round());
    EXPECT_TRUE(has(log, "R round 1")) << "a deleted log is created again";
    EXPECT_FALSE(has(log, "R round 0"));
    ASSERT_TRUE(MoveFileA(log.c_str(), old.c_str()));
    ASSERT_TRUE(round());
    EXPECT_TRUE(has(log, "R round 2")) << "a renamed log is started afresh";
    EXPECT_FALSE(has(log, "R round 1"));
    EXPECT_FALSE(has(old, "R round 2")) << "nothing more goes to the renamed file";
    EXPECT_EQ(std::vector<DWORD>{0}, w.Join());
    DeleteFileA(log.c_str());
    DeleteFileA(old.c_str());
}
