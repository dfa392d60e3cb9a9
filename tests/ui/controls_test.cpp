// The status picture and status icon on the X display, read back from the
// screen: files of the install folder, bitmap resources of every header
// kind, frames, the blinking overlay, alternating icons, and what the
// controls leave behind after 200 dialogs.
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

using uitest::OnDialogThread;
using uitest::ScreenPixel;
using vm2test::WindowWatch;

namespace {

constexpr int kPicture = 210;
constexpr int kIcon = 383;
constexpr COLORREF kGrey = RGB(0xC0, 0xC0, 0xC0);
// Points of the kit's pictures: the printer's body, a corner of the
// background under the overlay, the centre of an icon.
constexpr POINT kBody{12, 30};
constexpr POINT kCorner{15, 12};
constexpr POINT kIconCentre{16, 16};

// Template 102 with its picture and icon bound; the script runs on the
// watcher's thread while the dialog shows, then the dialog is closed.
struct PictureDialog {
    using Script = std::function<void(HWND hDlg, PictureDialog& self)>;

    void Run(const char* caption, const Script& script)
    {
        uitest::KitResDll res;
        hRes = res.Get();
        uitest::TestDialog dlg(caption, nullptr, res.Get());
        dlg.OnInit = [&](HWND hWnd) {
            hPicture = GetDlgItem(hWnd, kPicture);
            hIcon = GetDlgItem(hWnd, kIcon);
            picture.Attach(hPicture);
            picture.SetModule(res.Get());
            picture.SetSize(75, 60);
            picture.SetFileNames("KX9100B.BMP", "KX9100R.BMP", "KX9100Y.BMP");
            icon.Attach(hIcon);
            icon.SetModule(res.Get());
        };
        WindowWatch watch(caption, "", 10000, [&](HWND hDlg) {
            script(hDlg, *this);
            WindowWatch::PressButton(hDlg, IDOK);
        });
        dlg.DoModal();
        ASSERT_TRUE(watch.Join().found);
    }

    // On the dialog's thread, then waits for the repaint.
    void Do(HWND hDlg, const std::function<void()>& fn)
    {
        OnDialogThread(hDlg, [&] {
            fn();
            UpdateWindow(hPicture);
            UpdateWindow(hIcon);
            return LRESULT(0);
        });
        Sleep(60);
    }

    // The colours a point shows over about two seconds.
    static std::set<COLORREF> ColoursSeen(HWND hWnd, POINT pt, int nSamples = 20)
    {
        std::set<COLORREF> seen;
        for (int i = 0; i < nSamples; ++i, Sleep(100)) seen.insert(ScreenPixel(hWnd, pt.x, pt.y));
        return seen;
    }

