// The printer's status reply ("@BDC ST\r\n" and tagged fields) and the
// fixed-size record it is parsed into, with the two classifications the status
// tables need: the ink class and the attribute bits.
// Portable: no Windows header.
#pragma once

#include <cstddef>
#include <cstdint>

// One parsed status reply. The layout is fixed: the record is copied whole
// into every status object and read field by field by the status window.
struct StatusRecord {
    std::uint8_t ST;           // printer state; 0xFF when the reply had none
    std::uint8_t ER;           // error code; 0xFF when the reply had none
    std::uint8_t nIQCount;     // number of ink level items, 0 when absent
    std::uint8_t IQ[4];        // ink levels in percent (0xFF = "NA"), 0 when absent
    std::uint16_t wAttribute;  // filled once the status number is known
    std::uint8_t nWRCount;     // number of warning codes, 0 when absent
    std::uint8_t WR[10];       // warning codes in reply order
    std::uint8_t RV;           // 0..15, 0 when absent
    std::uint16_t TC;          // 0xFFFF when absent
};
static_assert(sizeof(StatusRecord) == 24, "status record layout is fixed");

namespace vm2 {

constexpr std::size_t kStatusHeaderLen = 9;  // "@BDC ST\r\n"

// Ink classes.
constexpr std::uint16_t kInkFirst = 0x0010;
constexpr std::uint16_t kInkOther = 0x1000;
constexpr std::uint16_t kInkBoth = 0x1010;

// The record a reply without any field would give.
void ResetStatusRecord(StatusRecord* pRecord);

// Parses the reply (pReply need not be terminated; nothing past nLen is read).
// Returns 1 when the reply is accepted, 0 when it is rejected; a rejected
// reply leaves the record in an unspecified state.
int ParseStatusReply(StatusRecord* pRecord, const std::uint8_t* pReply, std::size_t nLen);

// 0x0010, 0x1000 or 0x1010 from the four ink levels.
std::uint16_t GetInkClass(const StatusRecord& record);

// The attribute bits of the record once status number nStatusNo is chosen.
std::uint16_t GetAttributeBits(const StatusRecord& record, int nStatusNo);

}  // namespace vm2
