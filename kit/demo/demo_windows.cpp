#include "demo/demo_windows.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace kitdemo {

namespace {

std::string g_strShotFolder;

struct Search {
    const std::string* pCaption;
    DWORD dwThread;
    HWND hExcept;
    HWND hFound;
};

BOOL CALLBACK FindByCaption(HWND hWnd, LPARAM lp)
{
    auto* s = reinterpret_cast<Search*>(lp);
    char text[512] = "";
    GetWindowTextA(hWnd, text, sizeof(text));
    if (!IsWindowVisible(hWnd) || *s->pCaption != text) return TRUE;
    s->hFound = hWnd;
    return FALSE;
}

BOOL CALLBACK FindDialogOfThread(HWND hWnd, LPARAM lp)
{
    auto* s = reinterpret_cast<Search*>(lp);
    char cls[64] = "";
    GetClassNameA(hWnd, cls, sizeof(cls));
    if (hWnd == s->hExcept || !IsWindowVisible(hWnd) || lstrcmpA(cls, "#32770") != 0 ||
        GetWindowThreadProcessId(hWnd, nullptr) != s->dwThread)
        return TRUE;
    s->hFound = hWnd;
    return FALSE;
}

}  // namespace

void SetScreenshotFolder(const std::string& strUnixFolder) { g_strShotFolder = strUnixFolder; }

std::string Screenshot(HWND hWnd, const std::string& strName)
{
    RECT rc{};
    if (g_strShotFolder.empty() || !GetWindowRect(hWnd, &rc) || rc.right <= rc.left || rc.bottom <= rc.top)
        return std::string();
    // A moment for the window to finish painting (the picture is drawn late).
    Sleep(300);
    std::string file = g_strShotFolder + "/" + strName + ".png";
    char cmd[1024];
    std::snprintf(cmd, sizeof(cmd), "import -silent -window root -crop %ldx%ld+%ld+%ld +repage \"%s\"",
                  rc.right - rc.left, rc.bottom - rc.top, rc.left, rc.top, file.c_str());
    // The same file as this program sees it, on Wine's drive of the root.
    std::string seen = "Z:" + file;
    for (char& c : seen)
        if (c == '/') c = '\\';
    DeleteFileA(seen.c_str());
    // Wine starts a program of the machine like a Windows one, and it sees
    // the same display. Its process handle does not follow that program, so
    // the screenshot is done when its file has appeared and stopped growing.
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::vector<char> line(cmd, cmd + std::strlen(cmd) + 1);
    if (!CreateProcessA("Z:\\usr\\bin\\import", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return std::string();
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    LONGLONG last = -1;
    for (int i = 0; i < 100; ++i) {
        Sleep(100);
        WIN32_FILE_ATTRIBUTE_DATA a;
        LONGLONG now = GetFileAttributesExA(seen.c_str(), GetFileExInfoStandard, &a)
                           ? (static_cast<LONGLONG>(a.nFileSizeHigh) << 32) | a.nFileSizeLow
                           : -1;
        if (now > 0 && now == last) return file;
        last = now;
    }
    return std::string();
}

HWND WaitForWindow(const std::string& strCaption, DWORD dwMs)
{
    Search s{&strCaption, 0, nullptr, nullptr};
    for (DWORD start = GetTickCount(); s.hFound == nullptr; Sleep(50)) {
        EnumWindows(FindByCaption, reinterpret_cast<LPARAM>(&s));
        if (s.hFound != nullptr || GetTickCount() - start > dwMs) break;
    }
    return s.hFound;
}

HWND WaitForDialogOfThread(DWORD dwThread, HWND hExcept, DWORD dwMs)
{
    Search s{nullptr, dwThread, hExcept, nullptr};
    for (DWORD start = GetTickCount(); s.hFound == nullptr; Sleep(50)) {
        EnumWindows(FindDialogOfThread, reinterpret_cast<LPARAM>(&s));
        if (s.hFound != nullptr || GetTickCount() - start > dwMs) break;
    }
    return s.hFound;
}

bool Click(HWND hDialog, int nId)
{
    HWND hButton = GetDlgItem(hDialog, nId);
    if (hButton == nullptr || !IsWindowVisible(hButton) || !IsWindowEnabled(hButton)) return false;
    PostMessageA(hButton, BM_CLICK, 0, 0);
    return true;
}

PopupProcess::~PopupProcess()
{
    if (m_hProcess != nullptr) CloseHandle(m_hProcess);
}

bool PopupProcess::Start(const std::string& strPrinter, const std::string& strExtraArgs)
{
    if (Running()) return false;
    if (m_hProcess != nullptr) CloseHandle(m_hProcess);
    m_hProcess = nullptr;
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string cmd = std::string("\"") + self + "\" --popup \"" + strPrinter + "\"" + strExtraArgs;
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(self, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    CloseHandle(pi.hThread);
    m_hProcess = pi.hProcess;
    m_dwPid = pi.dwProcessId;
    return true;
}

bool PopupProcess::Running() const
{
    return m_hProcess != nullptr && WaitForSingleObject(m_hProcess, 0) == WAIT_TIMEOUT;
}

bool PopupProcess::WaitEnd(DWORD dwMs, DWORD* pdwExitCode)
{
    if (m_hProcess == nullptr || WaitForSingleObject(m_hProcess, dwMs) != WAIT_OBJECT_0) return false;
    GetExitCodeProcess(m_hProcess, pdwExitCode);
    return true;
}

}  // namespace kitdemo
