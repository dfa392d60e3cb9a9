// The wait dialog as a user sees it (under the X display), its two timers,
// its answer message, the start of the library settings program, and
// SetSIDMAgent2 with the agent setting program. The settings program's folder
// and the agent program's copy are machine-wide: these tests hold
// "kbapi_info" and "agent_keys".
#include "ui/framework/wait_dlg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "coord/agent.h"
#include "coord/companion_fixture.h"

using comptest::CommonAppData;
using comptest::CompanionSandbox;
using vm2test::WindowSnapshot;
using vm2test::WindowWatch;

namespace {

const char kKbapiInfoKey[] = "Software\\KAVRO\\KBAPIInfo";

// What the watcher saw of the dialog beyond its texts.
struct DialogLook {
    bool bCloseDisabled = false;
    bool bMoveGrayed = false;
    bool bMinimizeBox = true;
    bool bOwnedByTheOwner = false;
    bool bOwnerDisabled = false;
};

DialogLook Inspect(HWND hWnd, HWND hOwner)
{
    DialogLook look;
    HMENU hMenu = GetSystemMenu(hWnd, FALSE);
    UINT close = GetMenuState(hMenu, SC_CLOSE, MF_BYCOMMAND);
    UINT move = GetMenuState(hMenu, SC_MOVE, MF_BYCOMMAND);
    look.bCloseDisabled = close != static_cast<UINT>(-1) && (close & (MF_DISABLED | MF_GRAYED)) != 0;
    look.bMoveGrayed = move != static_cast<UINT>(-1) && (move & MF_GRAYED) != 0;
    look.bMinimizeBox = (GetWindowLongA(hWnd, GWL_STYLE) & WS_MINIMIZEBOX) != 0;
    look.bOwnedByTheOwner = GetWindow(hWnd, GW_OWNER) == hOwner;
    look.bOwnerDisabled = !IsWindowEnabled(hOwner);
    return look;
}

// An owner window for the dialog, as the preferences dialog would be.
struct OwnerWindow {
    OwnerWindow()
    {
        hWnd = CreateWindowExA(0, "STATIC", "wait owner", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr, nullptr,
                               nullptr);
    }
    ~OwnerWindow() { DestroyWindow(hWnd); }
    HWND hWnd;
};

}  // namespace

TEST(CWaitDlg, ShowsItsTextsWithoutCloseItemAndEndsAfterItsTwoTimers)
{
    const std::string title = comptest::KitString(CWaitDlg::kTitleString);
    const std::string text = comptest::KitString(CWaitDlg::kTextString);
    ASSERT_FALSE(title.empty());
    OwnerWindow owner;
    CWaitDlg dlg(comptest::ResourceDll().c_str(), owner.hWnd);
    ASSERT_NE(nullptr, dlg.m_hResModule);
    dlg.m_nLongDelay = 1500;  // 10 s in the product

    DialogLook look;
    bool bStillUpHalfWay = false;
    WindowWatch watch(title, "", 10000, [&](HWND hWnd) {
        look = Inspect(hWnd, owner.hWnd);
        Sleep(700);
        bStillUpHalfWay = IsWindow(hWnd) && IsWindowVisible(hWnd);
    });
    DWORD start = GetTickCount();
    EXPECT_EQ(0, dlg.DoModal(1)) << "the result field is never set";
    DWORD elapsed = GetTickCount() - start;
    WindowSnapshot seen = watch.Join();

    ASSERT_TRUE(seen.found) << "no window titled \"" << title << "\" appeared";
    EXPECT_EQ(title, seen.caption);
    EXPECT_NE(std::string::npos, seen.AllText().find(text)) << seen.AllText();
    EXPECT_TRUE(look.bCloseDisabled);
    EXPECT_TRUE(look.bMoveGrayed);
    EXPECT_FALSE(look.bMinimizeBox);
    EXPECT_TRUE(look.bOwnedByTheOwner);
    EXPECT_TRUE(look.bOwnerDisabled) << "the dialog was not modal";
    EXPECT_TRUE(IsWindowEnabled(owner.hWnd)) << "the owner stayed disabled";
    EXPECT_TRUE(bStillUpHalfWay);
    // 100 ms, then the long wait.
    EXPECT_GE(elapsed, 1500u);
    EXPECT_LT(elapsed, 20000u);
    EXPECT_EQ(1, dlg.m_lParam);
    EXPECT_EQ(0u, dlg.m_nTimerId) << "no timer outlives the dialog";
}

