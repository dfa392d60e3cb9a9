// The modal loop of the window framework on the X display: results, owner,
// centring, nesting, moving a view's children, and the window text reader.
#include "ui/framework/dialog_box.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "harness/test_support.h"
#include "module/app.h"
#include "ui/framework/view_base.h"
#include "ui/ui_fixture.h"

using uitest::KitResDll;
using uitest::OwnerWindow;
using uitest::TestDialog;
using vm2test::WindowWatch;

namespace {

struct Seen {
    RECT rc{};
    bool bOwnerEnabled = true;
    LONG_PTR user = 0;
};

}  // namespace

TEST(CDialogBoxDoModal, RefusesWithoutTemplateModuleOrDialogAndLeavesTheOwnerAlone)
{
    KitResDll res;
    ASSERT_NE(nullptr, res.Get());
    OwnerWindow owner;
    HMODULE hSaved = GetApp()->m_hResDll;
    GetApp()->m_hResDll = nullptr;
    {
        CDialogBox noTemplate(0, owner.hWnd);
        noTemplate.m_hResModule = res.Get();
        EXPECT_EQ(-1, noTemplate.DoModal());
        CDialogBox noModule(uitest::kStatusTemplate, owner.hWnd);
        EXPECT_EQ(-1, noModule.DoModal());
        // A template the DLL does not have would leave the loop waiting forever.
        CDialogBox missing(4711, owner.hWnd);
        missing.m_hResModule = res.Get();
        DWORD start = GetTickCount();
        EXPECT_EQ(-1, missing.DoModal());
        EXPECT_LT(GetTickCount() - start, 2000u);
        EXPECT_EQ(nullptr, missing.m_hWnd);
    }
    GetApp()->m_hResDll = hSaved;
    EXPECT_TRUE(IsWindowEnabled(owner.hWnd));
    // Without its object (as before WM_INITDIALOG) the procedure handles
    // nothing and the default processing goes on.
    HWND hBare = CreateDialogParamA(res.Get(), MAKEINTRESOURCEA(uitest::kStatusTemplate), nullptr,
                                    CDialogBox::SharedDialogProc, 0);
    ASSERT_NE(nullptr, hBare);
    EXPECT_EQ(0, SendMessageA(hBare, WM_COMMAND, IDOK, 0));
    EXPECT_EQ(0, GetWindowLongPtrA(hBare, DWLP_USER));
    EXPECT_TRUE(DestroyWindow(hBare));
}

TEST(CDialogBoxDoModal, ReturnsTheQuitCodeCentredWithTheOwnerDisabledMeanwhile)
{
    KitResDll res;
    OwnerWindow owner;
    // The module's resource DLL is the fallback when the dialog has none.
    HMODULE hSaved = GetApp()->m_hResDll;
    GetApp()->m_hResDll = res.Get();
    TestDialog dlg("framework test", owner.hWnd, nullptr, 42);
    Seen seen;
    WindowWatch watch("framework test", "", 10000, [&](HWND hWnd) {
        GetWindowRect(hWnd, &seen.rc);
        seen.bOwnerEnabled = IsWindowEnabled(owner.hWnd) != FALSE;
        seen.user = GetWindowLongPtrA(hWnd, DWLP_USER);
        WindowWatch::PressButton(hWnd, IDOK);
    });
    int nResult = dlg.DoModal();
    GetApp()->m_hResDll = hSaved;
    ASSERT_TRUE(watch.Join().found);

    EXPECT_EQ(42, nResult);
    EXPECT_EQ(res.Get(), dlg.m_hResModule);
    EXPECT_FALSE(seen.bOwnerEnabled);
    EXPECT_TRUE(IsWindowEnabled(owner.hWnd));
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(&dlg), seen.user);
    EXPECT_EQ(nullptr, dlg.m_hWnd);
    // Centred on the primary screen, halves truncated.
    EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - (seen.rc.right - seen.rc.left)) / 2, seen.rc.left);
    EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - (seen.rc.bottom - seen.rc.top)) / 2, seen.rc.top);
    // OnAttach first, before the object is in DWLP_USER and before the
    // handler sees anything; the loop offered messages to the hook.
    ASSERT_GE(dlg.m_seen.size(), 2u);
    EXPECT_EQ(static_cast<UINT>(WM_NULL), dlg.m_seen[0]);
    EXPECT_NE(dlg.m_seen.end(), std::find(dlg.m_seen.begin(), dlg.m_seen.end(), static_cast<UINT>(WM_INITDIALOG)));
    EXPECT_TRUE(dlg.m_bAttachedBeforeUser);
    EXPECT_GT(dlg.m_nPreTranslated, 0);
    // Not a double-byte system: the template's font stays.
    EXPECT_EQ(nullptr, dlg.m_hSubstFont);
}

