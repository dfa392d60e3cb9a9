// The dialog font on a double-byte system (this program runs under a
// Japanese locale, code page 932): the old sans faces give way to the GUI
// font, at its own height for 8 points and at the template's size otherwise.
#include "ui/framework/dialog_box.h"

#include <gtest/gtest.h>

#include <string>

#include "ui/ui_fixture.h"

namespace {

struct FontSeen {
    bool bSubst = false;
    LOGFONTA lf{};
    bool bChildUsesIt = false;
    HFONT hSubst = nullptr;
};

FontSeen RunTemplate(HMODULE hModule, UINT nTemplate)
{
    FontSeen seen;
    uitest::TestDialog dlg("font test", nullptr, hModule);
    dlg.m_nTemplateID = static_cast<WORD>(nTemplate);
    dlg.OnInit = [&](HWND hWnd) {
        seen.hSubst = dlg.m_hSubstFont;
        seen.bSubst = dlg.m_hSubstFont != nullptr;
        if (seen.bSubst) GetObjectA(dlg.m_hSubstFont, sizeof(seen.lf), &seen.lf);
        HFONT hChildFont = reinterpret_cast<HFONT>(SendDlgItemMessageA(hWnd, IDOK, WM_GETFONT, 0, 0));
        seen.bChildUsesIt = seen.bSubst && hChildFont == dlg.m_hSubstFont;
        PostMessageA(hWnd, WM_COMMAND, IDOK, 0);
    };
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(nullptr, dlg.m_hSubstFont) << "the font goes with the window";
    return seen;
}

LOGFONTA GuiFont()
{
    LOGFONTA lf{};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    return lf;
}

int ScreenDpi()
{
    HDC hdc = GetDC(nullptr);
    int n = GetDeviceCaps(hdc, LOGPIXELSY);
    ReleaseDC(nullptr, hdc);
    return n;
}

}  // namespace

TEST(CDialogBoxDoubleByteFont, EightPointsTakesTheGuiFontAsItIs)
{
    ASSERT_NE(0, GetSystemMetrics(SM_DBCSENABLED)) << "not a double-byte system: code page " << GetACP();
    uitest::KitResDll res;
    for (UINT nTemplate : {uitest::kStatusTemplate, 902u}) {
        SCOPED_TRACE(nTemplate);
        FontSeen seen = RunTemplate(nTemplate == 902u ? GetModuleHandleA(nullptr) : res.Get(), nTemplate);
        ASSERT_TRUE(seen.bSubst);
        EXPECT_EQ(GuiFont().lfHeight, seen.lf.lfHeight);
        EXPECT_STREQ(GuiFont().lfFaceName, seen.lf.lfFaceName);
        EXPECT_TRUE(seen.bChildUsesIt);
        EXPECT_EQ(0u, GetObjectType(seen.hSubst)) << "deleted at WM_DESTROY";
    }
}

TEST(CDialogBoxDoubleByteFont, NinePointsKeepsItsSizeAndOtherFacesStay)
{
    ASSERT_NE(0, GetSystemMetrics(SM_DBCSENABLED));
    FontSeen nine = RunTemplate(GetModuleHandleA(nullptr), 901);
    ASSERT_TRUE(nine.bSubst);
    EXPECT_EQ(-MulDiv(9, ScreenDpi(), 72), nine.lf.lfHeight);
    EXPECT_STREQ(GuiFont().lfFaceName, nine.lf.lfFaceName);
    EXPECT_TRUE(nine.bChildUsesIt);
    EXPECT_FALSE(RunTemplate(GetModuleHandleA(nullptr), 903).bSubst);
}
