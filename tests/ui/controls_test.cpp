// The status picture and status icon read back from the X display: files of
// the install folder (good and broken), bitmaps of every header kind, frames,
// the blinking overlay, alternating icons; and what their dialogs leave behind.
#include "ui/framework/bmp256_ctrl.h"
#include "ui/framework/icon_ctrl.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

#include "harness/gui_objects.h"
#include "harness/test_support.h"
#include "ui/framework/driver_key.h"
#include "ui/ui_fixture.h"

using Colours = std::set<COLORREF>;

namespace {

constexpr COLORREF kGrey = RGB(0xC0, 0xC0, 0xC0), kBlue = RGB(0, 0, 0xFF), kRed = RGB(0xFF, 0, 0);
constexpr COLORREF kYellow = RGB(0xFF, 0xFF, 0);
// The printer's body, a corner under the overlay, the centre of an icon.
constexpr POINT kBody{12, 30}, kCorner{15, 12}, kIconCentre{16, 16};

COLORREF Pixel(HWND hWnd, POINT pt)
{
    ClientToScreen(hWnd, &pt);
    HDC hdc = GetDC(nullptr);
    COLORREF c = GetPixel(hdc, pt.x, pt.y);
    ReleaseDC(nullptr, hdc);
    return c;
}

// The colours a point shows over about two seconds.
Colours Seen(HWND hWnd, POINT pt, int nSamples = 20)
{
    Colours seen;
    for (int i = 0; i < nSamples; ++i, Sleep(100)) seen.insert(Pixel(hWnd, pt));
    return seen;
}

// Template 102's picture (75 x 60, the install folder's files) and icon.
struct Controls {
    void Bind(HWND hWnd, HMODULE hRes)
    {
        hDialog = hWnd;
        picture.Attach(hPicture = GetDlgItem(hWnd, 210));
        picture.SetModule(hRes);
        picture.SetSize(75, 60);
        picture.SetFileNames("KX9100B.BMP", "KX9100R.BMP", "KX9100Y.BMP");
        icon.Attach(hIcon = GetDlgItem(hWnd, 383));
        icon.SetModule(hRes);
    }
    // Runs fn on the dialog's thread (the controls' timers belong to it);
    // what the point shows after the repaint.
    COLORREF Do(std::function<void()> fn, POINT pt = kBody)
    {
        SendMessageA(hDialog, WM_APP, 0, reinterpret_cast<LPARAM>(&fn));
        Sleep(60);
        return Pixel(hPicture, pt);
    }

    HWND hDialog = nullptr, hPicture = nullptr, hIcon = nullptr;
    CBMP256Ctrl picture;
    CIconCtrl icon;
};

// A driver key whose install folder holds copies of the kit's three files.
struct InstallFolder {
    InstallFolder() : key(HKEY_LOCAL_MACHINE, "Software\\" + vm2test::UniqueName("vm2ui-driver"))
    {
        for (const char* f : {"KX9100B.BMP", "KX9100R.BMP", "KX9100Y.BMP"})
            CopyFileA((vm2test::BinDir() + "\\" + f).c_str(), dir.File(f).c_str(), FALSE);
        key.SetString("InstallPath", dir.Path());
        g_strDriverKey = key.Path();
    }
    ~InstallFolder() { g_strDriverKey.clear(); }
    vm2test::TempDir dir;
    vm2test::ScopedRegKey key;
};

}  // namespace

