// Under a Japanese locale (code page 932) the dialogs' old sans faces give way to the GUI font.
#include <gtest/gtest.h>

#include "ui/ui_fixture.h"

TEST(CDialogBoxDoubleByteFont, OldSansFacesTakeTheGuiFontAtTheirSize)
{
    ASSERT_NE(0, GetSystemMetrics(SM_DBCSENABLED)) << "not a double-byte system: code page " << GetACP();
    uitest::KitDll res("KX9100EN.DLL");
    LOGFONTA gui{};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof(gui), &gui);
    HDC hdc = GetDC(nullptr);
    const LONG lNine = -MulDiv(9, GetDeviceCaps(hdc, LOGPIXELSY), 72);
    ReleaseDC(nullptr, hdc);
    HMODULE hSelf = GetModuleHandleA(nullptr);
    // The kit's "MS Sans Serif" 8, "Helv" 8 (the GUI font's own height), "MS Sans Serif" 9, "Arial" 8 (kept).
    const std::tuple<HMODULE, WORD, LONG> cases[] = {{res.Get(), vm2::res::kStatusTemplate, gui.lfHeight},
                                                     {hSelf, 902, gui.lfHeight},
                                                     {hSelf, 901, lNine},
                                                     {hSelf, 903, 0}};
    for (const auto& [hModule, nTemplate, lHeight] : cases) {
        HFONT hSubst = nullptr, hChild = nullptr;
        LOGFONTA lf{};
        uitest::TestDialog dlg("font test", nullptr, hModule);
        dlg.m_nTemplateID = nTemplate;
        dlg.OnInit = [&](HWND hWnd) {
            if ((hSubst = dlg.m_hSubstFont) != nullptr) GetObjectA(hSubst, sizeof(lf), &lf);
            hChild = reinterpret_cast<HFONT>(SendDlgItemMessageA(hWnd, IDOK, WM_GETFONT, 0, 0));
            PostMessageA(hWnd, WM_COMMAND, IDOK, 0);
        };
        EXPECT_EQ(IDOK, dlg.DoModal());
        EXPECT_EQ(lHeight, lf.lfHeight) << nTemplate;
        EXPECT_STREQ(lHeight != 0 ? gui.lfFaceName : "", lf.lfFaceName) << nTemplate;
        EXPECT_TRUE(hSubst == nullptr || (hChild == hSubst && GetObjectType(hSubst) == 0))
            << nTemplate << ": the controls take it, and it goes with the window";
    }
}
