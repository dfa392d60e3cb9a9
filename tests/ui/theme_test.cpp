// Visual styles bound at run time: the version rule, and the binding under
// Wine's own library, without it, and under an older Windows version.
#include "ui/framework/win_theme.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "harness/test_support.h"

TEST(IsThemeSupported, NeedsWindowsNtFromVersion51)
{
    const struct {
        DWORD platform, major, minor;
        int expected;
    } cases[] = {{VER_PLATFORM_WIN32_NT, 5, 0, 0}, {VER_PLATFORM_WIN32_NT, 5, 1, 1}, {VER_PLATFORM_WIN32_NT, 4, 9, 0},
                 {VER_PLATFORM_WIN32_NT, 6, 0, 1}, {VER_PLATFORM_WIN32_WINDOWS, 5, 1, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, vm2::ui::IsThemeVersion(c.platform, c.major, c.minor)) << c.major << "." << c.minor;
}

TEST(CWinThemeCtrl, BindsTheLibraryOnlyWhereThemesExistAndDoesNothingWithoutIt)
{
    // The probe's exit code: bits 1 (supported), 2 (loaded), 4 (without the
    // library the texture call came back without calling anything).
    const struct {
        const char* version;  // Wine's per-program Windows version; null: the prefix's
        bool bNoUxTheme;      // the library switched off for the program
        int expected;
    } cases[] = {{nullptr, false, 1 | 2}, {nullptr, true, 1 | 4}, {"win2k", false, 4}};
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(n);
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
        // Bit 4 only counts where the library is not loaded.
        EXPECT_EQ(c.expected, static_cast<int>(code) & ((c.expected & 2) != 0 ? 3 : 7)) << "probe answered " << code;
    }
}
