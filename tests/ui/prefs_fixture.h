// What the preferences dialog tests stand on: a model of their own with its
// data file, language section, resource DLL and help file in its install
// folder; the printer's target key; the dialog run on the test's thread
// while a watcher acts as the user with real mouse and keyboard input.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "config/target_fixtures.h"
#include "harness/test_support.h"

namespace vm2test {

constexpr char kPrefsTitle[] = "KX-9100 Monitoring Preferences";

struct PrefsSetup {
    // modelLines: lines of the model's section besides "PrnDll"; helpFile:
    // the language section's "HelpFile" (none when empty).
    explicit PrefsSetup(const std::string& modelLines, const std::string& helpFile = "KX9100EN.CHM",
                        const char* printer = nullptr, const char* port = "LPT1:");

    CleanTargetBases clean;
    TestModel model;
    std::string printer;
    std::string port;
    std::string key;  // the target key below HKEY_CURRENT_USER
    std::string resDll;

    std::string Title() const { return std::string(kPrefsTitle) + " : " + (printer.empty() ? port : printer); }
    std::string Notify() const { return key + "\\Notify"; }
    DWORD Value(const char* name, DWORD fallback = 0xBAADF00D) const;
    DWORD Item(const char* name, DWORD fallback = 0xBAADF00D) const;
    // Runs the dialog; the action runs on the watcher thread once it is shown.
    int Run(const std::function<void(HWND)>& action, WindowSnapshot* pSeen = nullptr) const;
};

// ---- the user
void Click(HWND hCtrl, int x, int y, bool bRight = false);  // client coordinates of hCtrl
void ClickCenter(HWND hCtrl, bool bRight = false);
void PressKey(WORD vk);
void FocusControl(HWND hCtrl);  // the dialog active, the control focused
void Settle(HWND hDlg);  // lets the dialog's thread handle what was sent
bool Checked(HWND hDlg, int id);
bool Visible(HWND hDlg, int id);
// Notification list rows by notification number: switch (image), -1 when absent.
int RowSwitch(HWND hDlg, int number);
RECT RowLabelRect(HWND hDlg, int number);  // client coordinates of the list
// A screenshot of the whole display into docs-ready PNG (ImageMagick import).
void Screenshot(const std::string& name);

}  // namespace vm2test
