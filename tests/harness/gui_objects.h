// Counts this process's GDI and USER objects. Wine answers GetGuiResources
// with 0, so the handle tables are probed instead: GDI objects with
// GetObjectType over every handle index, icons and menus over every USER
// handle index, windows by enumeration.
#pragma once

#include <string>

namespace vm2test {

struct GuiObjects {
    int nGdi = 0;      // DCs, bitmaps, palettes, fonts, brushes, pens, regions
    int nIcons = 0;    // icons and cursors
    int nMenus = 0;
    int nWindows = 0;  // windows of this process, children included
    bool operator==(const GuiObjects& o) const
    {
        return nGdi == o.nGdi && nIcons == o.nIcons && nMenus == o.nMenus && nWindows == o.nWindows;
    }
    std::string Describe() const;
};

GuiObjects CountGuiObjects();

// Threads of this process, from the system's thread list.
int CountThreads();

}  // namespace vm2test
