#include "coord/window_map_records.h"

#include <cstring>

namespace vm2 {

const MapLayout kMapShortLayout = {sizeof(WindowMapRecord), sizeof(WindowMapRecord::szName), kMapNameShort};
const MapLayout kMapLongLayout = {sizeof(WindowMapRecord2), sizeof(WindowMapRecord2::szName), kMapNameLong};

namespace {

// Case is folded for ASCII letters only: every process must agree on what
// "the same key" means, whatever locale it runs in.
inline unsigned char Fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

}  // namespace

const MapLayout& MapLayoutForKeyLength(std::size_t nKeyLen)
{
    return nKeyLen <= kMapShortKeyMax ? kMapShortLayout : kMapLongLayout;
}

const char* ChooseMapKey(const char* pszPrinterName, const char* pszPortName, bool* pbUsePort)
{
    bool bUsePort = (pszPrinterName == nullptr || *pszPrinterName == '\0') && pszPortName != nullptr &&
                    *pszPortName != '\0';
    if (pbUsePort) *pbUsePort = bUsePort;
    if (bUsePort) return pszPortName;
    return pszPrinterName ? pszPrinterName : "";
}

std::size_t MapKeyLength(const char* pszKey, std::size_t nMax)
{
    std::size_t n = 0;
    if (pszKey == nullptr) return 0;
    while (n <= nMax && pszKey[n] != '\0') ++n;
    return n;
}

long MapSlotOffset(const MapLayout& layout, int nKind)
{
    switch (nKind) {
    case MAPWND_PREFERENCE: return static_cast<long>(layout.PreferenceOffset());
    case MAPWND_STATUS:
    case MAPWND_STATUS2: return static_cast<long>(layout.StatusOffset());
    case MAPWND_EXTRA: return static_cast<long>(layout.ExtraOffset());
    default: return -1;
    }
}

std::uint32_t ReadMapWord(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void WriteMapWord(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

MapRecords::MapRecords(std::uint8_t* pBase, std::size_t cbSpan, const MapLayout& layout)
    : m_pBase(pBase), m_nCount(0), m_pLayout(&layout)
{
    if (pBase != nullptr && layout.cbRecord != 0) {
        m_nCount = cbSpan / layout.cbRecord;
        if (m_nCount > kMapRecordCount) m_nCount = kMapRecordCount;
    }
}

bool MapRecords::NameEquals(std::size_t i, const char* pszKey, std::size_t nKeyLen) const
{
    // The key and its terminator must fit the field; comparing the terminator
    // too means a longer stored name never matches.
    if (i >= m_nCount || nKeyLen + 1 > m_pLayout->cbName) return false;
    const std::uint8_t* pName = Record(i);
    for (std::size_t j = 0; j <= nKeyLen; ++j) {
        unsigned char k = j < nKeyLen ? static_cast<unsigned char>(pszKey[j]) : 0;
        if (Fold(pName[j]) != Fold(k)) return false;
    }
    return true;
}

long MapRecords::Search(const char* pszKey, std::size_t nKeyLen) const
{
    for (std::size_t i = 0; i < m_nCount; ++i) {
        if (Record(i)[0] == kMapEnd) return -1;
        if (NameEquals(i, pszKey, nKeyLen)) return static_cast<long>(i);
    }
    return -1;
}

long MapRecords::EndMarker() const
{
    for (std::size_t i = 0; i < m_nCount; ++i) {
        if (Record(i)[0] == kMapEnd) return static_cast<long>(i);
    }
    return -1;
}

void MapRecords::InitEmpty()
{
    if (m_nCount > 0) Record(0)[0] = kMapEnd;
}

bool MapRecords::RepairEndMarker()
{
    if (m_nCount == 0 || EndMarker() >= 0) return false;
    std::size_t nNext = 0;
    for (std::size_t i = 0; i < m_nCount; ++i) {
        if (Record(i)[0] != kMapFree) nNext = i + 1;
    }
    if (nNext >= m_nCount) nNext = m_nCount - 1;
    Record(nNext)[0] = kMapEnd;
    return true;
}

void MapRecords::WriteName(std::size_t i, const char* pszKey, std::size_t nKeyLen)
{
    // The first byte is what makes the record "in use" for every reader, so
    // it is written last: a writer that dies half-way leaves the record free
    // (or the end marker) rather than holding half a name.
    std::uint8_t* p = Record(i);
    if (nKeyLen > 1) std::memcpy(p + 1, pszKey + 1, nKeyLen - 1);
    if (nKeyLen > 0) p[nKeyLen] = 0;
    std::memset(p + m_pLayout->cbName - 1, 0, m_pLayout->cbRecord - (m_pLayout->cbName - 1));
    p[0] = nKeyLen > 0 ? static_cast<std::uint8_t>(pszKey[0]) : 0;
}

long MapRecords::Claim(const char* pszKey, std::size_t nKeyLen)
{
    if (nKeyLen + 1 > m_pLayout->cbName) return -1;
    for (std::size_t i = 0; i < m_nCount; ++i) {
        std::uint8_t* p = Record(i);
        std::uint8_t state = p[0];
        if (state == kMapFree) {
            WriteName(i, pszKey, nKeyLen);
        } else if (state == kMapEnd) {
            // The marker moves first: at every moment the register has one.
            if (i + 1 >= m_nCount) return -1;
            Record(i + 1)[0] = kMapEnd;
            WriteName(i, pszKey, nKeyLen);
        }
        if (NameEquals(i, pszKey, nKeyLen)) return static_cast<long>(i);
    }
    return -1;
}

unsigned RegisterInMap(MapRecords& records, const char* pszKey, int nKind, std::uint32_t hWnd,
                       MapIsLive pfnIsLive, std::uint32_t* pExisting)
{
    if (pExisting) *pExisting = 0;
    if (pszKey == nullptr) return kMapUnusable;
    std::size_t nKeyLen = MapKeyLength(pszKey);
    if (nKeyLen + 1 > records.Layout().cbName) return kMapUnusable;
    // A name starting with 0xFF would read as the end marker and hide every
    // record behind it from all processes.
    if (static_cast<std::uint8_t>(pszKey[0]) == kMapEnd) return kMapUnusable;

    long nSlot = MapSlotOffset(records.Layout(), nKind);
    long i = records.Search(pszKey, nKeyLen);
    if (i >= 0) {
        if (nSlot < 0) return kMapTaken;
        std::uint8_t* pSlot = records.Record(static_cast<std::size_t>(i)) + nSlot;
        std::uint32_t hOld = ReadMapWord(pSlot);
        if (hOld == 0 || pfnIsLive == nullptr || !pfnIsLive(hOld)) {
            WriteMapWord(pSlot, hWnd);
            return kMapRegistered;
        }
        if (pExisting) *pExisting = hOld;
        return kMapTaken;
    }

    i = records.Claim(pszKey, nKeyLen);
    if (i < 0) return kMapUnusable;
    if (nSlot >= 0) WriteMapWord(records.Record(static_cast<std::size_t>(i)) + nSlot, hWnd);
    return kMapRegistered;
}

void UnregisterInMap(MapRecords& records, const char* pszKey, int nKind)
{
    if (pszKey == nullptr) return;
    long nSlot = MapSlotOffset(records.Layout(), nKind);
    if (nSlot < 0) return;
    std::size_t nKeyLen = MapKeyLength(pszKey);
    long i = records.Search(pszKey, nKeyLen);
    if (i < 0) return;

    const MapLayout& layout = records.Layout();
    std::uint8_t* p = records.Record(static_cast<std::size_t>(i));
    // The two other slots: stale handles there still count as registered.
    std::size_t nOther1, nOther2;
    switch (nKind) {
    case MAPWND_PREFERENCE: nOther1 = layout.StatusOffset(), nOther2 = layout.ExtraOffset(); break;
    case MAPWND_EXTRA: nOther1 = layout.PreferenceOffset(), nOther2 = layout.StatusOffset(); break;
    default: nOther1 = layout.PreferenceOffset(), nOther2 = layout.ExtraOffset(); break;
    }
    if (ReadMapWord(p + nOther1) == 0 && ReadMapWord(p + nOther2) == 0) p[0] = kMapFree;
    WriteMapWord(p + nSlot, 0);
}

std::uint32_t FindInMap(const MapRecords& records, const char* pszKey, int nKind)
{
    if (pszKey == nullptr) return 0;
    long i = records.Search(pszKey, MapKeyLength(pszKey));
    long nSlot = MapSlotOffset(records.Layout(), nKind);
    if (i < 0 || nSlot < 0) return 0;
    return ReadMapWord(records.Record(static_cast<std::size_t>(i)) + nSlot);
}

}  // namespace vm2

int SelectMapName(char* pszMapName, std::size_t cchMapName, const char* pszPrinterName, const char* pszPortName,
                  int bUsePort)
{
    if (pszMapName == nullptr || pszPrinterName == nullptr || pszPortName == nullptr) return 0;
    const char* pszKey = bUsePort ? pszPortName : pszPrinterName;
    const char* pszName = vm2::MapLayoutForKeyLength(vm2::MapKeyLength(pszKey, vm2::kMapShortKeyMax)).pszSectionName;
    std::size_t nLen = std::strlen(pszName);
    if (nLen + 1 > cchMapName) return 0;
    std::memcpy(pszMapName, pszName, nLen + 1);
    return static_cast<int>(nLen);
}
