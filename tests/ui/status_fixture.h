// What the status view, sound and trouble dialog tests share: the kit's
// resource DLLs, a message pump, a button's look and the sound
// recording.
#pragma once

#include <windows.h>

#include <string>

namespace statustest {

// A resource DLL of the kit (bin/<name>), loaded as the module loads it.
class KitDll {
public:
    explicit KitDll(const char* pszName);
    ~KitDll();
    KitDll(const KitDll&) = delete;
    KitDll& operator=(const KitDll&) = delete;
    HMODULE Get() const { return m_h; }
    HRSRC Pages() const { return FindResourceA(m_h, MAKEINTRESOURCEA(11010), MAKEINTRESOURCEA(10)); }

private:
    HMODULE m_h;
};

// Dispatches this thread's messages for about nMs milliseconds.
void Pump(DWORD nMs);

// Button style bits (BS_PUSHBUTTON or BS_DEFPUSHBUTTON).
LONG ButtonType(HWND hButton);
bool Visible(HWND hWnd);
bool Enabled(HWND hWnd);
std::string Text(HWND hWnd);

// The recording of the test prefix's ALSA file device (8 kHz, 8 bit), as
// this process sees it; empty without VM2PR2_SOUND_LOG.
std::string SoundLog();
// Its size, -1 when there is none.
LONGLONG LogSize();
// Its size once it has stopped growing (a sound has finished).
LONGLONG SettledLogSize();
// Frequency of the recording from byte nFrom on, from its crossings of the
// midline between the first and the last (the device pads with silence);
// 0 for a recording without a tone.
int RecordedHz(LONGLONG nFrom = 0);

}  // namespace statustest
