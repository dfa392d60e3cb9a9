// The trouble dialog on the X display, driven from another thread as a user
// would, over the kit's trouble page variants (kit/resdll/status.rc).
#include "ui/status/trouble.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>

#include "harness/gui_objects.h"
#include "harness/test_support.h"
#include "ui/status_fixture.h"

using statustest::ButtonType;
using statustest::Enabled;
using statustest::KitDll;
using statustest::Text;
using statustest::Visible;
using vm2test::WindowWatch;

namespace {

constexpr int kBack = 232, kNext = 233, kClose = 234, kText = 231, kPicture = 230;

int RunTrouble(CTrouble& dlg, const KitDll& dll)
{
    dlg.m_hResModule = dll.Get();
    return dlg.Run(dll.Pages());
}

void Click(HWND dlg, int id) { SendMessageA(GetDlgItem(dlg, id), BM_CLICK, 0, 0); }

// Where the focus is when the dialog has started, seen from its own thread:
// another test's window taking the activation later cannot blur it.
class FocusProbe : public CTrouble {
public:
    FocusProbe() : CTrouble(nullptr) {}
    BOOL OnInitDialog() override
    {
        BOOL b = CTrouble::OnInitDialog();
        m_hFocus = GetFocus();
        return b;
    }
    std::atomic<HWND> m_hFocus{nullptr};
};

}  // namespace

TEST(Trouble, SinglePageEndingTheWalkHandsDefaultAndFocusToHiddenNext)
{
    KitDll dll("KX9100T1.DLL");
    FocusProbe dlg;
    std::atomic<bool> stayed{false};
    WindowWatch watch("Paper out", "", 10000, [&](HWND h) {
        EXPECT_TRUE(Visible(GetDlgItem(h, IDOK)));
        EXPECT_FALSE(Visible(GetDlgItem(h, kNext)));
        EXPECT_EQ(BS_DEFPUSHBUTTON, ButtonType(GetDlgItem(h, kNext))) << "page 0 gives the default to Next";
        EXPECT_EQ(BS_PUSHBUTTON, ButtonType(GetDlgItem(h, IDOK)));
        EXPECT_EQ(GetDlgItem(h, kNext), dlg.m_hFocus.load()) << "and the focus, though it is hidden";
        EXPECT_FALSE(Visible(GetDlgItem(h, kClose)));
        EXPECT_TRUE(Visible(GetDlgItem(h, kPicture)));
        EXPECT_EQ("The printer has stopped. Press OK when the paper is loaded.", Text(GetDlgItem(h, kText)));
        statustest::Screenshot(h, "trouble_single_page");

        // Escape and the caption's close box do nothing.
        PostMessageA(h, WM_CLOSE, 0, 0);
        PostMessageA(h, WM_COMMAND, IDCANCEL, 0);
        Sleep(300);
        stayed = IsWindowVisible(h) != FALSE;
        Click(h, IDOK);
    });
    EXPECT_EQ(1, RunTrouble(dlg, dll));
    EXPECT_TRUE(watch.Join().found);
    EXPECT_TRUE(stayed);
}

