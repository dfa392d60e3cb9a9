// Driver key path (below HKEY_LOCAL_MACHINE) of the printer the status window
// shows. The window sets it; its picture controls find the install folder
// through it.
#pragma once

#include <string>

extern std::string g_strDriverKey;