TEST(CBMP256CtrlAndCIconCtrl, FilesHeaderKindsFramesBlinkAndIconsAsTheScreenShowsThem)
{
    InstallFolder folder;
    statustest::KitDll res("KX9100EN.DLL");
    const std::string blueFile = folder.dir.File("KX9100B.BMP"), blue = vm2test::ReadFileText(blueFile);
    std::string rle = blue;
    rle[14 + 16] = 1;  // the parser refuses each broken kind (dib_layout_test); the control must heed it
    // 256-entry table, 16 colours, a 4-entry table, a core header, 24 bits.
    const std::pair<int, COLORREF> kinds[] = {{790, RGB(0, 0x80, 0)}, {791, RGB(0xFF, 0, 0xFF)},
                                              {792, RGB(0, 0xFF, 0xFF)}, {793, RGB(0x80, 0x40, 0)},
                                              {794, RGB(0xFF, 0x80, 0)}};
    const int list[] = {790, 791, 794};
    Controls d;
    uitest::TestDialog dlg("framework pictures", nullptr, res.Get());
    dlg.OnInit = [&](HWND hWnd) { d.Bind(hWnd, res.Get()); };
    vm2test::WindowWatch watch("framework pictures", "", 10000, [&](HWND hDlg) {
        EXPECT_EQ(kBlue, d.Do([&] { d.picture.SelectBitmap(511); }));
        DeleteFileA(blueFile.c_str());
        EXPECT_EQ(kBlue, d.Do([&] { d.picture.SelectBitmap(511), InvalidateRect(d.hPicture, nullptr, TRUE); }))
            << "read at each paint, not once per selector";
        EXPECT_EQ(kRed, d.Do([&] { d.picture.SelectBitmap(512); }));
        EXPECT_NE(kBlue, d.Do([&] { d.picture.SelectBitmap(511); })) << "the deleted file is read again";
        EXPECT_NE(kRed, d.Do([&] { d.picture.SelectBitmap(4711); })) << "the old picture stayed";
        for (const std::string& bytes : {std::string(), blue.substr(0, blue.size() - 1), rle, blue}) {
            vm2test::WriteFileText(blueFile, bytes);
            COLORREF c = d.Do([&] { d.picture.SelectBitmap(4711), d.picture.SelectBitmap(511); });  // read afresh
            EXPECT_EQ(bytes == blue, c == kBlue) << bytes.size() << " bytes";
            RECT rc{};
            GetClientRect(d.hPicture, &rc);
            EXPECT_TRUE(rc.right == 75 && rc.bottom == 60) << rc.right << "x" << rc.bottom;
        }
        for (const auto& kind : kinds) EXPECT_EQ(kind.second, d.Do([&] { d.picture.SelectBitmap(kind.first); }));

        d.Do([&] {
            EXPECT_EQ(0, d.picture.SetFrames(0, list) + d.picture.SetFrames(2, nullptr)) << "no frames or a null list";
            d.picture.SetFrames(3, list);
        });
        EXPECT_EQ((Colours{RGB(0, 0x80, 0), RGB(0xFF, 0, 0xFF), RGB(0xFF, 0x80, 0)}), Seen(d.hPicture, kBody));
        d.Do([&] { d.picture.SetFrames(1, list), d.picture.SetOverlay(771, FALSE); });
        vm2test::Screenshot(hDlg, "picture_overlay");
        EXPECT_EQ((Colours{kGrey, kYellow}), Seen(d.hPicture, kCorner));
        // The status changes in a hidden phase: the icon is due visible and the
        // next toggles are one and two full periods away; the old phase would
        // have shown it within one.
        vm2test::WaitUntil([&] { return Pixel(d.hPicture, kCorner) == kGrey; }, 1000);
        d.Do([&] { d.picture.SetOverlay(771, TRUE); });
        DWORD start = GetTickCount();
        vm2test::WaitUntil([&] { return Pixel(d.hPicture, kCorner) == kYellow; }, 3000);
        DWORD dwUntilVisible = GetTickCount() - start;
        EXPECT_GE(dwUntilVisible, 800u) << "the blink cycle did not restart";
        EXPECT_LT(dwUntilVisible, 2000u);
        d.Do([&] { d.picture.SetOverlay(4711, FALSE); });
        EXPECT_EQ(Colours{kGrey}, Seen(d.hPicture, kCorner, 8)) << "a missing overlay icon draws nothing";
        d.Do([&] {
            d.picture.SetOverlay(0, FALSE);
            EXPECT_TRUE(d.picture.m_nTimerId == 0 && d.picture.m_hOverlay == nullptr) << "stopped, icon freed";
        });

        const DWORD two[] = {759, 765}, one[] = {0x12340000u | 750};  // the high word is not part of the id
        d.Do([&] { d.icon.SetIcons(2, two); });
        vm2test::Screenshot(hDlg, "icon_alternating");
        EXPECT_EQ((Colours{RGB(0, 0xC0, 0), RGB(0xFF, 0xFF, 0xFF)}), Seen(d.hIcon, kIconCentre));
        d.Do([&] {
            d.icon.SetIcons(1, one);
            EXPECT_EQ(0u, d.icon.m_nTimerId) << "one icon needs no timer";
        });
        Sleep(700);
        EXPECT_EQ(kRed, Pixel(d.hIcon, kIconCentre));
        vm2test::WindowWatch::PressButton(hDlg, IDOK);
    });
    dlg.DoModal();
    ASSERT_TRUE(watch.Join().found);
}

