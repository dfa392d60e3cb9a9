// The window framework on the X display: modal loop, view children, window texts, visual styles.
#include "ui/framework/dialog_box.h"

#include <gtest/gtest.h>

#include "harness/test_support.h"
#include "module/app.h"
#include "ui/framework/view_base.h"
#include "ui/ui_fixture.h"

using vm2test::WindowWatch;

struct MoveChildView : CViewBase {
    void GetSize(int*, int*) override {}
    int MoveTo(int, int) override { return 1; }
    int SetViewStatus(CPrinterStatus*) override { return 1; }
};

// Refusals (no template id, no module, a template the DLL lacks: a loop would wait for ever); then each run:
// the owner (enabled or not) and a dialog whose help button runs an inner one, which ends by itself, or the
// outer one ends while it runs and takes it along.
TEST(CDialogBoxDoModal, RefusalsQuitCodeCentringOwnerGivenBackNestingAndMovedChildren)
{
    uitest::KitDll res("KX9100EN.DLL");
    HWND hOwner = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    HMODULE hSaved = GetApp()->m_hResDll;
    GetApp()->m_hResDll = nullptr;
    for (auto [nId, hModule] :
         {std::pair<UINT, HMODULE>{0, res.Get()}, {vm2::res::kStatusTemplate, nullptr}, {4711, res.Get()}}) {
        CDialogBox dlg(nId, hOwner);
        dlg.m_hResModule = hModule;
        EXPECT_EQ(-1, dlg.DoModal()) << nId;
        EXPECT_TRUE(IsWindowEnabled(hOwner)) << nId;
    }
    GetApp()->m_hResDll = res.Get();  // the fallback when the dialog has no module
    // Wine's EndDialog enables the owner even when it was disabled before.
    for (bool bFirst : {true, false}) {
        SCOPED_TRACE(bFirst ? "owner enabled, inner dialog ends itself" : "owner disabled, outer dialog ends both");
        EnableWindow(hOwner, bFirst);
        int nInner = -2;
        uitest::TestDialog outer("framework outer", hOwner, nullptr, 42);
        outer.OnInit = [&](HWND hWnd) {
            MoveChildView view;
            view.Create(hWnd, res.Get(), nullptr);
            HWND hChild = GetDlgItem(hWnd, IDOK);
            RECT before{}, after{};
            GetWindowRect(hChild, &before);
            view.MoveChild(hChild, 0, 0);
            view.MoveChild(hChild, 10, -5);
            GetWindowRect(hChild, &after);
            EXPECT_TRUE(after.left == before.left + 10 && after.top == before.top - 5 &&
                        after.right - after.left == before.right - before.left);
            for (size_t n : {0u, 63u, 64u, 65u, 1000u}) {
                SetWindowTextA(hWnd, std::string(n, 'x').c_str());
                EXPECT_EQ(std::string(n, 'x'), outer.GetWindowTextString()) << "GetWindowTextString";
            }
            SetWindowTextA(hWnd, outer.m_caption.c_str());
        };
        outer.OnHelp = [&] { nInner = uitest::TestDialog("framework inner", outer.m_hWnd, res.Get(), 7).DoModal(); };
        WindowWatch watchOuter("framework outer", "", 10000, [&](HWND hWnd) {
            RECT rc{};
            GetWindowRect(hWnd, &rc);
            EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - (rc.right - rc.left)) / 2, rc.left);
            EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - (rc.bottom - rc.top)) / 2, rc.top);
            EXPECT_FALSE(IsWindowEnabled(hOwner)) << "the owner is disabled meanwhile";
            PostMessageA(hWnd, WM_COMMAND, vm2::res::kCtlHelpButton, 0);
        });
        WindowWatch watchInner("framework inner", "", 10000, [&](HWND hInner) {
            HWND hOuter = GetWindow(hInner, GW_OWNER);
            if (bFirst) WindowWatch::PressButton(hInner, IDOK), Sleep(200);
            PostMessageA(hOuter, WM_COMMAND, IDOK, 0);
        });
        EXPECT_EQ(42, outer.DoModal());
        ASSERT_TRUE(watchOuter.Join().found && watchInner.Join().found);
        EXPECT_EQ(bFirst ? 7 : 0, nInner);
        EXPECT_EQ(bFirst, IsWindowEnabled(hOwner) != FALSE) << "the owner as it was";
        EXPECT_TRUE(outer.m_hWnd == nullptr && outer.GetWindowTextString().empty());
        MSG msg;
        EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "a WM_QUIT was left behind";
    }
    GetApp()->m_hResDll = hSaved;
    DestroyWindow(hOwner);
}

TEST(CWinThemeCtrl, BindsTheLibraryFromWindowsXpOnAndDoesNothingWithoutIt)
{
    // theme_probe's exit code under a Windows version of Wine's (null: the prefix's), the library on or off.
    auto probe = [](const char* version, bool bNoUxTheme) {
        vm2test::ScopedRegKey app(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\theme_probe.exe");
        if (version != nullptr) app.SetString("Version", version);
        vm2test::ScopedRegKey overrides(HKEY_CURRENT_USER, app.Path() + "\\DllOverrides");
        if (bNoUxTheme) overrides.SetString("uxtheme", "");
        return static_cast<int>(vm2test::ChildProcess("\"" + vm2test::BinDir() + "\\theme_probe.exe\"").Wait());
    };
    // 1 supported, 2 library loaded, 4 the texture call made nothing (counted where the library is not loaded).
    EXPECT_EQ(1 | 2, probe(nullptr, false) & 3);
    EXPECT_EQ(1 | 4, probe(nullptr, true) & 7);
    EXPECT_EQ(4, probe("win2k", false) & 7);
    EXPECT_EQ(1 | 2, probe("winxp", false) & 3);
    EXPECT_EQ(4, probe("win98", false) & 7);
}
