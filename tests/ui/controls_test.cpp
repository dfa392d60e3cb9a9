// The status picture and status icon on the X display, read back from the
// screen: files of the install folder (good and broken), bitmap resources of
// every header kind, frames, the blinking overlay, alternating icons, and
// what the controls leave behind after 200 dialogs.
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

using uitest::ScreenPixel;
using Colours = std::set<COLORREF>;

namespace {

constexpr COLORREF kGrey = RGB(0xC0, 0xC0, 0xC0), kBlue = RGB(0, 0, 0xFF), kRed = RGB(0xFF, 0, 0);
// The printer's body, a corner under the overlay, the centre of an icon.
constexpr POINT kBody{12, 30}, kCorner{15, 12}, kIconCentre{16, 16};

// Template 102 with its picture (75 x 60, the install folder's files) and
// icon bound; the script runs on the watcher's thread while the dialog shows.
struct PictureDialog {
    void Bind(HWND hWnd, HMODULE hRes)
    {
        picture.Attach(hPicture = GetDlgItem(hWnd, 210));
        picture.SetModule(hRes);
        picture.SetSize(75, 60);
        picture.SetFileNames("KX9100B.BMP", "KX9100R.BMP", "KX9100Y.BMP");
        icon.Attach(hIcon = GetDlgItem(hWnd, 383));
        icon.SetModule(hRes);
    }

    void Run(const char* caption, const std::function<void(HWND)>& script)
    {
        uitest::KitResDll res;
        uitest::TestDialog dlg(caption, nullptr, res.Get());
        dlg.OnInit = [&](HWND hWnd) { Bind(hWnd, res.Get()); };
        vm2test::WindowWatch watch(caption, "", 10000, [&](HWND hDlg) {
            hDialog = hDlg;
            script(hDlg);
            vm2test::WindowWatch::PressButton(hDlg, IDOK);
        });
        dlg.DoModal();
        ASSERT_TRUE(watch.Join().found);
    }

    // Runs fn on the dialog's thread (the controls' timers belong to it) and
    // returns what the point shows after the repaint.
    COLORREF Do(const std::function<void()>& fn, POINT pt = kBody)
    {
        uitest::OnDialogThread(hDialog, [&] {
            fn();
            UpdateWindow(hPicture);
            UpdateWindow(hIcon);
            return LRESULT(0);
        });
        Sleep(60);
        return ScreenPixel(hPicture, pt.x, pt.y);
    }
    COLORREF Select(int nSelector)
    {
        return Do([&] {
            picture.SelectBitmap(4711);  // neither file nor resource: the next one is read afresh
            picture.SelectBitmap(nSelector);
        });
    }

