#include "ui/ui_fixture.h"

#include <algorithm>
#include <cstdlib>

#include "harness/test_support.h"

namespace uitest {

KitDll::KitDll(const char* pszName)
    : vm2::UniqueModule(LoadLibraryExA((vm2test::BinDir() + "\\" + pszName).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE))
{
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
    std::string path = unix != nullptr ? std::string("Z:") + unix : "";
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

LONGLONG LogSize()
{
    WIN32_FILE_ATTRIBUTE_DATA a;  // a recording stays far below 4 GB
    return GetFileAttributesExA(SoundLog().c_str(), GetFileExInfoStandard, &a) ? LONGLONG{a.nFileSizeLow} : -1;
}

LONGLONG SettledLogSize()
{
    LONGLONG last = -2, now = LogSize();
    for (int i = 0; i < 40 && !(now == last && now > 0); ++i) Sleep(150), last = now, now = LogSize();
    return now;
}

int RecordedHz(LONGLONG nFrom)
{
    std::string s = vm2test::ReadFileText(SoundLog());
    // Crossings of the midline with some hysteresis: two a period, 8000 samples a second.
    size_t i = static_cast<size_t>(std::max<LONGLONG>(nFrom, 0)), first = 0, last = 0, n = 0;
    for (bool high = i < s.size() && static_cast<unsigned char>(s[i]) >= 128; i < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (high ? c < 118 : c > 138) high = !high, first = n++ == 0 ? i : first, last = i;
    }
    return n < 20 ? 0 : static_cast<int>((n - 1) * 4000.0 / static_cast<double>(last - first));
}

}  // namespace uitest
