#include "base/trace.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <regex>
#include <sstream>

#include "harness/test_support.h"
#include "module/exports.h"

namespace {

std::string TraceFilePath()
{
    char folder[MAX_PATH] = "";
    SHGetSpecialFolderPathA(nullptr, folder, CSIDL_COMMON_APPDATA, FALSE);
    return std::string(folder) + "\\VLX3_SIDM.LOG";
}

// The lines this process wrote, without their "pid:ticks: " prefix.
std::vector<std::string> OwnLines()
{
    std::string text = vm2test::ReadFileText(TraceFilePath());
    char pid[16];
    snprintf(pid, sizeof(pid), "%04lX:", GetCurrentProcessId());
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    static const std::regex prefix("^[0-9A-F]{4,}:[0-9]{10}: ");
    while (std::getline(in, line)) {
        if (line.rfind(pid, 0) != 0) continue;
        EXPECT_TRUE(std::regex_search(line, prefix)) << line;
        EXPECT_FALSE(line.empty() || line.back() != '\r') << "text mode stores CR LF: " << line;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line.substr(line.find(": ") + 2));
    }
    return lines;
}

// Switches the in-process trace on for one test; the log file is shared by
// every process of the prefix, so these tests hold the "trace" lock.
struct TraceOn {
    TraceOn() { SetTraceEnable(TRUE); }
    ~TraceOn() { SetTraceEnable(FALSE); }
};

}  // namespace

TEST(Trace, ScopesNestWithTwoBlanksPerLevel)
{
    {
        TraceOn on;
        TraceScope outer("Outer()");
        Trace(outer, "value : %d\n", 5);
        {
            TraceScope inner("Inner::Step");
            Trace(inner, "%s\n", "deeper");
        }
        Trace(outer, "back\n");
    }
    std::vector<std::string> want = {"",        "---",   "Outer()",       "  value : 5", "  ",
                                     "  ---",   "  Inner::Step", "    deeper", "  back"};
    std::vector<std::string> got = OwnLines();
    ASSERT_GE(got.size(), want.size());
    got.erase(got.begin(), got.end() - want.size());
    EXPECT_EQ(want, got);
}

TEST(Trace, NullNameAndOddCategories)
{
    TraceOn on;
    unsigned before = g_nTraceDepth[0];
    {
        TraceScope anon(nullptr, 5);  // counts as category 0
        EXPECT_EQ(0, anon.Category());
        EXPECT_EQ(before + 1, g_nTraceDepth[0]);
        TraceScope other("Other", 2);
        EXPECT_EQ(1u, g_nTraceDepth[2]);
        Trace(other, "in two\n");
    }
    EXPECT_EQ(before, g_nTraceDepth[0]);
    EXPECT_EQ(0u, g_nTraceDepth[2]);
    std::vector<std::string> got = OwnLines();
    ASSERT_GE(got.size(), 6u);
    got.erase(got.begin(), got.end() - 6);
    // Category 2 has its own depth: its lines are indented by its count only.
    EXPECT_EQ((std::vector<std::string>{"", "---", "", "---", "Other", "  in two"}), got);
}

TEST(Trace, PathIsDroppedWhenTheOutermostScopeCloses)
{
    TraceOn on;
    {
        TraceScope s("Path()");
        ASSERT_NE(nullptr, g_pszTracePath);
        EXPECT_EQ(TraceFilePath(), g_pszTracePath);
    }
    EXPECT_EQ(nullptr, g_pszTracePath);
}

TEST(Trace, OffWritesNothingButStillCounts)
{
    SetTraceEnable(FALSE);
    size_t before = OwnLines().size();
    {
        TraceScope s("Silent()");
        EXPECT_EQ(1u, g_nTraceDepth[0]);
        Trace(s, "never\n");
    }
    EXPECT_EQ(0u, g_nTraceDepth[0]);
    EXPECT_EQ(before, OwnLines().size());
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
    size_t before = OwnLines().size();
    runExport();
    EXPECT_EQ(before, OwnLines().size()) << "log = 0 writes nothing";

    RegDeleteValueA(key, "log");
    runExport();
    EXPECT_EQ(before, OwnLines().size()) << "no log value writes nothing";

    setLog(1);
    runExport();
    RegDeleteValueA(key, "log");
    RegCloseKey(key);

    std::vector<std::string> got = OwnLines();
    ASSERT_GE(got.size(), before + 4);
    EXPECT_EQ("", got[before]);
    EXPECT_EQ("---", got[before + 1]);
    EXPECT_EQ("PrReleaseRegistry()", got[before + 2]);
    EXPECT_EQ("  PrinterName : Trace Printer, DriverName : Trace Driver, PortName : LPT1:, ModelID : TR-1",
              got[before + 3]);
}