TEST(CDialogBoxDoModal, AnOwnerDisabledBeforeStaysDisabled)
{
    KitResDll res;
    OwnerWindow owner;
    EnableWindow(owner.hWnd, FALSE);
    TestDialog dlg("framework disabled owner", owner.hWnd, res.Get());
    WindowWatch watch("framework disabled owner");
    EXPECT_EQ(IDOK, dlg.DoModal());
    ASSERT_TRUE(watch.Join().found);
    EXPECT_FALSE(IsWindowEnabled(owner.hWnd));
}

TEST(CDialogBoxDoModal, NestedDialogsEndInOrder)
{
    KitResDll res;
    struct Case {
        const char* name;
        bool bInnerEndsItself;
        int nInner;
        int nOuter;
    };
    // The inner dialog ends by itself and the outer one carries on; or the
    // outer one ends while the inner one runs and takes the inner one along.
    for (const Case& c : {Case{"inner first", true, 7, 9}, Case{"outer first", false, 0, 9}}) {
        SCOPED_TRACE(c.name);
        std::string order;
        int nInner = -2;
        HWND hOuter = nullptr;
        bool bOuterDisabledMeanwhile = false;
        TestDialog outer("framework outer", nullptr, res.Get(), 9);
        outer.OnInit = [&](HWND hWnd) { hOuter = hWnd; };
        outer.OnHelp = [&] {
            TestDialog inner("framework inner", outer.m_hWnd, res.Get(), 7);
            nInner = inner.DoModal();
            order += "inner;";
        };
        WindowWatch watchInner("framework inner", "", 10000, [&](HWND hInner) {
            bOuterDisabledMeanwhile = !IsWindowEnabled(hOuter);
            if (c.bInnerEndsItself) {
                WindowWatch::PressButton(hInner, IDOK);
                Sleep(200);
            }
            PostMessageA(hOuter, WM_COMMAND, IDOK, 0);
        });
        WindowWatch watchOuter("framework outer", "", 10000,
                               [](HWND hWnd) { PostMessageA(hWnd, WM_COMMAND, uitest::kHelpButton, 0); });
        int nOuter = outer.DoModal();
        order += "outer;";
        ASSERT_TRUE(watchOuter.Join().found);
        ASSERT_TRUE(watchInner.Join().found);
        EXPECT_EQ("inner;outer;", order);
        EXPECT_EQ(c.nInner, nInner);
        EXPECT_EQ(c.nOuter, nOuter);
        EXPECT_TRUE(bOuterDisabledMeanwhile);
        EXPECT_FALSE(IsWindow(hOuter));
        // No WM_QUIT is left behind for the thread's next loop.
        MSG msg;
        EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    }
}

TEST(CViewBaseMoveChild, ShiftsAChildByTheOffsetInTheDialogsClientArea)
{
    KitResDll res;
    struct View : CViewBase {
        void GetSize(int*, int*) override {}
        int MoveTo(int, int) override { return 1; }
        int SetViewStatus(CPrinterStatus*) override { return 1; }
    };
    POINT before{}, still{}, after{};
    TestDialog dlg("framework view", nullptr, res.Get());
    dlg.OnInit = [&](HWND hWnd) {
        View view;
        EXPECT_EQ(1, view.Create(hWnd, res.Get(), nullptr));
        HWND hChild = GetDlgItem(hWnd, IDOK);
        auto where = [&](POINT* p) {
            RECT rc;
            GetWindowRect(hChild, &rc);
            *p = {rc.left, rc.top};
            ScreenToClient(hWnd, p);
        };
        where(&before);
        view.MoveChild(hChild, 0, 0);
        where(&still);
        view.MoveChild(hChild, 10, -5);
        where(&after);
    };
    WindowWatch watch("framework view");
    dlg.DoModal();
    ASSERT_TRUE(watch.Join().found);
    EXPECT_EQ(before.x, still.x);
    EXPECT_EQ(before.y, still.y);
    EXPECT_EQ(before.x + 10, after.x);
    EXPECT_EQ(before.y - 5, after.y);
}

TEST(CWndBase, GetWindowTextStringReadsTextsOfAnyLength)
{
    for (size_t n : {0u, 1u, 62u, 63u, 64u, 65u, 127u, 128u, 1000u}) {
        std::string text(n, 'x');
        if (n > 0) text[n - 1] = 'e';
        CWndBase wnd;
        wnd.m_hWnd = CreateWindowExA(0, "STATIC", text.c_str(), 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, wnd.m_hWnd);
        EXPECT_EQ(text, wnd.GetWindowTextString()) << n;
        DestroyWindow(wnd.m_hWnd);
        EXPECT_EQ("", wnd.GetWindowTextString()) << "a destroyed window";
    }
}
