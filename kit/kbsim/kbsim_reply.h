// Status replies as the simulated printers send them: the header
// "@BDC ST\r\n", tagged fields ("ST:04;"), and a terminator byte. Presets
// name the printer states of a working day. Portable: no Windows header.
#pragma once

#include <string>
#include <vector>

namespace kbsim {

struct StatusFields {
    int nST = -1;              // printer state byte; -1 = no ST field
    int nER = -1;              // error code; -1 = no ER field
    std::vector<int> iq;       // ink/ribbon levels in percent; -1 writes "NA"
    std::vector<int> wr;       // warning codes
    int nRV = -1;              // one hex digit; -1 = no RV field
    int nTC = -1;              // 16-bit counter; -1 = no TC field
    bool bWrCommas = true;     // "WR:10,11;" rather than "WR:1011;"
    unsigned char terminator = 0x0C;
};

// The reply bytes (not zero-terminated; may contain the byte 0xFF).
std::string BuildStatusReply(const StatusFields& fields);

struct StatePreset {
    const char* pszName;         // as given to kbsim_ctl and the demo
    const char* pszDescription;  // what the printer is doing
    StatusFields fields;
    // What the module reports for it with the kit's data file: real and
    // simple status number (built-in tables, or the model rows of KX9100.INI).
    int nRealStatus;
    int nSimpleStatus;
};

// ready, printing, processing, self-test, off-line, paper-out, cover-open,
// paper-jam, ribbon-low, tractor-jam, head-hot, fatal-error, no-error-code.
const std::vector<StatePreset>& StatePresets();
// Null when no preset has that name.
const StatePreset* FindPreset(const std::string& strName);

}  // namespace kbsim
