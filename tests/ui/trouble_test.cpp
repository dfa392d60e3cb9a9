// The trouble dialog over the kit's page variants (kit/resdll/status.rc); fuzz_trouble_pages.cpp keeps every read
// and step inside the resource, detail_test.cpp checks how the dialog ends with the status window.
#include "ui/status/trouble.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "base/resource_ids.h"
#include "harness/gui_objects.h"
#include "harness/test_support.h"
#include "ui/ui_fixture.h"

using namespace vm2::res;
using namespace uitest;
using vm2test::WindowWatch;

namespace {

int RunTrouble(CTrouble& dlg, HMODULE hRes, int nId = 11010)
{
    dlg.m_hResModule = hRes;
    return dlg.Run(FindResourceA(hRes, MAKEINTRESOURCEA(nId), MAKEINTRESOURCEA(10)));
}

// Acts from the dialog's own thread (a window taking the activation later cannot blur what it sees): notes what
// it shows and where Enter goes, whether Escape and the close box leave it up, then presses OK.
struct Probe : CTrouble {
    explicit Probe(std::string shot) : CTrouble(nullptr), m_shot(std::move(shot)) {}
    BOOL OnInitDialog() override
    {
        BOOL b = CTrouble::OnInitDialog();
        HWND next = GetDlgItem(m_hWnd, kCtlTroubleNext);
        bool enterOnNext = GetFocus() == next && (GetWindowLongA(next, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON &&
                           (GetWindowLongA(GetDlgItem(m_hWnd, IDOK), GWL_STYLE) & BS_TYPEMASK) == BS_PUSHBUTTON;
        m_seen = Text(m_hWnd) + "|" + Text(GetDlgItem(m_hWnd, kCtlTroubleText)) +
                 (enterOnNext ? "|Enter on Next" : "") +
                 (IsWindowVisible(next) && !IsWindowEnabled(next) ? "|Next greyed" : "");
        PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
        PostMessageA(m_hWnd, WM_COMMAND, IDCANCEL, 0);
        PostMessageA(m_hWnd, WM_APP, 0, 0);
        return b;
    }
    INT_PTR DialogProc(HWND h, UINT m, WPARAM w, LPARAM l) override
    {
        if (m != WM_APP) return CTrouble::DialogProc(h, m, w, l);
        if (!m_shot.empty()) vm2test::Screenshot(h, m_shot);
        m_seen += IsWindowVisible(h) ? "|stayed" : "|ended";
        PostMessageA(h, WM_COMMAND, IDOK, 0);
        return TRUE;
    }
    std::string m_shot;
    std::string m_seen;
};

}  // namespace

TEST(Trouble, PagesAsReadDefaultToNextEscapeIgnoredAndNoObjectLeftBehind)
{
    // What the first page shows: T1 one page ending the walk, Enter on its hidden Next; T6 a title without its zero
    // byte, no text, no flag; T4 no pages, no window; T5 two of five pages, no title. Not checked: T2, T3.
    const char* names[] = {"T1", "T6", "T4", "T5", "T2", "T3"};
    const char* seen[6] = {"Paper out|The printer has stopped. Press OK when the paper is loaded.|Enter on Next|stayed",
                           "Unterminated||Next greyed|stayed", "",
                           "|The printer has stopped. Press OK when the paper is loaded.|Enter on Next|stayed"};
    std::vector<KitDll> dlls;
    for (const char* name : names) dlls.emplace_back(("KX9100" + std::string(name) + ".DLL").c_str());
    CTrouble missing(nullptr);
    EXPECT_EQ(1, RunTrouble(missing, dlls[2].Get(), 4711)) << "no resource";
    auto runs = [&](int nDialogs) {
        for (int i = 0; i < nDialogs; ++i) {
            Probe dlg(i < 6 ? std::string("trouble_") + names[i] : "");
            ASSERT_EQ(1, RunTrouble(dlg, dlls[i % 6].Get()));
            EXPECT_TRUE(seen[i % 6] == nullptr || dlg.m_seen == seen[i % 6]) << dlg.m_seen;
        }
        vm2test::Pump(50);
    };
    runs(6);
    std::string before = vm2test::CountGuiObjects().Describe();
    runs(240);
    EXPECT_EQ(before, vm2test::CountGuiObjects().Describe()) << "over 200 dialogs (T4 makes none)";
}

// The user's walk through the kit's three pages (one picture, three frames, none), then the close.
TEST(Trouble, WalkedByTheUserFramesCycleUntilAPageWithoutPicture)
{
    KitDll dll("KX9100EN.DLL");
    CTrouble dlg(nullptr);
    WindowWatch w("Solving a printer problem", "", 10000, [&](HWND h) {
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(h, kCtlTroubleBack))) << "Back on the first page";
        vm2test::Screenshot(h, "trouble_walk_page1");
        WindowWatch::PressButton(h, kCtlTroubleNext);
        EXPECT_EQ(1, dlg.GetPageIndex());
        std::set<int> seen;
        for (int i = 0; i < 16; ++i, Sleep(100)) seen.insert(dlg.GetPicture().m_nSelector);
        EXPECT_EQ((std::set<int>{820, 821, 822}), seen) << "three frames every 500 ms";
        vm2test::Screenshot(h, "trouble_walk_frames");
        WindowWatch::PressButton(h, kCtlTroubleNext);
        int selector = dlg.GetPicture().m_nSelector;
        Sleep(700);
        vm2test::Screenshot(h, "trouble_walk_page3");
        EXPECT_TRUE(dlg.GetPicture().m_pnFrames == nullptr && dlg.GetPicture().m_nSelector == selector)
            << "cycle ended";
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(h, IDOK)) && !IsWindowVisible(GetDlgItem(h, kCtlTroubleNext)))
            << "the last page's buttons";
        WindowWatch::PressButton(h, kCtlTroubleBack);
        EXPECT_EQ(1, dlg.GetPageIndex());
        WindowWatch::PressButton(h, kCtlTroubleClose);
    });
    EXPECT_EQ(1, RunTrouble(dlg, dll.Get())) << "the user's close";
    EXPECT_TRUE(w.Join().found);
}
