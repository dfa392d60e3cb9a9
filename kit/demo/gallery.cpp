#include "demo/gallery.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <thread>

#include "base/resource_ids.h"
#include "demo/demo_windows.h"
#include "module/app.h"
#include "status/status_info.h"
#include "ui/framework/driver_key.h"
#include "ui/status/dialog_view.h"
#include "ui/status/sound_ntfy.h"
#include "ui/status/trouble.h"
// winspool.h turns SetPrinter into SetPrinterA; the simulator's method keeps its name.
#undef SetPrinter
#include "kbsim/kbsim_control.h"

namespace kitdemo {

namespace {

constexpr UINT kStatusTemplate = 102;
// The status channel of the parallel printer, whose day this is.
constexpr DWORD kChannel = 0x10010003;

// The printer day's statuses: a preset of the simulated printer, or (null)
// the communication error of a pulled cable.
struct DayStatus {
    const char* pszPreset;
    const char* pszShot;
};
const DayStatus kDay[] = {
    {"ready", "gallery_ready"},           {"printing", "gallery_printing"},
    {"paper-out", "gallery_paper_out"},   {"cover-open", "gallery_cover_open"},
    {"ribbon-low", "gallery_ribbon_low"}, {nullptr, "gallery_cable_pulled"},
    {"paper-jam", "gallery_paper_jam"},
};

// The window that hosts the view: template 102, as the status window.
struct Host {
    CDialogView view;
    bool bNext = false;
    bool bClosed = false;

    static INT_PTR CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l)
    {
        if (m == WM_INITDIALOG) {
            SetWindowLongPtrA(h, DWLP_USER, l);
            return TRUE;
        }
        auto* self = reinterpret_cast<Host*>(GetWindowLongPtrA(h, DWLP_USER));
        if (self == nullptr) return FALSE;
        switch (m) {
        case WM_SIZE: self->view.OnSize(static_cast<UINT>(w), LOWORD(l), HIWORD(l)); return FALSE;
        case WM_DRAWITEM: self->view.OnDrawItem(w, l); return TRUE;
        case WM_COMMAND:
            if (LOWORD(w) == IDOK) self->bNext = true;
            if (LOWORD(w) == IDCANCEL) self->bClosed = true;
            return TRUE;
        case WM_CLOSE: self->bClosed = true; return TRUE;
        default: return FALSE;
        }
    }
};

// Serves this thread's windows for dwMs, or until OK or the close box.
void Dwell(HWND hDlg, Host& host, DWORD dwMs)
{
    host.bNext = false;
    for (DWORD start = GetTickCount(); GetTickCount() - start < dwMs && !host.bNext && !host.bClosed;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!IsDialogMessageA(hDlg, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 30, QS_ALLINPUT);
    }
}

// Bytes the audio output has recorded (the ALSA file device that demo.sh
// gives a machine without a sound card); -1 without one.
long long RecordedBytes()
{
    const char* unix = std::getenv("VM2PR2_SOUND_LOG");
    if (unix == nullptr) return -1;
    std::string path = std::string("Z:") + unix;
    for (char& c : path)
        if (c == '/') c = '\\';
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &a)) return -1;
    return (static_cast<long long>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
}

std::string Recorded()
{
    long long n = RecordedBytes();
    if (n < 0) return std::string();
    char text[64];
    std::snprintf(text, sizeof(text), " (the audio output recorded %lld bytes)", n);
    return text;
}

// Plays the status's sound, and waits until it has played.
void PlayStatusSound(CResSndNtfy& sound, const CPrinterStatus& status)
{
    if (status.GetSoundNo() == 0) return;
    BOOL ok = sound.Play(status.GetSoundNo());
    Sleep(400);
    std::printf("      status sound %d: %s%s\n", status.GetSoundNo(), ok ? "played" : "did not play",
                ok ? Recorded().c_str() : "");
}

void LoopBuzzer(CBeepBuzzer& buzzer, HWND hDlg, Host& host)
{
    BOOL ok = buzzer.Play(TRUE);
    std::printf("      buzzer (wave 17000) looping: %s\n", ok ? "started" : "did not start");
    if (!ok) return;
    Dwell(hDlg, host, 1500);
    buzzer.Stop();
    Sleep(200);
    std::printf("      buzzer stopped after 1.5 s%s\n", Recorded().c_str());
}

// Walks the trouble dialog of this thread from another one, as a user does:
// a screenshot of each page, then Next, and OK on the last page.
void WalkTroublePages(DWORD dwThread, HWND hStatusWindow)
{
    HWND hDlg = WaitForDialogOfThread(dwThread, hStatusWindow, 5000);
    for (int page = 1; hDlg != nullptr && IsWindow(hDlg) && page <= 10; ++page) {
        Sleep(700);
        char text[512] = "";
        GetDlgItemTextA(hDlg, vm2::res::kCtlTroubleText, text, sizeof(text));
        std::string shot = Screenshot(hDlg, "gallery_trouble_page" + std::to_string(page));
        std::printf("      trouble page %d: \"%s\"%s%s\n", page, text, shot.empty() ? "" : "  screenshot ",
                    shot.c_str());
        if (!Click(hDlg, vm2::res::kCtlTroubleNext)) {
            Click(hDlg, IDOK);
            break;
        }
    }
}

}  // namespace

