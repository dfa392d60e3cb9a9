// What the status view, sound, trouble and status window tests share.
#pragma once

#include <windows.h>

#include <string>

#include "base/unique_handle.h"

namespace statustest {

// A resource DLL of the kit (bin/<name>), loaded as data as the module loads it.
struct KitDll : vm2::UniqueModule {
    explicit KitDll(const char* pszName);
    HMODULE Get() const { return get(); }
};

void Pump(DWORD nMs);  // dispatches this thread's messages for about nMs ms
std::string Text(HWND hWnd);

// The test prefix's ALSA file device (8 kHz, 8 bit) as this process names it; empty without VM2PR2_SOUND_LOG.
std::string SoundLog();
LONGLONG LogSize();         // -1 when there is none
LONGLONG SettledLogSize();  // once it has stopped growing (a sound has finished)
// The frequency recorded from byte nFrom on (the device pads with silence); 0 without a tone.
int RecordedHz(LONGLONG nFrom = 0);

}  // namespace statustest
