// Visual styles bound at run time: the version rule, and the binding under
// Wine's own library, without it, and under an older Windows version.
#include "ui/framework/win_theme.h"

#include <gtest/gtest.h>

#include <string>

#include "harness/test_support.h"

TEST(IsThemeSupported, NeedsWindowsNtFromVersion51)  // 5.0 and the prefix's own version: the probe below
{
    EXPECT_EQ(1, vm2::ui::IsThemeVersion(VER_PLATFORM_WIN32_NT, 5, 1));
    EXPECT_EQ(0, vm2::ui::IsThemeVersion(VER_PLATFORM_WIN32_NT, 4, 9));
    EXPECT_EQ(0, vm2::ui::IsThemeVersion(VER_PLATFORM_WIN32_WINDOWS, 5, 1));
}

TEST(CWinThemeCtrl, BindsTheLibraryOnlyWhereThemesExistAndDoesNothingWithoutIt)
{
    const struct {
        const char* version;  // Wine's per-program Windows version; null: the prefix's
        bool bNoUxTheme;      // the library switched off for the program
        int expected;         // theme_probe's exit code
    } cases[] = {{nullptr, false, 1 | 2}, {nullptr, true, 1 | 4}, {"win2k", false, 4}};
    for (const auto& c : cases) {
        const std::string exe = vm2test::UniqueName("theme_probe") + ".exe", path = vm2test::BinDir() + "\\" + exe;
        ASSERT_TRUE(CopyFileA((vm2test::BinDir() + "\\theme_probe.exe").c_str(), path.c_str(), FALSE));
        vm2test::ScopedRegKey app(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\" + exe);
        if (c.version != nullptr) app.SetString("Version", c.version);
        vm2test::ScopedRegKey overrides(HKEY_CURRENT_USER, app.Path() + "\\DllOverrides");
        if (c.bNoUxTheme) overrides.SetString("uxtheme", "");
        DWORD code = vm2test::ChildProcess("\"" + path + "\"").Wait();
        DeleteFileA(path.c_str());
        // Bit 4 only counts where the library is not loaded.
        EXPECT_EQ(c.expected, static_cast<int>(code) & ((c.expected & 2) != 0 ? 3 : 7)) << exe << ": " << code;
    }
}
