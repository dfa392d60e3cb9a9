// What the kit's stand-in companion programs leave behind: one record per
// start, appended in a single write to the file named by the environment
// variable VM2PR2_COMPANION_LOG (nothing is written when it is not set):
//   [program]
//   key=value
//   ...
//   [end]
// Line ends inside a value are written as \n and \r. Tests read the records
// back with ReadCompanionRecords.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace companion {

constexpr char kLogVariable[] = "VM2PR2_COMPANION_LOG";
// Agent setting stand-in: "<pid>:<lParam>" makes it post WM_USER+10 with
// lParam to the wait dialog (the dialog with control 222) of process <pid>.
constexpr char kAgentReplyVariable[] = "VM2PR2_AGENT_REPLY";
// kbapiset stand-in: the lParam of its answer (default 1, success).
constexpr char kKbapisetResultVariable[] = "VM2PR2_KBAPISET_RESULT";

using Fields = std::vector<std::pair<std::string, std::string>>;

inline std::string EnvValue(const char* pszName)
{
    char buf[1024] = "";
    DWORD n = GetEnvironmentVariableA(pszName, buf, sizeof(buf));
    return n > 0 && n < sizeof(buf) ? std::string(buf, n) : std::string();
}

inline bool AppendCompanionRecord(const char* pszProgram, const Fields& fields)
{
    std::string path = EnvValue(kLogVariable);
    if (path.empty()) return false;
    std::string text = std::string("[") + pszProgram + "]\n";
    for (const auto& f : fields) {
        text += f.first + "=";
        for (char c : f.second) {
            if (c == '\n') text += "\\n";
            else if (c == '\r') text += "\\r";
            else text += c;
        }
        text += "\n";
    }
    text += "[end]\n";
    // Several stand-ins may end at once: each record goes in one appending
    // write, retried while another process holds the file.
    for (int attempt = 0; attempt < 100; ++attempt) {
        HANDLE h = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            Sleep(20);
            continue;
        }
        DWORD written = 0;
        BOOL ok = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(h);
        return ok && written == text.size();
    }
    return false;
}

struct Record {
    std::string program;
    std::map<std::string, std::string> fields;
    std::string Get(const std::string& key) const
    {
        auto it = fields.find(key);
        return it != fields.end() ? it->second : "<missing>";
    }
};

// The complete records of a log text, in order; a record still being
// written (no "[end]") is left out.
inline std::vector<Record> ParseCompanionRecords(const std::string& text)
{
    std::vector<Record> out;
    Record cur;
    bool in = false;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t eol = text.find('\n', pos);
        if (eol == std::string::npos) break;
        std::string line = text.substr(pos, eol - pos);
        pos = eol + 1;
        if (line == "[end]") {
            if (in) out.push_back(cur);
            in = false;
        } else if (!line.empty() && line.front() == '[' && line.back() == ']') {
            cur = Record();
            cur.program = line.substr(1, line.size() - 2);
            in = true;
        } else if (in) {
            size_t eq = line.find('=');
            if (eq != std::string::npos) cur.fields[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return out;
}

}  // namespace companion
