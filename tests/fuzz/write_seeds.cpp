// Writes the seed corpus of the fuzz targets from the parser test tables:
//   write_seeds <tests/fuzz/corpus>
// Run it again when the tables change and commit what it writes.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "status/reply_cases.h"
#include "status/status_record.h"

namespace {

bool WriteSeed(const std::string& dir, const std::string& name, const std::string& bytes)
{
    std::string path = dir + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::string RecordBytes(std::uint8_t st, std::uint8_t er, const std::uint8_t iq[4], std::uint8_t wr0,
                        std::uint8_t wr1, std::uint8_t wrCount, std::int32_t statusNo)
{
    StatusRecord r;
    vm2::ResetStatusRecord(&r);
    r.ST = st;
    r.ER = er;
    std::memcpy(r.IQ, iq, 4);
    r.nIQCount = 4;
    r.nWRCount = wrCount;
    r.WR[0] = wr0;
    r.WR[1] = wr1;
    std::string bytes(reinterpret_cast<const char*>(&r), sizeof(r));
    bytes.append(reinterpret_cast<const char*>(&statusNo), sizeof(statusNo));
    return bytes;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_seeds <corpus folder>\n");
        return 2;
    }
    const std::string root = argv[1];
    bool ok = true;

    int count = 0;
    const vm2test::ReplyCase* cases = vm2test::ReplyCases(&count);
    for (int k = 0; k < count; ++k) ok &= WriteSeed(root + "/fuzz_status_reply", cases[k].name, cases[k].bytes);

    const std::uint8_t levels[][4] = {{30, 30, 80, 80}, {20, 30, 40, 50}, {40, 30, 50, 60},
                                      {0, 50, 50, 50},  {0, 0, 50, 50},   {0xFF, 9, 0xFF, 9}};
    for (std::size_t k = 0; k < sizeof(levels) / sizeof(levels[0]); ++k) {
        std::string name = "levels_" + std::to_string(k);
        ok &= WriteSeed(root + "/fuzz_ink_class", name, RecordBytes(0, 5, levels[k], 0, 0, 0, 0));
        ok &= WriteSeed(root + "/fuzz_attribute_bits", name, RecordBytes(0, 5, levels[k], 0x10, 0x12, 2, 37));
    }
    const std::uint8_t none[4] = {0, 0, 0, 0};
    ok &= WriteSeed(root + "/fuzz_attribute_bits", "number_2", RecordBytes(0, 1, none, 0x11, 0, 1, 2));
    ok &= WriteSeed(root + "/fuzz_attribute_bits", "number_20", RecordBytes(0, 1, none, 0x10, 0x11, 2, 20));
    ok &= WriteSeed(root + "/fuzz_attribute_bits", "warning_11", RecordBytes(0, 1, none, 0x11, 0, 1, 14));

    // The first line names the section the target reads.
    const char* files[][2] = {
        {"shared_and_numbered",
         "ENU\n[Language]\nENU=9,1\n[ENU]\nResDll=res.dll\n"
         "STATUS00=0,5,-2,Jam,Open the cover,1,1\nSTATUS01=4,-2,-2,Ready,Go,0,1\n"
         "STATUS02=9,-2,-2,\"Odd, state\",x,2,0\nSTATUS03=9,-2,-2,Again,y,2,1\nSTATUS04=0,0,0,x,y,0,0\n[Next]\n"},
        {"keys", "E\n[E]\nSTATUS7=1,1,1,a,b,1,1\nSTATUS07A=1,1,1,a,b,1,1\n  STA TUS 08 = -1 , -2 ,3\nSTATUS09\n"},
        {"no_newline_at_end", "E\n[X]\nSTATUS00=1\n[E]\nSTATUS00=1,2,3\nSTATUS01=4,5,6"},
        {"crlf", "ENU\r\n[ENU]\r\nSTATUS00=0,2,16,Paper,Load paper,1,0\r\nSTATUS01=1,1,1,a,b,0,0\r\n"},
    };
    for (const auto& f : files) ok &= WriteSeed(root + "/fuzz_status_lines", f[0], f[1]);
    std::string longLine = "E\n[E]\nSTATUS00=1,2,3," + std::string(700, 'm') + ",x,1,1\nSTATUS01=1\n";
    ok &= WriteSeed(root + "/fuzz_status_lines", "long_line", longLine);

    if (!ok) std::fprintf(stderr, "write_seeds: could not write every seed under %s\n", root.c_str());
    return ok ? 0 : 1;
}
