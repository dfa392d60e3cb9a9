// The status view on template 102 of the kit's resource DLL, fed with status
// objects of the kit's data file, on the X display.
#include "ui/status/dialog_view.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

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

// Real status numbers of the kit's printer day, one per status class it has.
const int kStatusesByClass[] = {1, 21, 5, 14, 7, 33, 6, 35, 100, 101};
// VM2PR2_VIEW_CYCLES shortens the object-count run when working by hand.
const int kCycles = getenv("VM2PR2_VIEW_CYCLES") ? atoi(getenv("VM2PR2_VIEW_CYCLES")) : 1000;

// Counts the texts written to a control.
struct TextWrites {
    static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l)
    {
        auto* self = reinterpret_cast<TextWrites*>(GetPropA(h, "vm2.writes"));
        if (m == WM_SETTEXT) ++self->count;
        return CallWindowProcA(self->old, h, m, w, l);
    }
    explicit TextWrites(HWND h) : hWnd(h)
    {
        SetPropA(h, "vm2.writes", this);
        old = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Proc)));
    }
    ~TextWrites()
    {
        SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
        RemovePropA(hWnd, "vm2.writes");
    }
    HWND hWnd;
    WNDPROC old;
    int count = 0;
};

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
        DialogViewInit init;
        init.pszDatFile = dat.c_str();
        init.pszModelID = "KX-9100";
        init.pszPrinterName = kPrinter;
        init.pszPortName = "USB001";
        ASSERT_EQ(1, view.Create(hDlg, dll.Get(), init));
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
    TextWrites message(GetDlgItem(hDlg, kMessage));
    TextWrites title(GetDlgItem(hDlg, kTitle));
    auto coverOpen = Status(5), coverOpenAgain = Status(5), paperOut = Status(6);
    view.SetViewStatus(coverOpen.get());
    view.SetViewStatus(coverOpenAgain.get());
    EXPECT_EQ(1, message.count);
    view.SetViewStatus(paperOut.get());
    EXPECT_EQ(2, message.count);
    EXPECT_EQ(3, title.count);
    EXPECT_EQ("Load paper and press the On Line button.", Text(GetDlgItem(hDlg, kMessage)));
    EXPECT_EQ("Paper out", Text(GetDlgItem(hDlg, kTitle)));
}

TEST_F(ViewWindow, HelpControlsFollowHelpKindAndShownState)
{
    Open();
    HWND help = GetDlgItem(hDlg, kHelp), companion = GetDlgItem(hDlg, kHelpCompanion);
    auto both = [&](bool on) { return Visible(help) == on && Enabled(help) == on && Visible(companion) == on &&
                                      Enabled(companion) == on; };
    auto with = Status(5, true), without = Status(5, false);
    StatusHelpInfo info;
    ASSERT_EQ(2u, with->GetHelpInfo(&info)) << "TSS000=1 and no page: the trouble pages";
    ASSERT_EQ(0u, without->GetHelpInfo(&info));
    view.SetViewStatus(with.get());
    EXPECT_TRUE(both(true));
    view.SetViewStatus(without.get());
    EXPECT_TRUE(both(false));

    view.SetViewStatus(with.get());
    CStatusView& sv = view.GetStatusView();
    sv.Show(0);
    EXPECT_FALSE(Visible(help) || Visible(companion));
    EXPECT_FALSE(Visible(GetDlgItem(hDlg, IDOK)));
    view.SetViewStatus(with.get());
    EXPECT_FALSE(Visible(help)) << "help appears only while the view is shown";
    sv.Show(1);
    EXPECT_TRUE(Visible(help) && Visible(companion));
    sv.Enable(0);
    EXPECT_FALSE(Enabled(help) || Enabled(companion) || Enabled(GetDlgItem(hDlg, IDOK)));
    sv.Enable(1);
    EXPECT_TRUE(both(true));
}

TEST_F(ViewWindow, PictureAndIconFollowTheStatusClass)
{
    Open();
    auto ready = Status(1), jam = Status(33), comError = Status(21);
    view.SetViewStatus(ready.get());  // class 1: blue, icon 759 alone, no overlay
    EXPECT_EQ(511, view.GetStatusView().GetPicture().m_nSelector);
    EXPECT_EQ(0, view.GetStatusView().GetPicture().m_nOverlay);
    EXPECT_EQ(75, view.GetStatusView().GetPicture().m_nWidth);
    EXPECT_EQ(1, view.GetStatusView().GetIcon().m_nCount);
    view.SetViewStatus(jam.get());  // class 6: red, icon 762 with 765, overlay 771
    EXPECT_EQ(512, view.GetStatusView().GetPicture().m_nSelector);
    EXPECT_EQ(771, view.GetStatusView().GetPicture().m_nOverlay);
    EXPECT_EQ(2, view.GetStatusView().GetIcon().m_nCount);
    view.SetViewStatus(comError.get());  // class 2: icon 750 with 765
    EXPECT_EQ(2, view.GetStatusView().GetIcon().m_nCount);
}

TEST_F(ViewWindow, EveryStatusClassOnScreenAndNoObjectLeftBehind)
{
    Open();
    std::unique_ptr<CPrinterStatus> statuses[sizeof(kStatusesByClass) / sizeof(int)];
    for (size_t i = 0; i < sizeof(kStatusesByClass) / sizeof(int); ++i) {
        statuses[i] = Status(kStatusesByClass[i], i % 2 == 0);
        ASSERT_NE(nullptr, statuses[i]) << kStatusesByClass[i];
        view.SetViewStatus(statuses[i].get());
        Pump(150);
        statustest::Screenshot(hDlg, "view_status_" + std::to_string(kStatusesByClass[i]) + "_class_" +
                                         std::to_string(statuses[i]->GetStatusClass()));
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
        view.SetViewStatus(statuses[0].get());
        view.SetViewStatus(statuses[sizeof(kStatusesByClass) / sizeof(int) - 1].get());
        Pump(100);
    };
    cycles(2);
    vm2test::GuiObjects before = vm2test::CountGuiObjects();
    cycles(kCycles);
    vm2test::GuiObjects after = vm2test::CountGuiObjects();
    EXPECT_EQ(before, after) << before.Describe() << " then " << after.Describe();
}

