#include "config/target_rules.h"

#include <cstdio>
#include <cstring>

#include "base/text.h"
#include "config/regpaths.h"

namespace vm2 {

const char* TargetBasePath(int nKind)
{
    switch (nKind) {
    case kTargetByPrinter: return regpath::kTargetByPrinter;
    case kTargetByPort: return regpath::kTargetByPort;
    default: return nullptr;
    }
}

bool FormatTargetKeyPath(char* pszOut, std::size_t cap, const char* pszBase, int nNumber)
{
    if (pszBase == nullptr) return false;
    return FormatText(pszOut, cap, "%s\\P%016d", pszBase, nNumber);
}

int TargetKindFor(const char* pszPrinterName, const char* pszPortName)
{
    return (IsEmpty(pszPrinterName) && !IsEmpty(pszPortName)) ? kTargetByPort : kTargetByPrinter;
}

const char* TargetNameFor(const char* pszPrinterName, const char* pszPortName)
{
    const char* name = TargetKindFor(pszPrinterName, pszPortName) == kTargetByPort ? pszPortName : pszPrinterName;
    return name != nullptr ? name : "";
}

// ------------------------------------------------------ the logged-on user

bool SameAccount(const AccountName& a, const AccountName& b)
{
    if (a.user.empty() || b.user.empty()) return false;
    return EqualNoCase(a.user.c_str(), b.user.c_str()) && EqualNoCase(a.domain.c_str(), b.domain.c_str());
}

bool RunsAsLogonUser(const LogonFacts& facts)
{
    return facts.selfKnown && SameAccount(facts.self, facts.logon);
}

TargetBaseChoice ChooseTargetBase(int nKind, const LogonFacts& facts)
{
    TargetBaseChoice choice;
    const char* base = TargetBasePath(nKind);
    if (base == nullptr) return choice;
    choice.basePath = base;
    if (!facts.logonKnown) return choice;
    if (RunsAsLogonUser(facts)) {
        choice.sameUser = true;
        return choice;
    }
    if (!facts.profileListOpened) return choice;
    for (const ProfileEntry& entry : facts.profiles) {
        if (!entry.resolved || entry.subkey.empty()) continue;
        if (SameAccount(entry.account, facts.logon)) {
            choice.usersHive = true;
            choice.basePath = entry.subkey + "\\" + base;
            return choice;
        }
    }
    return choice;
}

// ----------------------------------------------------- notification items

bool ParseNotifyItemLine(const char* pszLine, std::size_t nLen, char pszNumber[4], long* pnValue)
{
    if (pszLine == nullptr) return false;
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
    // "ITEM" + three digits + "=" is eight characters.
    for (std::size_t i = 0; i + 8 <= nLen; ++i) {
        if (upper(pszLine[i]) != 'I' || upper(pszLine[i + 1]) != 'T' || upper(pszLine[i + 2]) != 'E' ||
            upper(pszLine[i + 3]) != 'M')
            continue;
        const char* digits = pszLine + i + 4;
        if (!isDigit(digits[0]) || !isDigit(digits[1]) || !isDigit(digits[2]) || digits[3] != '=') continue;
        pszNumber[0] = digits[0];
        pszNumber[1] = digits[1];
        pszNumber[2] = digits[2];
        pszNumber[3] = '\0';
        // The value ends with the line, which need not carry its own zero.
        std::string value(digits + 4, pszLine + nLen);
        if (pnValue != nullptr) *pnValue = ParseDecimal(value.c_str());
        return true;
    }
    return false;
}

std::string NotifyValueName(int nNumber)
{
    char name[16];
    std::snprintf(name, sizeof(name), "%03d", nNumber);
    return name;
}

int EffectiveBuzzerSwitch(bool bUserValuePresent, unsigned long dwUserValue, long nModelDefault)
{
    long value = bUserValuePresent ? static_cast<long>(dwUserValue) : nModelDefault;
    return (value == 0 || value == 1) ? static_cast<int>(value) : 0;
}

// -------------------------------------------------------- default values

const std::vector<DefaultValueRule>& TargetDefaultValues()
{
    static const std::vector<DefaultValueRule> rules = {
        {"SoundNotifyEnable", true}, {"BeepBuzzerEnable", true}, {"TrayIconEnable", true},
        {"TrayIconSelected", true},  {"InkNearEndB", false},     {"InkNearEndC", false},
        {"SizeUnitH", false},        {"SlipMax", false},         {"MaxCaset", false},
        {"MaxIC", false},            {"PaperNearEnd", false},
    };
    return rules;
}

}  // namespace vm2
