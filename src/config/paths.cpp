#include "config/paths.h"

#include <cstring>
#include <exception>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "base/text.h"
#include "config/language_table.h"
#include "config/registry.h"
#include "config/regpaths.h"

using vm2::CopyText;
using vm2::FormatText;
using vm2::IsEmpty;
using vm2::kPathBuf;

bool OpenDriverKey(Registry& key, const char* pszDriver)
{
    char path[kPathBuf * 2];
    if (IsEmpty(pszDriver) || !FormatText(path, sizeof(path), "%s\\%s", vm2::regpath::kDriverBase, pszDriver))
        return false;
    return key.Open(HKEY_LOCAL_MACHINE, path, Registry::kRead) != FALSE;
}

namespace {

// Value of the driver key; empty when the key or value is missing or too long.
std::string DriverKeyString(const char* pszDriver, const char* pszValue)
{
    Registry key;
    if (!OpenDriverKey(key, pszDriver)) return std::string();
    return key.QueryString(pszValue, "", kPathBuf);
}

// The folder part of a path, up to and including its last backslash.
bool FolderOf(const char* pszPath, std::string* pOut)
{
    const char* slash = pszPath != nullptr ? strrchr(pszPath, '\\') : nullptr;
    if (slash == nullptr) return false;
    pOut->assign(pszPath, slash - pszPath + 1);
    return true;
}

// [<ModelID>] "PrnDll" or the language section's "ResDll" joined to the
// install folder ("." when none is known).
BOOL JoinWithInstallFolder(char* pszOut, const char* pszName, const char* pszDriver, const char* pszModelID)
{
    char folder[kPathBuf];
    if (!GetInstallPath(folder, pszDriver, pszModelID)) CopyText(folder, sizeof(folder), ".");
    if (!FormatText(pszOut, kPathBuf, "%s%s", folder, pszName)) return FALSE;
    return TRUE;
}

}  // namespace

BOOL FileExists(const char* pszPath)
{
    if (IsEmpty(pszPath)) return FALSE;
    size_t len = strlen(pszPath);
    if (pszPath[len - 1] == '\\' || pszPath[len - 1] == '/') return FALSE;
    if (strpbrk(pszPath, "*?") != nullptr) return FALSE;
    return GetFileAttributesA(pszPath) != INVALID_FILE_ATTRIBUTES;
}

BOOL FileExistsBeside(const char* pszFileName, const char* pszPath)
{
    // A path without a backslash has no folder to look in: nothing is beside it.
    std::string folder;
    if (IsEmpty(pszFileName) || !FolderOf(pszPath, &folder)) return FALSE;
    std::string full = folder + pszFileName;
    if (full.size() >= kPathBuf) return FALSE;
    return FileExists(full.c_str());
}

BOOL GetDriverKeyValue(char* pszOut, const char* pszValueName, const char* pszDriver, const char* pszModelID)
{
    if (pszOut == nullptr) return FALSE;
    pszOut[0] = '\0';
    if (IsEmpty(pszDriver) || IsEmpty(pszModelID)) return FALSE;
    Registry key;
    if (!OpenDriverKey(key, pszDriver)) return FALSE;
    const char kMissing[] = "\x01";  // a text no registry value can be read as
    std::string value = key.QueryString(pszValueName, kMissing, kPathBuf);
    if (value == kMissing) return FALSE;
    CopyText(pszOut, kPathBuf, value.c_str());
    return TRUE;
}

bool ReadProfileSources(const char* pszDriver, const char* pszModelID, ProfileSources* pOut)
{
    *pOut = ProfileSources();
    if (IsEmpty(pszDriver) || IsEmpty(pszModelID)) return false;
    pOut->driverProfile = DriverKeyString(pszDriver, "Profile");
    Registry key(HKEY_LOCAL_MACHINE, vm2::regpath::kProfileKey, FALSE, Registry::kRead);
    pOut->profileKeyOpened = key.IsOpen() != FALSE;
    if (pOut->profileKeyOpened) pOut->modelProfile = key.QueryString(pszModelID, "", kPathBuf);
    return true;
}

BOOL ChooseProfilePath(const ProfileSources& sources, char* pszOut)
{
    if (pszOut == nullptr) return FALSE;
    pszOut[0] = '\0';
    if (!sources.driverProfile.empty() && FileExists(sources.driverProfile.c_str())) {
        CopyText(pszOut, kPathBuf, sources.driverProfile.c_str());
        return TRUE;
    }
    if (!sources.profileKeyOpened) return FALSE;
    // Success even when the model has no value: callers treat empty as failure.
    CopyText(pszOut, kPathBuf, sources.modelProfile.c_str());
    return TRUE;
}

