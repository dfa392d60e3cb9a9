// The modal loop of the window framework on the X display: refusals, result,
// owner, centring, nesting, moving a view's children, the window text reader.
#include "ui/framework/dialog_box.h"

#include <gtest/gtest.h>

#include <string>

#include "harness/test_support.h"
#include "module/app.h"
#include "ui/framework/view_base.h"
#include "ui/ui_fixture.h"

using vm2test::WindowWatch;

namespace {

HWND MakeOwner()
{
    return CreateWindowExA(0, "STATIC", "ui owner", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
}

struct View : CViewBase {
    void GetSize(int*, int*) override {}
    int MoveTo(int, int) override { return 1; }
    int SetViewStatus(CPrinterStatus*) override { return 1; }
};

}  // namespace

TEST(CDialogBoxDoModal, RefusesWithoutTemplateModuleOrDialogAndLeavesTheOwnerAlone)
{
    statustest::KitDll res("KX9100EN.DLL");
    HWND hOwner = MakeOwner();
    HMODULE hSaved = GetApp()->m_hResDll;
    GetApp()->m_hResDll = nullptr;
    // No template id, no module, a template the DLL does not have (a loop
    // would wait for ever).
    for (auto [nId, hModule] :
         {std::pair<UINT, HMODULE>{0, res.Get()}, {uitest::kStatusTemplate, nullptr}, {4711, res.Get()}}) {
        CDialogBox dlg(nId, hOwner);
        dlg.m_hResModule = hModule;
        EXPECT_EQ(-1, dlg.DoModal()) << nId;
        EXPECT_TRUE(IsWindowEnabled(hOwner)) << nId;
    }
    GetApp()->m_hResDll = hSaved;
    DestroyWindow(hOwner);
    // Without its object (as before WM_INITDIALOG) the procedure handles nothing.
    HWND hBare = CreateDialogParamA(res.Get(), MAKEINTRESOURCEA(uitest::kStatusTemplate), nullptr,
                                    CDialogBox::SharedDialogProc, 0);
    ASSERT_NE(nullptr, hBare);
    EXPECT_EQ(0, SendMessageA(hBare, WM_COMMAND, IDOK, 0));
    EXPECT_TRUE(DestroyWindow(hBare));
}

// Each run: an owner (enabled or not) and a dialog whose help button runs an
// inner one; the inner one ends by itself, or the outer one ends while the
// inner one runs and takes it along.
TEST(CDialogBoxDoModal, QuitCodeCentringOwnerGivenBackNestingAndMovedChildren)
{
    statustest::KitDll res("KX9100EN.DLL");
    HMODULE hSaved = GetApp()->m_hResDll;
    GetApp()->m_hResDll = res.Get();  // the fallback when the dialog has no module
    // Wine's EndDialog enables the owner even when it was disabled before.
    for (bool bFirst : {true, false}) {
        SCOPED_TRACE(bFirst ? "owner enabled, inner dialog ends itself" : "owner disabled, outer dialog ends both");
        HWND hOwner = MakeOwner();
        EnableWindow(hOwner, bFirst);
        int nInner = -2;
        uitest::TestDialog outer("framework outer", hOwner, nullptr, 42);
        outer.OnInit = [&](HWND hWnd) {
            View view;
            view.Create(hWnd, res.Get(), nullptr);
            HWND hChild = GetDlgItem(hWnd, IDOK);
            RECT before{}, after{};
            GetWindowRect(hChild, &before);
            view.MoveChild(hChild, 0, 0);
            view.MoveChild(hChild, 10, -5);
            GetWindowRect(hChild, &after);
            EXPECT_TRUE(after.left == before.left + 10 && after.top == before.top - 5 &&
                        after.right - after.left == before.right - before.left) << "MoveChild";
        };
        outer.OnHelp = [&] { nInner = uitest::TestDialog("framework inner", outer.m_hWnd, res.Get(), 7).DoModal(); };
        WindowWatch watchOuter("framework outer", "", 10000, [&](HWND hWnd) {
            RECT rc{};
            GetWindowRect(hWnd, &rc);
            EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - (rc.right - rc.left)) / 2, rc.left);
            EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - (rc.bottom - rc.top)) / 2, rc.top);
            EXPECT_FALSE(IsWindowEnabled(hOwner)) << "the owner is disabled meanwhile";
            EXPECT_EQ(reinterpret_cast<LONG_PTR>(&outer), GetWindowLongPtrA(hWnd, DWLP_USER));
            PostMessageA(hWnd, WM_COMMAND, uitest::kHelpButton, 0);
        });
        WindowWatch watchInner("framework inner", "", 10000, [&](HWND hInner) {
            HWND hOuter = GetWindow(hInner, GW_OWNER);
            if (bFirst) WindowWatch::PressButton(hInner, IDOK), Sleep(200);
            PostMessageA(hOuter, WM_COMMAND, IDOK, 0);
        });
        EXPECT_EQ(42, outer.DoModal());
        ASSERT_TRUE(watchOuter.Join().found);
        ASSERT_TRUE(watchInner.Join().found);
        EXPECT_EQ(bFirst ? 7 : 0, nInner);
        EXPECT_EQ(bFirst, IsWindowEnabled(hOwner) != FALSE) << "the owner as it was";
        EXPECT_EQ(nullptr, outer.m_hWnd);
        MSG msg;
        EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "a WM_QUIT was left behind";
        DestroyWindow(hOwner);
    }
    GetApp()->m_hResDll = hSaved;
}

TEST(CWndBase, GetWindowTextStringReadsTextsOfAnyLength)
{
    CWndBase wnd;
    for (size_t n : {0u, 63u, 64u, 65u, 1000u}) {
        std::string text(n, 'x');
        wnd.m_hWnd = CreateWindowExA(0, "STATIC", text.c_str(), 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        EXPECT_EQ(text, wnd.GetWindowTextString()) << n;
        DestroyWindow(wnd.m_hWnd);
    }
    EXPECT_EQ("", wnd.GetWindowTextString()) << "a destroyed window";
}
