// Data files of any content: the status line reader must stay inside its
// 520-byte lines and 519-character items, and the model rows built from what
// it read must keep the table searches working. The input's first line names
// the section to read.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "status/profile_info.h"
#include "status/status_tables.h"

#define FUZZ_CHECK(cond) \
    do {                 \
        if (!(cond)) __builtin_trap(); \
    } while (0)

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const char* text = reinterpret_cast<const char*>(data);
    std::size_t nameLen = 0;
    while (nameLen < size && nameLen < 64 && text[nameLen] != '\n') ++nameLen;
    const std::string section(text, nameLen);
    const std::size_t skip = nameLen < size ? nameLen + 1 : nameLen;

    CProfileInfo profile;
    vm2::MemoryLineSource source(text + skip, size - skip);
    int result = profile.LoadLines(source, section.c_str(), 7);
    FUZZ_CHECK(result == 7 || result == -2);

    int count = 0;
    vm2::StatusLineFields f;
    for (int more = profile.GetFirst(&f); more; more = profile.GetNext(&f), ++count) {
        FUZZ_CHECK(std::strlen(f.pszMessage1) <= vm2::kProfileItemMax);
        FUZZ_CHECK(std::strlen(f.pszMessage2) <= vm2::kProfileItemMax);
        FUZZ_CHECK(std::strchr(f.pszMessage1, '"') == nullptr && std::strchr(f.pszMessage1, ',') == nullptr);
        FUZZ_CHECK(f.nClassFlag == 0 || f.nClassFlag == 1);
    }
    FUZZ_CHECK(count == profile.GetCount());
    if (count < 2) return 0;

    const int rows = count - 1;
    std::vector<StatusEntry> entries(static_cast<std::size_t>(rows));
    std::vector<StatusPattern> patterns(static_cast<std::size_t>(rows));
    int next = vm2::kFirstModelStatusNo;
    FUZZ_CHECK(vm2::FillModelRows(profile, entries.data(), patterns.data(), rows, &next) == rows);
    FUZZ_CHECK(next >= vm2::kFirstModelStatusNo && next <= vm2::kFirstModelStatusNo + rows);

    const vm2::StatusRows table(entries.data(), patterns.data(), rows);
    for (int k = 0; k < rows; ++k) {
        const StatusEntry& e = entries[static_cast<std::size_t>(k)];
        FUZZ_CHECK(e.nRealNo == static_cast<std::int32_t>(patterns[static_cast<std::size_t>(k)].dwStatusNo));
        FUZZ_CHECK(e.nClass >= 1 && e.nClass <= 12 && vm2::FindStatusClass(e.nClass) != nullptr);
        FUZZ_CHECK(e.szMessage1[sizeof(e.szMessage1) - 1] == '\0');
        // The model row's own number is found at or before its own index.
        int at = table.FindEntry(1, e.nRealNo);
        FUZZ_CHECK(at >= 0 && at <= k);
    }
    StatusRecord r;
    vm2::ResetStatusRecord(&r);
    r.ST = data[0];
    FUZZ_CHECK(table.FindPattern(r) >= 0);
    FUZZ_CHECK(table.FindEntry(0, -1) == rows + 22);
    return 0;
}
