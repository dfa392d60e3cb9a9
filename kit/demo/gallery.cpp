#include "demo/gallery.h"

#include <windows.h>

#include <cstdio>

#include "base/resource_ids.h"
#include "status/status_tables.h"
#include "ui/framework/bmp256_ctrl.h"
#include "ui/framework/dialog_box.h"
#include "ui/framework/driver_key.h"
#include "ui/framework/icon_ctrl.h"

namespace kitdemo {

namespace {

constexpr UINT kStatusTemplate = 102;
constexpr int kPictureControl = 210;
constexpr int kMessageControl = 212;
constexpr int kIconControl = 383;
constexpr int kTitleControl = 384;
constexpr int kNoteControl = 215;
constexpr UINT_PTR kDwellTimer = 1;

const char* SelectorName(std::uint32_t dwSelector)
{
    switch (dwSelector) {
    case vm2::res::kPictureSelectorBlue: return "BMPBlue";
    case vm2::res::kPictureSelectorRed: return "BMPRed";
    case vm2::res::kPictureSelectorYellow: return "BMPYellow";
    default: return "bitmap resource";
    }
}

class CGalleryDlg : public CDialogBox {
public:
    CGalleryDlg(HMODULE hRes, DWORD dwDwellMs) : CDialogBox(kStatusTemplate, nullptr), m_dwDwellMs(dwDwellMs)
    {
        m_hResModule = hRes;
    }

    INT_PTR DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM) override
    {
        switch (uMsg) {
        case WM_INITDIALOG:
            m_picture.Attach(GetDlgItem(hWnd, kPictureControl));
            m_picture.SetModule(m_hResModule);
            m_picture.SetSize(75, 60);
            m_picture.SetFileNames("KX9100B.BMP", "KX9100R.BMP", "KX9100Y.BMP");
            m_icon.Attach(GetDlgItem(hWnd, kIconControl));
            m_icon.SetModule(m_hResModule);
            ShowRow(0);
            SetTimer(hWnd, kDwellTimer, m_dwDwellMs, nullptr);
            ShowWindow(hWnd, SW_SHOW);
            return TRUE;
        case WM_TIMER:
            if (wParam != kDwellTimer) return FALSE;
            Next();
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) Next();
            else if (LOWORD(wParam) == IDCANCEL) Finish(0);
            return TRUE;
        case WM_CLOSE:
            Finish(0);
            return TRUE;
        case WM_DESTROY:
            KillTimer(hWnd, kDwellTimer);
            m_picture.Stop();
            return FALSE;
        default:
            return FALSE;
        }
    }

private:
    void Next()
    {
        if (m_nRow + 1 >= vm2::kStatusClassCount) Finish(0);
        else ShowRow(m_nRow + 1);
    }

    void Finish(int nResult)
    {
        KillTimer(m_hWnd, kDwellTimer);
        EndModal(nResult);
    }

    void ShowRow(int nRow)
    {
        m_nRow = nRow;
        const StatusClassRow& row = vm2::kStatusClasses[nRow];
        std::uint32_t dwSelector = row.dwValue[0];
        std::uint32_t dwIcon = row.dwValue[2];
        std::uint32_t dwPicture = row.dwValue[3];
        std::uint32_t dwIconMode = row.dwValue[4];
        m_picture.SelectBitmap(static_cast<int>(dwSelector));
        m_picture.SetOverlay(static_cast<int>(dwPicture), TRUE);
        const DWORD ids[] = {dwIcon, static_cast<DWORD>(vm2::res::kAlternateStatusIcon)};
        m_icon.SetIcons(dwIconMode == 1 ? 2 : 1, ids);

        char text[256];
        std::snprintf(text, sizeof(text), "KX-9100 gallery: class %u of %d", row.dwClass, vm2::kStatusClassCount);
        SetWindowTextA(m_hWnd, text);
        std::snprintf(text, sizeof(text), "Status class %u", row.dwClass);
        SetDlgItemTextA(m_hWnd, kTitleControl, text);
        std::snprintf(text, sizeof(text),
                      "Picture %u (%s), overlay icon %u%s.\nIcon %u%s.", dwSelector, SelectorName(dwSelector),
                      dwPicture, dwPicture != 0 ? " blinking" : " (none)", dwIcon,
                      dwIconMode == 1 ? " alternating with 765" : ", steady");
        SetDlgItemTextA(m_hWnd, kMessageControl, text);
        SetDlgItemTextA(m_hWnd, kNoteControl, "OK: next class");
        std::printf("  class %2u: picture %u %-15s overlay %3u  icon %u%s\n", row.dwClass, dwSelector,
                    SelectorName(dwSelector), dwPicture, dwIcon, dwIconMode == 1 ? " + 765" : "");
    }

    DWORD m_dwDwellMs;
    int m_nRow = 0;
    CBMP256Ctrl m_picture;
    CIconCtrl m_icon;
};

}  // namespace

int RunGallery(const std::string& strInstallDir, const std::string& strDriverKey, unsigned long dwDwellMs)
{
    std::string dll = strInstallDir + "KX9100EN.DLL";
    HMODULE hRes = LoadLibraryExA(dll.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (hRes == nullptr) {
        std::printf("gallery: %s cannot be loaded (%lu)\n", dll.c_str(), GetLastError());
        return 1;
    }
    // The pictures' files are found through the driver key, as in the
    // status window.
    g_strDriverKey = strDriverKey;
    std::printf("Status class rows, as the status window shows them:\n");
    int nResult = 0;
    {
        CGalleryDlg dlg(hRes, dwDwellMs);
        nResult = dlg.DoModal();
    }
    g_strDriverKey.clear();
    FreeLibrary(hRes);
    if (nResult < 0) std::printf("gallery: the status window's template 102 cannot be shown\n");
    return nResult < 0 ? 1 : 0;
}

}  // namespace kitdemo
