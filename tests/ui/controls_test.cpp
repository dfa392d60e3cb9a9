// The status picture and status icon as the X display shows them; what their dialogs leave behind.
#include "ui/framework/bmp256_ctrl.h"
#include "ui/framework/icon_ctrl.h"

#include <gtest/gtest.h>

#include <set>

#include "harness/gui_objects.h"
#include "harness/test_support.h"
#include "ui/framework/driver_key.h"
#include "ui/ui_fixture.h"

using Colours = std::set<COLORREF>;

namespace {

constexpr auto kGrey = RGB(192, 192, 192), kBlue = RGB(0, 0, 255), kRed = RGB(255, 0, 0), kYellow = RGB(255, 255, 0);
constexpr POINT kBody{12, 30}, kCorner{15, 12}, kIconCentre{16, 16};  // the printer, under the overlay, an icon

COLORREF Pixel(HWND hWnd, POINT pt)
{
    ClientToScreen(hWnd, &pt);
    HDC hdc = GetDC(nullptr);
    COLORREF c = GetPixel(hdc, pt.x, pt.y);
    ReleaseDC(nullptr, hdc);
    return c;
}

Colours Seen(HWND hWnd, POINT pt, int nSamples = 20)  // sampled every 100 ms
{
    Colours seen;
    for (int i = 0; i < nSamples; ++i, Sleep(100)) seen.insert(Pixel(hWnd, pt));
    return seen;
}

// Template 102 with its picture (75 x 60, the install folder's files) and icon bound.
struct PictureDialog : uitest::TestDialog {
    PictureDialog(const char* caption, HMODULE hRes) : TestDialog(caption, nullptr, hRes)
    {
        OnInit = [this, hRes](HWND hWnd) {
            picture.Attach(GetDlgItem(hWnd, 210));
            picture.SetModule(hRes);
            picture.SetSize(75, 60);
            picture.SetFileNames("KX9100B.BMP", "KX9100R.BMP", "KX9100Y.BMP");
            icon.Attach(GetDlgItem(hWnd, 383));
            icon.SetModule(hRes);
        };
    }
    // Runs fn on the dialog's thread (the controls' timers are its); what the body shows after the repaint.
    COLORREF Do(const std::function<void()>& fn)
    {
        OnHelp = [&] {
            fn();
            RedrawWindow(m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        };
        SendMessageA(m_hWnd, WM_COMMAND, vm2::res::kCtlHelpButton, 0);
        Sleep(60);
        return Pixel(picture.m_hWnd, kBody);
    }

    CBMP256Ctrl picture;
    CIconCtrl icon;
};

}  // namespace

TEST(CBMP256CtrlAndCIconCtrl, FilesHeaderKindsFramesBlinkAndIconsAsTheScreenShowsThem)
{
    vm2test::TempDir dir;
    vm2test::ScopedRegKey driver(HKEY_LOCAL_MACHINE, "Software\\" + vm2test::UniqueName("vm2ui-driver"));
    for (const char* f : {"KX9100B.BMP", "KX9100R.BMP"})
        CopyFileA((vm2test::BinDir() + "\\" + f).c_str(), dir.File(f).c_str(), FALSE);
    driver.SetString("InstallPath", dir.Path());
    g_strDriverKey = driver.Path();
    const std::string blueFile = dir.File("KX9100B.BMP"), blue = vm2test::ReadFileText(blueFile);
    const int kinds[] = {790, 791, 792, 793, 794};  // 256, 16 and 4 colours, a core header, 24 bits
    uitest::KitDll res("KX9100EN.DLL");
    PictureDialog d("framework pictures", res.Get());
    vm2test::WindowWatch watch("framework pictures", "", 10000, [&](HWND hDlg) {
        EXPECT_EQ(kBlue, d.Do([&] { d.picture.SelectBitmap(511); }));
        DeleteFileA(blueFile.c_str());
        EXPECT_EQ(kBlue, d.Do([&] {
            d.picture.SelectBitmap(511);
            InvalidateRect(d.picture.m_hWnd, nullptr, TRUE);
        })) << "read at each paint, not once per selector";
        EXPECT_EQ(kRed, d.Do([&] { d.picture.SelectBitmap(512); }));
        EXPECT_NE(kRed, d.Do([&] { d.picture.SelectBitmap(4711); })) << "the old picture stayed";
        for (const std::string& bytes : {std::string(), blue.substr(0, blue.size() - 1), blue}) {
            vm2test::WriteFileText(blueFile, bytes);
            COLORREF c = d.Do([&] {
                d.picture.SelectBitmap(4711);
                d.picture.SelectBitmap(511);
            });  // read afresh
            RECT rc{};
            GetClientRect(d.picture.m_hWnd, &rc);
            EXPECT_TRUE((bytes == blue) == (c == kBlue) && rc.right == 75 && rc.bottom == 60)
                << bytes.size() << " bytes: " << std::hex << c << std::dec << ", " << rc.right << "x" << rc.bottom;
        }

        d.Do([&] {
            EXPECT_EQ(0, d.picture.SetFrames(0, kinds) + d.picture.SetFrames(2, nullptr)) << "no frames or a null list";
            d.picture.SetFrames(5, kinds);
        });
        const Colours kindColours{RGB(0, 128, 0), RGB(255, 0, 255), RGB(0, 255, 255), RGB(128, 64, 0),
                                  RGB(255, 128, 0)};
        EXPECT_EQ(kindColours, Seen(d.picture.m_hWnd, kBody, 30));
        d.Do([&] {
            d.picture.SetFrames(1, kinds);
            d.picture.SetOverlay(771, FALSE);
        });
        vm2test::Screenshot(hDlg, "picture_overlay");
        EXPECT_EQ((Colours{kGrey, kYellow}), Seen(d.picture.m_hWnd, kCorner));
        // A change in a hidden phase: the icon is due visible and the next toggles
        // are one and two periods away; the old phase would show it within one.
        vm2test::WaitUntil([&] { return Pixel(d.picture.m_hWnd, kCorner) == kGrey; }, 1000);
        d.Do([&] { d.picture.SetOverlay(771, TRUE); });
        DWORD start = GetTickCount();
        vm2test::WaitUntil([&] { return Pixel(d.picture.m_hWnd, kCorner) == kYellow; }, 3000);
        DWORD dwUntilVisible = GetTickCount() - start;
        EXPECT_TRUE(dwUntilVisible >= 800 && dwUntilVisible < 2000) << dwUntilVisible << " ms: no restart";
        d.Do([&] { d.picture.SetOverlay(4711, FALSE); });
        EXPECT_EQ(Colours{kGrey}, Seen(d.picture.m_hWnd, kCorner, 8)) << "a missing overlay icon draws nothing";
        d.Do([&] {
            d.picture.SetOverlay(0, FALSE);
            EXPECT_TRUE(d.picture.m_nTimerId == 0 && d.picture.m_hOverlay == nullptr) << "stopped, icon freed";
        });

        const DWORD two[] = {759, 765}, one[] = {0x12340000u | 750};  // the high word is not part of the id
        d.Do([&] { d.icon.SetIcons(2, two); });
        vm2test::Screenshot(hDlg, "icon_alternating");
        EXPECT_EQ((Colours{RGB(0, 192, 0), RGB(255, 255, 255)}), Seen(d.icon.m_hWnd, kIconCentre));
        d.Do([&] { d.icon.SetIcons(1, one); });
        EXPECT_EQ(0u, d.icon.m_nTimerId) << "one icon needs no timer";
        Sleep(700);
        EXPECT_EQ(kRed, Pixel(d.icon.m_hWnd, kIconCentre));
        vm2test::WindowWatch::PressButton(hDlg, IDOK);
    });
    d.DoModal();
    g_strDriverKey.clear();
    ASSERT_TRUE(watch.Join().found);
}

TEST(GuiObjectCounter, SeesEachKindLeakedOnPurposeAndNoneLeftByAnimatedDialogs)
{
    // The thread's first window brings helper windows of its own.
    DestroyWindow(CreateWindowExA(0, "STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    BYTE bits[32 * 4] = {};
    vm2test::GuiObjects before = vm2test::CountGuiObjects();
    HBRUSH hBrush = CreateSolidBrush(1);
    HMENU hMenu = CreateMenu();
    HICON hIcon = CreateIcon(nullptr, 32, 32, 1, 1, bits, bits);  // its bitmaps may count as GDI objects
    HWND hWnd = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    vm2test::GuiObjects leaked = vm2test::CountGuiObjects();
    DeleteObject(hBrush);
    DestroyMenu(hMenu);
    DestroyIcon(hIcon);
    DestroyWindow(hWnd);
    EXPECT_TRUE(leaked.nGdi > before.nGdi && leaked.nMenus == before.nMenus + 1 && leaked.nIcons == before.nIcons + 1 &&
                leaked.nWindows == before.nWindows + 1)
        << before.Describe() << " then " << leaked.Describe();
    EXPECT_EQ(before, vm2test::CountGuiObjects()) << before.Describe();

    uitest::KitDll res("KX9100EN.DLL");
    auto runOnce = [&] {
        PictureDialog d("framework leak", res.Get());
        auto bind = d.OnInit;
        d.OnInit = [&](HWND hWnd) {
            bind(hWnd);
            PostMessageA(hWnd, WM_COMMAND, vm2::res::kCtlHelpButton, 0);
        };
        d.OnHelp = [&] {  // shown by now
            const DWORD ids[] = {759, 765};
            const int frames[] = {790, 793};
            d.picture.SetOverlay(777, FALSE);
            d.icon.SetIcons(2, ids);
            // Ticks now rather than every 500 ms: frames, blink and icon turn and paint.
            for (int i = 0; i < 4; ++i) {
                if (i == 3) d.picture.SetFrames(2, frames);
                SendMessageA(d.picture.m_hWnd, WM_TIMER, d.picture.m_nTimerId, 0);
                SendMessageA(d.icon.m_hWnd, WM_TIMER, d.icon.m_nTimerId, 0);
                RedrawWindow(d.m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
            }
            PostMessageA(d.m_hWnd, WM_COMMAND, IDOK, 0);
        };
        EXPECT_EQ(IDOK, d.DoModal());
    };
    runOnce();  // first use loads what stays loaded (classes, shared icons)
    before = vm2test::CountGuiObjects();
    for (int i = 0; i < 200; ++i) runOnce();
    EXPECT_EQ(before, vm2test::CountGuiObjects()) << before.Describe();
}
