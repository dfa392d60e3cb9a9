// The status view on template 102 of the kit's resource DLL, fed with the kit's status objects: one window run.
#include "ui/status/dialog_view.h"

#include <gtest/gtest.h>

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

namespace {

CDialogView* g_pView = nullptr;

// The status window's dialog as far as the view is concerned.
INT_PTR CALLBACK Proc(HWND, UINT m, WPARAM w, LPARAM l)
{
    if (m == WM_SIZE && g_pView != nullptr) g_pView->OnSize(static_cast<UINT>(w), LOWORD(l), HIWORD(l));
    return m == WM_INITDIALOG;
}

}  // namespace

TEST(ViewWindow, LayoutTitleTextsHelpEveryStatusClassHiddenTypeAndNoObjectLeftBehind)
{
    KitDll dll("KX9100EN.DLL");
    // The status pictures are files of the install folder the driver key names.
    vm2test::InstalledModel installed;
    installed.driverKey.SetString("InstallPath", vm2test::BinDir());
    g_strDriverKey = installed.driverKey.Path();
    std::string dat = vm2test::BinDir() + "\\KX9100.INI";
    CStatusInfo withHelp(dat.c_str(), std::nothrow), withoutHelp(dat.c_str(), std::nothrow);
    withHelp.SetDataFile(dat.c_str());
    for (CStatusInfo* info : {&withHelp, &withoutHelp}) {
        info->SetResourceDll(dll.Get());
        info->SetDriverKey(g_strDriverKey.c_str());
    }
    auto status = [&](int nRealNo, bool bHelp = true) {
        return std::unique_ptr<CPrinterStatus>(
            (bHelp ? withHelp : withoutHelp).CreateStatusObject(4, nullptr, 0, nRealNo));
    };
    HWND hDlg = CreateDialogParamA(dll.Get(), MAKEINTRESOURCEA(kStatusTemplate), nullptr, Proc, 0);
    ASSERT_NE(nullptr, hDlg);
    CDialogView view;
    ASSERT_EQ(1,
              view.Create(hDlg, dll.Get(), DialogViewInit{dat.c_str(), "KX-9100", "KX-9100 View Printer", "USB001"}));
    g_pView = &view;
    const std::string title = "KX-9100 Status Monitor : KX-9100 View Printer";  // string 1100 and the printer
    auto height = [&] {
        RECT rc{};
        return GetWindowRect(hDlg, &rc) ? rc.bottom - rc.top : -1;
    };

    // The layout: the window around the view, from the caption to the top of marker 380.
    int f = GetSystemMetrics(SM_CYDLGFRAME);
    RECT rcDlg{}, rcMarker{};
    GetWindowRect(hDlg, &rcDlg);
    GetWindowRect(GetDlgItem(hDlg, kCtlViewBottom), &rcMarker);
    EXPECT_EQ(0, view.ChangeDialogType(VLX_DLGTYPE_DETAIL));
    EXPECT_EQ(f + rcMarker.top - rcDlg.top, height());
    EXPECT_EQ(height(), view.GetHeight());
    EXPECT_EQ(title, Text(hDlg));
    EXPECT_TRUE(!(GetWindowLongA(hDlg, GWL_STYLE) & WS_MINIMIZEBOX) &&
                (GetMenuState(GetSystemMenu(hDlg, FALSE), SC_MINIMIZE, MF_BYCOMMAND) & MF_GRAYED))
        << "no minimise";
    view.Show(SW_SHOW);
    ShowWindow(hDlg, SW_MINIMIZE);
    SetWindowTextA(hDlg, "changed meanwhile");
    ShowWindow(hDlg, SW_RESTORE);
    Pump(100);
    EXPECT_EQ(title, Text(hDlg)) << "restored, the window has its title again";

    // Texts and help: the same message is not written again (it would flicker), the title is.
    HWND message = GetDlgItem(hDlg, kCtlStatusMessage), statusTitle = GetDlgItem(hDlg, kCtlStatusTitle);
    // 10 when shown, 1 when enabled.
    auto state = [&](int i) {
        HWND h = GetDlgItem(hDlg, i);
        return 10 * !!IsWindowVisible(h) + !!IsWindowEnabled(h);
    };
    auto helpState = [&] { return state(kCtlHelpButton) + state(kCtlHelpCompanion); };
    auto coverOpen = status(5), coverOpenNoHelp = status(5, false), paperOut = status(6);
    view.SetViewStatus(coverOpen.get());
    EXPECT_EQ(22, helpState()) << "TSS000=1: the trouble pages";
    SetWindowTextA(message, "unchanged");
    SetWindowTextA(statusTitle, "unchanged");
    view.SetViewStatus(coverOpenNoHelp.get());
    EXPECT_EQ("unchanged|Cover open", Text(message) + "|" + Text(statusTitle)) << "message kept, title written";
    EXPECT_EQ(0, helpState()) << "no help";
    view.SetViewStatus(paperOut.get());
    EXPECT_EQ("Paper out|Load paper and press the On Line button.", Text(statusTitle) + "|" + Text(message));
    CStatusView& sv = view.GetStatusView();
    sv.Show(0);
    view.SetViewStatus(coverOpen.get());
    EXPECT_EQ(0, (helpState() + state(IDOK)) / 10) << "help and OK appear only while the view is shown";
    sv.Show(1);
    sv.Enable(0);
    EXPECT_EQ(30, helpState() + state(IDOK)) << "shown, nothing enabled";
    sv.Enable(1);
    EXPECT_EQ(22, helpState());

    // One status per status class with the picture, overlay and icon count of some (-1: not checked): ready is
    // blue with one icon, a jam red with the overlay and two icons, a communication error two.
    const int cases[][4] = {{1, 511, 0, 1},    {21, -1, -1, 2}, {5, -1, -1, -1},  {14, -1, -1, -1},  {7, -1, -1, -1},
                            {33, 512, 771, 2}, {6, -1, -1, -1}, {35, -1, -1, -1}, {100, -1, -1, -1}, {101, -1, -1, -1}};
    std::vector<std::unique_ptr<CPrinterStatus>> statuses;
    for (const auto& c : cases) {
        statuses.push_back(status(c[0], statuses.size() % 2 == 0));
        ASSERT_NE(nullptr, statuses.back()) << c[0];
        view.SetViewStatus(statuses.back().get());
        EXPECT_EQ(75, sv.GetPicture().m_nWidth);
        const int got[] = {sv.GetPicture().m_nSelector, sv.GetPicture().m_nOverlay, sv.GetIcon().m_nCount};
        for (int i = 0; i < 3; ++i)
            EXPECT_TRUE(c[i + 1] < 0 || c[i + 1] == got[i]) << c[0] << " selector, overlay, icons: " << got[i];
        if (c[0] == 1 || c[0] == 33)
            Pump(50), vm2test::Screenshot(hDlg, c[0] == 1 ? "status_view_ready" : "status_view_paper_jam");
    }
    // Counted in the same state after two painted rounds (what Wine makes once for a window is not a leak);
    // painting and showing cost Wine milliseconds each: every fiftieth cycle paints each status and shows.
    auto cycles = [&](int n) {
        for (int cycle = 0; cycle < n; ++cycle) {
            for (auto& s : statuses) {
                view.SetViewStatus(s.get());
                if (cycle % 50 == 0) Pump(0);
            }
            if (cycle % 50 == 0) {
                sv.Show(0);
                sv.Show(1);
            }
        }
        Pump(100);
    };
    cycles(51);
    std::string before = vm2test::CountGuiObjects().Describe();
    cycles(1000);
    EXPECT_EQ(before, vm2test::CountGuiObjects().Describe()) << "over 1,000 cycles";

    SetWindowPos(hDlg, nullptr, 0, 0, 300, 90, SWP_NOMOVE | SWP_NOZORDER);
    SetWindowTextA(hDlg, "left alone");
    EXPECT_EQ(VLX_DLGTYPE_DETAIL, view.ChangeDialogType(VLX_DLGTYPE_DETAIL));
    EXPECT_TRUE(Text(hDlg) == "left alone" && height() == 90) << "the current type again changes nothing";
    view.ChangeDialogType(VLX_DLGTYPE_HIDDEN);
    view.Show(SW_SHOW);
    EXPECT_EQ(1, view.BringToFront(0));
    EXPECT_FALSE(IsWindowVisible(hDlg)) << "the hidden type stays hidden";
    view.ChangeDialogType(VLX_DLGTYPE_DETAIL);
    EXPECT_TRUE(IsWindowVisible(hDlg));
    view.Show(SW_HIDE);
    EXPECT_EQ(0, view.BringToFront(0)) << "a window meant to be hidden is not raised";
    EXPECT_FALSE(IsWindowVisible(hDlg));
    view.Stop();
    DestroyWindow(hDlg);
}
