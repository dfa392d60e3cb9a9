// The modal loop of the window framework on the X display: refusals, result,
// owner, centring, nesting, moving a view's children, the window text reader.
#include "ui/framework/dialog_box.h"

#include <gtest/gtest.h>

#include <string>

#include "harness/test_support.h"
#include "module/app.h"
#include "ui/framework/view_base.h"
#include "ui/ui_fixture.h"

using uitest::KitResDll;
using uitest::OwnerWindow;
using uitest::TestDialog;
using vm2test::WindowWatch;

TEST(CDialogBoxDoModal, RefusesWithoutTemplateModuleOrDialogAndLeavesTheOwnerAlone)
{
    KitResDll res;
    OwnerWindow owner;
    HMODULE hSaved = GetApp()->m_hResDll;
    GetApp()->m_hResDll = nullptr;
    // No template id, no module, a template the DLL does not have (a loop
    // would wait for ever).
    for (auto [nId, hModule] :
         {std::pair<UINT, HMODULE>{0, res.Get()}, {uitest::kStatusTemplate, nullptr}, {4711, res.Get()}}) {
        CDialogBox dlg(nId, owner.hWnd);
        dlg.m_hResModule = hModule;
        EXPECT_EQ(-1, dlg.DoModal()) << nId;
        EXPECT_TRUE(IsWindowEnabled(owner.hWnd)) << nId;
    }
    GetApp()->m_hResDll = hSaved;
    // Without its object (as before WM_INITDIALOG) the procedure handles nothing.
    HWND hBare = CreateDialogParamA(res.Get(), MAKEINTRESOURCEA(uitest::kStatusTemplate), nullptr,
                                    CDialogBox::SharedDialogProc, 0);
    ASSERT_NE(nullptr, hBare);
    EXPECT_EQ(0, SendMessageA(hBare, WM_COMMAND, IDOK, 0));
    EXPECT_TRUE(DestroyWindow(hBare));
}

TEST(CDialogBoxDoModal, ReturnsTheQuitCodeCentredAndGivesBackTheOwnerAsItWas)
{
    KitResDll res;
    HMODULE hSaved = GetApp()->m_hResDll;
    GetApp()->m_hResDll = res.Get();  // the fallback when the dialog has no module
    // Wine's EndDialog enables the owner even when it was disabled before.
    for (bool bOwnerEnabled : {true, false}) {
        SCOPED_TRACE(bOwnerEnabled);
        OwnerWindow owner;
        EnableWindow(owner.hWnd, bOwnerEnabled);
        TestDialog dlg("framework test", owner.hWnd, nullptr, 42);
        RECT rc{};
        bool bEnabledMeanwhile = true;
        LONG_PTR user = 0;
        WindowWatch watch("framework test", "", 10000, [&](HWND hWnd) {
            GetWindowRect(hWnd, &rc);
            bEnabledMeanwhile = IsWindowEnabled(owner.hWnd) != FALSE;
            user = GetWindowLongPtrA(hWnd, DWLP_USER);
            WindowWatch::PressButton(hWnd, IDOK);
        });
        EXPECT_EQ(42, dlg.DoModal());
        ASSERT_TRUE(watch.Join().found);
        EXPECT_FALSE(bEnabledMeanwhile);
        EXPECT_EQ(bOwnerEnabled, IsWindowEnabled(owner.hWnd) != FALSE);
        EXPECT_EQ(reinterpret_cast<LONG_PTR>(&dlg), user);
        EXPECT_TRUE(dlg.m_bAttachedBeforeUser) << "OnAttach comes before the object is stored";
        EXPECT_EQ(nullptr, dlg.m_hWnd);
        EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - (rc.right - rc.left)) / 2, rc.left);
        EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - (rc.bottom - rc.top)) / 2, rc.top);
    }
    GetApp()->m_hResDll = hSaved;
}

TEST(CDialogBoxDoModal, NestedDialogsEndInOrder)
{
    KitResDll res;
    // The inner dialog ends by itself and the outer one carries on; or the
    // outer one ends while the inner one runs and takes the inner one along.
    for (bool bInnerEndsItself : {true, false}) {
        SCOPED_TRACE(bInnerEndsItself);
        std::string order;
        int nInner = -2;
        HWND hOuter = nullptr;
        TestDialog outer("framework outer", nullptr, res.Get(), 9);
        outer.OnInit = [&](HWND hWnd) { hOuter = hWnd; };
        outer.OnHelp = [&] {
            TestDialog inner("framework inner", outer.m_hWnd, res.Get(), 7);
            nInner = inner.DoModal();
            order += "inner;";
        };
        WindowWatch watchInner("framework inner", "", 10000, [&](HWND hInner) {
            if (bInnerEndsItself) {
                WindowWatch::PressButton(hInner, IDOK);
                Sleep(200);
            }
            PostMessageA(hOuter, WM_COMMAND, IDOK, 0);
        });
        WindowWatch watchOuter("framework outer", "", 10000,
                               [](HWND hWnd) { PostMessageA(hWnd, WM_COMMAND, uitest::kHelpButton, 0); });
        EXPECT_EQ(9, outer.DoModal());
        order += "outer;";
        ASSERT_TRUE(watchOuter.Join().found);
        ASSERT_TRUE(watchInner.Join().found);
        EXPECT_EQ("inner;outer;", order);
        EXPECT_EQ(bInnerEndsItself ? 7 : 0, nInner);
        MSG msg;
        EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "a WM_QUIT was left behind";
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
    RECT before{}, after{};
    TestDialog dlg("framework view", nullptr, res.Get());
    dlg.OnInit = [&](HWND hWnd) {
        View view;
        view.Create(hWnd, res.Get(), nullptr);
        HWND hChild = GetDlgItem(hWnd, IDOK);
        GetWindowRect(hChild, &before);
        view.MoveChild(hChild, 0, 0);
        view.MoveChild(hChild, 10, -5);
        GetWindowRect(hChild, &after);
        PostMessageA(hWnd, WM_COMMAND, IDOK, 0);
    };
    dlg.DoModal();
    EXPECT_EQ(before.left + 10, after.left);
    EXPECT_EQ(before.top - 5, after.top);
    EXPECT_EQ(before.right - before.left, after.right - after.left);
}

TEST(CWndBase, GetWindowTextStringReadsTextsOfAnyLength)
{
    for (size_t n : {0u, 63u, 64u, 65u, 1000u}) {
        std::string text(n, 'x');
        CWndBase wnd;
        wnd.m_hWnd = CreateWindowExA(0, "STATIC", text.c_str(), 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        EXPECT_EQ(text, wnd.GetWindowTextString()) << n;
        DestroyWindow(wnd.m_hWnd);
        EXPECT_EQ("", wnd.GetWindowTextString()) << "a destroyed window";
    }
}
