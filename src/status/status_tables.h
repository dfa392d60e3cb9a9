// The status tables: channel kinds, reply patterns, status entries and status
// classes, built in and extended by the model rows of the data file, and the
// searches over them. Portable: no Windows header.
#pragma once

#include <cstddef>
#include <cstdint>

#include "status/status_record.h"

// One reply pattern; the first pattern a record passes gives its real status.
struct StatusPattern {
    std::uint16_t wST;  // 0xFFFE any; else the low byte must equal ST
    std::uint16_t wER;  // 0xFFFE any; else the low byte must equal ER
    std::uint16_t wWR;  // 0xFFFE any; 0xFFFF no WR codes; else low byte = WR code 0
    std::uint16_t wReserved;
    std::uint32_t dwFlags;     // (dwFlags & 0x1010), when non-zero, must equal the ink class
    std::uint32_t dwStatusNo;  // the real status number the pattern yields
};
static_assert(sizeof(StatusPattern) == 16, "pattern row layout is fixed");

// One status: what a real status number means to the user and the host.
struct StatusEntry {
    std::uint32_t dwKind;    // channel kind 1 or 2, 0 for entries of any channel
    std::int32_t nRealNo;    // -1 marks the fallback entry of its kind
    std::int32_t nSimpleNo;  // the coarse number the host and notifications use
    std::int32_t nNotifyNo;  // key of the notification settings
    std::int32_t nClass;     // 1..12, key into the status class table
    std::int32_t nValue1;    // -1 in every entry
    std::int32_t nHelpNo;    // selects "TSS%03d" / "TSF%03d" / RCDATA 11010 + n
    std::int32_t nValue2;    // 0
    std::int32_t nSoundNo;   // wave resource of the status, 0 = none
    std::int32_t nValue3;    // 1600 in every entry
    std::int32_t nValue4;    // 0
    char szMessage1[1024];   // text, or a string resource number in the first 32 bits
    char szMessage2[1024];
    std::uint32_t dwLiteral;  // 1: the buffers hold texts; 0: resource numbers
};
static_assert(sizeof(StatusEntry) == 11 * 4 + 2 * 1024 + 4, "entry row layout is fixed");

// What the status view shows for a class: handed over unchanged.
struct StatusClassRow {
    std::uint32_t dwClass;
    std::uint32_t dwValue[5];  // colour selector, -, icon id, picture number, icon mode
};
static_assert(sizeof(StatusClassRow) == 24, "class row layout is fixed");

namespace vm2 {

constexpr int kBuiltinEntryCount = 23;
constexpr int kBuiltinPatternCount = 18;
constexpr int kStatusClassCount = 12;
constexpr int kFirstModelStatusNo = 100;
constexpr std::uint16_t kPatternAny = 0xFFFE;
constexpr std::uint16_t kPatternAbsent = 0xFFFF;

extern const StatusPattern kBuiltinPatterns[kBuiltinPatternCount];
extern const StatusClassRow kStatusClasses[kStatusClassCount];
// Filled at first use: message numbers are written into the text buffers.
const StatusEntry* BuiltinEntries();

// Status kind of a channel id: 1 (replies are parsed), 2, or 0 when unknown.
std::uint32_t GetChannelKind(std::uint32_t dwChannel);

// The message number stored in an entry's text buffer (literal flag 0).
std::uint32_t MessageNumber(const char* pszBuffer);

// Does the record pass the pattern? The ink class is computed on first need
// and kept in *pInk (start it at 0).
bool MatchPattern(const StatusPattern& pattern, const StatusRecord& record, std::uint16_t* pInk);

// The class row of a class; null when the class is not in the table.
const StatusClassRow* FindStatusClass(std::int32_t nClass);

// The model rows in front of the built-in ones. Model arrays may be null when
// nModel is 0.
class StatusRows {
public:
    StatusRows() = default;
    StatusRows(const StatusEntry* pEntries, const StatusPattern* pPatterns, int nModel)
        : m_pEntries(pEntries), m_pPatterns(pPatterns), m_nModel(nModel > 0 ? nModel : 0)
    {
    }

    int ModelCount() const { return m_nModel; }
    int EntryCount() const { return m_nModel + kBuiltinEntryCount; }
    int PatternCount() const { return m_nModel + kBuiltinPatternCount; }
    const StatusEntry* Entry(int nIndex) const;
    const StatusPattern* Pattern(int nIndex) const;

    // The index of the first pattern the record passes, -1 when none does.
    int FindPattern(const StatusRecord& record) const;
    // The index of the entry of that kind and number, -1 when the end marker
    // (kind 0, number -1) or the end of the table comes first. Kind 0 with
    // number -1 finds the end marker itself.
    int FindEntry(std::uint32_t dwKind, std::int32_t nRealNo) const;

private:
    const StatusEntry* m_pEntries = nullptr;
    const StatusPattern* m_pPatterns = nullptr;
    int m_nModel = 0;
};

// The texts and numbers of one "STATUS%02d" line of the data file.
struct StatusLineFields {
    std::uint16_t wST = 0;
    std::uint16_t wER = 0;
    std::uint16_t wWR = 0;
    const char* pszMessage1 = "";
    const char* pszMessage2 = "";
    std::int32_t nClassSelector = 0;
    std::int32_t nClassFlag = 0;  // 0 or 1
};

// Class of a model row from its selector and flag.
std::int32_t ModelClass(std::int32_t nSelector, std::int32_t nFlag);

// Turns one line into a model entry and its pattern. A pattern identical to a
// built-in one shares its real status number; any other takes *pnNextFree,
// which then advances.
void BuildModelRow(const StatusLineFields& fields, int* pnNextFree, StatusEntry* pEntry, StatusPattern* pPattern);

}  // namespace vm2
