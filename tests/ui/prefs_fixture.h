// What the preferences dialog tests stand on: a model with its data file,
// language section, resource DLL and help file in its install folder; the
// printer's target key; the dialog run on the test's thread while a watcher
// acts as the user with real mouse and keyboard input.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "config/target_fixtures.h"
#include "harness/test_support.h"

namespace vm2test {

constexpr char kPrefsTitle[] = "KX-9100 Monitoring Preferences";

struct PrefsSetup {
    // modelLines: the model's section besides "PrnDll". A section name in
    // brackets ("[KX-9100-QUIET]") takes that model of the kit's data file.
    explicit PrefsSetup(const std::string& modelLines, const char* printer = nullptr, const char* port = "LPT1:");

    CleanTargetBases clean;
    TestModel model;
    std::string modelId;
    std::string printer;
    std::string port;
    std::string key;  // the target key below HKEY_CURRENT_USER
    std::string resDll;

    std::string Title() const { return std::string(kPrefsTitle) + " : " + (printer.empty() ? port : printer); }
    DWORD Value(const char* name) const { return ReadDword(HKEY_CURRENT_USER, key, name); }
    DWORD Item(const char* name) const { return ReadDword(HKEY_CURRENT_USER, key + "\\Notify", name); }
    // Runs the dialog; the action runs on the watcher thread once it is shown.
    int Run(const std::function<void(HWND)>& action, WindowSnapshot* pSeen = nullptr) const;
};

// ---- the user
// At client coordinates of hCtrl; a negative coordinate: its centre.
void Click(HWND hCtrl, int x = -1, int y = -1, bool bRight = false);
void PressKey(WORD vk);
void FocusControl(HWND hCtrl);  // the dialog active, the control focused
void Settle(HWND hDlg);         // lets the dialog's thread handle what was sent and paint
inline bool Visible(HWND hDlg, int id) { return IsWindowVisible(GetDlgItem(hDlg, id)) != FALSE; }
// A notification list row by its number: switch (image), -1 when absent;
// its label rectangle in the list's client coordinates on request.
int RowSwitch(HWND hDlg, int number, RECT* pLabel = nullptr);

}  // namespace vm2test
