// The two players of a pop-up's announcement: the buzzer (wave 17000 of the
// window's resource DLL, once or looping) and the status sounds (a wave
// resource per status, from the resource DLL or from the sound library the
// model's data file names in "WAVRES"). Both play asynchronously and never
// fall back to the system's default sound.
//
// The window layer does not reach for the application object: the caller
// hands in the window's resource DLL (and, for the sounds, the driver name of
// the printer shown).
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <string>

namespace vm2 {
namespace snd {
constexpr DWORD kPlayFlags = SND_RESOURCE | SND_ASYNC | SND_NODEFAULT | SND_NOWAIT;  // 0x42007
constexpr DWORD kLoopFlags = kPlayFlags | SND_LOOP;                                  // 0x4200F
constexpr DWORD kStopFlags = SND_PURGE;                                              // 0x40

// Plays wave resource nId of hModule with dwFlags. 0 without calling
// PlaySound when the module lacks the resource or the machine has no wave
// output: the asynchronous PlaySound of some systems (Wine's) answers TRUE
// before it has looked for either, and the status window relies on the
// answer to turn to the status sound when the buzzer did not start.
BOOL PlayWaveResource(HMODULE hModule, int nId, DWORD dwFlags);
}  // namespace snd
}  // namespace vm2

class CBeepBuzzer {
public:
    // The model ID is accepted for the callers' sake and not used.
    CBeepBuzzer(const char* pszModelID, HMODULE hResDll);
    virtual ~CBeepBuzzer();

    CBeepBuzzer(const CBeepBuzzer&) = delete;
    CBeepBuzzer& operator=(const CBeepBuzzer&) = delete;

    BOOL IsReady() const { return m_bReady; }
    // Nonzero when the buzzer started; 0 without playing when not ready.
    BOOL Play(BOOL bLoop);
    void Stop();

private:
    BOOL m_bReady;
    HMODULE m_hModule;
    HMODULE m_hResDll;  // never unloaded here: the window owns it
};

class CResSndNtfy {
public:
    // Finds the model's data file, its language section and the install
    // folder of pszDriverName; "WAVRES" of that section names the sound
    // library in the install folder, or, when empty, the sounds are in
    // hResDll. Any failure leaves the player not ready; a named library that
    // does not load is not replaced by hResDll.
    CResSndNtfy(const char* pszModelID, const char* pszDriverName, HMODULE hResDll);
    virtual ~CResSndNtfy();

    CResSndNtfy(const CResSndNtfy&) = delete;
    CResSndNtfy& operator=(const CResSndNtfy&) = delete;

    BOOL IsReady() const { return m_bReady; }
    HMODULE GetModule() const { return m_hModule; }
    // Plays the status's wave resource once. 0 when not ready, for sound 0
    // (a status without sound: a null name would stop the process's sounds
    // instead) and when the sound did not start.
    BOOL Play(int nSoundId);
    // Stops every sound of the process.
    void Stop();

private:
    char m_szProfilePath[260];
    char m_szSection[260];
    BOOL m_bReady;
    HMODULE m_hModule;
    std::string m_strInstallPath;
    HMODULE m_hResDll;
};
