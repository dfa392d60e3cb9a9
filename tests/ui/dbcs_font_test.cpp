// The dialog font on a double-byte system (this program runs under a
// Japanese locale, code page 932): the old sans faces give way to the GUI
// font, at its own height for 8 points and at the template's size otherwise.
#include "ui/framework/dialog_box.h"

#include <gtest/gtest.h>

#include "ui/ui_fixture.h"

TEST(CDialogBoxDoubleByteFont, OldSansFacesTakeTheGuiFontAtTheirSize)
{
    ASSERT_NE(0, GetSystemMetrics(SM_DBCSENABLED)) << "not a double-byte system: code page " << GetACP();
    statustest::KitDll res("KX9100EN.DLL");
    LOGFONTA gui{};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof(gui), &gui);
    HDC hdc = GetDC(nullptr);
    const LONG lNine = -MulDiv(9, GetDeviceCaps(hdc, LOGPIXELSY), 72);
    ReleaseDC(nullptr, hdc);
    HMODULE hSelf = GetModuleHandleA(nullptr);
    // The kit's "MS Sans Serif" 8, "Helv" 8, "MS Sans Serif" 9, "Arial" 8 (kept: 0).
    const struct {
        HMODULE hModule;
        WORD nTemplate;
        LONG lHeight;
    } cases[] = {{res.Get(), uitest::kStatusTemplate, gui.lfHeight}, {hSelf, 902, gui.lfHeight}, {hSelf, 901, lNine},
                 {hSelf, 903, 0}};
    for (const auto& c : cases) {
        HFONT hSubst = nullptr, hChild = nullptr;
        LOGFONTA lf{};
        uitest::TestDialog dlg("font test", nullptr, c.hModule);
        dlg.m_nTemplateID = c.nTemplate;
        dlg.OnInit = [&](HWND hWnd) {
            if ((hSubst = dlg.m_hSubstFont) != nullptr) GetObjectA(hSubst, sizeof(lf), &lf);
            hChild = reinterpret_cast<HFONT>(SendDlgItemMessageA(hWnd, IDOK, WM_GETFONT, 0, 0));
            PostMessageA(hWnd, WM_COMMAND, IDOK, 0);
        };
        EXPECT_EQ(IDOK, dlg.DoModal());
        EXPECT_EQ(c.lHeight, lf.lfHeight) << c.nTemplate;
        EXPECT_STREQ(c.lHeight != 0 ? gui.lfFaceName : "", lf.lfFaceName) << c.nTemplate;
        EXPECT_TRUE(hSubst == nullptr || (hChild == hSubst && GetObjectType(hSubst) == 0))
            << c.nTemplate << ": the controls take it, and it goes with the window";
    }
}
