// The printer identity handed to the tray-icon program, on its command line
// or in a parameter file: one option per line, in a fixed order, e.g.
//   /P "KX-9100 Demo USB"
//   /O "USB001"
//   /M "KX-9100"
//   /R
// The same class writes the file and reads both forms back. Values are not
// escaped: a value holding a line end or a double quote as its last
// character does not survive the file (the command-line form, with its
// length prefixes, carries any value).
//
// The file-system and printer parts are in vlx_param_win.cpp; this header
// and vlx_param.cpp are portable.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "coord/cmd_line.h"

namespace vm2 {
// Lines of a parameter file are read up to this many characters; the rest of
// a longer line is dropped.
constexpr std::size_t kParamLineMax = 1300;

// True when pszPath names a file this module could have made as a parameter
// file: the system's temporary-file naming always ends the name in ".tmp".
bool IsParamFileName(const char* pszPath);
}  // namespace vm2

class CVlxParam : public CCmdLine {
public:
    CVlxParam();
    // Copies the command line into m_szCmdLine and parses it
    // (ParseCommandLine: reads, and for /F deletes, the parameter file).
    explicit CVlxParam(const char* pszCmdLine);
    ~CVlxParam() override;

    CVlxParam(const CVlxParam&) = delete;
    CVlxParam& operator=(const CVlxParam&) = delete;

    // Stores one option: P, D, O, M, J, BH, BU, BD, BI, BN, KPM take the value,
    // R, S, U, C, E, BE set their flag; names compare without regard to case.
    // False for an unknown name and for a value that does not fit its field
    // (the field keeps what it held).
    bool SetOption(const char* pszName, const char* pszValue);

    // Applies every option of m_szCmdLine ("F" also sets m_szParamFile, "A"
    // m_szFileName).
    void ApplyCmdLineOptions();
    // Applies one parameter-file line ("A" also sets m_szFileName).
    void ApplyParamLine(const char* pszLine);
    // Applies the lines of an open text file; returns the number of lines read.
    int ApplyParamStream(std::FILE* pFile);
    // BE stands only together with all of BH, BU, BD and BI.
    void DropIncompleteBE();
    // The parameter file's lines, in their fixed order, "\n"-terminated.
    std::string FormatParamText() const;

    // Parses m_szCmdLine: the options, then the parameter file (/A: read and
    // kept; /F: read and deleted), then the driver and port from the printer
    // and the model from the driver key where they are missing.
    void ParseCommandLine();
    // Reads m_szParamFile (as given, else in m_szTempDir, which becomes the
    // temporary folder). 1 when the file was read, 0 otherwise.
    int ReadParamFile();
    // Writes the lines to m_szTempDir + m_szFileName. 1 on success.
    int WriteParamFile();
    // Deletes a parameter file: the name as given, else in m_szTempDir (the
    // temporary folder when empty). Only names ending in ".tmp" are deleted.
    // 1 when a file was deleted, 0 when none was found or it could not be.
    int DeleteParamFile(const char* pszName);
    // Makes a new empty file with the prefix "K_V" in the temporary folder
    // (".\" when there is none); m_szTempDir = the folder, m_szFileName = the
    // new name without it (empty on failure). With bFolderBackslash false the
    // folder is kept without its trailing backslash, so the name keeps a
    // leading one. 1 on success.
    int CreateTempParamName(bool bFolderBackslash = true);

    char m_szTempDir[260];
    std::int32_t m_bR;
    std::int32_t m_bS;
    std::int32_t m_bE;
    std::int32_t m_bC;
    std::int32_t m_bU;
    char m_szPrinter[260];
    char m_szDriver[260];
    char m_szPort[260];
    char m_szModel[260];
    char m_szParamFile[260];
    char m_szFileName[260];
    char m_szJ[260];
    std::int32_t m_bBE;
    char m_szBH[260];
    char m_szBU[260];
    char m_szBD[260];
    char m_szBI[260];
    char m_szBN[260];
    char m_szKPM[260];

private:
    void Clear();
};
