// The wait dialog on the X display and the programs it waits for (their commands: companion_commands_test).
#include "ui/framework/wait_dlg.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>

#include "base/resource_ids.h"
#include "coord/companion_fixture.h"
#include "module/app.h"

using vm2test::WindowWatch;
constexpr auto npos = std::string::npos;

static std::string Title() { return comptest::KitString(vm2::res::kPrefsTitle); }

TEST(CWaitDlg, TextsNoCloseItemTwoTimersTemplateNeededAndTheProgramsThatAnswerIt)
{
    CWaitDlg dlg(comptest::ResourceDll().c_str(), nullptr);
    dlg.m_nLongDelay = 1500;  // 10 s in the product
    WindowWatch watch(Title(), "", 10000, [&](HWND hWnd) {
        UINT close = GetMenuState(GetSystemMenu(hWnd, FALSE), SC_CLOSE, MF_BYCOMMAND);
        EXPECT_TRUE(close != static_cast<UINT>(-1) && (close & (MF_DISABLED | MF_GRAYED)) != 0) << "closable";
        PostMessageA(hWnd, WM_TIMER, 99, 0);  // not its timer: changes nothing
        Sleep(700);
        EXPECT_TRUE(IsWindowVisible(hWnd)) << "gone before its long wait";
    });
    DWORD start = GetTickCount();
    EXPECT_EQ(0, dlg.DoModal(1)) << "the result field is never set";
    DWORD elapsed = GetTickCount() - start;
    vm2test::WindowSnapshot seen = watch.Join();
    ASSERT_TRUE(seen.found) << "no window titled \"" << Title() << "\" appeared";
    EXPECT_NE(npos, seen.AllText().find(comptest::KitString(vm2::res::kWaitTextString))) << seen.AllText();
    EXPECT_TRUE(elapsed >= 1500 && elapsed < 20000) << elapsed << " ms: 100 ms, then the long wait";
    EXPECT_EQ(0u, dlg.m_nTimerId) << "no timer outlives the dialog";

    // No dialog 111 in the module DLL, a missing DLL, no path (the application's DLL has one): no wait.
    HMODULE hSaved = GetApp()->m_hResDll;
    GetApp()->m_hResDll = dlg.m_hResModule;
    for (const std::string& path : {vm2test::ModuleDllPath(), vm2test::BinDir() + "\\NOSUCH.DLL", std::string()}) {
        CWaitDlg none(path.empty() ? nullptr : path.c_str(), nullptr);
        start = GetTickCount();
        EXPECT_EQ(0, none.DoModal(1)) << path;
        EXPECT_LT(GetTickCount() - start, 5000u) << path;
    }
    GetApp()->m_hResDll = hSaved;

    // The settings program (the product switches the agent off with the dialog shown) and the agent
    // program answer the dialog, and the wait of 10 s ends at once.
    comptest::CompanionSandbox box;
    vm2test::ScopedRegKey info(HKEY_LOCAL_MACHINE, "Software\\KAVRO\\KBAPIInfo");
    for (const std::string& folder : {std::string(), box.TempFolder()}) {  // none; one without the program
        info.SetString("InstallDir", folder);
        EXPECT_EQ(0, dlg.SetSAgent(0)) << folder;
    }
    const std::string driver = box.DriverName(), noDriver = vm2test::UniqueName("KAVRO NoDriver");
    const char* refused[][2] = {{"", "P"}, {driver.c_str(), ""}, {nullptr, nullptr}, {noDriver.c_str(), "P"}};
    for (const auto& names : refused) EXPECT_EQ(0, SetSIDMAgent2(nullptr, names[0], names[1], nullptr, 1));

    info.SetString("InstallDir", vm2test::BinDir() + "\\");
    dlg.m_nLongDelay = CWaitDlg::kLongDelay;
    char wnd[32] = "";
    WindowWatch kbapiWatch(Title(), "", 10000, [&](HWND hWnd) {
        snprintf(wnd, sizeof(wnd), "%x;40a", static_cast<unsigned>(reinterpret_cast<uintptr_t>(hWnd)));
        EXPECT_EQ(1, dlg.SetSAgent(0));
    });
    start = GetTickCount();
    dlg.DoModal(1);
    ASSERT_TRUE(kbapiWatch.Join().found);
    EXPECT_LT(GetTickCount() - start, 8000u) << "the settings program's answer did not end the wait";
    auto records = box.WaitForRecords(1);
    ASSERT_EQ(1u, records.size()) << "started without names or program";
    EXPECT_EQ("kbapiset", records[0].program);
    EXPECT_NE(npos, records[0].Get("cmdline").find(std::string("/Ret=WM:") + wnd + "  /Agt=Off"));
    EXPECT_EQ(wnd, records[0].Get("posted"));

    comptest::ScopedEnv reply(companion::kAgentReplyVariable, std::to_string(GetCurrentProcessId()) + ":1");
    WindowWatch agentWatch(Title(), "", 10000, [](HWND) {});
    start = GetTickCount();
    EXPECT_EQ(1, SetSIDMAgent2(nullptr, driver.c_str(), "Agent Printer", comptest::ResourceDll().c_str(), 0));
    EXPECT_LT(GetTickCount() - start, 8000u) << "the agent program's answer did not end the wait";
    EXPECT_TRUE(agentWatch.Join().found) << "the wait dialog was not shown";
    records = box.WaitForRecords(2);
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ("agent", records[1].program);
    // Elevated start: the copy under the common application-data folder.
    EXPECT_STRCASEEQ((comptest::CommonAppData() + "\\KAVRO\\K_VAGENT.EXE").c_str(), records[1].Get("exe").c_str());
    EXPECT_NE(npos, records[1].Get("cmdline").find("/p:\"Agent Printer\" /im:0"));
    EXPECT_NE("none", records[1].Get("replied"));
}