TEST(Trouble, WalksThePagesCyclingFramesAndStopsAtTheEnds)
{
    KitDll dll("KX9100EN.DLL");  // three pages: one picture, three frames, none
    CTrouble dlg(nullptr);
    WindowWatch watch("Solving a printer problem", "", 10000, [&](HWND h) {
        EXPECT_FALSE(Enabled(GetDlgItem(h, kBack)));
        EXPECT_TRUE(Visible(GetDlgItem(h, kClose)));
        EXPECT_TRUE(Visible(GetDlgItem(h, kNext)) && Enabled(GetDlgItem(h, kNext)));
        EXPECT_FALSE(Visible(GetDlgItem(h, IDOK)));
        // Back on the first page of a resource that offers it nowhere.
        PostMessageA(h, WM_COMMAND, kBack, 0);
        Sleep(100);
        EXPECT_EQ(0, dlg.GetPageIndex());

        Click(h, kNext);
        EXPECT_EQ(1, dlg.GetPageIndex());
        std::set<int> seen;
        for (int i = 0; i < 16; ++i, Sleep(100)) seen.insert(dlg.GetPicture().m_nSelector);
        EXPECT_EQ((std::set<int>{820, 821, 822}), seen) << "three frames every 500 ms";
        statustest::Screenshot(h, "trouble_walk_frames");

        Click(h, kNext);
        EXPECT_EQ(2, dlg.GetPageIndex());
        EXPECT_FALSE(Visible(GetDlgItem(h, kPicture)));
        EXPECT_EQ(nullptr, dlg.GetPicture().m_pnFrames) << "a page without picture ends the cycle";
        int selector = dlg.GetPicture().m_nSelector;
        Sleep(700);
        EXPECT_EQ(selector, dlg.GetPicture().m_nSelector);
        EXPECT_TRUE(Visible(GetDlgItem(h, IDOK)));
        EXPECT_FALSE(Visible(GetDlgItem(h, kNext)));
        EXPECT_TRUE(Enabled(GetDlgItem(h, kBack)));
        statustest::Screenshot(h, "trouble_walk_last_page");
        PostMessageA(h, WM_COMMAND, kNext, 0);
        Sleep(100);
        EXPECT_EQ(2, dlg.GetPageIndex()) << "Next on the last page stays";

        Click(h, kBack);
        EXPECT_EQ(1, dlg.GetPageIndex());
        Click(h, kClose);
    });
    EXPECT_EQ(1, RunTrouble(dlg, dll));
    EXPECT_TRUE(watch.Join().found);
}

TEST(Trouble, MalformedResourcesGiveDefinedPages)
{
    {
        SCOPED_TRACE("no pages, and no resource at all: ended at once");
        KitDll dll("KX9100T4.DLL");
        CTrouble empty(nullptr);
        EXPECT_EQ(1, RunTrouble(empty, dll));
        CTrouble none(nullptr);
        none.m_hResModule = dll.Get();
        EXPECT_EQ(1, none.Run(nullptr));
    }
    {
        SCOPED_TRACE("every flag 0, a missing text, an unterminated title");
        KitDll dll("KX9100T6.DLL");
        CTrouble dlg(nullptr);
        WindowWatch watch("Unterminated", "", 10000, [&](HWND h) {
            EXPECT_EQ("", Text(GetDlgItem(h, kText)));
            EXPECT_TRUE(Visible(GetDlgItem(h, kNext)));
            EXPECT_FALSE(Enabled(GetDlgItem(h, kNext))) << "Next shown but greyed";
            EXPECT_FALSE(Visible(GetDlgItem(h, IDOK)));
            EXPECT_FALSE(Visible(GetDlgItem(h, kClose)));
            PostMessageA(h, WM_COMMAND, kNext, 0);
            Sleep(100);
            EXPECT_EQ(1, dlg.GetPageIndex()) << "the command still steps within the pages";
            PostMessageA(h, WM_COMMAND, IDOK, 0);
        });
        EXPECT_EQ(1, RunTrouble(dlg, dll));
        EXPECT_TRUE(watch.Join().found);
    }
    {
        SCOPED_TRACE("five pages declared, two records, no title");
        KitDll dll("KX9100T5.DLL");
        CTrouble dlg(nullptr);
        std::atomic<HWND> shown{nullptr};
        WindowWatch watch("", "#32770", 10000, [&](HWND h) {
            shown = h;
            EXPECT_EQ("", Text(h));
            Click(h, kNext);
            PostMessageA(h, WM_COMMAND, kNext, 0);
            Sleep(100);
            EXPECT_EQ(1, dlg.GetPageIndex());
            PostMessageA(h, WM_COMMAND, IDOK, 0);
        });
        EXPECT_EQ(1, RunTrouble(dlg, dll));
        EXPECT_TRUE(watch.Join().found);
        EXPECT_EQ(2, dlg.GetPageCount());
    }
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
            return TRUE;
        }
        if (uMsg == WM_APP) {
            // The user's OK in the trouble dialog and the window's own close
            // both wait in the queue when the trouble dialog's loop looks next.
            PostMessageA(reinterpret_cast<HWND>(wParam), WM_COMMAND, IDOK, 0);
            PostMessageA(hWnd, WM_COMMAND, IDOK, 0);
            return TRUE;
        }
        if (uMsg != WM_COMMAND) return FALSE;
        if (LOWORD(wParam) == IDOK) {
            if (m_bEndTroubles) CTrouble::EndOpenDialogs();
            EndModal(2);
        } else if (LOWORD(wParam) == 215 || LOWORD(wParam) == 241) {
            CTrouble trouble(nullptr);
            trouble.m_hResModule = m_hResModule;
            m_nTroubleResult = trouble.Run(FindResourceA(m_hResModule, MAKEINTRESOURCEA(11010), MAKEINTRESOURCEA(10)));
            m_bTroubleReturned = true;
        }
        return TRUE;
    }
    bool m_bEndTroubles;
    int m_nTroubleResult = -5;
    bool m_bTroubleReturned = false;
};

}  // namespace