    HMODULE hRes = nullptr;
    HWND hPicture = nullptr;
    HWND hIcon = nullptr;
    CBMP256Ctrl picture;
    CIconCtrl icon;
};

std::string Hex(COLORREF c)
{
    char buf[16];
    wsprintfA(buf, "#%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
    return buf;
}

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

TEST(CBMP256Ctrl, DrawsTheInstallFoldersFilesReadOncePerSelectorAtTheBitmapsSize)
{
    InstallFolder folder;
    PictureDialog d;
    COLORREF blue = 0, yellow = 0, red = 0, blueAfterDelete = 0, gone = 0, none = 0;
    SIZE client{};
    d.Run("framework picture files", [&](HWND hDlg, PictureDialog& self) {
        self.Do(hDlg, [&] { self.picture.SelectBitmap(511); });
        blue = ScreenPixel(self.hPicture, kBody.x, kBody.y);
        RECT rc;
        GetClientRect(self.hPicture, &rc);
        client = {rc.right, rc.bottom};
        uitest::CaptureWindow(hDlg, "picture_blue");
        // The file is read when the selector changes, not at each paint or
        // for the same selector again.
        DeleteFileA(folder.dir.File("KX9100B.BMP").c_str());
        self.Do(hDlg, [&] {
            self.picture.SelectBitmap(511);
            InvalidateRect(self.hPicture, nullptr, TRUE);
        });
        blueAfterDelete = ScreenPixel(self.hPicture, kBody.x, kBody.y);
        self.Do(hDlg, [&] { self.picture.SelectBitmap(510); });
        yellow = ScreenPixel(self.hPicture, kBody.x, kBody.y);
        self.Do(hDlg, [&] { self.picture.SelectBitmap(512); });
        red = ScreenPixel(self.hPicture, kBody.x, kBody.y);
        self.Do(hDlg, [&] { self.picture.SelectBitmap(511); });
        gone = ScreenPixel(self.hPicture, kBody.x, kBody.y);
        // No file and no resource of that id.
        self.Do(hDlg, [&] { self.picture.SelectBitmap(4711); });
        none = ScreenPixel(self.hPicture, kBody.x, kBody.y);
    });
    EXPECT_EQ(RGB(0, 0, 0xFF), blue) << Hex(blue);
    EXPECT_EQ(75, client.cx);
    EXPECT_EQ(60, client.cy);
    EXPECT_EQ(RGB(0, 0, 0xFF), blueAfterDelete) << Hex(blueAfterDelete);
    EXPECT_EQ(RGB(0xFF, 0xFF, 0), yellow) << Hex(yellow);
    EXPECT_EQ(RGB(0xFF, 0, 0), red) << Hex(red);
    EXPECT_NE(RGB(0, 0, 0xFF), gone) << "the deleted file is read again after another selector";
    EXPECT_NE(RGB(0xFF, 0, 0), none) << "nothing is drawn without file or resource";
    EXPECT_EQ(nullptr, d.picture.m_hFile);
}

TEST(CBMP256Ctrl, BrokenFilesAreNeitherDrawnNorResized)
{
    InstallFolder folder;
    const std::string good = vm2test::ReadFileText(vm2test::BinDir() + "\\KX9100B.BMP");
    ASSERT_EQ(5638u, good.size());
    auto patched = [&](size_t at, std::string bytes) {
        std::string f = good;
        f.replace(at, bytes.size(), bytes);
        return f;
    };
    const struct {
        const char* name;
        std::string content;
    } cases[] = {
        {"empty", ""},
        {"file header only", good.substr(0, 14)},
        {"cut in the colour table", good.substr(0, 600)},
        {"cut in the pixel rows", good.substr(0, good.size() - 1)},
        {"600 rows claimed", patched(14 + 8, std::string("\x58\x02", 2))},
        {"biClrUsed 300", patched(14 + 32, std::string("\x2C\x01", 2))},
        {"RLE8", patched(14 + 16, std::string("\x01", 1))},
    };
    PictureDialog d;
    SIZE initial{}, after[7] = {};
    COLORREF body[7] = {}, repaired = 0;
    d.Run("framework picture broken files", [&](HWND hDlg, PictureDialog& self) {
        RECT rc;
        GetClientRect(self.hPicture, &rc);
        initial = {rc.right, rc.bottom};
        for (int i = 0; i < 7; ++i) {
            vm2test::WriteFileText(folder.dir.File("KX9100B.BMP"), cases[i].content);
            self.Do(hDlg, [&] {
                self.picture.SelectBitmap(4711);
                self.picture.SelectBitmap(511);
            });
            GetClientRect(self.hPicture, &rc);
            after[i] = {rc.right, rc.bottom};
            body[i] = ScreenPixel(self.hPicture, kBody.x, kBody.y);
        }
        vm2test::WriteFileText(folder.dir.File("KX9100B.BMP"), good);
        self.Do(hDlg, [&] {
            self.picture.SelectBitmap(4711);
            self.picture.SelectBitmap(511);
        });
        repaired = ScreenPixel(self.hPicture, kBody.x, kBody.y);
    });
    EXPECT_EQ(RGB(0, 0, 0xFF), repaired) << "the same steps with the good file";
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(initial.cx, after[i].cx) << cases[i].name;
        EXPECT_EQ(initial.cy, after[i].cy) << cases[i].name;
        EXPECT_NE(RGB(0, 0, 0xFF), body[i]) << cases[i].name;
    }
}

TEST(CBMP256Ctrl, DrawsBitmapResourcesOfEveryHeaderKind)
{
    struct Case {
        int nId;
        COLORREF body;
    };
    // 256-entry table, 16 colours, a 4-entry table, a core header, 24 bits.
    const Case cases[] = {{790, RGB(0, 0x80, 0)},    {791, RGB(0xFF, 0, 0xFF)}, {792, RGB(0, 0xFF, 0xFF)},
                          {793, RGB(0x80, 0x40, 0)}, {794, RGB(0xFF, 0x80, 0)}};
    PictureDialog d;
    COLORREF seen[5] = {};
    d.Run("framework picture resources", [&](HWND hDlg, PictureDialog& self) {
        for (int i = 0; i < 5; ++i) {
            self.Do(hDlg, [&] { self.picture.SelectBitmap(cases[i].nId); });
            seen[i] = ScreenPixel(self.hPicture, kBody.x, kBody.y);
        }
    });
    for (int i = 0; i < 5; ++i) EXPECT_EQ(cases[i].body, seen[i]) << cases[i].nId << ": " << Hex(seen[i]);
}

TEST(CBMP256Ctrl, FramesCycleAndTheOverlayBlinksRestartsAndStops)
{
    PictureDialog d;
    std::set<COLORREF> frames, blink, stopped, missing;
    DWORD dwUntilVisible = 0;
    int nRefusedEmpty = -1, nRefusedNull = -1;
    int bVisibleAfterRestart = 0;
    UINT_PTR nTimerAfterStop = 1;
    d.Run("framework picture animation", [&](HWND hDlg, PictureDialog& self) {
        const int list[] = {790, 791, 794};
        self.Do(hDlg, [&] {
            nRefusedEmpty = self.picture.SetFrames(0, list);
            nRefusedNull = self.picture.SetFrames(2, nullptr);
            self.picture.SetFrames(3, list);
        });
        frames = PictureDialog::ColoursSeen(self.hPicture, kBody);

        self.Do(hDlg, [&] {
            self.picture.SetFrames(1, list);
            self.picture.SetOverlay(771, FALSE);
        });
        uitest::CaptureWindow(hDlg, "picture_overlay");
        blink = PictureDialog::ColoursSeen(self.hPicture, kCorner);
        // Wait for a hidden phase, then mark the status changed: the icon is
        // due visible again and the next toggle is a full period away.
        for (int i = 0; i < 20 && ScreenPixel(self.hPicture, kCorner.x, kCorner.y) != kGrey; ++i) Sleep(50);
        OnDialogThread(hDlg, [&] {
            self.picture.SetOverlay(771, TRUE);
            bVisibleAfterRestart = self.picture.m_bBlinkOn;
            return LRESULT(0);
        });
        // The restart toggles off after a full period and on after two: the
        // old phase would have shown the icon within one.
        DWORD start = GetTickCount();
        while (ScreenPixel(self.hPicture, kCorner.x, kCorner.y) != RGB(0xFF, 0xFF, 0) && GetTickCount() - start < 3000)
            Sleep(20);
        dwUntilVisible = GetTickCount() - start;

        self.Do(hDlg, [&] { self.picture.SetOverlay(4711, FALSE); });
        missing = PictureDialog::ColoursSeen(self.hPicture, kCorner, 8);
        self.Do(hDlg, [&] {
            self.picture.SetOverlay(0, FALSE);
            nTimerAfterStop = self.picture.m_nTimerId;
        });
        stopped = PictureDialog::ColoursSeen(self.hPicture, kCorner, 8);
    });
    EXPECT_EQ(0, nRefusedEmpty);
    EXPECT_EQ(0, nRefusedNull);
    EXPECT_EQ((std::set<COLORREF>{RGB(0, 0x80, 0), RGB(0xFF, 0, 0xFF), RGB(0xFF, 0x80, 0)}), frames);
    EXPECT_EQ((std::set<COLORREF>{kGrey, RGB(0xFF, 0xFF, 0)}), blink);
    EXPECT_EQ(1, bVisibleAfterRestart);
    EXPECT_GE(dwUntilVisible, 800u) << "the blink cycle did not restart";
    EXPECT_LT(dwUntilVisible, 2000u);
    EXPECT_EQ(std::set<COLORREF>{kGrey}, missing) << "a missing overlay icon draws nothing";
    EXPECT_EQ(std::set<COLORREF>{kGrey}, stopped);
    EXPECT_EQ(0u, nTimerAfterStop);
    EXPECT_EQ(nullptr, d.picture.m_hOverlay);
}

TEST(CIconCtrl, TwoIconsAlternateAndOneShowsWithoutTimer)
{
    PictureDialog d;
    std::set<COLORREF> alternating;
    COLORREF single = 0;
    UINT_PTR nTimerOfOne = 1;
    d.Run("framework icon", [&](HWND hDlg, PictureDialog& self) {
        const DWORD two[] = {759, 765};
        self.Do(hDlg, [&] { self.icon.SetIcons(2, two); });
        uitest::CaptureWindow(hDlg, "icon_alternating");
        alternating = PictureDialog::ColoursSeen(self.hIcon, kIconCentre);
        const DWORD one[] = {0x12340000u | 750};  // the high word is not part of the id
        self.Do(hDlg, [&] {
            self.icon.SetIcons(1, one);
            nTimerOfOne = self.icon.m_nTimerId;
        });
        Sleep(700);
        single = ScreenPixel(self.hIcon, kIconCentre.x, kIconCentre.y);
    });
    EXPECT_EQ((std::set<COLORREF>{RGB(0, 0xC0, 0), RGB(0xFF, 0xFF, 0xFF)}), alternating);
    EXPECT_EQ(0u, nTimerOfOne);
    EXPECT_EQ(RGB(0xFF, 0, 0), single) << Hex(single);
}

TEST(GuiObjectCounter, SeesOneObjectOfEachKindLeakedOnPurpose)
{
    // The thread's first window brings helper windows of its own.
    DestroyWindow(CreateWindowExA(0, "STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    BYTE bits[32 * 4] = {};
    struct Case {
        const char* name;
        std::function<std::function<void()>()> leak;  // makes one, returns its release
        int vm2test::GuiObjects::*field;
    };
    const Case cases[] = {
        {"brush", [] { HBRUSH h = CreateSolidBrush(RGB(1, 2, 3)); return std::function<void()>([h] { DeleteObject(h); }); },
         &vm2test::GuiObjects::nGdi},
        {"menu", [] { HMENU h = CreateMenu(); return std::function<void()>([h] { DestroyMenu(h); }); },
         &vm2test::GuiObjects::nMenus},
        {"icon", [&] { HICON h = CreateIcon(nullptr, 32, 32, 1, 1, bits, bits); return std::function<void()>([h] { DestroyIcon(h); }); },
         &vm2test::GuiObjects::nIcons},
        {"window", [] {
             HWND h = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
             return std::function<void()>([h] { DestroyWindow(h); });
         },
         &vm2test::GuiObjects::nWindows},
    };
    for (const Case& c : cases) {
        vm2test::GuiObjects before = vm2test::CountGuiObjects();
        std::function<void()> release = c.leak();
        vm2test::GuiObjects leaked = vm2test::CountGuiObjects();
        release();
        vm2test::GuiObjects after = vm2test::CountGuiObjects();
        EXPECT_EQ(before.*c.field + 1, leaked.*c.field) << c.name << ": " << leaked.Describe();
        EXPECT_EQ(before, after) << c.name << ": " << before.Describe() << " / " << after.Describe();
    }
}

TEST(GuiObjectCounter, TwoHundredAnimatedDialogsLeaveTheCountsFlat)
{
    uitest::KitResDll res;
    InstallFolder folder;
    auto runOnce = [&] {
        CBMP256Ctrl picture;
        CIconCtrl icon;
        uitest::TestDialog dlg("framework leak", nullptr, res.Get());
        dlg.OnInit = [&](HWND hWnd) {
            picture.Attach(GetDlgItem(hWnd, kPicture));
            picture.SetModule(res.Get());
            picture.SetSize(75, 60);
            picture.SetFileNames("KX9100B.BMP", "KX9100R.BMP", "KX9100Y.BMP");
            picture.SelectBitmap(511);
            picture.SetOverlay(777, FALSE);
            icon.Attach(GetDlgItem(hWnd, kIcon));
            icon.SetModule(res.Get());
            const DWORD ids[] = {759, 765};
            icon.SetIcons(2, ids);
            // Ticks now rather than every 500 ms: frames, blink and icon turn
            // and paint on every opening.
            for (int i = 0; i < 3; ++i) {
                SendMessageA(GetDlgItem(hWnd, kPicture), WM_TIMER, picture.m_nTimerId, 0);
                SendMessageA(GetDlgItem(hWnd, kIcon), WM_TIMER, icon.m_nTimerId, 0);
                UpdateWindow(hWnd);
            }
            const int frames[] = {790, 793};
            picture.SetFrames(2, frames);
            SendMessageA(GetDlgItem(hWnd, kPicture), WM_TIMER, picture.m_nTimerId, 0);
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
