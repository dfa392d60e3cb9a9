// Finding and opening the data file for the status lines.
#include <windows.h>

#include <cstdio>

#include "base/text.h"
#include "config/paths.h"
#include "status/profile_info.h"

int CProfileInfo::Load(const char* pszDatFile)
{
    char section[vm2::kPathBuf] = "";
    DWORD size = sizeof(section);
    int nSection = GetLanguageSection(section, &size, pszDatFile);
    if (nSection < 0) throw -1;

    // Text mode: the C runtime turns CR LF into LF, as the lines expect.
    std::FILE* file = std::fopen(pszDatFile, "rt");
    if (file == nullptr) throw -2;
    vm2::FileLineSource source(file);
    int result = LoadLines(source, section, nSection);
    std::fclose(file);
    return result;
}