TEST(CWaitDlg, ClosesAtOnceOnTheAnswerMessage)
{
    const std::string title = comptest::KitString(CWaitDlg::kTitleString);
    CWaitDlg dlg(comptest::ResourceDll().c_str(), nullptr);
    WindowWatch watch(title, "", 10000, [](HWND hWnd) {
        // A stray timer message changes nothing; the answer ends the wait.
        PostMessageA(hWnd, WM_TIMER, 99, 0);
        Sleep(300);
        PostMessageA(hWnd, WM_USER + 10, 0, 1);
    });
    DWORD start = GetTickCount();
    dlg.DoModal(0);
    DWORD elapsed = GetTickCount() - start;
    ASSERT_TRUE(watch.Join().found);
    EXPECT_LT(elapsed, 8000u) << "the dialog waited for its timer instead";
    EXPECT_GE(elapsed, 300u);
}

TEST(CWaitDlg, WithoutTemplateNothingIsShown)
{
    // The module DLL has no dialog 111; a missing DLL and no path at all.
    for (const std::string& path : {vm2test::ModuleDllPath(), vm2test::BinDir() + "\\NOSUCH.DLL", std::string()}) {
        SCOPED_TRACE(path);
        CWaitDlg dlg(path.empty() ? nullptr : path.c_str(), nullptr);
        DWORD start = GetTickCount();
        EXPECT_EQ(0, dlg.DoModal(1));
        EXPECT_LT(GetTickCount() - start, 5000u);
        EXPECT_EQ(nullptr, dlg.m_hWnd);
    }
}

TEST(CWaitDlgSetSAgent, SettingsProgramAnswersTheShownDialog)
{
    CompanionSandbox box;
    vm2test::ScopedRegKey info(HKEY_LOCAL_MACHINE, kKbapiInfoKey);
    info.SetString("InstallDir", vm2test::BinDir());

    const std::string title = comptest::KitString(CWaitDlg::kTitleString);
    CWaitDlg dlg(comptest::ResourceDll().c_str(), nullptr);
    int nStarted = -1;
    HWND hShown = nullptr;
    WindowWatch watch(title, "", 10000, [&](HWND hWnd) {
        hShown = hWnd;
        nStarted = dlg.SetSAgent(1);
    });
    DWORD start = GetTickCount();
    dlg.DoModal(1);
    DWORD elapsed = GetTickCount() - start;
    ASSERT_TRUE(watch.Join().found);
    EXPECT_EQ(1, nStarted);
    EXPECT_LT(elapsed, 8000u) << "the settings program's answer did not end the wait";

    auto records = box.WaitForRecords(1);
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ("kbapiset", records[0].program);
    char wnd[32];
    snprintf(wnd, sizeof(wnd), "%x", static_cast<unsigned>(reinterpret_cast<uintptr_t>(hShown)));
    const std::string cmd = records[0].Get("cmdline");
    EXPECT_NE(std::string::npos, cmd.find(std::string("/Act=Ch /KBP=A:NC /Ret=WM:") + wnd + ";40a  /Agt=On")) << cmd;
    EXPECT_EQ(std::string(wnd) + ";40a", records[0].Get("posted"));
}

TEST(CWaitDlgSetSAgent, WithoutDialogTheProgramIsToldNoWindow)
{
    CompanionSandbox box;
    vm2test::ScopedRegKey info(HKEY_LOCAL_MACHINE, kKbapiInfoKey);
    info.SetString("InstallDir", vm2test::BinDir() + "\\");
    CWaitDlg dlg(nullptr, nullptr);
    EXPECT_EQ(1, dlg.SetSAgent(0));
    auto records = box.WaitForRecords(1);
    ASSERT_EQ(1u, records.size());
    const std::string cmd = records[0].Get("cmdline");
    EXPECT_NE(std::string::npos, cmd.find("kbapiset.exe")) << cmd;
    EXPECT_NE(std::string::npos, cmd.find("/Act=Ch /KBP=A:NC /Ret=WM:0;40a  /Agt=Off")) << cmd;
    EXPECT_EQ("none", records[0].Get("posted"));
}