TEST(GuiObjectCounter, SeesOneObjectOfEachKindLeakedOnPurpose)
{
    // The thread's first window brings helper windows of its own.
    DestroyWindow(CreateWindowExA(0, "STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    auto leak = [](int vm2test::GuiObjects::*field, auto make, auto release) {
        vm2test::GuiObjects before = vm2test::CountGuiObjects();
        auto h = make();
        vm2test::GuiObjects leaked = vm2test::CountGuiObjects();
        release(h);
        EXPECT_EQ(before.*field + 1, leaked.*field) << leaked.Describe();
        EXPECT_EQ(before, vm2test::CountGuiObjects()) << before.Describe();
    };
    BYTE bits[32 * 4] = {};
    leak(&vm2test::GuiObjects::nGdi, [] { return CreateSolidBrush(1); }, DeleteObject);
    leak(&vm2test::GuiObjects::nMenus, CreateMenu, DestroyMenu);
    leak(&vm2test::GuiObjects::nIcons, [&] { return CreateIcon(nullptr, 32, 32, 1, 1, bits, bits); }, DestroyIcon);
    leak(&vm2test::GuiObjects::nWindows,
         [] { return CreateWindowExA(0, "STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr); },
         DestroyWindow);
}

TEST(GuiObjectCounter, AnimatedDialogsLeaveTheCountsFlat)
{
    statustest::KitDll res("KX9100EN.DLL");
    InstallFolder folder;
    auto runOnce = [&] {
        Controls d;
        uitest::TestDialog dlg("framework leak", nullptr, res.Get());
        dlg.OnInit = [&](HWND hWnd) {
            d.Bind(hWnd, res.Get());
            d.picture.SelectBitmap(511);
            d.picture.SetOverlay(777, FALSE);
            const DWORD ids[] = {759, 765};
            d.icon.SetIcons(2, ids);
            // Ticks now rather than every 500 ms: frames, blink and icon turn
            // and paint on every opening.
            const int frames[] = {790, 793};
            for (int i = 0; i < 4; ++i) {
                if (i == 3) d.picture.SetFrames(2, frames);
                SendMessageA(d.hPicture, WM_TIMER, d.picture.m_nTimerId, 0);
                SendMessageA(d.hIcon, WM_TIMER, d.icon.m_nTimerId, 0);
                UpdateWindow(hWnd);
            }
            PostMessageA(hWnd, WM_COMMAND, IDOK, 0);
        };
        EXPECT_EQ(IDOK, dlg.DoModal());
    };
    runOnce();  // first use loads what stays loaded (classes, shared icons)
    vm2test::GuiObjects before = vm2test::CountGuiObjects();
    for (int i = 0; i < 50; ++i) runOnce();
    EXPECT_EQ(before, vm2test::CountGuiObjects()) << before.Describe();
}
