// Visual styles bound at run time: the version rule, and the binding under
// Wine's own library, without it, and under older Windows versions.
#include "ui/framework/win_theme.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "harness/test_support.h"

TEST(IsThemeSupported, NeedsWindowsNtFromVersion51)
{
    struct Case {
        DWORD platform, major, minor;
        int expected;
    };
    const Case cases[] = {{VER_PLATFORM_WIN32_NT, 5, 0, 0},      {VER_PLATFORM_WIN32_NT, 5, 1, 1},
                          {VER_PLATFORM_WIN32_NT, 5, 2, 1},      {VER_PLATFORM_WIN32_NT, 4, 0, 0},
                          {VER_PLATFORM_WIN32_NT, 6, 0, 1},      {VER_PLATFORM_WIN32_NT, 10, 0, 1},
                          {VER_PLATFORM_WIN32_WINDOWS, 5, 1, 0}, {VER_PLATFORM_WIN32_WINDOWS, 6, 0, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, vm2::ui::IsThemeVersion(c.platform, c.major, c.minor))
            << c.platform << " " << c.major << "." << c.minor;
}

TEST(CWinThemeCtrl, BindsTheLibraryOnlyWhereThemesExistAndDoesNothingWithoutIt)
{
    struct Case {
        const char* name;
        const char* version;   // Wine's per-program Windows version; null: the prefix's
        bool bNoUxTheme;       // the library switched off for the program
        int expected;          // probe bits 1 (supported) and 2 (loaded)
    };
    const Case cases[] = {
        {"prefix default", nullptr, false, 1 | 2},
        {"without UxTheme.dll", nullptr, true, 1},
        {"Windows 2000", "win2k", false, 0},
        {"Windows NT 4", "nt40", false, 0},
        {"Windows XP x64", "winxp64", false, 1 | 2},
        {"Windows 7", "win7", false, 1 | 2},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string exe = vm2test::UniqueName("theme_probe") + "_" + std::to_string(n++) + ".exe";
        std::string path = vm2test::BinDir() + "\\" + exe;
        ASSERT_TRUE(CopyFileA((vm2test::BinDir() + "\\theme_probe.exe").c_str(), path.c_str(), FALSE));
        vm2test::ScopedRegKey app(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\" + exe);
        if (c.version != nullptr) app.SetString("Version", c.version);
        std::unique_ptr<vm2test::ScopedRegKey> overrides;
        if (c.bNoUxTheme) {
            overrides = std::make_unique<vm2test::ScopedRegKey>(HKEY_CURRENT_USER, app.Path() + "\\DllOverrides");
            overrides->SetString("uxtheme", "");
        }
        STARTUPINFOA si{};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi{};
        std::string cmd = "\"" + path + "\"";
        ASSERT_TRUE(CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
        WaitForSingleObject(pi.hProcess, 60000);
        DWORD code = 0xFF;
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        DeleteFileA(path.c_str());
        int bits = static_cast<int>(code);
        EXPECT_EQ(c.expected & 3, bits & 3) << "probe answered " << code;
        // Without the library nothing is called, and nothing fails.
        if ((bits & 2) == 0) {
            EXPECT_NE(0, bits & 4) << "probe answered " << code;
        }
    }
}
