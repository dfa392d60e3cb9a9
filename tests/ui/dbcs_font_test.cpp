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
        HFONT hSubst = nullptr;
        uitest::TestDialog dlg("font test", nullptr, c.hModule);
        dlg.m_nTemplateID = c.nTemplate;
        dlg.OnInit = [&](HWND hWnd) {
            LOGFONTA lf{};
            hSubst = dlg.m_hSubstFont;
            EXPECT_EQ(c.lHeight != 0, hSubst != nullptr && GetObjectA(hSubst, sizeof(lf), &lf) != 0) << c.nTemplate;
            EXPECT_EQ(c.lHeight, lf.lfHeight) << c.nTemplate;
            EXPECT_STREQ(c.lHeight != 0 ? gui.lfFaceName : "", lf.lfFaceName) << c.nTemplate;
            if (hSubst != nullptr) EXPECT_EQ(hSubst, reinterpret_cast<HFONT>(SendDlgItemMessageA(hWnd, IDOK, WM_GETFONT, 0, 0))) << "the controls take it too";
            PostMessageA(hWnd, WM_COMMAND, IDOK, 0);
        };
        EXPECT_EQ(IDOK, dlg.DoModal());
        EXPECT_TRUE(hSubst == nullptr || GetObjectType(hSubst) == 0) << c.nTemplate << ": not deleted with the window";
    }
}
