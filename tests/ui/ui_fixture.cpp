#include "ui/ui_fixture.h"

#include "harness/test_support.h"

namespace uitest {

TestDialog::TestDialog(std::string caption, HWND hParent, HMODULE hRes, int nOkResult)
    : CDialogBox(kStatusTemplate, hParent), m_caption(std::move(caption)), m_nOkResult(nOkResult)
{
    m_hResModule = hRes;
}

void TestDialog::OnAttach(HWND hWnd)
{
    m_bAttachedBeforeUser = GetWindowLongPtrA(hWnd, DWLP_USER) == 0 && m_hWnd == hWnd;
}

INT_PTR TestDialog::DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_INITDIALOG) {
        SetWindowTextA(hWnd, m_caption.c_str());
        if (OnInit) OnInit(hWnd);
        SetWindowPos(hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    } else if (uMsg == WM_APP && lParam != 0) {
        SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, (*reinterpret_cast<const std::function<LRESULT()>*>(lParam))());
    } else if (uMsg == WM_COMMAND && LOWORD(wParam) == IDOK) {
        EndModal(m_nOkResult);
    } else if (uMsg == WM_COMMAND && LOWORD(wParam) == kHelpButton && OnHelp) {
        OnHelp();
    } else {
        return FALSE;
    }
    return TRUE;
}

LRESULT OnDialogThread(HWND hDialog, const std::function<LRESULT()>& fn)
{
    return SendMessageA(hDialog, WM_APP, 0, reinterpret_cast<LPARAM>(&fn));
}

COLORREF ScreenPixel(HWND hWnd, int x, int y)
{
    POINT pt{x, y};
    ClientToScreen(hWnd, &pt);
    HDC hdc = GetDC(nullptr);
    COLORREF c = GetPixel(hdc, pt.x, pt.y);
    ReleaseDC(nullptr, hdc);
    return c;
}

bool CaptureWindow(HWND hWnd, const std::string& name)
{
    RECT rc;
    if (!GetWindowRect(hWnd, &rc)) return false;
    // <build>\screenshots, beside bin: the artifacts of the run.
    std::string dir = vm2test::BinDir() + "\\..\\screenshots";
    CreateDirectoryA(dir.c_str(), nullptr);
    // "import" is a program of the Unix side, where the X display is; Wine
    // starts Unix programs given by their Unix path.
    using UnixNameFn = char*(CDECL*)(LPCWSTR);
    auto pUnixName = reinterpret_cast<UnixNameFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (pUnixName == nullptr) return false;
    std::wstring wide(dir.begin(), dir.end());
    char* pszUnix = pUnixName(wide.c_str());
    if (pszUnix == nullptr) return false;
    std::string unixDir = pszUnix;
    HeapFree(GetProcessHeap(), 0, pszUnix);
    std::string cmd = "/usr/bin/import -window root -crop " + std::to_string(rc.right - rc.left) + "x" +
                      std::to_string(rc.bottom - rc.top) + "+" + std::to_string(rc.left) + "+" +
                      std::to_string(rc.top) + " " + unixDir + "/" + name + ".png";
    std::string png = dir + "\\" + name + ".png";
    DeleteFileA(png.c_str());
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    WaitForSingleObject(pi.hProcess, 20000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    // The process Wine reports is only the starter of the Unix program, which
    // may not have read the screen yet: a window closed now would come out
    // black. The picture is taken once its file is written out.
    LONGLONG size = -1;
    for (int i = 0; i < 200; ++i) {
        WIN32_FILE_ATTRIBUTE_DATA fa{};
        LONGLONG now = GetFileAttributesExA(png.c_str(), GetFileExInfoStandard, &fa) ? fa.nFileSizeLow : -1;
        if (now > 0 && now == size) return true;
        size = now;
        Sleep(100);
    }
    return false;
}

OwnerWindow::OwnerWindow()
    : hWnd(CreateWindowExA(0, "STATIC", "ui owner", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr))
{
}

OwnerWindow::~OwnerWindow() { DestroyWindow(hWnd); }

}  // namespace uitest
