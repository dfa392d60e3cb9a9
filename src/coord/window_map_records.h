// The shared window register: two named sections of fixed-size records that
// every process of the session maps, keyed by printer (or port) name, holding
// the handles of a printer's status window and preferences dialog.
//
// This file knows the record layout and walks the records of a mapped span.
// The span belongs to other processes too, so nothing in it is trusted: every
// read and write stays inside the span whatever the bytes say.
// Portable: no Windows header.
#pragma once

#include <cstddef>
#include <cstdint>

// Window kinds, each with its slot in the record.
enum MapWndKind : int {
    MAPWND_PREFERENCE = 0,  // hPreferenceWnd
    MAPWND_STATUS = 1,      // hStatusWnd
    MAPWND_STATUS2 = 2,     // hStatusWnd as well
    MAPWND_EXTRA = 3,       // hExtraWnd
};

// The records are shared between 32-bit and 64-bit processes, so they are
// packed and hold window handles as 32-bit values (a window handle has 32
// significant bits on 64-bit Windows too), little-endian.
#pragma pack(push, 1)
struct WindowMapRecord {  // keys of up to 260 characters
    char szName[261];     // first byte: 0x00 free, 0xFF end marker, else in use
    std::uint8_t bPadding;
    std::uint32_t hStatusWnd;
    std::uint32_t hPreferenceWnd;
    std::uint32_t hExtraWnd;
};
struct WindowMapRecord2 {  // keys of 261 to 520 characters
    char szName[521];
    std::uint8_t bPadding;
    std::uint32_t hStatusWnd;
    std::uint32_t hPreferenceWnd;
    std::uint32_t hExtraWnd;
};
#pragma pack(pop)

static_assert(sizeof(WindowMapRecord) == 274, "short register record is 274 bytes");
static_assert(offsetof(WindowMapRecord, bPadding) == 261, "short record layout");
static_assert(offsetof(WindowMapRecord, hStatusWnd) == 262, "short record layout");
static_assert(offsetof(WindowMapRecord, hPreferenceWnd) == 266, "short record layout");
static_assert(offsetof(WindowMapRecord, hExtraWnd) == 270, "short record layout");
static_assert(sizeof(WindowMapRecord2) == 534, "long register record is 534 bytes");
static_assert(offsetof(WindowMapRecord2, bPadding) == 521, "long record layout");
static_assert(offsetof(WindowMapRecord2, hStatusWnd) == 522, "long record layout");
static_assert(offsetof(WindowMapRecord2, hPreferenceWnd) == 526, "long record layout");
static_assert(offsetof(WindowMapRecord2, hExtraWnd) == 530, "long record layout");

namespace vm2 {

constexpr std::size_t kMapRecordCount = 500;  // the end marker takes one: 499 keys
constexpr std::size_t kMapShortKeyMax = 260;
constexpr std::size_t kMapLongKeyMax = 520;   // longer keys are refused
constexpr std::uint8_t kMapFree = 0x00;
constexpr std::uint8_t kMapEnd = 0xFF;

constexpr char kMapNameShort[] = "VlxV3MapFile_SIDM_02";
constexpr char kMapNameLong[] = "VlxV3MapFile2_SIDM_02";
constexpr std::size_t kMapNameBuf = 32;  // enough for either section name

// Results of a registration.
enum MapResult : unsigned {
    kMapRegistered = 0,  // the window is registered
    kMapTaken = 1,       // a live window of that kind is registered already
    kMapUnusable = 2,    // no view, register full, or key too long
    kMapNoSection = 3,   // the section could not be created or opened
};

// Geometry of one of the two sections. Both record kinds have the same shape:
// name, one padding byte, then the status, preference and extra slots.
struct MapLayout {
    std::size_t cbRecord;
    std::size_t cbName;
    const char* pszSectionName;

