// The command lines this module starts companion programs with, and the few
// text tests made on the Run value it leaves for the tray-icon program.
// Portable: no Windows header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vm2 {

// A tray-icon command (or Run value) is at most 520 characters; a longer one
// is never used.
constexpr std::size_t kIconCommandMax = 520;
constexpr std::size_t kIconCommandBuf = kIconCommandMax + 1;

// Each formats into pszOut (kIconCommandBuf bytes) and returns false, with
// an empty text, when the command would be longer than 520 characters.
// Null texts count as empty.
//   immediate start with a parameter file:  <icon> /F "<file name>"
bool FormatIconStartWithFile(char* pszOut, const char* pszIcon, const char* pszFileName);
//   immediate start without:  <icon> /P<n> "<printer>" /O<n> "<port>" /M "<model>" <" /R" when the icon is off>
bool FormatIconStartWithNames(char* pszOut, const char* pszIcon, const char* pszPrinter, const char* pszPort,
                              const char* pszModel, bool bTrayOff);
//   Run value with a parameter file:  <icon> /A "<full path>"
bool FormatRunEntryWithFile(char* pszOut, const char* pszIcon, const char* pszFilePath);
//   Run value without:  <icon> /P<n> "<printer>" /O<n> "<port>" /M "<model>"
bool FormatRunEntryWithNames(char* pszOut, const char* pszIcon, const char* pszPrinter, const char* pszPort,
                             const char* pszModel);

// The text between the first and the last double quote of a Run value; empty
// when it has fewer than two.
std::string QuotedSpan(const char* pszValue);
// True when the text, in lower case, contains ".tmp": the Run value named a
// parameter file of an earlier entry.
bool MentionsTmpFile(const std::string& text);

// The agent setting program's parameters:
//   /agnt /drv:"<driver>" /p:"<printer>" /im:<iService>
std::string AgentParameters(const char* pszDriver, const char* pszPrinter, int iService);

// The library settings program: <InstallDir>[\]kbapiset.exe; empty when
// InstallDir is empty.
std::string KbapisetPath(const char* pszInstallDir);
// Its parameters: /Act=Ch /KBP=A:NC /Ret=WM:<window hex>;<message hex> /Agt=On|Off
std::string KbapisetParameters(std::uint32_t dwReplyWnd, std::uint32_t dwReplyMsg, bool bOn);

// The part of a path after its last backslash (the whole text without one).
std::string FileNameOf(const char* pszPath);

}  // namespace vm2