TEST(CWaitDlgSetSAgent, NoInstallFolderNoStart)
{
    CompanionSandbox box;
    vm2test::DeleteRegTree(HKEY_LOCAL_MACHINE, kKbapiInfoKey);
    CWaitDlg dlg(nullptr, nullptr);
    EXPECT_EQ(0, dlg.SetSAgent(1));
    vm2test::ScopedRegKey info(HKEY_LOCAL_MACHINE, kKbapiInfoKey);
    info.SetString("InstallDir", "");
    EXPECT_EQ(0, dlg.SetSAgent(1));
    // A folder without the program: the start fails.
    info.SetString("InstallDir", box.TempFolder());
    EXPECT_EQ(0, dlg.SetSAgent(1));
    Sleep(200);
    EXPECT_TRUE(box.Records().empty());
}

TEST(SetSIDMAgent2, StartsTheCopiedProgramAndWaitsForItsAnswer)
{
    CompanionSandbox box;
    char pid[48];
    snprintf(pid, sizeof(pid), "%lu:1", GetCurrentProcessId());
    comptest::ScopedEnv reply(companion::kAgentReplyVariable, pid);

    const std::string title = comptest::KitString(CWaitDlg::kTitleString);
    vm2test::WindowWatch watch(title, "", 10000, [](HWND) {});
    DWORD start = GetTickCount();
    EXPECT_EQ(1, SetSIDMAgent2(nullptr, box.DriverName().c_str(), "Agent Printer", comptest::ResourceDll().c_str(), 1));
    DWORD elapsed = GetTickCount() - start;
    EXPECT_TRUE(watch.Join().found) << "the wait dialog was not shown";
    EXPECT_LT(elapsed, 8000u) << "the program's answer did not end the wait";

    auto records = box.WaitForRecords(1);
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ("agent", records[0].program);
    // Elevated start: the copy under the common application-data folder.
    std::string copy = CommonAppData() + "\\KAVRO\\K_VAGENT.EXE";
    EXPECT_STRCASEEQ(copy.c_str(), records[0].Get("exe").c_str());
    const std::string cmd = records[0].Get("cmdline");
    std::string params = "/agnt /drv:\"" + box.DriverName() + "\" /p:\"Agent Printer\" /im:1";
    EXPECT_EQ(params, cmd.substr(cmd.size() - std::min(cmd.size(), params.size()))) << cmd;
    EXPECT_NE("none", records[0].Get("replied"));
}

TEST(SetSIDMAgent2, StopsWithServiceZeroAndWithoutResourcesShowsNoDialog)
{
    CompanionSandbox box;
    DWORD start = GetTickCount();
    EXPECT_EQ(1, SetSIDMAgent2(nullptr, box.DriverName().c_str(), "P", (box.TempFolder() + "\\none.dll").c_str(), 0));
    EXPECT_LT(GetTickCount() - start, 8000u);
    auto records = box.WaitForRecords(1);
    ASSERT_EQ(1u, records.size());
    const std::string cmd = records[0].Get("cmdline");
    EXPECT_NE(std::string::npos, cmd.find("/agnt /drv:\"" + box.DriverName() + "\" /p:\"P\" /im:0")) << cmd;
}

TEST(SetSIDMAgent2, NothingStartsWithoutNamesOrProgram)
{
    CompanionSandbox box;
    EXPECT_EQ(0, SetSIDMAgent2(nullptr, "", "P", nullptr, 1));
    EXPECT_EQ(0, SetSIDMAgent2(nullptr, box.DriverName().c_str(), "", nullptr, 1));
    EXPECT_EQ(0, SetSIDMAgent2(nullptr, nullptr, nullptr, nullptr, 1));
    EXPECT_EQ(0, SetSIDMAgent2(nullptr, vm2test::UniqueName("KAVRO NoDriver").c_str(), "P", nullptr, 1));
    box.SetDriverValue("K_VRCV", "");
    EXPECT_EQ(0, SetSIDMAgent2(nullptr, box.DriverName().c_str(), "P", nullptr, 1));
    // A program that is not there.
    box.SetDriverValue("K_VRCV", box.TempFolder() + "\\missing.exe");
    EXPECT_EQ(0, SetSIDMAgent2(nullptr, box.DriverName().c_str(), "P", nullptr, 1));
    Sleep(200);
    EXPECT_TRUE(box.Records().empty());
}
