#include "harness/test_support.h"

namespace vm2test {

namespace {

struct FindState {
    const std::string* caption;
    const std::string* className;
    HWND found;
};

std::string TextOf(HWND hwnd)
{
    char buf[2048] = "";
    // WM_GETTEXT works across threads; GetWindowText would not read a
    // control of another thread's window.
    SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof(buf), reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 2000,
                        nullptr);
    return buf;
}

BOOL CALLBACK FindTopLevel(HWND hwnd, LPARAM lp)
{
    auto* st = reinterpret_cast<FindState*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(hwnd)) return TRUE;
    char cls[256] = "";
    GetClassNameA(hwnd, cls, sizeof(cls));
    if (!st->className->empty() && *st->className != cls) return TRUE;
    if (!st->caption->empty() && TextOf(hwnd) != *st->caption) return TRUE;
    st->found = hwnd;
    return FALSE;
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM lp)
{
    reinterpret_cast<std::vector<std::string>*>(lp)->push_back(TextOf(hwnd));
    return TRUE;
}

}  // namespace

std::string WindowSnapshot::AllText() const
{
    std::string all = caption;
    for (const std::string& t : childTexts) all += "|" + t;
    return all;
}

WindowWatch::WindowWatch(std::string caption, std::string className, DWORD timeoutMs, Action action)
    : m_caption(std::move(caption)), m_className(std::move(className)), m_timeoutMs(timeoutMs),
      m_action(std::move(action))
{
    m_thread = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
}

WindowWatch::~WindowWatch() { Join(); }

WindowSnapshot WindowWatch::Join()
{
    if (m_thread != nullptr) {
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
        m_thread = nullptr;
    }
    return m_snapshot;
}

void WindowWatch::PressButton(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    if (button != nullptr) SendMessageA(button, BM_CLICK, 0, 0);
    else PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

DWORD WINAPI WindowWatch::ThreadMain(void* self)
{
    static_cast<WindowWatch*>(self)->Run();
    return 0;
}

void WindowWatch::Run()
{
    DWORD start = GetTickCount();
    FindState st{&m_caption, &m_className, nullptr};
    while (GetTickCount() - start < m_timeoutMs) {
        st.found = nullptr;
        EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&st));
        if (st.found != nullptr) break;
        Sleep(20);
    }
    if (st.found == nullptr) return;

    // Give the dialog a moment to finish WM_INITDIALOG before reading it.
    Sleep(50);
    m_snapshot.found = true;
    char cls[256] = "";
    GetClassNameA(st.found, cls, sizeof(cls));
    m_snapshot.className = cls;
    m_snapshot.caption = TextOf(st.found);
    EnumChildWindows(st.found, CollectChild, reinterpret_cast<LPARAM>(&m_snapshot.childTexts));

    if (m_action) m_action(st.found);
    else PressButton(st.found, IDOK);
}

void Pump(DWORD nMs)
{
    DWORD start = GetTickCount();
    do {
        for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (GetTickCount() - start < nMs);
}

bool Screenshot(HWND hWnd, const std::string& name)
{
    // Let the window paint what the user would see first.
    if (GetWindowThreadProcessId(hWnd, nullptr) == GetCurrentThreadId()) Pump(100);
    else Sleep(100);
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

bool WaitUntil(const std::function<bool()>& done, DWORD ms)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < ms; Sleep(25))
        if (done()) return true;
    return done();
}

}  // namespace vm2test