BOOL GetProfilePath(char* pszOut, const char* pszDriver, const char* pszModelID)
{
    if (pszOut == nullptr) return FALSE;
    pszOut[0] = '\0';
    ProfileSources sources;
    if (!ReadProfileSources(pszDriver, pszModelID, &sources)) return FALSE;
    return ChooseProfilePath(sources, pszOut);
}

BOOL GetInstallPath(char* pszOut, const char* pszDriver, const char* pszModelID)
{
    if (pszOut == nullptr) return FALSE;
    pszOut[0] = '\0';
    if (IsEmpty(pszModelID)) return FALSE;

    std::string folder = DriverKeyString(pszDriver, "InstallPath");
    if (!folder.empty()) {
        if (folder.back() == '\\') folder.pop_back();
    } else {
        char profile[kPathBuf];
        if (!GetProfilePath(profile, pszDriver, pszModelID) || profile[0] == '\0') return FALSE;
        const char* slash = strrchr(profile, '\\');
        if (slash == nullptr) return FALSE;
        folder.assign(profile, slash - profile);
    }
    if (!FileExists(folder.c_str())) return FALSE;
    return FormatText(pszOut, kPathBuf, "%s\\", folder.c_str()) ? TRUE : FALSE;
}

BOOL GetDriverFilePath(char* pszOut, const char* pszValueName, const char* pszDefaultFile, const char* pszDriver,
                       const char* pszModelID)
{
    if (pszOut == nullptr) return FALSE;
    pszOut[0] = '\0';
    std::string value = DriverKeyString(pszDriver, pszValueName);
    if (!value.empty() && FileExists(value.c_str())) {
        CopyText(pszOut, kPathBuf, value.c_str());
        return TRUE;
    }
    if (IsEmpty(pszDefaultFile)) return FALSE;
    char folder[kPathBuf];
    if (!GetInstallPath(folder, pszDriver, pszModelID)) return FALSE;
    char path[kPathBuf];
    if (!FormatText(path, sizeof(path), "%s%s", folder, pszDefaultFile) || !FileExists(path)) return FALSE;
    CopyText(pszOut, kPathBuf, path);
    return TRUE;
}

BOOL GetPrnDllPath(char* pszOut, const char* pszDriver, const char* pszModelID)
{
    if (pszOut == nullptr) return FALSE;
    pszOut[0] = '\0';
    char profile[kPathBuf];
    if (!GetProfilePath(profile, pszDriver, pszModelID) || profile[0] == '\0') return FALSE;
    char name[kPathBuf] = "";
    DWORD got = GetPrivateProfileStringA(pszModelID, "PrnDll", "", name, sizeof(name), profile);
    // 258 characters back means the value filled the buffer and was cut.
    if (got == 0 || got >= kPathBuf - 2) return FALSE;
    return JoinWithInstallFolder(pszOut, name, pszDriver, pszModelID);
}

BOOL GetResDllPath(char* pszOut, const char* pszDriver, const char* pszModelID)
{
    if (pszOut == nullptr) return FALSE;
    pszOut[0] = '\0';
    char profile[kPathBuf];
    if (!GetProfilePath(profile, pszDriver, pszModelID) || profile[0] == '\0') return FALSE;
    char name[kPathBuf] = "";
    if (GetLangProfileString("ResDll", name, sizeof(name), profile) != 0) return FALSE;
    return JoinWithInstallFolder(pszOut, name, pszDriver, pszModelID);
}

BOOL GetDriverName(const char* pszModelID, char* pszOut)
{
    if (pszOut == nullptr || IsEmpty(pszModelID)) return FALSE;
    pszOut[0] = '\0';
    Registry key(HKEY_LOCAL_MACHINE, vm2::regpath::kProfileKey, FALSE, Registry::kRead);
    if (!key.IsOpen()) return FALSE;
    std::string profile = key.QueryString(pszModelID, "", kPathBuf);
    if (profile.empty()) return FALSE;
    char name[kPathBuf] = "";
    DWORD got = GetPrivateProfileStringA("Install", "DRVNAME", "", name, sizeof(name), profile.c_str());
    if (got == 0 || got >= kPathBuf - 2) {
        if (!FormatText(pszOut, kPathBuf, "KAVRO %s", pszModelID)) return FALSE;
    } else {
        CopyText(pszOut, kPathBuf, name);
    }
    return TRUE;
}

