// The status view on template 102 of the kit's resource DLL, fed with status
// objects of the kit's data file, on the X display.
#include "ui/status/dialog_view.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "harness/gui_objects.h"
#include "harness/test_support.h"
#include "module/app.h"
#include "config/regpaths.h"
#include "status/status_info.h"
#include "ui/framework/driver_key.h"
#include "ui/status_fixture.h"

using statustest::Enabled;
using statustest::KitDll;
using statustest::Pump;
using statustest::Text;
using statustest::Visible;

namespace {

constexpr int kMessage = 212, kTitle = 384, kHelp = 215, kHelpCompanion = 241, kMarker = 380;
const char kPrinter[] = "KX-9100 View Printer";
const char kTitlePrefix[] = "KX-9100 Status Monitor : ";

// VM2PR2_VIEW_CYCLES shortens the object-count run when working by hand.
const int kCycles = getenv("VM2PR2_VIEW_CYCLES") ? atoi(getenv("VM2PR2_VIEW_CYCLES")) : 1000;

// The status window's dialog as far as the view is concerned: template 102,
// WM_SIZE handed to the view.
class ViewWindow : public ::testing::Test {
protected:
    static INT_PTR CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l)
    {
        if (m == WM_INITDIALOG) {
            SetWindowLongPtrA(h, DWLP_USER, l);
            return TRUE;
        }
        auto* self = reinterpret_cast<ViewWindow*>(GetWindowLongPtrA(h, DWLP_USER));
        if (self != nullptr && m == WM_SIZE) self->view.OnSize(static_cast<UINT>(w), LOWORD(l), HIWORD(l));
        return FALSE;
    }

    void SetUp() override
    {
        ASSERT_NE(nullptr, dll.Get());
        GetApp()->m_hResDll = dll.Get();
        // The status pictures are files of the install folder the driver key names.
        driverKey.SetString("InstallPath", vm2test::BinDir());
        g_strDriverKey = driverKey.Path();
        hDlg = CreateDialogParamA(dll.Get(), MAKEINTRESOURCEA(102), nullptr, Proc, reinterpret_cast<LPARAM>(this));
        ASSERT_NE(nullptr, hDlg);
        ASSERT_EQ(1, view.Create(hDlg, dll.Get(), DialogViewInit{dat.c_str(), "KX-9100", kPrinter, "USB001"}));
        withHelp.SetDataFile(dat.c_str());
        for (CStatusInfo* info : {&withHelp, &withoutHelp}) {
            info->SetResourceDll(dll.Get());
            info->SetDriverKey(g_strDriverKey.c_str());
        }
    }
    void TearDown() override
    {
        view.Stop();
        if (hDlg != nullptr) DestroyWindow(hDlg);
        GetApp()->m_hResDll = nullptr;
        g_strDriverKey.clear();
    }

    std::unique_ptr<CPrinterStatus> Status(int nRealNo, bool bHelp = true)
    {
        CStatusInfo& info = bHelp ? withHelp : withoutHelp;
        return std::unique_ptr<CPrinterStatus>(info.CreateStatusObject(4, nullptr, 0, nRealNo));
    }
    void Open()
    {
        view.ChangeDialogType(VLX_DLGTYPE_DETAIL);
        view.Show(SW_SHOW);
    }

    vm2test::ScopedRegKey driverKey{HKEY_LOCAL_MACHINE, std::string(vm2::regpath::kDriverBase) + "\\" +
                                                            vm2test::UniqueName("drv")};
    KitDll dll{"KX9100EN.DLL"};
    std::string dat = vm2test::BinDir() + "\\KX9100.INI";
    CStatusInfo withHelp{dat.c_str(), std::nothrow};
    CStatusInfo withoutHelp{dat.c_str(), std::nothrow};
    HWND hDlg = nullptr;
    CDialogView view;
};

int Height(HWND h)
{
    RECT rc{};
    GetWindowRect(h, &rc);
    return rc.bottom - rc.top;
}

}  // namespace