    std::size_t SectionSize() const { return cbRecord * kMapRecordCount; }
    std::size_t PaddingOffset() const { return cbName; }
    std::size_t StatusOffset() const { return cbName + 1; }
    std::size_t PreferenceOffset() const { return cbName + 5; }
    std::size_t ExtraOffset() const { return cbName + 9; }
};

extern const MapLayout kMapShortLayout;
extern const MapLayout kMapLongLayout;

// The short section for keys of up to 260 characters, else the long one.
const MapLayout& MapLayoutForKeyLength(std::size_t nKeyLen);

// The key of a registration: the port name when the printer name is null or
// empty and the port name is not, else the printer name (null counts as "").
// *pbUsePort tells which one was taken (may be null).
const char* ChooseMapKey(const char* pszPrinterName, const char* pszPortName, bool* pbUsePort);

// Length of a key, counting at most nMax + 1 characters: a result above nMax
// means "too long" without walking an arbitrarily long text.
std::size_t MapKeyLength(const char* pszKey, std::size_t nMax = kMapLongKeyMax);

// Offset of the kind's slot inside a record, or -1 for a kind outside 0..3.
long MapSlotOffset(const MapLayout& layout, int nKind);

std::uint32_t ReadMapWord(const std::uint8_t* p);
void WriteMapWord(std::uint8_t* p, std::uint32_t v);

// Answers whether a stored handle still names a window.
using MapIsLive = bool (*)(std::uint32_t hWnd);

// The records of a mapped span: as many whole records as fit, at most 500.
class MapRecords {
public:
    MapRecords(std::uint8_t* pBase, std::size_t cbSpan, const MapLayout& layout);

    std::size_t Count() const { return m_nCount; }
    const MapLayout& Layout() const { return *m_pLayout; }
    std::uint8_t* Record(std::size_t i) const { return m_pBase + i * m_pLayout->cbRecord; }

    // Whether record i holds the key, ignoring ASCII case. A name without a
    // terminating zero inside its field equals no key.
    bool NameEquals(std::size_t i, const char* pszKey, std::size_t nKeyLen) const;

    // Index of the record holding the key before the end marker, or -1.
    long Search(const char* pszKey, std::size_t nKeyLen) const;

    // Index of the end marker inside the limit, or -1 when there is none.
    long EndMarker() const;

    // Makes record 0 the end marker of an empty register.
    void InitEmpty();

    // Restores an end marker when none is found inside the limit (a writer
    // died half-way, or the section was garbage): behind the last record in
    // use, or in the last record when that one is in use too. Returns true
    // when it had to write one.
    bool RepairEndMarker();

    // Claims a record for the key: the first free record, or the end marker's
    // record when the marker can move one record on. Returns the index, or -1
    // when the register is full.
    long Claim(const char* pszKey, std::size_t nKeyLen);

private:
    void WriteName(std::size_t i, const char* pszKey, std::size_t nKeyLen);

    std::uint8_t* m_pBase;
    std::size_t m_nCount;
    const MapLayout* m_pLayout;
};

// Registers hWnd as the window of nKind for the key. Returns kMapRegistered,
// kMapTaken (with *pExisting set to the live window already registered, or 0
// for a kind outside 0..3) or kMapUnusable (full, the key does not fit, or it
// starts with the end marker's byte 0xFF).
unsigned RegisterInMap(MapRecords& records, const char* pszKey, int nKind, std::uint32_t hWnd,
                       MapIsLive pfnIsLive, std::uint32_t* pExisting);

// Clears the kind's slot of the key's record, freeing the record first when
// the other two slots are empty. Unknown keys and kinds change nothing.
void UnregisterInMap(MapRecords& records, const char* pszKey, int nKind);

// The stored handle of the kind for the key, 0 when none (not checked for life).
std::uint32_t FindInMap(const MapRecords& records, const char* pszKey, int nKind);

}  // namespace vm2

// Copies the section name the key selects ("VlxV3MapFile_SIDM_02" for a key of
// at most 260 characters, else "VlxV3MapFile2_SIDM_02"); the key is the port
// name if bUsePort, else the printer name. Returns the length of the copied
// name, or 0 when a pointer is null or the buffer is too small (then the
// buffer is left as it was).
int SelectMapName(char* pszMapName, std::size_t cchMapName, const char* pszPrinterName, const char* pszPortName,
                  int bUsePort);
