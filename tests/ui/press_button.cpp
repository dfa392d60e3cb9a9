// press_button.exe <window title> <control id> [wait ms]: waits for a
// top-level window of that title and clicks one of its buttons the way the
// keyboard's Enter would. Lets scripts drive the demo's modal windows.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 3) return 2;
    DWORD wait = argc > 3 ? static_cast<DWORD>(std::atoi(argv[3])) : 20000;
    for (DWORD t = 0; t < wait; t += 100) {
        HWND h = FindWindowA(nullptr, argv[1]);
        if (h != nullptr && IsWindowVisible(h)) {
            Sleep(500);
            int id = std::atoi(argv[2]);
            PostMessageA(h, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(h, id)));
            return 0;
        }
        Sleep(100);
    }
    return 1;
}
