// The dialog font on a double-byte system (this program runs under a
// Japanese locale, code page 932): the old sans faces give way to the GUI
// font, at its own height for 8 points and at the template's size otherwise.
#include "ui/framework/dialog_box.h"

#include <gtest/gtest.h>

#include "ui/ui_fixture.h"

TEST(CDialogBoxDoubleByteFont, OldSansFacesTakeTheGuiFontAtTheirSize)
{
    ASSERT_NE(0, GetSystemMetrics(SM_DBCSENABLED)) << "not a double-byte system: code page " << GetACP();
    uitest::KitResDll res;
    LOGFONTA gui{};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof(gui), &gui);
    HDC hdc = GetDC(nullptr);
    const LONG lNine = -MulDiv(9, GetDeviceCaps(hdc, LOGPIXELSY), 72);
    ReleaseDC(nullptr, hdc);
    HMODULE hSelf = GetModuleHandleA(nullptr);
    // The kit's "MS Sans Serif" 8, "Helv" 8, "MS Sans Serif" 9, "Arial" 8
    // (kept: 0).
    const struct {
        HMODULE hModule;
        UINT nTemplate;
        LONG lHeight;
    } cases[] = {{res.Get(), uitest::kStatusTemplate, gui.lfHeight}, {hSelf, 902, gui.lfHeight}, {hSelf, 901, lNine},
                 {hSelf, 903, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nTemplate);
        LOGFONTA lf{};
        HFONT hSubst = nullptr, hChild = nullptr;
        uitest::TestDialog dlg("font test", nullptr, c.hModule);
        dlg.m_nTemplateID = static_cast<WORD>(c.nTemplate);
        dlg.OnInit = [&](HWND hWnd) {
            hSubst = dlg.m_hSubstFont;
            if (hSubst != nullptr) GetObjectA(hSubst, sizeof(lf), &lf);
            hChild = reinterpret_cast<HFONT>(SendDlgItemMessageA(hWnd, IDOK, WM_GETFONT, 0, 0));
            PostMessageA(hWnd, WM_COMMAND, IDOK, 0);
        };
        EXPECT_EQ(IDOK, dlg.DoModal());
        EXPECT_EQ(c.lHeight != 0, hSubst != nullptr);
        if (hSubst == nullptr) continue;
        EXPECT_EQ(c.lHeight, lf.lfHeight);
        EXPECT_STREQ(gui.lfFaceName, lf.lfFaceName);
        EXPECT_EQ(hSubst, hChild) << "the controls take it too";
        EXPECT_EQ(0u, GetObjectType(hSubst)) << "deleted with the window";
    }
}
