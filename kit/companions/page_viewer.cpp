// Stand-in page viewer (VM2PAGEV.EXE): the program that the test prefix
// associates with .htm and .html pages, so that a help page the shell opens
// starts no browser of the machine. It records the command line it was
// started with (the page) in the companion log, or, when no log is named, in
// %TEMP%\vm2pr2_pages.log, and exits.
#include <windows.h>

#include <string>

#include "companion_log.h"

int main()
{
    if (companion::EnvValue(companion::kLogVariable).empty()) {
        char temp[MAX_PATH] = "";
        GetTempPathA(sizeof(temp), temp);
        SetEnvironmentVariableA(companion::kLogVariable, (std::string(temp) + "vm2pr2_pages.log").c_str());
    }
    return companion::AppendCompanionRecord("page-viewer", {{"cmdline", GetCommandLineA()}}) ? 0 : 1;
}