TEST_F(ViewWindow, LayoutSizesTheWindowAroundTheViewAndSetsTheTitle)
{
    int f = GetSystemMetrics(SM_CYDLGFRAME), caption = GetSystemMetrics(SM_CYCAPTION);
    EXPECT_EQ(f + caption, view.GetHeight()) << "the caption strip until the layout runs";
    RECT rcDlg{}, rcMarker{};
    GetWindowRect(hDlg, &rcDlg);
    GetWindowRect(GetDlgItem(hDlg, kMarker), &rcMarker);
    int viewHeight = rcMarker.top - rcDlg.top - (f + caption);

    EXPECT_EQ(0, view.ChangeDialogType(VLX_DLGTYPE_DETAIL));
    EXPECT_EQ(2 * f + caption + viewHeight, Height(hDlg));
    EXPECT_EQ(Height(hDlg), view.GetHeight());
    EXPECT_EQ(std::string(kTitlePrefix) + kPrinter, Text(hDlg));
    EXPECT_EQ(0, GetWindowLongA(hDlg, GWL_STYLE) & WS_MINIMIZEBOX);
    EXPECT_TRUE(GetMenuState(GetSystemMenu(hDlg, FALSE), SC_MINIMIZE, MF_BYCOMMAND) & MF_GRAYED);

    // The current type again changes nothing, not even the title or the size.
    SetWindowPos(hDlg, nullptr, 0, 0, 300, 90, SWP_NOMOVE | SWP_NOZORDER);
    SetWindowTextA(hDlg, "left alone");
    EXPECT_EQ(VLX_DLGTYPE_DETAIL, view.ChangeDialogType(VLX_DLGTYPE_DETAIL));
    EXPECT_EQ("left alone", Text(hDlg));
    EXPECT_EQ(90, Height(hDlg));

    // Minimised and restored, the window has its title again.
    view.Show(SW_SHOW);
    ShowWindow(hDlg, SW_MINIMIZE);
    SetWindowTextA(hDlg, "changed meanwhile");
    ShowWindow(hDlg, SW_RESTORE);
    Pump(100);
    EXPECT_EQ(std::string(kTitlePrefix) + kPrinter, Text(hDlg));
}

TEST_F(ViewWindow, HiddenTypeStaysHidden)
{
    view.ChangeDialogType(VLX_DLGTYPE_HIDDEN);
    EXPECT_FALSE(IsWindowVisible(hDlg));
    view.Show(SW_SHOW);
    EXPECT_FALSE(IsWindowVisible(hDlg));
    EXPECT_EQ(1, view.BringToFront(0));
    EXPECT_FALSE(IsWindowVisible(hDlg));

    view.ChangeDialogType(VLX_DLGTYPE_DETAIL);
    EXPECT_TRUE(IsWindowVisible(hDlg));
    view.Show(SW_HIDE);
    EXPECT_EQ(0, view.BringToFront(0)) << "a window meant to be hidden is not raised";
    EXPECT_FALSE(IsWindowVisible(hDlg));
}

TEST_F(ViewWindow, UnchangedMessageIsNotWrittenAgainButTheTitleIs)
{
    Open();
    HWND message = GetDlgItem(hDlg, kMessage), title = GetDlgItem(hDlg, kTitle);
    auto coverOpen = Status(5), coverOpenAgain = Status(5), paperOut = Status(6);
    view.SetViewStatus(coverOpen.get());
    // Marks that only a new write would replace.
    SetWindowTextA(message, "unchanged");
    SetWindowTextA(title, "unchanged");
    view.SetViewStatus(coverOpenAgain.get());
    EXPECT_EQ("unchanged", Text(message)) << "the same message is not written again (it would flicker)";
    EXPECT_NE("unchanged", Text(title));
    view.SetViewStatus(paperOut.get());
    EXPECT_EQ("Load paper and press the On Line button.", Text(message));
    EXPECT_EQ("Paper out", Text(title));
}

