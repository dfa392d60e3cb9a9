// The preferences dialog's rules that need no window: the notification item
// table, the settings as the dialog loads, defaults and saves them, the
// column and icon layouts, the help context table and the help window's
// place. Portable: no Windows header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vm2 {
namespace prefs {

// ------------------------------------------------------------ notification items

// Items above this count are not offered: the value names have three
// digits, and a resource string of seven digits must not allocate millions
// of rows.
constexpr int kMaxNotifyItems = 999;

// The item count of resource string 1000 (at most 7 characters, decimal).
// Not a number, negative or empty: 0; above kMaxNotifyItems: kMaxNotifyItems.
int ParseItemCount(const char* pszText);

// The item at nIndex of the built-in table: its text string id and its
// notification number. Past the table: text 1001 + nIndex, number 0.
void NotifyItemAt(int nIndex, int* pnTextId, int* pnNumber);

// The value name of a notification number: three decimal digits ("012").
// False when it does not fit (numbers of four digits and more).
bool NotifyValueName(int nNumber, char* pszOut, std::size_t cap);

// 0 and 1 stand for themselves; anything else reads as 0.
inline std::uint32_t Switch01(std::uint32_t v) { return v == 1 ? 1u : 0u; }

// ------------------------------------------------------------ settings

// Where the dialog's settings come from and go to: the printer's target key
// (values) and the model's section of the data file (defaults).
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual bool Read(const char* pszName, std::uint32_t* pValue) = 0;
    virtual void Write(const char* pszName, std::uint32_t value) = 0;
    virtual int ProfileInt(const char* pszKey) = 0;  // default 0
};

struct PrefSettings {
    std::uint32_t bSoundNotify = 0;
    std::uint32_t bBeepBuzzer = 0;
    std::uint32_t bLoopBuzzer = 0;
    std::uint32_t bTrayIconEnable = 0;
    std::uint32_t nTrayIconSelected = 0;  // as stored, never checked
};

// Reads the settings the printer offers; a missing value gets the model's
// default, which is written back at once.
PrefSettings LoadPrefSettings(SettingsStore& store, bool bHasBuzzer, bool bSoundOffered);

// One value of a notification item: stored switch, or the model's
// "ITEM%03d" default written back when missing. 0 or 1.
std::uint32_t LoadNotifySwitch(SettingsStore& store, const char* pszValueName);

// The Default button: sound and buzzer from the model; tray settings kept.
void LoadPrefDefaults(SettingsStore& profile, bool bHasBuzzer, PrefSettings* pSettings);

// Writes the settings in the order the tray program and the status code
// expect them; buzzer values only for a printer with a buzzer.
void SavePrefSettings(SettingsStore& store, const PrefSettings& settings, bool bHasBuzzer);

// True for a numbered target key path ("...\P" and sixteen digits): a
// failed key lookup leaves the base path, which must never take values.
bool IsTargetKeyPath(const char* pszPath);

// ------------------------------------------------------------ layouts

// Widths of the notification list's two columns. w0/w1 already include the
// pad; W is the client width.
void NotifyColumnWidths(int w0, int w1, int nClientWidth, int* pnCol0, int* pnCol1);

// Place of icon i when nCount icons of nIconW x nIconH are spread over a
// window of nWidth x nHeight: equal gaps left, between and right,
// vertically centred.
void SpreadIconPosition(int nIndex, int nCount, int nIconW, int nIconH, int nWidth, int nHeight, int* pnX,
                        int* pnY);

struct Rect {
    int left, top, right, bottom;
};

// The help window: a quarter of the screen each way with its top-left at
// the cursor, flipped left of / above the cursor where it would pass the
// right / bottom edge.
Rect HelpWindowRect(int nCursorX, int nCursorY, int nScreenW, int nScreenH);

// ------------------------------------------------------------ context help

struct HelpPair {
    std::uint32_t nControl;
    std::uint32_t nContext;
};
// 18 pairs and the closing 0 pair, handed to the help engines as it is.
extern const HelpPair kHelpTable[19];

constexpr std::uint32_t kHelpDialog = 0x3000;
constexpr std::uint32_t kHelpNotify = 0x3005;
constexpr std::uint32_t kHelpTray = 0x3010;
constexpr std::uint32_t kHelpAgent = 0x3015;
constexpr std::uint32_t kHelpAgentSt2 = 0x3020;

// The context of a control id; 0 when the table has none.
std::uint32_t HelpContextOf(int nControl);

// True when the text from the last "." begins with ".chm", any case.
bool IsHtmlHelpFile(const char* pszPath);

// "<file>::HTML\0X%04X.htm>VlxHH_Context". False when longer than cap - 1.
bool FormatHelpTopic(const char* pszHelpFile, std::uint32_t nContext, char* pszOut, std::size_t cap);

constexpr char kHelpWindowType[] = "VlxHH_Context";

}  // namespace prefs
}  // namespace vm2
