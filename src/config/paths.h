// Where the driver's monitoring files are: the driver key and the Profile key
// of the machine, and the model data file's [Install], [Language] and
// language sections. Out buffers are 260 bytes unless a size is passed.
#pragma once

#include <windows.h>

#include <string>

class Registry;

// Opens HKLM "software\KAVRO\VLX3\Driver\<driver>" for reading.
bool OpenDriverKey(Registry& key, const char* pszDriver);

BOOL FileExists(const char* pszPath);
BOOL FileExistsBeside(const char* pszFileName, const char* pszPath);

BOOL GetDriverKeyValue(char* pszOut, const char* pszValueName, const char* pszDriver, const char* pszModelID);
BOOL GetInstallPath(char* pszOut, const char* pszDriver, const char* pszModelID);
BOOL GetProfilePath(char* pszOut, const char* pszDriver, const char* pszModelID);

// The two registry places the model data file is named in: the driver key's
// "Profile" and the machine's Profile key (a value named by the model).
struct ProfileSources {
    std::string driverProfile;
    bool profileKeyOpened = false;
    std::string modelProfile;
};
// False when the driver or the model is empty.
bool ReadProfileSources(const char* pszDriver, const char* pszModelID, ProfileSources* pOut);
// GetProfilePath's choice: the driver's file when it exists, else the
// Profile key's value (FALSE when that key is missing).
BOOL ChooseProfilePath(const ProfileSources& sources, char* pszOut);
BOOL GetDriverFilePath(char* pszOut, const char* pszValueName, const char* pszDefaultFile, const char* pszDriver,
                       const char* pszModelID);
BOOL GetPrnDllPath(char* pszOut, const char* pszDriver, const char* pszModelID);
BOOL GetResDllPath(char* pszOut, const char* pszDriver, const char* pszModelID);
BOOL GetDriverName(const char* pszModelID, char* pszOut);

// >= 0 on success (the name may be empty); -1 bad arguments, -3 out of
// memory, -4 out too small (*pnSize = length needed).
int GetLanguageSection(char* pszOut, DWORD* pnSize, const char* pszDatFile);
// The same for a given user language id (the above uses the user's default).
int GetLanguageSectionFor(char* pszOut, DWORD* pnSize, const char* pszDatFile, WORD wLangId);

// 0 = found and non-empty; -1 = no language section, key absent or empty.
int GetLangProfileString(const char* pszKey, char* pszOut, DWORD nSize, const char* pszDatFile);
// The key's integer, the default when absent, -1 without a language section.
int GetLangProfileInt(const char* pszKey, int nDefault, const char* pszDatFile);

// GetPrivateProfileInt for values read on every status poll: the answer is
// kept while the file's size and write time stay the same (parsing the file
// again costs more than the rest of a poll). Safe from any thread.
int CachedProfileInt(const char* pszSection, const char* pszKey, int nDefault, const char* pszFile);

// Reads a whole profile section; the buffer grows by 260 bytes until it fits.
// False when out of memory. An absent section gives an empty list.
bool ReadProfileSection(const char* pszSection, const char* pszFile, std::string* pOut);
