// The gallery of the demo host: each status of the kit's printer day in the
// status window's template 102, laid out and filled by the module's own
// status view, with the status's sound, the looping buzzer, and the
// trouble dialog that the status's help opens.
#pragma once

#include <string>

namespace kitdemo {

struct GalleryOptions {
    std::string strInstallDir;  // with a trailing backslash
    std::string strDriverKey;   // under HKEY_LOCAL_MACHINE
    std::string strDatFile;
    std::string strModelId;
    std::string strDriverName;
    std::string strPrinterName;
    std::string strPortName;
    unsigned long dwDwellMs = 1500;
};

// Shows the statuses one after another (each for dwDwellMs; OK: the next
// one; closing the window: the end), then walks the trouble dialog's pages
// (the demo presses Next and OK itself). 0 when it ran, 1 when the
// resource DLL or the template could not be used.
int RunGallery(const GalleryOptions& options);

}  // namespace kitdemo
