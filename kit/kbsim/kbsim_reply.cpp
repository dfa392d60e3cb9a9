#include "kbsim/kbsim_reply.h"

#include <cstdio>

namespace kbsim {

namespace {

void AppendHex(std::string* pOut, int nValue)
{
    char buf[3];
    std::snprintf(buf, sizeof(buf), "%02X", nValue & 0xFF);
    pOut->append(buf, 2);
}

StatusFields Fields(int nST, int nER = -1, std::vector<int> iq = {}, std::vector<int> wr = {})
{
    StatusFields f;
    f.nST = nST;
    f.nER = nER;
    f.iq = std::move(iq);
    f.wr = std::move(wr);
    return f;
}

}  // namespace

std::string BuildStatusReply(const StatusFields& f)
{
    std::string out = "@BDC ST\r\n";
    if (f.nST >= 0) {
        out += "ST:";
        AppendHex(&out, f.nST);
        out += ';';
    }
    if (f.nER >= 0) {
        out += "ER:";
        AppendHex(&out, f.nER);
        out += ';';
    }
    if (!f.iq.empty()) {
        out += "IQ:";
        for (int v : f.iq) {
            if (v < 0) {
                out += "NA";
            } else {
                AppendHex(&out, v);
            }
        }
        out += ';';
    }
    if (!f.wr.empty()) {
        out += "WR:";
        for (size_t i = 0; i < f.wr.size(); ++i) {
            if (i > 0 && f.bWrCommas) out += ',';
            AppendHex(&out, f.wr[i]);
        }
        out += ';';
    }
    if (f.nRV >= 0) {
        char buf[8];
        std::snprintf(buf, sizeof(buf), "RV:%X;", f.nRV & 0xF);
        out += buf;
    }
    if (f.nTC >= 0) {
        out += "TC:";
        AppendHex(&out, (f.nTC >> 8) & 0xFF);
        AppendHex(&out, f.nTC & 0xFF);
        out += ';';
    }
    out += static_cast<char>(f.terminator);
    return out;
}

const std::vector<StatePreset>& StatePresets()
{
    // ST: 0x00 error (ER says which), 0x01 self test, 0x02 processing data,
    // 0x03 printing, 0x04 ready, 0x05 off line. WR 0x10: ribbon near end.
    // The ribbon level travels in IQ.
    static const std::vector<StatePreset> presets = {
        {"ready", "ready, idle", Fields(0x04, -1, {80}), 1, 1},
        {"printing", "printing a job", Fields(0x03, -1, {79}), 11, 999},
        {"processing", "receiving and processing data", Fields(0x02, -1, {79}), 11, 999},
        {"self-test", "printing its self-test page", Fields(0x01), 17, 999},
        {"off-line", "switched off line at the panel", Fields(0x05, -1, {78}), 32, 2},
        {"paper-out", "out of paper", Fields(0x00, 0x04, {78}), 6, 5},
        {"cover-open", "top cover open", Fields(0x00, 0x06, {78}), 5, 3},
        {"paper-jam", "paper jammed in the paper path", Fields(0x00, 0x02, {78}), 33, 6},
        {"ribbon-low", "ready, ribbon nearly used up", Fields(0x04, -1, {8}, {0x10}), 100, 1},
        {"tractor-jam", "paper jammed in the tractor", Fields(0x00, 0x10), 101, 12},
        {"head-hot", "print head cooling down", Fields(0x00, 0x0B, {70}), 38, 999},
        {"fatal-error", "mechanical error, needs service", Fields(0x00, 0x00), 14, 12},
        // A reply without an error code while in the error state: the module
        // takes it for a communication failure (simple status 11).
        {"no-error-code", "error state without an error code", Fields(0x00), 0, 11},
    };
    return presets;
}

const StatePreset* FindPreset(const std::string& strName)
{
    for (const StatePreset& p : StatePresets()) {
        if (strName == p.pszName) return &p;
    }
    return nullptr;
}

}  // namespace kbsim
