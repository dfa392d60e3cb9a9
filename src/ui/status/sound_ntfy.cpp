#include "ui/status/sound_ntfy.h"

#include <mmsystem.h>

#include "base/resource_ids.h"
#include "base/text.h"
#include "base/trace.h"
#include "config/paths.h"

namespace vm2 {
namespace snd {

BOOL PlayWaveResource(HMODULE hModule, int nId, DWORD dwFlags)
{
    if (hModule == nullptr || nId <= 0 || nId > 0xFFFF) return FALSE;
    if (FindResourceA(hModule, MAKEINTRESOURCEA(nId), "WAVE") == nullptr) return FALSE;
    if (waveOutGetNumDevs() == 0) return FALSE;
    return PlaySoundA(MAKEINTRESOURCEA(nId), hModule, dwFlags);
}

}  // namespace snd
}  // namespace vm2

// ---------------------------------------------------------------- buzzer

CBeepBuzzer::CBeepBuzzer(const char* /*pszModelID*/, HMODULE hResDll)
    : m_bReady(hResDll != nullptr), m_hModule(hResDll), m_hResDll(hResDll)
{
}

CBeepBuzzer::~CBeepBuzzer()
{
    if (m_hModule != nullptr && m_hModule != m_hResDll) FreeLibrary(m_hModule);
}

BOOL CBeepBuzzer::Play(BOOL bLoop)
{
    if (!m_bReady) return FALSE;
    BOOL ok = vm2::snd::PlayWaveResource(m_hModule, vm2::res::kBuzzerWave,
                                         bLoop == 1 ? vm2::snd::kLoopFlags : vm2::snd::kPlayFlags);
    Trace("CBeepBuzzer::Play : PlaySound(%d, loop %d) : %d\n", vm2::res::kBuzzerWave, bLoop, ok);
    return ok;
}

void CBeepBuzzer::Stop() { PlaySoundA(nullptr, m_hModule, vm2::snd::kStopFlags); }

// ---------------------------------------------------------- status sounds

CResSndNtfy::CResSndNtfy(const char* pszModelID, const char* pszDriverName, HMODULE hResDll)
    : m_szProfilePath{}, m_szSection{}, m_bReady(FALSE), m_hModule(nullptr), m_hResDll(hResDll)
{
    if (!GetProfilePath(m_szProfilePath, pszDriverName, pszModelID) || m_szProfilePath[0] == '\0') {
        Trace("CResSndNtfy : no data file\n");
        return;
    }
    DWORD size = sizeof(m_szSection);
    if (GetLanguageSection(m_szSection, &size, m_szProfilePath) < 0) {
        Trace("CResSndNtfy : no language section\n");
        return;
    }
    char install[vm2::kPathBuf] = "";
    if (!GetInstallPath(install, pszDriverName, pszModelID) || install[0] == '\0') {
        Trace("CResSndNtfy : no install folder\n");
        return;
    }
    m_strInstallPath = install;

    char library[vm2::kPathBuf] = "";
    GetPrivateProfileStringA(m_szSection, "WAVRES", "", library, sizeof(library), m_szProfilePath);
    if (library[0] == '\0') {
        m_hModule = hResDll;
    } else {
        std::string path = m_strInstallPath + library;
        // Only its wave resources are used: loaded as data, no code of it runs.
        m_hModule = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        Trace("CResSndNtfy : WAVRES %s : %p\n", path.c_str(), static_cast<void*>(m_hModule));
    }
    m_bReady = m_hModule != nullptr;
}

CResSndNtfy::~CResSndNtfy()
{
    if (m_hModule != nullptr && m_hModule != m_hResDll) FreeLibrary(m_hModule);
}

BOOL CResSndNtfy::Play(int nSoundId)
{
    if (!m_bReady || nSoundId == 0) return FALSE;
    BOOL ok = vm2::snd::PlayWaveResource(m_hModule, nSoundId, vm2::snd::kPlayFlags);
    Trace("CResSndNtfy::Play : PlaySound(%d) : %d\n", nSoundId, ok);
    return ok;
}

void CResSndNtfy::Stop() { PlaySoundA(nullptr, nullptr, vm2::snd::kStopFlags); }
