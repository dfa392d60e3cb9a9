#include "harness/trace_log.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <regex>
#include <sstream>

#include "base/trace.h"
#include "harness/test_support.h"

namespace vm2test {

std::string TraceFilePath()
{
    char folder[MAX_PATH] = "";
    SHGetSpecialFolderPathA(nullptr, folder, CSIDL_COMMON_APPDATA, FALSE);
    return std::string(folder) + "\\VLX3_SIDM.LOG";
}

TraceOn::TraceOn() { SetTraceEnable(TRUE); }
TraceOn::~TraceOn() { SetTraceEnable(FALSE); }

TraceLog::TraceLog() : m_nFrom(ReadFileText(TraceFilePath()).size()) {}

std::vector<std::string> TraceLog::Lines() const
{
    std::string text = ReadFileText(TraceFilePath());
    // A log deleted meanwhile started again from its beginning.
    std::istringstream in(text.size() >= m_nFrom ? text.substr(m_nFrom) : text);
    // Process ids come back: only the lines since the start count.
    char pid[16];
    snprintf(pid, sizeof(pid), "%04lX:", GetCurrentProcessId());
    static const std::regex prefix("^[0-9A-F]{4,}:[0-9]{10}: ");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(pid, 0) != 0) continue;
        EXPECT_TRUE(std::regex_search(line, prefix)) << line;
        EXPECT_FALSE(line.empty() || line.back() != '\r') << "text mode stores CR LF: " << line;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line.substr(line.find(": ") + 2));
    }
    return lines;
}

int TraceLog::Count(const std::string& text) const
{
    int n = 0;
    for (const std::string& line : Lines()) {
        size_t start = line.find_first_not_of(' ');
        n += start != std::string::npos && line.compare(start, std::string::npos, text) == 0;
    }
    return n;
}

}  // namespace vm2test
