// Options of the companion programs' command lines and parameter files:
// "/NAME" followed by an optional decimal length and an optional quoted
// value. A length prefix ("/P12 "...") lets a value contain quotes and
// slashes: the reader takes exactly that many characters.
// Portable: no Windows header.
#pragma once

#include <cstddef>
#include <string>

namespace vm2 {

// An option name is held in this many bytes (with its terminator).
constexpr std::size_t kOptionNameBuf = 80;
// Option values live in the 260-byte fields of the parameter object.
constexpr std::size_t kOptionValueBuf = 260;

// True for the characters that end an option name: a digit, a double quote,
// a slash, a blank, a tab, CR or LF (the end of the text ends it too).
bool IsOptionNameEnd(char c);

// Finds the option of index nIndex (0 = first) in the first nLen characters
// of pszText. Returns the value's length (0 for an option without value),
// or -1 when there is no such option; *pName and *pValue are then empty.
// A length prefix that runs past the end of the text gives the name alone
// with the announced length.
int FindCmdOption(const char* pszText, std::size_t nLen, int nIndex, std::string* pName, std::string* pValue);

// One line of a parameter file. False when the line holds no "/" (no
// option). The value runs from the first double quote after the name to the
// last one of the line (to the end of the line when there is only one); a
// line without any double quote gives the whole line, without its line end,
// as the value.
bool ParseParamLine(const char* pszLine, std::string* pName, std::string* pValue);

}  // namespace vm2

class CCmdLine {
public:
    CCmdLine();
    virtual ~CCmdLine();

    // Takes a command line to parse. A text that does not fit m_szCmdLine is
    // refused (false, the command line is left empty): cutting it could cut a
    // value in two.
    bool SetCmdLine(const char* pszCmdLine);

    // The option of index nIndex: its name into pszName (vm2::kOptionNameBuf
    // bytes, longer names are cut) and its value into pszValue
    // (vm2::kOptionValueBuf bytes; a longer value is refused and comes back
    // empty with the result 0). Returns the value's length, 0 for an option
    // without value, -1 when there is no option of that index (both outputs
    // empty).
    int GetOption(int nIndex, char* pszName, char* pszValue) const;

    char m_szCmdLine[260];
};
