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

}  // namespace vm2test
