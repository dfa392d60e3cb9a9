// The module's trace log as a test reads it. The log is one file shared by
// every process of the prefix: a test that reads it holds the "trace" or the
// "target_keys" lock, which the tests that delete or rename it hold too.
#pragma once

#include <string>
#include <vector>

namespace vm2test {

std::string TraceFilePath();

// The module's trace switched on in this process while the object lives.
struct TraceOn {
    TraceOn();
    ~TraceOn();
};

// Where the log ends now; Lines() gives what this process appended since,
// each without its "pid:ticks: " prefix and line end.
class TraceLog {
public:
    TraceLog();
    std::vector<std::string> Lines() const;
    // How many of those lines read text after their indentation.
    int Count(const std::string& text) const;

private:
    size_t m_nFrom;
};

}  // namespace vm2test
