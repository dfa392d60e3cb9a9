// The status view on template 102 of the kit's resource DLL, fed with the kit's status objects: one window run.
#include "ui/status/dialog_view.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#include "base/resource_ids.h"
#include "harness/gui_objects.h"
#include "harness/test_support.h"
#include "status/status_info.h"
#include "ui/framework/driver_key.h"
#include "ui/ui_fixture.h"

using namespace uitest;
using namespace vm2::res;

// The status window's dialog as far as the view is concerned: it hands the view its sizes.
static CDialogView g_view;
static INT_PTR CALLBACK Proc(HWND, UINT m, WPARAM w, LPARAM l)
{
    if (m == WM_SIZE) g_view.OnSize(static_cast<UINT>(w), LOWORD(l), HIWORD(l));
    return m == WM_INITDIALOG;
}

TEST(ViewWindow, LayoutTitleTextsHelpEveryStatusClassHiddenTypeAndNoObjectLeftBehind)
{
    KitDll dll("KX9100EN.DLL");
    vm2test::InstalledModel installed;
    installed.driverKey.SetString("InstallPath", vm2test::BinDir());  // where the status pictures are
    g_strDriverKey = installed.driverKey.Path();
    std::string dat = vm2test::BinDir() + "\\KX9100.INI";
    CStatusInfo withHelp(dat.c_str(), std::nothrow), withoutHelp(dat.c_str(), std::nothrow);
    withHelp.SetDataFile(dat.c_str());
    for (CStatusInfo* info : {&withHelp, &withoutHelp}) info->SetResourceDll(dll.Get());
    auto status = [&](int no, bool bHelp = true) {
        return std::unique_ptr<CPrinterStatus>((bHelp ? withHelp : withoutHelp).CreateStatusObject(4, nullptr, 0, no));
    };
    HWND hDlg = CreateDialogParamA(dll.Get(), MAKEINTRESOURCEA(kStatusTemplate), nullptr, Proc, 0);
    ASSERT_NE(nullptr, hDlg);
    ASSERT_EQ(1, g_view.Create(hDlg, dll.Get(), DialogViewInit{dat.c_str(), "KX-9100", "View Printer", "USB001"}));

    // The layout: the window around the view, from the caption to the top of marker 380.
    RECT rcDlg{}, rcMarker{};
    EXPECT_EQ(0, g_view.ChangeDialogType(VLX_DLGTYPE_DETAIL));
    GetWindowRect(hDlg, &rcDlg);
    GetWindowRect(GetDlgItem(hDlg, kCtlViewBottom), &rcMarker);
    EXPECT_EQ(GetSystemMetrics(SM_CYDLGFRAME) + rcMarker.top - rcDlg.top, rcDlg.bottom - rcDlg.top);
    EXPECT_EQ(rcDlg.bottom - rcDlg.top, g_view.GetHeight());
    g_view.Show(SW_SHOW);
    ShowWindow(hDlg, SW_MINIMIZE);
    SetWindowTextA(hDlg, "changed meanwhile");
    ShowWindow(hDlg, SW_RESTORE);
    vm2test::Pump(100);
    EXPECT_EQ("KX-9100 Status Monitor : View Printer", Text(hDlg)) << "string 1100 and the printer after a restore";

    // Texts and help: the same message is not written again (it would flicker), the title is.
    HWND message = GetDlgItem(hDlg, kCtlStatusMessage), statusTitle = GetDlgItem(hDlg, kCtlStatusTitle);
    auto controls = [&] {  // help button, its companion and OK: 10 each when shown, 1 when enabled
        int n = 0;
        for (int id : {kCtlHelpButton, kCtlHelpCompanion, IDOK})
            n += 10 * !!IsWindowVisible(GetDlgItem(hDlg, id)) + !!IsWindowEnabled(GetDlgItem(hDlg, id));
        return n;
    };
    auto coverOpen = status(5), coverOpenNoHelp = status(5, false), paperOut = status(6);
    g_view.SetViewStatus(coverOpen.get());
    EXPECT_EQ(33, controls()) << "TSS000=1: the trouble pages";
    for (HWND h : {message, statusTitle}) SetWindowTextA(h, "unchanged");
    g_view.SetViewStatus(coverOpenNoHelp.get());
    EXPECT_EQ("unchanged|Cover open", Text(message) + "|" + Text(statusTitle)) << "message kept, title written";
    EXPECT_EQ(11, controls()) << "no help";
    g_view.SetViewStatus(paperOut.get());
    EXPECT_EQ("Paper out|Load paper and press the On Line button.", Text(statusTitle) + "|" + Text(message));
    CStatusView& sv = g_view.GetStatusView();
    sv.Show(0);
    g_view.SetViewStatus(coverOpen.get());
    EXPECT_EQ(1, controls()) << "help and OK appear only while the view is shown";
    sv.Show(1);
    EXPECT_EQ(3, controls() / 10) << "help and OK shown again with the view";

    // One status per status class; of some the picture's bitmap and overlay and the icon count.
    std::vector<std::unique_ptr<CPrinterStatus>> statuses;
    std::map<int, std::vector<int>> seen;
    for (int no : {1, 21, 5, 14, 7, 33, 6, 35, 100, 101}) {
        statuses.push_back(status(no, statuses.size() % 2 == 0));
        ASSERT_NE(nullptr, statuses.back()) << no;
        g_view.SetViewStatus(statuses.back().get());
        seen[no] = {sv.GetPicture().m_nSelector, sv.GetPicture().m_nOverlay, sv.GetIcon().m_nCount};
        std::string shot = "status_view_" + Text(statusTitle);  // e.g. status_view_paper_jam
        std::transform(shot.begin(), shot.end(), shot.begin(), [](char c) { return c == ' ' ? '_' : tolower(c); });
        vm2test::Screenshot(hDlg, shot);
    }

    EXPECT_EQ((std::vector<int>{511, 0, 1}), seen[1]) << "ready: blue, one icon";
    EXPECT_EQ((std::vector<int>{512, 771, 2}), seen[33]) << "paper jam: red, the overlay, two icons";
    EXPECT_EQ(2, seen[21][2]) << "communication error: two icons";

    // Counted after two painted rounds (what Wine makes once for a window is no leak); painting costs Wine time.
    std::string before;
    for (int cycle = 0; cycle <= 1050; ++cycle) {
        for (auto& s : statuses) {
            g_view.SetViewStatus(s.get());
            if (cycle % 50 == 0) vm2test::Pump(0);
        }
        if (cycle % 50 == 0) {
            sv.Show(0);
            sv.Show(1);
        }
        if (cycle == 50) {
            vm2test::Pump(100);
            before = vm2test::CountGuiObjects().Describe();
        }
    }
    vm2test::Pump(100);
    EXPECT_EQ(before, vm2test::CountGuiObjects().Describe()) << "over 1,000 cycles";

    SetWindowPos(hDlg, nullptr, 0, 0, 300, 90, SWP_NOMOVE | SWP_NOZORDER);
    SetWindowTextA(hDlg, "left alone");
    EXPECT_EQ(VLX_DLGTYPE_DETAIL, g_view.ChangeDialogType(VLX_DLGTYPE_DETAIL));
    GetWindowRect(hDlg, &rcDlg);
    EXPECT_TRUE(Text(hDlg) == "left alone" && rcDlg.bottom - rcDlg.top == 90) << "the same type: nothing changed";
    g_view.ChangeDialogType(VLX_DLGTYPE_HIDDEN);
    g_view.Show(SW_SHOW);
    EXPECT_FALSE(IsWindowVisible(hDlg)) << "the hidden type stays hidden";
    EXPECT_TRUE(g_view.BringToFront(0) && !IsWindowVisible(hDlg)) << "even brought to the front";
    g_view.ChangeDialogType(VLX_DLGTYPE_DETAIL);
    EXPECT_TRUE(IsWindowVisible(hDlg));
    g_view.Show(SW_HIDE);
    EXPECT_FALSE(g_view.BringToFront(0) || IsWindowVisible(hDlg)) << "a window meant to be hidden is not raised";
    g_view.Stop();
    DestroyWindow(hDlg);
}
