#include "status/status_tables.h"

#include <cstring>

namespace vm2 {

namespace {

constexpr std::uint16_t kAny = kPatternAny;
constexpr std::uint16_t kNone = kPatternAbsent;

struct ChannelKind {
    std::uint32_t dwChannel;
    std::uint32_t dwKind;
};

const ChannelKind kChannelKinds[] = {
    {4, 1}, {0x10000005, 1}, {0x10010003, 1}, {0x10000003, 1}, {0x2000001, 2},
};

// The columns of the built-in entries that differ from row to row.
struct EntrySeed {
    std::uint32_t dwKind;
    std::int32_t nRealNo, nSimpleNo, nNotifyNo, nClass, nSoundNo;
    std::uint32_t dwMessage1, dwMessage2;
};

const EntrySeed kEntrySeeds[kBuiltinEntryCount] = {
    {1, 14, 12, 12, 4, 16010, 3506, 3006},
    {1, 18, 999, 12, 1, 0, 3507, 3007},
    {1, 33, 6, 12, 6, 16004, 3508, 3008},
    {1, 7, 999, 12, 5, 0, 3509, 3009},
    {1, 6, 5, 12, 7, 16003, 3510, 3010},
    {1, 37, 999, 12, 4, 0, 3511, 3011},
    {1, 5, 3, 12, 3, 16001, 3512, 3012},
    {1, 36, 999, 12, 1, 0, 3513, 3013},
    {1, 34, 3, 12, 3, 16001, 3540, 3036},
    {1, 38, 999, 12, 4, 0, 3542, 3038},
    {1, 35, 5, 12, 8, 16003, 3541, 3037},
    {1, 17, 999, 12, 1, 0, 3501, 3001},
    {1, 11, 999, 999, 1, 0, 3502, 3002},
    {1, 1, 1, 1, 1, 0, 3504, 3004},
    {1, 32, 2, 12, 4, 16000, 3505, 3005},
    {1, 16, 12, 12, 4, 16010, 3525, 3025},
    {1, 21, 11, 11, 2, 16009, 3528, 2002},
    {1, 22, 14, 14, 2, 16009, 3528, 2002},
    {2, 22, 11, 11, 2, 16009, 3528, 2002},
    {2, -1, 11, 11, 2, 16009, 3530, 2102},  // fallback of kind 2
    {1, -1, 12, 12, 4, 16010, 3529, 2101},  // fallback of kind 1
    {0, 1000, 1, 1, 1, 0, 3527, 2001},      // the window's "no reply yet"
    {0, -1, 11, 11, 2, 16009, 3528, 2002},  // fallback of kind 0, ends every search
};

void SetMessageNumber(char* pszBuffer, std::uint32_t dwNumber) { std::memcpy(pszBuffer, &dwNumber, sizeof(dwNumber)); }

StatusEntry EntryTemplate()
{
    StatusEntry e;
    std::memset(&e, 0, sizeof(e));
    e.nValue1 = -1;
    e.nValue3 = 1600;
    return e;
}

}  // namespace

const StatusPattern kBuiltinPatterns[kBuiltinPatternCount] = {
    {0x00, kNone, kNone, 0, 0, 21},  {0x00, 0x00, kAny, 0, 0, 14}, {0x00, 0x01, kAny, 0, 0, 18},
    {0x00, 0x02, kAny, 0, 0, 33},    {0x00, 0x03, kAny, 0, 0, 7},  {0x00, 0x04, kAny, 0, 0, 6},
    {0x00, 0x05, kAny, 0, 0, 37},    {0x00, 0x06, kAny, 0, 0, 5},  {0x00, 0x07, kAny, 0, 0, 36},
    {0x00, 0x09, kAny, 0, 0, 34},    {0x00, 0x0B, kAny, 0, 0, 38}, {0x00, 0x0E, kAny, 0, 0, 35},
    {0x01, kAny, kAny, 0, 0, 17},    {0x02, kAny, kAny, 0, 0, 11}, {0x03, kAny, kAny, 0, 0, 11},
    {0x04, kAny, kAny, 0, 0, 1},     {0x05, kAny, kAny, 0, 0, 32},
    {kAny, kAny, kAny, 0, 0, 21},  // every record passes: a reply always gets a number
};

const StatusClassRow kStatusClasses[kStatusClassCount] = {
    {1, {511, 1, 759, 0, 0}},   {2, {512, 1, 750, 0, 1}},   {3, {512, 1, 760, 0, 1}},
    {4, {512, 1, 758, 0, 1}},   {5, {512, 1, 758, 777, 1}}, {6, {512, 1, 762, 771, 1}},
    {7, {512, 1, 752, 771, 1}}, {8, {512, 1, 751, 771, 1}}, {9, {511, 1, 759, 0, 1}},
    {10, {512, 1, 759, 0, 1}},  {11, {510, 1, 759, 0, 1}},  {12, {510, 1, 758, 0, 1}},
};

const StatusEntry* BuiltinEntries()
{
    // Built once; function statics are initialised thread-safely.
    static const struct Table {
        StatusEntry rows[kBuiltinEntryCount];
        Table()
        {
            for (int k = 0; k < kBuiltinEntryCount; ++k) {
                const EntrySeed& s = kEntrySeeds[k];
                StatusEntry& e = rows[k];
                e = EntryTemplate();
                e.dwKind = s.dwKind;
                e.nRealNo = s.nRealNo;
                e.nSimpleNo = s.nSimpleNo;
                e.nNotifyNo = s.nNotifyNo;
                e.nClass = s.nClass;
                e.nSoundNo = s.nSoundNo;
                SetMessageNumber(e.szMessage1, s.dwMessage1);
                SetMessageNumber(e.szMessage2, s.dwMessage2);
            }
        }
    } table;
    return table.rows;
}

std::uint32_t GetChannelKind(std::uint32_t dwChannel)
{
    for (const ChannelKind& c : kChannelKinds)
        if (c.dwChannel == dwChannel) return c.dwKind;
    return 0;
}

std::uint32_t MessageNumber(const char* pszBuffer)
{
    std::uint32_t n;
    std::memcpy(&n, pszBuffer, sizeof(n));
    return n;
}

bool MatchPattern(const StatusPattern& pattern, const StatusRecord& record, std::uint16_t* pInk)
{
    auto byteMatches = [](std::uint16_t want, std::uint8_t have) {
        return want == kPatternAny || (want & 0xFF) == have;
    };
    if (!byteMatches(pattern.wST, record.ST) || !byteMatches(pattern.wER, record.ER)) return false;

    if (pattern.wWR == kPatternAbsent) {
        if (record.nWRCount != 0) return false;
    } else if (pattern.wWR != kPatternAny) {
        if (record.nWRCount == 0 || (pattern.wWR & 0xFF) != record.WR[0]) return false;
    }

    const std::uint32_t ink = pattern.dwFlags & 0x1010;
    if (ink != 0) {
        if (*pInk == 0) *pInk = GetInkClass(record);
        if (ink != *pInk) return false;
    }
    return true;
}

const StatusClassRow* FindStatusClass(std::int32_t nClass)
{
    for (const StatusClassRow& row : kStatusClasses)
        if (static_cast<std::int64_t>(row.dwClass) == nClass) return &row;
    return nullptr;
}

const StatusEntry* StatusRows::Entry(int nIndex) const
{
    if (nIndex < 0 || nIndex >= EntryCount()) return nullptr;
    if (nIndex < m_nModel) return m_pEntries != nullptr ? &m_pEntries[nIndex] : nullptr;
    return &BuiltinEntries()[nIndex - m_nModel];
}

const StatusPattern* StatusRows::Pattern(int nIndex) const
{
    if (nIndex < 0 || nIndex >= PatternCount()) return nullptr;
    if (nIndex < m_nModel) return m_pPatterns != nullptr ? &m_pPatterns[nIndex] : nullptr;
    return &kBuiltinPatterns[nIndex - m_nModel];
}

int StatusRows::FindPattern(const StatusRecord& record) const
{
    std::uint16_t ink = 0;
    for (int k = 0; k < PatternCount(); ++k) {
        const StatusPattern* p = Pattern(k);
        if (p != nullptr && MatchPattern(*p, record, &ink)) return k;
    }
    return -1;
}

int StatusRows::FindEntry(std::uint32_t dwKind, std::int32_t nRealNo) const
{
    for (int k = 0;; ++k) {
        const StatusEntry* e = Entry(k);
        if (e == nullptr) return -1;
        if (e->dwKind == dwKind && e->nRealNo == nRealNo) return k;
        if (e->dwKind == 0 && e->nRealNo == -1) return -1;
    }
}

std::int32_t ModelClass(std::int32_t nSelector, std::int32_t nFlag)
{
    const bool set = nFlag != 0;
    switch (nSelector) {
    case 1: return set ? 4 : 10;
    case 2: return set ? 11 : 12;
    default: return set ? 1 : 9;
    }
}

void BuildModelRow(const StatusLineFields& fields, int* pnNextFree, StatusEntry* pEntry, StatusPattern* pPattern)
{
    StatusEntry e = EntryTemplate();
    e.dwKind = 1;
    e.nClass = 4;
    e.dwLiteral = 1;

    StatusPattern p = {kAny, kAny, kAny, 0, 0, static_cast<std::uint32_t>(kFirstModelStatusNo)};
    p.wST = fields.wST;
    p.wER = fields.wER;
    p.wWR = fields.wWR;

    e.nSimpleNo = e.nNotifyNo = (p.wST != 0) ? 1 : 12;
    // Texts are at most 519 characters; the buffers keep their terminator anyway.
    std::strncpy(e.szMessage1, fields.pszMessage1 != nullptr ? fields.pszMessage1 : "", sizeof(e.szMessage1) - 1);
    std::strncpy(e.szMessage2, fields.pszMessage2 != nullptr ? fields.pszMessage2 : "", sizeof(e.szMessage2) - 1);
    e.nClass = ModelClass(fields.nClassSelector, fields.nClassFlag);

    int nRealNo = -1;
    for (const StatusPattern& b : kBuiltinPatterns) {
        if (b.wST == p.wST && b.wER == p.wER && b.wWR == p.wWR) {
            nRealNo = static_cast<int>(b.dwStatusNo);
            break;
        }
    }
    if (nRealNo < 0) nRealNo = (*pnNextFree)++;
    e.nRealNo = nRealNo;
    p.dwStatusNo = static_cast<std::uint32_t>(nRealNo);

    *pEntry = e;
    *pPattern = p;
}

}  // namespace vm2
