#include "harness/gui_objects.h"

#include <windows.h>
#include <tlhelp32.h>

namespace vm2test {

namespace {

// Wine takes a handle whose high word (the generation) is 0 as naming
// whatever object holds that index; the low word is the index.
constexpr unsigned kGdiHandles = 0x10000;
constexpr unsigned kFirstUserHandle = 0x20;
constexpr unsigned kLastUserHandle = 0xffef;

BOOL CALLBACK CountWindow(HWND hWnd, LPARAM lParam);

BOOL CALLBACK CountChild(HWND, LPARAM lParam)
{
    ++*reinterpret_cast<int*>(lParam);
    return TRUE;
}

BOOL CALLBACK CountWindow(HWND hWnd, LPARAM lParam)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(hWnd, &pid);
    if (pid != GetCurrentProcessId()) return TRUE;
    // The system makes and drops a thread's input method window with the
    // thread's first and last window: not ours to count.
    char cls[32] = "";
    GetClassNameA(hWnd, cls, sizeof(cls));
    if (lstrcmpiA(cls, "IME") == 0) return TRUE;
    ++*reinterpret_cast<int*>(lParam);
    EnumChildWindows(hWnd, CountChild, lParam);  // every level below
    return TRUE;
}

}  // namespace

std::string GuiObjects::Describe() const
{
    return "gdi " + std::to_string(nGdi) + ", icons " + std::to_string(nIcons) + ", menus " +
           std::to_string(nMenus) + ", windows " + std::to_string(nWindows);
}

GuiObjects CountGuiObjects()
{
    GuiObjects n;
    for (unsigned i = 1; i < kGdiHandles; ++i)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(static_cast<ULONG_PTR>(i))) != 0) ++n.nGdi;

    for (unsigned i = kFirstUserHandle; i <= kLastUserHandle; i += 2) {
        HANDLE h = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(i));
        if (IsMenu(static_cast<HMENU>(h))) ++n.nMenus;
        ICONINFO ii{};
        if (GetIconInfo(static_cast<HICON>(h), &ii)) {
            ++n.nIcons;
            if (ii.hbmColor != nullptr) DeleteObject(ii.hbmColor);
            if (ii.hbmMask != nullptr) DeleteObject(ii.hbmMask);
        }
    }
    // Enumerated, not probed: a window probe asks the server for every
    // index, and windows of other processes share the table.
    EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&n.nWindows));
    HWND hMsg = nullptr;
    while ((hMsg = FindWindowExA(HWND_MESSAGE, hMsg, nullptr, nullptr)) != nullptr) {
        DWORD pid = 0;
        GetWindowThreadProcessId(hMsg, &pid);
        if (pid == GetCurrentProcessId()) ++n.nWindows;
    }
    return n;
}

int CountThreads()
{
    int n = 0;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 te{};
    te.dwSize = sizeof(te);
    for (BOOL ok = Thread32First(snap, &te); ok; ok = Thread32Next(snap, &te))
        n += te.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snap);
    return n;
}

}  // namespace vm2test
