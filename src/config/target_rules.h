// Decisions behind the per-printer target keys and their notification list,
// kept free of Windows headers so the tables can be tested natively: which
// hive and base path hold a printer's key, which data-file lines are
// notification items, and how the buzzer switch is read.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vm2 {

// Target key families: printers known by printer name, printers known only
// by their port name.
enum TargetKind { kTargetByPrinter = 0, kTargetByPort = 1 };

// The base key of a family, or null for any other kind.
const char* TargetBasePath(int nKind);

// "<base>\P%016d". False when it does not fit in cap bytes.
bool FormatTargetKeyPath(char* pszOut, std::size_t cap, const char* pszBase, int nNumber);

// Kind and name a printer's key is looked up by: the port name only when the
// printer name is empty and the port name is not.
int TargetKindFor(const char* pszPrinterName, const char* pszPortName);
const char* TargetNameFor(const char* pszPrinterName, const char* pszPortName);

// ------------------------------------------------------ the logged-on user

struct AccountName {
    std::string user;
    std::string domain;
};

// Both names equal, ignoring letter case. An empty user never matches: a
// lookup that produced nothing says nothing about who is logged on.
bool SameAccount(const AccountName& a, const AccountName& b);

// One subkey of the machine's profile list, looked up to its account.
struct ProfileEntry {
    std::string subkey;  // the SID text naming the user's hive under HKEY_USERS
    bool resolved = false;
    AccountName account;
};

// Everything the choice of hive depends on. The profile list is only
// consulted when this process does not already run as the logged-on user.
struct LogonFacts {
    bool logonKnown = true;  // false: no way to tell who is logged on (Winlogon key missing)
    AccountName logon;
    bool selfKnown = false;
    AccountName self;
    bool profileListOpened = false;
    std::vector<ProfileEntry> profiles;
    // The trace texts written while the facts were gathered, in order: a
    // decision kept for later lookups traces them again, as a fresh one would.
    std::vector<std::string> traceLines;
};

struct TargetBaseChoice {
    bool usersHive = false;  // HKEY_USERS, else HKEY_CURRENT_USER
    bool sameUser = false;   // this process runs as the logged-on user
    std::string basePath;    // below the chosen root
};

// True when the logged-on user's own hive is the current user's hive.
bool RunsAsLogonUser(const LogonFacts& facts);

// Root and base path of the kind's target keys. Every doubt falls back to
// the current user's hive: a wrong hive loses settings, a missing one
// cannot be written at all.
TargetBaseChoice ChooseTargetBase(int nKind, const LogonFacts& facts);

// ----------------------------------------------------- notification items

// Finds "ITEM" followed by exactly three decimal digits and "=" in a data
// file line ("ITEM003=1"); pszNumber receives the three digits, *pnValue the
// decimal number after "=" (0 when none). "ITEMNUM", "ITEM12=" and
// "ITEM1234=" are not items. The prefix is matched without regard to case,
// as the profile calls treat key names.
bool ParseNotifyItemLine(const char* pszLine, std::size_t nLen, char pszNumber[4], long* pnValue);

// Calls fn(number, value) for the first nLimit item lines of a profile
// section ("key=value" texts, each ended by a zero, the list by a second
// zero or by nLen). Returns the number of items seen.
template <typename Fn>
int ForEachNotifyItem(const char* pData, std::size_t nLen, int nLimit, Fn fn);

// The values the notification list is named by: "%03d".
std::string NotifyValueName(int nNumber);

// The printer-wide buzzer switch: the user's value when one is stored, else
// the model's default; anything other than 0 or 1 counts as off.
int EffectiveBuzzerSwitch(bool bUserValuePresent, unsigned long dwUserValue, long nModelDefault);

// -------------------------------------------------------- default values

struct DefaultValueRule {
    const char* name;
    bool always;  // false: written only when the data file has the key
};

// The values copied from the model section into a new target key, in the
// order they are written.
const std::vector<DefaultValueRule>& TargetDefaultValues();

// ------------------------------------------------------------- templates

template <typename Fn>
int ForEachNotifyItem(const char* pData, std::size_t nLen, int nLimit, Fn fn)
{
    int seen = 0;
    std::size_t pos = 0;
    while (pData != nullptr && pos < nLen && seen < nLimit) {
        const char* line = pData + pos;
        std::size_t len = 0;
        while (pos + len < nLen && line[len] != '\0') ++len;
        if (len == 0) break;  // the list's closing zero
        char number[4];
        long value = 0;
        if (ParseNotifyItemLine(line, len, number, &value)) {
            ++seen;
            fn(static_cast<const char*>(number), value);
        }
        pos += len + 1;
    }
    return seen;
}

}  // namespace vm2
