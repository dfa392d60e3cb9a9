// The trouble dialog on the X display, driven from another thread as a user
// would, over the kit's trouble page variants (kit/resdll/status.rc). Which
// buttons a page's flags give is checked in trouble_pages_test.cpp.
#include "ui/status/trouble.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>

#include "harness/gui_objects.h"
#include "harness/test_support.h"
#include "ui/status_fixture.h"

using statustest::Enabled;
using statustest::KitDll;
using statustest::Text;
using statustest::Visible;
using vm2test::WindowWatch;

namespace {

constexpr int kBack = 232, kNext = 233, kClose = 234, kText = 231;

int RunTrouble(CTrouble& dlg, const KitDll& dll)
{
    dlg.m_hResModule = dll.Get();
    return dlg.Run(dll.Pages());
}

void Click(HWND dlg, int id) { SendMessageA(GetDlgItem(dlg, id), BM_CLICK, 0, 0); }

// A command the buttons do not offer (disabled or hidden) still reaches the
// dialog when posted: the page index must stay in bounds.
int Posted(HWND dlg, int id, const CTrouble& trouble)
{
    PostMessageA(dlg, WM_COMMAND, id, 0);
    Sleep(100);
    return trouble.GetPageIndex();
}

// Remembers the focus when the dialog has started, seen from its own thread
// (another test's window taking the activation later cannot blur it); ends
// itself at once when asked to.
class Probe : public CTrouble {
public:
    explicit Probe(bool bAutoOk = false) : CTrouble(nullptr), m_bAutoOk(bAutoOk) {}
    BOOL OnInitDialog() override
    {
        BOOL b = CTrouble::OnInitDialog();
        m_hFocus = GetFocus();
        if (m_bAutoOk) PostMessageA(m_hWnd, WM_COMMAND, IDOK, 0);
        return b;
    }
    bool m_bAutoOk;
    std::atomic<HWND> m_hFocus{nullptr};
};

}  // namespace

TEST(Trouble, SinglePageHandsDefaultAndFocusToHiddenNextAndIgnoresEscape)
{
    KitDll dll("KX9100T1.DLL");
    Probe dlg;
    std::atomic<bool> stayed{false};
    WindowWatch watch("Paper out", "", 10000, [&](HWND h) {
        EXPECT_EQ(BS_DEFPUSHBUTTON, statustest::ButtonType(GetDlgItem(h, kNext))) << "page 0 gives the default to Next";
        EXPECT_EQ(BS_PUSHBUTTON, statustest::ButtonType(GetDlgItem(h, IDOK)));
        EXPECT_EQ(GetDlgItem(h, kNext), dlg.m_hFocus.load()) << "and the focus, though it is hidden";
        EXPECT_EQ("The printer has stopped. Press OK when the paper is loaded.", Text(GetDlgItem(h, kText)));
        vm2test::Screenshot(h, "trouble_single_page");
        PostMessageA(h, WM_CLOSE, 0, 0);
        PostMessageA(h, WM_COMMAND, IDCANCEL, 0);
        Sleep(300);
        stayed = IsWindowVisible(h) != FALSE;
        Click(h, IDOK);
    });
    EXPECT_EQ(1, RunTrouble(dlg, dll));
    EXPECT_TRUE(watch.Join().found);
    EXPECT_TRUE(stayed) << "Escape and the caption's close box do nothing";
}

TEST(Trouble, WalksThePagesCyclingFramesAndStopsAtTheEnds)
{
    KitDll dll("KX9100EN.DLL");  // three pages: one picture, three frames, none
    CTrouble dlg(nullptr);
    WindowWatch watch("Solving a printer problem", "", 10000, [&](HWND h) {
        EXPECT_FALSE(Enabled(GetDlgItem(h, kBack)));
        EXPECT_EQ(0, Posted(h, kBack, dlg)) << "Back on the first page";
        Click(h, kNext);
        EXPECT_EQ(1, dlg.GetPageIndex());
        std::set<int> seen;
        for (int i = 0; i < 16; ++i, Sleep(100)) seen.insert(dlg.GetPicture().m_nSelector);
        EXPECT_EQ((std::set<int>{820, 821, 822}), seen) << "three frames every 500 ms";
        vm2test::Screenshot(h, "trouble_walk_frames");

        Click(h, kNext);
        EXPECT_EQ(nullptr, dlg.GetPicture().m_pnFrames) << "a page without picture ends the cycle";
        int selector = dlg.GetPicture().m_nSelector;
        Sleep(700);
        EXPECT_EQ(selector, dlg.GetPicture().m_nSelector);
        EXPECT_TRUE(Visible(GetDlgItem(h, IDOK)) && !Visible(GetDlgItem(h, kNext))) << "the last page's buttons";
        vm2test::Screenshot(h, "trouble_walk_last_page");
        EXPECT_EQ(2, Posted(h, kNext, dlg)) << "Next on the last page";
        Click(h, kBack);
        EXPECT_EQ(1, dlg.GetPageIndex());
        Click(h, kClose);
    });
    EXPECT_EQ(1, RunTrouble(dlg, dll));
    EXPECT_TRUE(watch.Join().found);
}

