#include "ui/status_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "harness/test_support.h"

namespace statustest {

KitDll::KitDll(const char* pszName)
    : m_h(LoadLibraryExA((vm2test::BinDir() + "\\" + pszName).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE))
{
}

void Pump(DWORD nMs)
{
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (GetTickCount() - start < nMs);
}

std::string Text(HWND hWnd)
{
    char buf[1024] = "";
    GetWindowTextA(hWnd, buf, sizeof(buf));
    return buf;
}

std::string SoundLog()
{
    const char* unix = getenv("VM2PR2_SOUND_LOG");
    std::string path = unix != nullptr ? std::string("Z:") + unix : std::string();
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

LONGLONG LogSize()
{
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!GetFileAttributesExA(SoundLog().c_str(), GetFileExInfoStandard, &a)) return -1;
    return (static_cast<LONGLONG>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
}

LONGLONG SettledLogSize()
{
    LONGLONG last = -2;
    for (int i = 0; i < 40; ++i, Sleep(150)) {
        LONGLONG now = LogSize();
        if (now == last && now > 0) return now;
        last = now;
    }
    return last;
}

int RecordedHz(LONGLONG nFrom)
{
    std::string s = vm2test::ReadFileText(SoundLog());
    s.erase(0, std::min(s.size(), static_cast<size_t>(nFrom)));
    std::vector<size_t> at;  // where it crosses the midline, with some hysteresis
    bool high = !s.empty() && static_cast<unsigned char>(s[0]) >= 128;
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (high ? c < 118 : c > 138) {
            high = !high;
            at.push_back(i);
        }
    }
    // Two crossings a period, 8000 samples a second.
    if (at.size() < 20) return 0;
    return static_cast<int>((at.size() - 1) * 4000.0 / static_cast<double>(at.back() - at.front()));
}

}  // namespace statustest
