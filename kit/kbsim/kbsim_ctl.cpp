// kbsim_ctl.exe: changes the simulated printers from another process, and
// prints what the library was asked. Commands may be chained with "--then".
//
//   kbsim_ctl [--instance NAME] COMMAND [ARGS] [--then COMMAND [ARGS]]...
//
//   reset                              no printers, no faults, no records
//   printer NAME PORT parallel|usb|network
//   remove NAME
//   reply NAME STEP                    one reply for ever
//   script NAME [--loop] STEP...       replies in turn, one per status read
//       STEP: PRESET | hex:4042... | text:... | error:CODE | none,
//             each optionally followed by *N (used N times; *0 = for ever)
//   deviceid NAME TEXT
//   fault NAME|* ENTRY CODE [COUNT [SKIP [any|size|data]]]   COUNT 0 = for ever
//   clear-faults NAME|*
//   init-result N
//   calls [SINCE]                      the call record, one call per line
//   presets                            the named printer states
//   hold SECONDS                       keep the instance alive that long
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "kbsim/kbsim_control.h"

namespace {

using Args = std::vector<std::string>;

int Usage(const char* why)
{
    std::fprintf(stderr, "kbsim_ctl: %s (see the head of kbsim_ctl.cpp or kit/README.md)\n", why);
    return 2;
}

bool ParseHex(const std::string& hex, std::string* pOut)
{
    if (hex.size() % 2 != 0) return false;
    for (size_t i = 0; i < hex.size(); i += 2) {
        char* end = nullptr;
        std::string pair = hex.substr(i, 2);
        long v = std::strtol(pair.c_str(), &end, 16);
        if (end == nullptr || *end != '\0') return false;
        *pOut += static_cast<char>(v);
    }
    return true;
}

bool ParseStep(std::string text, kbsim::ReplyStep* pStep)
{
    pStep->nRepeat = 1;
    size_t star = text.rfind('*');
    if (star != std::string::npos) {
        pStep->nRepeat = static_cast<uint32_t>(std::strtoul(text.c_str() + star + 1, nullptr, 10));
        text.resize(star);
    }
    if (text.rfind("hex:", 0) == 0) return ParseHex(text.substr(4), &pStep->bytes);
    if (text.rfind("text:", 0) == 0) {
        // "\r", "\n" and "\f" as two characters stand for the control bytes.
        std::string t = text.substr(5);
        for (size_t i = 0; i < t.size(); ++i) {
            if (t[i] == '\\' && i + 1 < t.size()) {
                char c = t[++i];
                pStep->bytes += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 'f' ? '\f' : c;
            } else {
                pStep->bytes += t[i];
            }
        }
        return true;
    }
    if (text.rfind("error:", 0) == 0) {
        pStep->nResult = std::atoi(text.c_str() + 6);
        return pStep->nResult < 0;
    }
    if (text == "none") {
        pStep->nResult = 0;
        return true;
    }
    const kbsim::StatePreset* preset = kbsim::FindPreset(text);
    if (preset == nullptr) return false;
    pStep->bytes = kbsim::BuildStatusReply(preset->fields);
    return true;
}

std::string Printable(const std::string& name) { return name.empty() ? "-" : "\"" + name + "\""; }

int Run(kbsim::Control& sim, const Args& a)
{
    const std::string& cmd = a[0];
    auto need = [&](size_t n) { return a.size() >= n; };
    if (cmd == "reset") return sim.Reset() ? 0 : 1;
    if (cmd == "printer") {
        if (!need(4)) return Usage("printer NAME PORT parallel|usb|network");
        kbsim::Connection c = a[3] == "parallel" ? kbsim::Connection::Parallel
                              : a[3] == "network" ? kbsim::Connection::Network
                                                  : kbsim::Connection::Usb;
        return sim.DefinePrinter(kbsim::StandardPrinter(a[1], a[2], c)) ? 0 : 1;
    }
    if (cmd == "remove") return need(2) && sim.RemovePrinter(a[1]) ? 0 : 1;
    if (cmd == "reply" || cmd == "script") {
        if (!need(3)) return Usage("reply NAME STEP / script NAME STEP...");
        bool loop = false;
        std::vector<kbsim::ReplyStep> steps;
        for (size_t i = 2; i < a.size(); ++i) {
            if (a[i] == "--loop") {
                loop = true;
                continue;
            }
            kbsim::ReplyStep s;
            if (!ParseStep(a[i], &s)) return Usage(("bad step " + a[i]).c_str());
            if (cmd == "reply") s.nRepeat = 0;
            steps.push_back(s);
        }
        return sim.SetScript(a[1], steps, loop) ? 0 : 1;
    }
    if (cmd == "deviceid") return need(3) && sim.SetDeviceId(a[1], a[2]) ? 0 : 1;
    if (cmd == "fault") {
        if (!need(4)) return Usage("fault NAME|* ENTRY CODE [COUNT [SKIP [any|size|data]]]");
        kbsim::Fault f;
        if (!kbsim::EntryFromName(a[2].c_str(), &f.entry)) return Usage(("unknown entry point " + a[2]).c_str());
        f.nCode = std::atoi(a[3].c_str());
        f.nCount = need(5) ? static_cast<uint32_t>(std::strtoul(a[4].c_str(), nullptr, 10)) : 1;
        if (f.nCount == 0) f.nCount = kbsim::Fault::kForever;
        f.nSkip = need(6) ? static_cast<uint32_t>(std::strtoul(a[5].c_str(), nullptr, 10)) : 0;
        if (need(7)) {
            f.phase = a[6] == "size" ? kbsim::Phase::SizeQuery
                      : a[6] == "data" ? kbsim::Phase::DataRead
                                       : kbsim::Phase::Any;
        }
        return sim.AddFault(a[1] == "*" ? std::string() : a[1], f) ? 0 : 1;
    }
    if (cmd == "clear-faults") return need(2) && sim.ClearFaults(a[1] == "*" ? std::string() : a[1]) ? 0 : 1;
    if (cmd == "init-result") {
        if (!need(2)) return Usage("init-result N");
        sim.SetInitializeResult(std::atoi(a[1].c_str()));
        return 0;
    }
    if (cmd == "calls") {
        uint32_t since = need(2) ? static_cast<uint32_t>(std::strtoul(a[1].c_str(), nullptr, 10)) : 0;
        for (const kbsim::CallRecord& c : sim.Calls(since)) {
            std::printf("%u %s type=%d name=%s handle=%d channel=%#x buffer=%d size=%u->%u arg=%u,%u result=%d pid=%u\n",
                        c.nSeq, kbsim::EntryName(c.entry), c.nType, Printable(c.strName).c_str(), c.hChannel,
                        c.dwChannelId, c.bBuffer ? 1 : 0, c.dwSizeIn, c.dwSizeOut, c.dwArg1, c.dwArg2, c.nResult,
                        c.dwPid);
        }
        return 0;
    }
    if (cmd == "presets") {
        for (const kbsim::StatePreset& p : kbsim::StatePresets())
            std::printf("%-14s %s (real %d, simple %d)\n", p.pszName, p.pszDescription, p.nRealStatus,
                        p.nSimpleStatus);
        return 0;
    }
    if (cmd == "hold") {
        Sleep(static_cast<DWORD>(need(2) ? std::atoi(a[1].c_str()) : 10) * 1000);
        return 0;
    }
    return Usage(("unknown command " + cmd).c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    std::string instance;
    std::vector<Args> commands(1);
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--instance") == 0 && i + 1 < argc) {
            instance = argv[++i];
        } else if (std::strcmp(argv[i], "--then") == 0) {
            commands.emplace_back();
        } else {
            commands.back().push_back(argv[i]);
        }
    }
    kbsim::Control sim;
    if (!sim.Open(instance)) {
        std::fprintf(stderr, "kbsim_ctl: cannot open the simulator state\n");
        return 1;
    }
    for (const Args& a : commands) {
        if (a.empty()) return Usage("no command");
        int r = Run(sim, a);
        if (r != 0) {
            std::fprintf(stderr, "kbsim_ctl: %s failed\n", a[0].c_str());
            return r;
        }
    }
    return 0;
}
