// Stand-in for the driver's printer environment program (K_VM1RN2.EXE, the
// driver key's "K_VENV"). The module only reads its version (About box); a
// start is recorded all the same and it exits at once.
#include <windows.h>

#include "companion_log.h"

int main()
{
    companion::AppendCompanionRecord("env", {{"cmdline", GetCommandLineA()}});
    return 0;
}
