// What the window tests share: the kit's resource DLLs, a message pump, the
// sound recording, and a dialog of the kit's template 102.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "base/resource_ids.h"
#include "base/unique_handle.h"
#include "ui/framework/dialog_box.h"

namespace uitest {

// A resource DLL of the kit (bin/<name>), loaded as data as the module loads it.
struct KitDll : vm2::UniqueModule {
    explicit KitDll(const char* pszName);
    HMODULE Get() const { return get(); }
};

std::string Text(HWND hWnd);

// The test prefix's ALSA file device (8 kHz, 8 bit) as this process names it; empty without VM2PR2_SOUND_LOG.
std::string SoundLog();
LONGLONG LogSize();         // -1 when there is none
LONGLONG SettledLogSize();  // once it has stopped growing (a sound has finished)
// The frequency recorded from byte nFrom on (the device pads with silence); 0 without a tone.
int RecordedHz(LONGLONG nFrom = 0);

// Shown topmost under its own caption (tests read the screen) after OnInit
// ran; OK ends it with nOkResult, the help button runs OnHelp.
class TestDialog : public CDialogBox {
public:
    TestDialog(std::string caption, HWND hParent, HMODULE hRes, int nOkResult = IDOK)
        : CDialogBox(vm2::res::kStatusTemplate, hParent), m_caption(std::move(caption)), m_nOkResult(nOkResult)
    {
        m_hResModule = hRes;
    }

    INT_PTR DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM) override
    {
        if (uMsg == WM_INITDIALOG) {
            SetWindowTextA(hWnd, m_caption.c_str());
            if (OnInit) OnInit(hWnd);
            SetWindowPos(hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
        } else if (uMsg == WM_COMMAND && LOWORD(wParam) == IDOK) {
            EndModal(m_nOkResult);
        } else if (uMsg == WM_COMMAND && LOWORD(wParam) == vm2::res::kCtlHelpButton && OnHelp) {
            OnHelp();
        } else {
            return FALSE;
        }
        return TRUE;
    }

    std::string m_caption;
    int m_nOkResult;
    std::function<void()> OnHelp;
    std::function<void(HWND)> OnInit;
};

}  // namespace uitest
