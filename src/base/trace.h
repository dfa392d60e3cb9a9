// Diagnostic trace: one text file, off unless HKLM "Software\Kavro\VLX3" "log"
// is non-zero. Every line carries the process id and the tick count and is
// indented two blanks per open scope of its category.
#pragma once

#include <windows.h>

extern BOOL g_bTraceEnable;
extern char* g_pszTracePath;
extern unsigned int g_nTraceDepth[3];

class TraceScope {
public:
    // A null name writes only the blank line and "---"; categories of 3 or
    // more count as 0.
    explicit TraceScope(const char* pszName = nullptr, int nCategory = 0);
    ~TraceScope();

    TraceScope(const TraceScope&) = delete;
    TraceScope& operator=(const TraceScope&) = delete;

    int Category() const { return m_nCategory; }

private:
    int m_nCategory;
};

void Trace(const TraceScope& scope, const char* pszFormat, ...)
    __attribute__((format(printf, 2, 3)));
// A line at the current depth of category 0, for an operation that opens no
// scope of its own: its lines stay at the depth of the operation that called it.
void Trace(const char* pszFormat, ...) __attribute__((format(printf, 1, 2)));

// Sets the switch; on, the trace path is prepared, off, it is dropped.
void SetTraceEnable(BOOL bEnable);
