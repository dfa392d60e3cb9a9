// Status replies of any content and length: the parser must never read past
// the reply, and an accepted reply must give a record within its limits that
// the built-in tables always turn into a status.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "status/status_record.h"
#include "status/status_tables.h"

#define FUZZ_CHECK(cond) \
    do {                 \
        if (!(cond)) __builtin_trap(); \
    } while (0)

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    StatusRecord first;
    std::memset(&first, 0x5A, sizeof(first));
    int accepted = vm2::ParseStatusReply(&first, data, size);
    FUZZ_CHECK(accepted == 0 || accepted == 1);
    if (!accepted) return 0;

    FUZZ_CHECK(size > vm2::kStatusHeaderLen);
    FUZZ_CHECK(first.nIQCount <= 4);
    FUZZ_CHECK(first.nWRCount <= 10);
    FUZZ_CHECK(first.RV <= 15);
    for (std::uint8_t v : first.IQ) FUZZ_CHECK(v <= 100 || v == 0xFF);
    for (int k = first.nIQCount; k < 4; ++k) FUZZ_CHECK(first.IQ[k] == 0);
    for (int k = first.nWRCount; k < 10; ++k) FUZZ_CHECK(first.WR[k] == 0);
    FUZZ_CHECK(first.wAttribute == 0);

    // The same reply gives the same record whatever the record held before.
    StatusRecord second;
    std::memset(&second, 0xA5, sizeof(second));
    FUZZ_CHECK(vm2::ParseStatusReply(&second, data, size) == 1);
    FUZZ_CHECK(std::memcmp(&first, &second, sizeof(first)) == 0);

    const vm2::StatusRows rows;
    int pattern = rows.FindPattern(first);
    FUZZ_CHECK(pattern >= 0);
    int nRealNo = static_cast<int>(rows.Pattern(pattern)->dwStatusNo);
    std::uint16_t bits = vm2::GetAttributeBits(first, nRealNo);
    FUZZ_CHECK((bits & ~0x1111u) == 0);
    int entry = rows.FindEntry(1, nRealNo);
    FUZZ_CHECK(entry >= 0 && rows.Entry(entry)->nRealNo == nRealNo);
    return 0;
}
