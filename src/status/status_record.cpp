#include "status/status_record.h"

#include <cstring>

namespace vm2 {

namespace {

const char kHeader[] = "@BDC ST\r\n";
static_assert(sizeof(kHeader) - 1 == kStatusHeaderLen, "header length");

constexpr std::uint8_t kFormFeed = 0x0C;
constexpr std::uint8_t kEndByte = 0xFF;

int HexDigit(std::uint8_t c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Every read goes through this view, so no field can look past the reply.
class Reply {
public:
    Reply(const std::uint8_t* p, std::size_t n) : m_p(p), m_n(n) {}

    bool Has(std::size_t pos, std::size_t count) const { return pos <= m_n && count <= m_n - pos; }
    std::uint8_t At(std::size_t pos) const { return m_p[pos]; }

    // The hex pair at pos; false when it is not inside the reply or not hex.
    bool Pair(std::size_t pos, std::uint8_t* pOut) const
    {
        if (!Has(pos, 2)) return false;
        int hi = HexDigit(m_p[pos]);
        int lo = HexDigit(m_p[pos + 1]);
        if (hi < 0 || lo < 0) return false;
        *pOut = static_cast<std::uint8_t>(hi * 16 + lo);
        return true;
    }

    bool Is(std::size_t pos, std::uint8_t c) const { return Has(pos, 1) && m_p[pos] == c; }

    bool Tag(std::size_t pos, const char* tag) const { return Has(pos, 3) && std::memcmp(m_p + pos, tag, 3) == 0; }

private:
    const std::uint8_t* m_p;
    std::size_t m_n;
};

// "ST:" / "ER:" at i: one pair and ";".
bool ParseByteField(const Reply& r, std::size_t* pI, std::uint8_t* pOut)
{
    std::size_t i = *pI;
    std::uint8_t v;
    if (!r.Pair(i + 3, &v) || !r.Is(i + 5, ';')) return false;
    *pOut = v;
    *pI = i + 6;
    return true;
}

// "IQ:" at i: 1 to 4 items back to back, each a pair or "NA", then ";".
bool ParseIQ(const Reply& r, std::size_t* pI, StatusRecord* pRecord)
{
    std::size_t p = *pI + 3;
    std::uint8_t count = 0;
    // A later IQ field replaces the whole earlier one.
    std::memset(pRecord->IQ, 0, sizeof(pRecord->IQ));
    for (;;) {
        if (count == 4 || !r.Has(p, 2)) return false;
        std::uint8_t v;
        if (r.At(p) == 'N' && r.At(p + 1) == 'A') {
            v = 0xFF;
        } else {
            if (!r.Pair(p, &v)) return false;
            if (v > 100) v = 100;
        }
        pRecord->IQ[count++] = v;
        p += 2;
        if (!r.Has(p, 1)) return false;
        if (r.At(p) == ';') break;
    }
    pRecord->nIQCount = count;
    *pI = p + 1;
    return true;
}

// "WR:" at i: 1 to 10 pairs, each optionally followed by one ",", then ";".
bool ParseWR(const Reply& r, std::size_t* pI, StatusRecord* pRecord)
{
    std::size_t p = *pI + 3;
    std::uint8_t count = 0;
    std::memset(pRecord->WR, 0, sizeof(pRecord->WR));
    for (;;) {
        std::uint8_t v;
        if (count == 10 || !r.Pair(p, &v)) return false;
        pRecord->WR[count++] = v;
        p += 2;
        if (!r.Has(p, 1)) return false;
        if (r.At(p) == ',') {
            ++p;
            if (!r.Has(p, 1)) return false;
        }
        if (r.At(p) == ';') break;
    }
    pRecord->nWRCount = count;
    *pI = p + 1;
    return true;
}

// "RV:" at i: one hex digit and ";".
bool ParseRV(const Reply& r, std::size_t* pI, StatusRecord* pRecord)
{
    std::size_t i = *pI;
    if (!r.Has(i + 3, 2)) return false;
    int d = HexDigit(r.At(i + 3));
    if (d < 0 || r.At(i + 4) != ';') return false;
    pRecord->RV = static_cast<std::uint8_t>(d);
    *pI = i + 5;
    return true;
}

// "TC:" at i: high pair, low pair, ";".
bool ParseTC(const Reply& r, std::size_t* pI, StatusRecord* pRecord)
{
    std::size_t i = *pI;
    std::uint8_t hi, lo;
    if (!r.Pair(i + 3, &hi) || !r.Pair(i + 5, &lo) || !r.Is(i + 7, ';')) return false;
    pRecord->TC = static_cast<std::uint16_t>(hi * 256 + lo);
    *pI = i + 8;
    return true;
}

}  // namespace

void ResetStatusRecord(StatusRecord* pRecord)
{
    std::memset(pRecord, 0, sizeof(*pRecord));
    pRecord->ST = 0xFF;
    pRecord->ER = 0xFF;
    pRecord->TC = 0xFFFF;
}

int ParseStatusReply(StatusRecord* pRecord, const std::uint8_t* pReply, std::size_t nLen)
{
    if (pRecord == nullptr) return 0;
    ResetStatusRecord(pRecord);
    if (pReply == nullptr || nLen < kStatusHeaderLen || std::memcmp(pReply, kHeader, kStatusHeaderLen) != 0)
        return 0;

    const Reply r(pReply, nLen);
    bool bHaveST = false;
    std::size_t i = kStatusHeaderLen;
    for (;;) {
        bool ok = true;
        if (r.Tag(i, "ST:")) {
            ok = ParseByteField(r, &i, &pRecord->ST);
            bHaveST = bHaveST || ok;
        } else if (r.Tag(i, "ER:")) {
            ok = ParseByteField(r, &i, &pRecord->ER);
        } else if (r.Tag(i, "IQ:")) {
            ok = ParseIQ(r, &i, pRecord);
        } else if (r.Tag(i, "WR:")) {
            ok = ParseWR(r, &i, pRecord);
        } else if (r.Tag(i, "RV:")) {
            ok = ParseRV(r, &i, pRecord);
        } else if (r.Tag(i, "TC:")) {
            ok = ParseTC(r, &i, pRecord);
        } else {
            ++i;  // anything else, an unknown tag's letters included, is skipped
        }
        if (!ok || !r.Has(i, 1)) return 0;
        std::uint8_t c = r.At(i);
        if (c == kFormFeed || c == kEndByte) return bHaveST ? 1 : 0;
    }
}

std::uint16_t GetInkClass(const StatusRecord& record)
{
    auto empty = [](std::uint8_t v) { return v == 0 || v == 0xFF; };
    const bool bOtherEmpty = empty(record.IQ[1]) || empty(record.IQ[2]) || empty(record.IQ[3]);

    if (empty(record.IQ[0])) return bOtherEmpty ? kInkBoth : kInkFirst;
    if (bOtherEmpty) return kInkOther;

    std::uint8_t lowest = record.IQ[0];
    for (int k = 1; k < 4; ++k)
        if (record.IQ[k] < lowest) lowest = record.IQ[k];
    if (record.IQ[0] != lowest) return kInkOther;
    for (int k = 1; k < 4; ++k)
        if (record.IQ[k] == lowest) return kInkBoth;
    return kInkFirst;
}

std::uint16_t GetAttributeBits(const StatusRecord& record, int nStatusNo)
{
    if (nStatusNo == 2) return 0x1010;
    if (nStatusNo == 20) return 0x0101;

    auto isInkWarning = [](std::uint8_t c) { return c == 0x11 || c == 0x12 || c == 0x13; };
    std::uint16_t value = 0;
    if (record.nWRCount > 0) {
        if (record.WR[0] == 0x10) {
            value |= 0x0001;
            if (record.nWRCount > 1 && isInkWarning(record.WR[1])) value |= 0x0101;
        } else if (isInkWarning(record.WR[0])) {
            value = 0x0100;
        }
    }
    if (record.ER == 0x05) {
        std::uint16_t ink = GetInkClass(record);
        if (ink == kInkBoth) return kInkBoth;
        value |= ink;
    }
    return value;
}

}  // namespace vm2
