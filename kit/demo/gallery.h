// The gallery of the demo host: the status picture and status icon of every
// status class row, drawn by the module's own controls in the status
// window's template of the installed resource DLL.
#pragma once

#include <string>

namespace kitdemo {

// Shows the rows one after another (each for dwDwellMs, OK: the next one,
// closing the window: the end). 0 when every row was shown or the user
// closed the window, 1 when the gallery could not be opened.
int RunGallery(const std::string& strInstallDir, const std::string& strDriverKey, unsigned long dwDwellMs);

}  // namespace kitdemo
