// press_button.exe <window title> <control id> <wait ms>: clicks a button of a
// top-level window once it shows; scripts drive the demo's modal windows so.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 4) return 2;
    for (int t = 0; t < std::atoi(argv[3]); t += 100) {
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