TEST(Trouble, ItsEndLeavesTheWindowRunningAndTheWindowsCloseEndsBoth)
{
    KitDll dll("KX9100EN.DLL");
    {
        SCOPED_TRACE("trouble ended by the user: the window runs on");
        OuterWindow outer(dll.Get(), true);
        WindowWatch w("Outer status window", "", 10000, [&](HWND h) {
            PostMessageA(h, WM_COMMAND, 215, 0);
            WindowWatch t("Solving a printer problem", "", 5000, [](HWND th) { Click(th, kClose); });
            EXPECT_TRUE(t.Join().found);
            Sleep(300);
            EXPECT_TRUE(IsWindowVisible(h)) << "the trouble dialog's end must not end the window";
            Click(h, IDOK);
        });
        EXPECT_EQ(2, outer.DoModal());
        EXPECT_EQ(1, outer.m_nTroubleResult);
        EXPECT_TRUE(w.Join().found);
    }
    for (bool endTroubles : {false, true}) {
        SCOPED_TRACE(endTroubles ? "window closes, ending its trouble dialogs" : "window closes, nothing told");
        OuterWindow outer(dll.Get(), endTroubles);
        WindowWatch w("Outer status window", "", 10000, [&](HWND h) {
            PostMessageA(h, WM_COMMAND, 215, 0);
            WindowWatch t("Solving a printer problem", "", 5000, [&](HWND) { Click(h, IDOK); });
            EXPECT_TRUE(t.Join().found);
        });
        EXPECT_EQ(2, outer.DoModal());
        EXPECT_TRUE(outer.m_bTroubleReturned);
        EXPECT_EQ(0, outer.m_nTroubleResult) << "ended from outside";
        EXPECT_TRUE(w.Join().found);
    }
    {
        SCOPED_TRACE("the user's OK and the window's close in one go");
        OuterWindow outer(dll.Get(), true);
        WindowWatch w("Outer status window", "", 10000, [&](HWND h) {
            PostMessageA(h, WM_COMMAND, 215, 0);
            WindowWatch t("Solving a printer problem", "", 5000, [&](HWND th) {
                PostMessageA(h, WM_APP, reinterpret_cast<WPARAM>(th), 0);
            });
            EXPECT_TRUE(t.Join().found);
        });
        EXPECT_EQ(2, outer.DoModal()) << "the window's close got through";
        EXPECT_TRUE(w.Join().found);
    }
}

namespace {

// Ends itself as soon as its first page is up.
class AutoOk : public CTrouble {
public:
    AutoOk() : CTrouble(nullptr) {}
    BOOL OnInitDialog() override
    {
        BOOL b = CTrouble::OnInitDialog();
        PostMessageA(m_hWnd, WM_COMMAND, IDOK, 0);
        return b;
    }
};

}  // namespace

TEST(Trouble, TwoHundredDialogsLeaveNoObjectBehind)
{
    KitDll dll("KX9100T2.DLL");  // a first page cycling three pictures
    {
        AutoOk warm;
        ASSERT_EQ(1, RunTrouble(warm, dll));
    }
    statustest::Pump(50);
    vm2test::GuiObjects before = vm2test::CountGuiObjects();
    for (int i = 0; i < 200; ++i) {
        AutoOk dlg;
        ASSERT_EQ(1, RunTrouble(dlg, dll)) << "run " << i;
    }
    statustest::Pump(50);
    vm2test::GuiObjects after = vm2test::CountGuiObjects();
    EXPECT_EQ(before, after) << before.Describe() << " then " << after.Describe();
}