int CachedProfileInt(const char* pszSection, const char* pszKey, int nDefault, const char* pszFile)
{
    struct Entry {
        FILETIME written;
        DWORD sizeLow;
        int value;
    };
    static SRWLOCK lock = SRWLOCK_INIT;
    static std::map<std::string, Entry> cache;

    WIN32_FILE_ATTRIBUTE_DATA attr;
    if (IsEmpty(pszFile) || IsEmpty(pszSection) || IsEmpty(pszKey) ||
        !GetFileAttributesExA(pszFile, GetFileExInfoStandard, &attr))
        return static_cast<int>(GetPrivateProfileIntA(pszSection, pszKey, nDefault, pszFile));

    // Names compare without regard to case, as the profile calls do.
    std::string id = std::string(pszFile) + '\n' + pszSection + '\n' + pszKey + '\n' + std::to_string(nDefault);
    for (char& c : id)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');

    AcquireSRWLockShared(&lock);
    auto hit = cache.find(id);
    bool fresh = hit != cache.end() && CompareFileTime(&hit->second.written, &attr.ftLastWriteTime) == 0 &&
                 hit->second.sizeLow == attr.nFileSizeLow;
    int value = fresh ? hit->second.value : 0;
    ReleaseSRWLockShared(&lock);
    if (fresh) return value;

    value = static_cast<int>(GetPrivateProfileIntA(pszSection, pszKey, nDefault, pszFile));
    AcquireSRWLockExclusive(&lock);
    if (cache.size() > 64) cache.clear();  // a handful of printers: never more than a few entries
    cache[id] = Entry{attr.ftLastWriteTime, attr.nFileSizeLow, value};
    ReleaseSRWLockExclusive(&lock);
    return value;
}

bool ReadProfileSection(const char* pszSection, const char* pszFile, std::string* pOut)
{
    pOut->clear();
    std::vector<char> buf;
    for (DWORD size = kPathBuf;; size += kPathBuf) {
        try {
            buf.resize(size);
        } catch (const std::exception&) {
            return false;
        }
        DWORD got = GetPrivateProfileSectionA(pszSection, buf.data(), size, pszFile);
        // The call answers size - 2 when the section did not fit.
        if (got + 2 < size) {
            pOut->assign(buf.data(), got);
            return true;
        }
        if (size > 0x7FFFFFFF - kPathBuf) return false;
    }
}

int GetLanguageSectionFor(char* pszOut, DWORD* pnSize, const char* pszDatFile, WORD wLangId)
{
    if (pszOut == nullptr || pnSize == nullptr || IsEmpty(pszDatFile)) return -1;

    std::string section;
    std::string chosen;
    if (!ReadProfileSection("Language", pszDatFile, &section)) return -3;
    std::vector<vm2::LanguageLine> lines;
    try {
        lines = vm2::ParseLanguageSection(section.data(), section.size());
    } catch (const std::bad_alloc&) {
        return -3;
    }

    auto hasResDll = [pszDatFile](const std::string& name) {
        char dll[kPathBuf] = "";
        GetPrivateProfileStringA(name.c_str(), "ResDll", "", dll, sizeof(dll), pszDatFile);
        return FileExistsBeside(dll, pszDatFile) != FALSE;
    };

    int pick = vm2::PickLanguageLine(lines, wLangId);
    if (pick >= 0) {
        if (hasResDll(lines[pick].section)) {
            chosen = lines[pick].section;
        } else {
            int english = vm2::PickLanguageLine(lines, 0x0409);
            if (hasResDll(lines[english].section)) {
                chosen = lines[english].section;
            } else {
                for (const vm2::LanguageLine& l : lines) {
                    if (hasResDll(l.section)) {
                        chosen = l.section;
                        break;
                    }
                }
            }
        }
    }

    DWORD need = static_cast<DWORD>(chosen.size() + 1);
    if (need > *pnSize) {
        *pnSize = need;
        return -4;
    }
    memcpy(pszOut, chosen.c_str(), need);
    return static_cast<int>(chosen.size());
}

int GetLanguageSection(char* pszOut, DWORD* pnSize, const char* pszDatFile)
{
    return GetLanguageSectionFor(pszOut, pnSize, pszDatFile, GetUserDefaultLangID());
}

int GetLangProfileString(const char* pszKey, char* pszOut, DWORD nSize, const char* pszDatFile)
{
    if (pszOut != nullptr && nSize > 0) pszOut[0] = '\0';
    char section[kPathBuf] = "";
    DWORD size = sizeof(section);
    if (pszOut == nullptr || nSize == 0 || GetLanguageSection(section, &size, pszDatFile) < 0 || section[0] == '\0')
        return -1;
    DWORD got = GetPrivateProfileStringA(section, pszKey, "", pszOut, nSize, pszDatFile);
    return got > 0 ? 0 : -1;
}

int GetLangProfileInt(const char* pszKey, int nDefault, const char* pszDatFile)
{
    char section[kPathBuf] = "";
    DWORD size = sizeof(section);
    if (GetLanguageSection(section, &size, pszDatFile) < 0 || section[0] == '\0') return -1;
    return static_cast<int>(GetPrivateProfileIntA(section, pszKey, nDefault, pszDatFile));
}
