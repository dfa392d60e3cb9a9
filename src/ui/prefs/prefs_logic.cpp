#include "ui/prefs/prefs_logic.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "base/text.h"

namespace vm2 {
namespace prefs {

namespace {

struct NotifyItemDef {
    int nTextId;  // -1 skips the row, 0 ends the table
    int nNumber;
};

// Built-in notification numbers of the first items; items past it are
// numbered 0.
constexpr NotifyItemDef kNotifyItems[] = {{1001, 12}, {1002, 11}, {0, 0}};

}  // namespace

int ParseItemCount(const char* pszText)
{
    if (pszText == nullptr) return 0;
    char text[8] = "";
    CopyText(text, sizeof(text), pszText);
    long n = ParseDecimal(text);
    if (n <= 0) return 0;
    return n > kMaxNotifyItems ? kMaxNotifyItems : static_cast<int>(n);
}

void NotifyItemAt(int nIndex, int* pnTextId, int* pnNumber)
{
    int row = 0;
    for (const NotifyItemDef& def : kNotifyItems) {
        if (def.nTextId == 0) break;
        if (def.nTextId == -1) continue;
        if (row++ == nIndex) {
            *pnTextId = def.nTextId;
            *pnNumber = def.nNumber;
            return;
        }
    }
    *pnTextId = 1001 + nIndex;
    *pnNumber = 0;
}

bool NotifyValueName(int nNumber, char* pszOut, std::size_t cap)
{
    if (nNumber < 0 || nNumber > 999) {
        if (cap > 0) *pszOut = '\0';
        return false;
    }
    return FormatText(pszOut, cap, "%03d", nNumber);
}

PrefSettings LoadPrefSettings(SettingsStore& store, bool bHasBuzzer, bool bSoundOffered)
{
    auto load = [&store](const char* name) {
        std::uint32_t v = 0;
        if (!store.Read(name, &v)) {
            v = static_cast<std::uint32_t>(store.ProfileInt(name));
            store.Write(name, v);
        }
        return v;
    };
    PrefSettings s;
    if (bHasBuzzer) {
        s.bBeepBuzzer = Switch01(load("BeepBuzzerEnable"));
        s.bLoopBuzzer = Switch01(load("LoopBuzzer"));
    }
    if (bSoundOffered) s.bSoundNotify = Switch01(load("SoundNotifyEnable"));
    s.bTrayIconEnable = Switch01(load("TrayIconEnable"));
    s.nTrayIconSelected = load("TrayIconSelected");
    return s;
}

std::uint32_t LoadNotifySwitch(SettingsStore& store, const char* pszValueName)
{
    std::uint32_t v = 0;
    if (!store.Read(pszValueName, &v)) {
        std::string key = std::string("ITEM") + pszValueName;
        v = static_cast<std::uint32_t>(store.ProfileInt(key.c_str()));
        store.Write(pszValueName, v);
    }
    return Switch01(v);
}

void LoadPrefDefaults(SettingsStore& profile, bool bHasBuzzer, PrefSettings* pSettings)
{
    pSettings->bSoundNotify = Switch01(static_cast<std::uint32_t>(profile.ProfileInt("SoundNotifyEnable")));
    if (bHasBuzzer) {
        pSettings->bBeepBuzzer = Switch01(static_cast<std::uint32_t>(profile.ProfileInt("BeepBuzzerEnable")));
        pSettings->bLoopBuzzer = Switch01(static_cast<std::uint32_t>(profile.ProfileInt("LoopBuzzer")));
    } else {
        pSettings->bBeepBuzzer = 0;
        pSettings->bLoopBuzzer = 0;
    }
}

void SavePrefSettings(SettingsStore& store, const PrefSettings& s, bool bHasBuzzer)
{
    store.Write("SoundNotifyEnable", s.bSoundNotify);
    if (bHasBuzzer) {
        store.Write("BeepBuzzerEnable", s.bBeepBuzzer);
        store.Write("LoopBuzzer", s.bLoopBuzzer);
    }
    store.Write("TrayIconEnable", s.bTrayIconEnable);
    store.Write("TrayIconSelected", s.nTrayIconSelected);
}

bool IsTargetKeyPath(const char* pszPath)
{
    if (pszPath == nullptr) return false;
    const char* last = std::strrchr(pszPath, '\\');
    if (last == nullptr || last == pszPath || last[1] != 'P' || std::strlen(last + 2) != 16) return false;
    for (const char* p = last + 2; *p != '\0'; ++p)
        if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
    return true;
}

void NotifyColumnWidths(int w0, int w1, int nClientWidth, int* pnCol0, int* pnCol1)
{
    if (w0 + w1 <= nClientWidth) {
        *pnCol0 = w0 + (nClientWidth - w0 - w1) / 2;
        *pnCol1 = nClientWidth - *pnCol0;
    } else {
        *pnCol0 = nClientWidth - w1;
        *pnCol1 = w1;
    }
}

void SpreadIconPosition(int nIndex, int nCount, int nIconW, int nIconH, int nWidth, int nHeight, int* pnX,
                        int* pnY)
{
    int gap = (nWidth - nCount * nIconW) / (nCount + 1);
    *pnX = gap + nIndex * (nIconW + gap);
    *pnY = (nHeight - nIconH) / 2;
}

Rect HelpWindowRect(int nCursorX, int nCursorY, int nScreenW, int nScreenH)
{
    int w = nScreenW / 4;
    int h = nScreenH / 4;
    Rect r{nCursorX, nCursorY, nCursorX + w, nCursorY + h};
    if (r.right > nScreenW) {
        r.right = nCursorX;
        r.left = nCursorX - w;
    }
    if (r.bottom > nScreenH) {
        r.bottom = nCursorY;
        r.top = nCursorY - h;
    }
    return r;
}

const HelpPair kHelpTable[19] = {
    {100, 0x3000}, {110, 0x3000}, {220, 0x3005}, {200, 0x3005}, {201, 0x3005}, {202, 0x3005}, {392, 0x3005},
    {393, 0x3005}, {203, 0x3005}, {221, 0x3010}, {204, 0x3010}, {206, 0x3010}, {205, 0x3010}, {207, 0x3010},
    {222, 0x3010}, {223, 0x3010}, {209, 0x3020}, {208, 0x3015}, {0, 0}};

std::uint32_t HelpContextOf(int nControl)
{
    for (const HelpPair& p : kHelpTable) {
        if (p.nControl == 0) break;
        if (static_cast<int>(p.nControl) == nControl) return p.nContext;
    }
    return 0;
}

bool IsHtmlHelpFile(const char* pszPath)
{
    if (IsEmpty(pszPath)) return false;
    const char* dot = std::strrchr(pszPath, '.');
    if (dot == nullptr) return false;
    static const char kExt[] = ".chm";
    for (int i = 0; i < 4; ++i)
        if (std::tolower(static_cast<unsigned char>(dot[i])) != kExt[i]) return false;
    return true;
}

bool FormatHelpTopic(const char* pszHelpFile, std::uint32_t nContext, char* pszOut, std::size_t cap)
{
    return FormatText(pszOut, cap, "%s::HTML\\0X%04X.htm>%s", pszHelpFile, static_cast<unsigned>(nContext),
                      kHelpWindowType);
}

}  // namespace prefs
}  // namespace vm2