int RunGallery(const GalleryOptions& o)
{
    std::string dll = o.strInstallDir + "KX9100EN.DLL";
    HMODULE hRes = LoadLibraryExA(dll.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (hRes == nullptr) {
        std::printf("gallery: %s cannot be loaded (%lu)\n", dll.c_str(), GetLastError());
        return 1;
    }
    // The pictures' files are found through the driver key, and the dialogs
    // take their templates from the application's resource DLL, as in the
    // status window.
    g_strDriverKey = o.strDriverKey;
    GetApp()->SetResDll(hRes);
    int nResult = 0;
    {
        CStatusInfo info(o.strDatFile.c_str(), std::nothrow);
        info.SetDataFile(o.strDatFile.c_str());
        info.SetResourceDll(hRes);
        info.SetDriverKey(o.strDriverKey.c_str());
        CBeepBuzzer buzzer(o.strModelId.c_str(), hRes);
        CResSndNtfy sound(o.strModelId.c_str(), o.strDriverName.c_str(), hRes);
        std::printf("Sound players: buzzer %s, status sounds %s\n", buzzer.IsReady() ? "ready" : "not ready",
                    sound.IsReady() ? "ready" : "not ready");

        Host host;
        HWND hDlg = CreateDialogParamA(hRes, MAKEINTRESOURCEA(kStatusTemplate), nullptr, Host::Proc,
                                       reinterpret_cast<LPARAM>(&host));
        DialogViewInit init;
        init.pszDatFile = o.strDatFile.c_str();
        init.pszModelID = o.strModelId.c_str();
        init.pszPrinterName = o.strPrinterName.c_str();
        init.pszPortName = o.strPortName.c_str();
        if (hDlg == nullptr || host.view.Create(hDlg, hRes, init) != 1) {
            std::printf("gallery: the status window's template 102 cannot be shown\n");
            nResult = 1;
        } else {
            host.view.ChangeDialogType(VLX_DLGTYPE_DETAIL);
            host.view.Show(SW_SHOW);
            std::printf("The statuses of the printer day, as the status window shows them:\n");
            std::unique_ptr<CPrinterStatus> helpStatus;
            for (const DayStatus& d : kDay) {
                if (host.bClosed) break;
                std::unique_ptr<CPrinterStatus> status;
                if (d.pszPreset != nullptr) {
                    std::string reply = kbsim::BuildStatusReply(kbsim::FindPreset(d.pszPreset)->fields);
                    status.reset(info.CreateStatusObject(kChannel, reinterpret_cast<const BYTE*>(reply.data()),
                                                         static_cast<DWORD>(reply.size()), 0));
                } else {
                    status.reset(info.CreateStatusObject(kChannel, nullptr, 0, CStatusInfo::COMMUNICATION_ERROR));
                }
                if (!status) continue;
                host.view.SetViewStatus(status.get());
                char title[256] = "";
                status->GetMessage1(title, sizeof(title));
                std::printf("  %-12s real %3d, simple %3d, class %2d, help kind %lu: \"%s\"\n",
                            d.pszPreset != nullptr ? d.pszPreset : "cable pulled", status->GetRealStatusNo(),
                            status->GetSimpleStatusNo(), status->GetStatusClass(),
                            static_cast<unsigned long>(host.view.GetStatusView().GetHelpKind()), title);
                Dwell(hDlg, host, 700);
                std::string shot = Screenshot(hDlg, d.pszShot);
                if (!shot.empty()) std::printf("      screenshot %s\n", shot.c_str());
                PlayStatusSound(sound, *status);
                if (d.pszPreset != nullptr && std::string(d.pszPreset) == "paper-out") LoopBuzzer(buzzer, hDlg, host);
                Dwell(hDlg, host, o.dwDwellMs);
                StatusHelpInfo help;
                if (status->GetHelpInfo(&help) == StatusHelpInfo::kResource) helpStatus = std::move(status);
            }
            // The help of the last status that has trouble pages: the
            // trouble dialog over the status window.
            StatusHelpInfo help;
            if (!host.bClosed && helpStatus && helpStatus->GetHelpInfo(&help) == StatusHelpInfo::kResource) {
                char title[256] = "";
                helpStatus->GetMessage1(title, sizeof(title));
                std::printf("  help of \"%s\": the trouble dialog\n", title);
                std::thread user(WalkTroublePages, GetCurrentThreadId(), hDlg);
                CTrouble trouble(nullptr);
                int r = trouble.Run(help.hResource);
                user.join();
                std::printf("      trouble dialog ended with %d after %d page(s)\n", r, trouble.GetPageCount());
            }
            host.view.Stop();
        }
        if (hDlg != nullptr) DestroyWindow(hDlg);
    }
    GetApp()->SetResDll(nullptr);
    g_strDriverKey.clear();
    FreeLibrary(hRes);
    return nResult;
}

}  // namespace kitdemo