TEST_F(ViewWindow, HelpControlsFollowHelpKindAndShownState)
{
    Open();
    HWND help = GetDlgItem(hDlg, kHelp), companion = GetDlgItem(hDlg, kHelpCompanion);
    auto shown = [&] { return Visible(help) + Visible(companion); };
    auto enabled = [&] { return Enabled(help) + Enabled(companion); };
    auto with = Status(5, true), without = Status(5, false);
    StatusHelpInfo info;
    ASSERT_EQ(2u, with->GetHelpInfo(&info)) << "TSS000=1 and no page: the trouble pages";
    ASSERT_EQ(0u, without->GetHelpInfo(&info));
    view.SetViewStatus(with.get());
    EXPECT_EQ(4, shown() + enabled());
    view.SetViewStatus(without.get());
    EXPECT_EQ(0, shown() + enabled());

    CStatusView& sv = view.GetStatusView();
    sv.Show(0);
    view.SetViewStatus(with.get());
    EXPECT_EQ(0, shown()) << "help appears only while the view is shown";
    EXPECT_FALSE(Visible(GetDlgItem(hDlg, IDOK)));
    sv.Show(1);
    EXPECT_EQ(2, shown());
    sv.Enable(0);
    EXPECT_EQ(0, enabled() + Enabled(GetDlgItem(hDlg, IDOK)));
    sv.Enable(1);
    EXPECT_EQ(4, shown() + enabled());
}

TEST_F(ViewWindow, EveryStatusClassOnScreenAndNoObjectLeftBehind)
{
    Open();
    // One real status of the kit's printer per status class it has, with the
    // picture, overlay and number of icons of some (-1: not checked): ready
    // is blue with one icon, a jam red with the overlay and two icons, a
    // communication error two icons.
    struct { int nRealNo, nSelector, nOverlay, nIcons; } cases[] = {
        {1, 511, 0, 1}, {21, -1, -1, 2}, {5, -1, -1, -1}, {14, -1, -1, -1}, {7, -1, -1, -1},
        {33, 512, 771, 2}, {6, -1, -1, -1}, {35, -1, -1, -1}, {100, -1, -1, -1}, {101, -1, -1, -1}};
    std::vector<std::unique_ptr<CPrinterStatus>> statuses;
    for (const auto& c : cases) {
        statuses.push_back(Status(c.nRealNo, statuses.size() % 2 == 0));
        ASSERT_NE(nullptr, statuses.back()) << c.nRealNo;
        view.SetViewStatus(statuses.back().get());
        const CBMP256Ctrl& picture = view.GetStatusView().GetPicture();
        EXPECT_EQ(75, picture.m_nWidth);
        auto check = [&](int want, int got) { EXPECT_TRUE(want < 0 || want == got) << c.nRealNo << ": " << got; };
        check(c.nSelector, picture.m_nSelector);
        check(c.nOverlay, picture.m_nOverlay);
        check(c.nIcons, view.GetStatusView().GetIcon().m_nCount);
        Pump(150);
        vm2test::Screenshot(hDlg, "view_status_" + std::to_string(c.nRealNo) + "_class_" +
                                         std::to_string(statuses.back()->GetStatusClass()));
    }
    // Counted both times in the same state, after a first round of the same
    // cycles: what Wine makes once for a window is not a leak.
    auto cycles = [&](int n) {
        for (int cycle = 0; cycle < n; ++cycle) {
            for (auto& s : statuses) view.SetViewStatus(s.get());
            if (cycle % 50 == 0) {  // showing controls costs Wine milliseconds each
                view.GetStatusView().Show(0);
                view.GetStatusView().Show(1);
                Pump(5);
            }
        }
        view.SetViewStatus(statuses.front().get());
        view.SetViewStatus(statuses.back().get());
        Pump(100);
    };
    cycles(2);
    vm2test::GuiObjects before = vm2test::CountGuiObjects();
    cycles(kCycles);
    vm2test::GuiObjects after = vm2test::CountGuiObjects();
    EXPECT_EQ(before, after) << before.Describe() << " then " << after.Describe();
}