TEST(Trouble, MalformedResourcesGiveDefinedPages)
{
    KitDll none("KX9100T4.DLL");  // no pages: ended at once, as without a resource
    CTrouble empty(nullptr), missing(nullptr);
    EXPECT_EQ(1, RunTrouble(empty, none));
    missing.m_hResModule = none.Get();
    EXPECT_EQ(1, missing.Run(nullptr));

    // Every flag 0, a missing text, a title without its zero byte that ends
    // the resource: read up to the resource's size, as the caption shows.
    KitDll dll("KX9100T6.DLL");
    CTrouble dlg(nullptr);
    WindowWatch watch("Unterminated", "", 10000, [&](HWND h) {
        EXPECT_EQ("", Text(GetDlgItem(h, kText)));
        PostMessageA(h, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(1, RunTrouble(dlg, dll));
    EXPECT_TRUE(watch.Join().found);
}

namespace {

// A window of template 102 that opens the trouble dialog from its help
// button, as the status window does, and closes the way it does.
class OuterWindow : public CDialogBox {
public:
    OuterWindow(HMODULE hRes, bool bEndTroubles) : CDialogBox(102, nullptr), m_bEndTroubles(bEndTroubles)
    {
        m_hResModule = hRes;
    }
    INT_PTR DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM) override
    {
        if (uMsg == WM_INITDIALOG) {
            SetWindowTextA(hWnd, "Outer status window");
            ShowWindow(hWnd, SW_SHOW);
        } else if (uMsg == WM_APP) {
            // The user's OK in the trouble dialog and the window's own close
            // both wait in the queue when the trouble dialog's loop looks next.
            PostMessageA(reinterpret_cast<HWND>(wParam), WM_COMMAND, IDOK, 0);
            PostMessageA(hWnd, WM_COMMAND, IDOK, 0);
        } else if (uMsg == WM_COMMAND && LOWORD(wParam) == IDOK) {
            if (m_bEndTroubles) CTrouble::EndOpenDialogs();
            EndModal(2);
        } else if (uMsg == WM_COMMAND && LOWORD(wParam) == 215) {
            CTrouble trouble(nullptr);
            trouble.m_hResModule = m_hResModule;
            m_nTroubleResult = trouble.Run(FindResourceA(m_hResModule, MAKEINTRESOURCEA(11010), MAKEINTRESOURCEA(10)));
        } else {
            return FALSE;
        }
        return TRUE;
    }
    bool m_bEndTroubles;
    int m_nTroubleResult = -5;
};

}  // namespace

TEST(Trouble, ItsEndLeavesTheWindowRunningAndTheWindowsCloseEndsBoth)
{
    KitDll dll("KX9100EN.DLL");
    // How the trouble dialog ends, given its window h and the outer one's.
    enum End { kUserCloses, kWindowCloses, kWindowClosesUntold, kBothAtOnce };
    for (End end : {kUserCloses, kWindowCloses, kWindowClosesUntold, kBothAtOnce}) {
        SCOPED_TRACE(end);
        OuterWindow outer(dll.Get(), end != kWindowClosesUntold);
        WindowWatch w("Outer status window", "", 10000, [&](HWND h) {
            PostMessageA(h, WM_COMMAND, 215, 0);
            WindowWatch t("Solving a printer problem", "", 5000, [&](HWND th) {
                if (end == kUserCloses) Click(th, kClose);
                else if (end == kBothAtOnce) PostMessageA(h, WM_APP, reinterpret_cast<WPARAM>(th), 0);
                else Click(h, IDOK);
            });
            EXPECT_TRUE(t.Join().found);
            if (end != kUserCloses) return;
            Sleep(300);
            EXPECT_TRUE(IsWindowVisible(h)) << "the trouble dialog's end must not end the window";
            Click(h, IDOK);
        });
        EXPECT_EQ(2, outer.DoModal()) << "the window's close got through";
        EXPECT_TRUE(w.Join().found);
        EXPECT_TRUE(end == kBothAtOnce || outer.m_nTroubleResult == (end == kUserCloses ? 1 : 0))
            << outer.m_nTroubleResult << " (0: ended from outside)";
    }
}

TEST(Trouble, TwoHundredDialogsLeaveNoObjectBehind)
{
    KitDll dll("KX9100T2.DLL");  // a first page cycling three pictures
    auto runs = [&](int n) {
        for (int i = 0; i < n; ++i) {
            Probe dlg(true);
            ASSERT_EQ(1, RunTrouble(dlg, dll)) << "run " << i;
        }
        statustest::Pump(50);
    };
    runs(1);
    vm2test::GuiObjects before = vm2test::CountGuiObjects();
    runs(200);
    vm2test::GuiObjects after = vm2test::CountGuiObjects();
    EXPECT_EQ(before, after) << before.Describe() << " then " << after.Describe();
}