    // The colours a point shows over about two seconds.
    static Colours Seen(HWND hWnd, POINT pt, int nSamples = 20)
    {
        Colours seen;
        for (int i = 0; i < nSamples; ++i, Sleep(100)) seen.insert(ScreenPixel(hWnd, pt.x, pt.y));
        return seen;
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

TEST(CBMP256Ctrl, InstallFilesAreReadOncePerSelectorAndBrokenOnesNeitherDrawnNorSized)
{
    InstallFolder folder;
    const std::string blueFile = folder.dir.File("KX9100B.BMP"), blue = vm2test::ReadFileText(blueFile);
    std::string rle = blue;
    rle[14 + 16] = 1;  // the parser refuses each broken kind (dib_layout_test); the control must heed it
    const std::string broken[] = {"", blue.substr(0, blue.size() - 1), rle};
    PictureDialog d;
    COLORREF first = 0, again = 0, red = 0, reread = 0, none = 0, brokenBody[3] = {}, repaired = 0;
    RECT client{}, brokenClient[3] = {};
    d.Run("framework picture files", [&](HWND) {
        first = d.Do([&] { d.picture.SelectBitmap(511); });
        GetClientRect(d.hPicture, &client);
        DeleteFileA(blueFile.c_str());
        again = d.Do([&] {
            d.picture.SelectBitmap(511);
            InvalidateRect(d.hPicture, nullptr, TRUE);
        });
        red = d.Do([&] { d.picture.SelectBitmap(512); });
        reread = d.Do([&] { d.picture.SelectBitmap(511); });
        none = d.Do([&] { d.picture.SelectBitmap(4711); });
        for (int i = 0; i < 3; ++i) {
            vm2test::WriteFileText(blueFile, broken[i]);
            brokenBody[i] = d.Select(511);
            GetClientRect(d.hPicture, &brokenClient[i]);
        }
        vm2test::WriteFileText(blueFile, blue);
        repaired = d.Select(511);
    });
    EXPECT_EQ(kBlue, first);
    EXPECT_TRUE(client.right == 75 && client.bottom == 60) << client.right << "x" << client.bottom;
    EXPECT_EQ(kBlue, again) << "read at each paint, not once per selector";
    EXPECT_EQ(kRed, red);
    EXPECT_NE(kBlue, reread) << "the deleted file is read again after another selector";
    EXPECT_NE(kRed, none) << "the old picture stayed";
    EXPECT_EQ(kBlue, repaired) << "the same steps with the good file";
    for (int i = 0; i < 3; ++i) {
        EXPECT_NE(kBlue, brokenBody[i]) << i;
        EXPECT_TRUE(brokenClient[i].right == 75 && brokenClient[i].bottom == 60) << i;
    }
}

TEST(CBMP256CtrlAndCIconCtrl, HeaderKindsFramesABlinkThatRestartsAndAlternatingIcons)
{
    // 256-entry table, 16 colours, a 4-entry table, a core header, 24 bits.
    const std::pair<int, COLORREF> kinds[] = {{790, RGB(0, 0x80, 0)}, {791, RGB(0xFF, 0, 0xFF)},
                                              {792, RGB(0, 0xFF, 0xFF)}, {793, RGB(0x80, 0x40, 0)},
                                              {794, RGB(0xFF, 0x80, 0)}};
    const int list[] = {790, 791, 794};
    PictureDialog d;
    COLORREF seen[5] = {};
    Colours frames, blink, missing, stopped, alternating;
    COLORREF single = 0;
    UINT_PTR nTimerOfOne = 1;
    int nRefused = -1, bVisibleAfterRestart = 0;
    DWORD dwUntilVisible = 0;
    UINT_PTR nTimerAfterStop = 1;
    d.Run("framework picture animation", [&](HWND hDlg) {
        for (int i = 0; i < 5; ++i) seen[i] = d.Do([&] { d.picture.SelectBitmap(kinds[i].first); });
        d.Do([&] {
            nRefused = d.picture.SetFrames(0, list) + d.picture.SetFrames(2, nullptr);
            d.picture.SetFrames(3, list);
        });
        frames = PictureDialog::Seen(d.hPicture, kBody);
        d.Do([&] {
            d.picture.SetFrames(1, list);
            d.picture.SetOverlay(771, FALSE);
        });
        vm2test::Screenshot(hDlg, "picture_overlay");
        blink = PictureDialog::Seen(d.hPicture, kCorner);
        // In a hidden phase the status changes: the icon is due visible and
        // the next toggles are one and two full periods away; the old phase
        // would have shown it within one.
        for (int i = 0; i < 20 && ScreenPixel(d.hPicture, kCorner.x, kCorner.y) != kGrey; ++i) Sleep(50);
        d.Do([&] {
            d.picture.SetOverlay(771, TRUE);
            bVisibleAfterRestart = d.picture.m_bBlinkOn;
        });
        DWORD start = GetTickCount();
        while (ScreenPixel(d.hPicture, kCorner.x, kCorner.y) != RGB(0xFF, 0xFF, 0) && GetTickCount() - start < 3000)
            Sleep(20);
        dwUntilVisible = GetTickCount() - start;
        d.Do([&] { d.picture.SetOverlay(4711, FALSE); });
        missing = PictureDialog::Seen(d.hPicture, kCorner, 8);
        d.Do([&] {
            d.picture.SetOverlay(0, FALSE);
            nTimerAfterStop = d.picture.m_nTimerId;
        });
        stopped = PictureDialog::Seen(d.hPicture, kCorner, 8);

        const DWORD two[] = {759, 765}, one[] = {0x12340000u | 750};  // the high word is not part of the id
        d.Do([&] { d.icon.SetIcons(2, two); });
        vm2test::Screenshot(hDlg, "icon_alternating");
        alternating = PictureDialog::Seen(d.hIcon, kIconCentre);
        d.Do([&] {
            d.icon.SetIcons(1, one);
            nTimerOfOne = d.icon.m_nTimerId;
        });
        Sleep(700);
        single = ScreenPixel(d.hIcon, kIconCentre.x, kIconCentre.y);
    });
    for (int i = 0; i < 5; ++i) EXPECT_EQ(kinds[i].second, seen[i]) << kinds[i].first;
    EXPECT_EQ(0, nRefused) << "no frames or a null list";
    EXPECT_EQ((Colours{RGB(0, 0x80, 0), RGB(0xFF, 0, 0xFF), RGB(0xFF, 0x80, 0)}), frames);
    EXPECT_EQ((Colours{kGrey, RGB(0xFF, 0xFF, 0)}), blink);
    EXPECT_EQ(1, bVisibleAfterRestart);
    EXPECT_GE(dwUntilVisible, 800u) << "the blink cycle did not restart";
    EXPECT_LT(dwUntilVisible, 2000u);
    EXPECT_EQ(Colours{kGrey}, missing) << "a missing overlay icon draws nothing";
    EXPECT_EQ(Colours{kGrey}, stopped);
    EXPECT_EQ(0u, nTimerAfterStop);
    EXPECT_EQ(nullptr, d.picture.m_hOverlay);
    EXPECT_EQ((Colours{RGB(0, 0xC0, 0), RGB(0xFF, 0xFF, 0xFF)}), alternating);
    EXPECT_EQ(0u, nTimerOfOne) << "one icon needs no timer";
    EXPECT_EQ(kRed, single);
}

TEST(GuiObjectCounter, SeesOneObjectOfEachKindLeakedOnPurpose)
{
    // The thread's first window brings helper windows of its own.
    DestroyWindow(CreateWindowExA(0, "STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    BYTE bits[32 * 4] = {};
    using Leak = std::function<std::function<void()>()>;  // makes one, returns its release
    const std::pair<Leak, int vm2test::GuiObjects::*> cases[] = {
        {[] { HBRUSH h = CreateSolidBrush(1); return std::function<void()>([h] { DeleteObject(h); }); },
         &vm2test::GuiObjects::nGdi},
        {[] { HMENU h = CreateMenu(); return std::function<void()>([h] { DestroyMenu(h); }); },
         &vm2test::GuiObjects::nMenus},
        {[&] { HICON h = CreateIcon(nullptr, 32, 32, 1, 1, bits, bits); return std::function<void()>([h] { DestroyIcon(h); }); },
         &vm2test::GuiObjects::nIcons},
        {[] { HWND h = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
              return std::function<void()>([h] { DestroyWindow(h); }); },
         &vm2test::GuiObjects::nWindows},
    };
    for (const auto& [leak, field] : cases) {
        vm2test::GuiObjects before = vm2test::CountGuiObjects();
        std::function<void()> release = leak();
        vm2test::GuiObjects leaked = vm2test::CountGuiObjects();
        release();
        EXPECT_EQ(before.*field + 1, leaked.*field) << leaked.Describe();
        EXPECT_EQ(before, vm2test::CountGuiObjects()) << before.Describe();
    }
}

TEST(GuiObjectCounter, TwoHundredAnimatedDialogsLeaveTheCountsFlat)
{
    uitest::KitResDll res;
    InstallFolder folder;
    auto runOnce = [&] {
        PictureDialog d;
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
    for (int i = 0; i < 200; ++i) runOnce();
    vm2test::GuiObjects after = vm2test::CountGuiObjects();
    EXPECT_EQ(before, after) << before.Describe() << " / " << after.Describe();
}
