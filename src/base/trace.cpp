#include "base/trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/text.h"
#include "base/unique_handle.h"

BOOL g_bTraceEnable = FALSE;
char* g_pszTracePath = nullptr;
unsigned int g_nTraceDepth[3] = {0, 0, 0};

namespace {

const char kTraceFileTemplate[] = "C:\\VLX3_SIDM.LOG";

// The path is shared by every thread of the process (a worker may trace while
// an export runs); the lock keeps one thread from freeing it under another.
// It is only taken when the trace is on.
CRITICAL_SECTION& PathLock()
{
    static CRITICAL_SECTION cs = [] {
        CRITICAL_SECTION c;
        InitializeCriticalSection(&c);
        return c;
    }();
    return cs;
}

typedef BOOL(WINAPI* SHGetSpecialFolderPathA_t)(HWND, LPSTR, int, BOOL);

bool CommonAppDataFolder(char* folder)
{
    vm2::UniqueModule shell(LoadLibraryA("shell32.dll"));
    if (!shell) return false;
    auto fn = reinterpret_cast<SHGetSpecialFolderPathA_t>(
        reinterpret_cast<void*>(GetProcAddress(shell.get(), "SHGetSpecialFolderPathA")));
    // 35 = the common application-data folder; never created here.
    return fn != nullptr && fn(GetActiveWindow(), folder, 35, FALSE);
}

// Chooses the folder and builds the path; caller holds the lock.
void PrepareTracePathLocked()
{
    if (!g_bTraceEnable) {
        free(g_pszTracePath);
        g_pszTracePath = nullptr;
        return;
    }
    if (g_pszTracePath != nullptr) return;

    const char* fileName = strrchr(kTraceFileTemplate, '\\') + 1;

    char folder[MAX_PATH + 1] = "";
    OSVERSIONINFOA vi = {};
    vi.dwOSVersionInfoSize = sizeof(vi);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    BOOL gotVersion = GetVersionExA(&vi);
#pragma GCC diagnostic pop
    if (!gotVersion) {
        if (GetTempPathA(MAX_PATH, folder) == 0) return;
    } else if (vi.dwPlatformId != VER_PLATFORM_WIN32_NT) {
        return;  // no folder on the old platforms: nothing is traced
    } else if (vi.dwMajorVersion < 5 || !CommonAppDataFolder(folder)) {
        if (GetTempPathA(MAX_PATH, folder) == 0) return;
    }
    // GetTempPath answers with a trailing backslash; the template adds its own.
    size_t len = strlen(folder);
    if (len > 0 && folder[len - 1] == '\\') folder[len - 1] = '\0';

    size_t need = strlen(folder) + 1 + strlen(fileName) + 1;
    char* path = static_cast<char*>(calloc(need, 1));
    if (path == nullptr) return;
    snprintf(path, need, "%s\\%s", folder, fileName);
    g_pszTracePath = path;
}

void PrepareTracePath()
{
    if (!g_bTraceEnable && g_pszTracePath == nullptr) return;
    EnterCriticalSection(&PathLock());
    PrepareTracePathLocked();
    LeaveCriticalSection(&PathLock());
}

void WriteLine(unsigned int depth, const char* format, va_list ap)
{
    EnterCriticalSection(&PathLock());
    if (g_pszTracePath != nullptr) {
        // One open and close per line, so several processes can share the file.
        FILE* f = fopen(g_pszTracePath, "a");
        if (f != nullptr) {
            fprintf(f, "%04X:", static_cast<unsigned>(GetCurrentProcessId()));
            fprintf(f, "%010u: ", static_cast<unsigned>(GetTickCount()));
            for (unsigned int i = 0; i < depth; ++i) fputs("  ", f);
            vfprintf(f, format, ap);
            fclose(f);
        }
    }
    LeaveCriticalSection(&PathLock());
}

void WriteFormatted(unsigned int depth, const char* format, ...)
{
    va_list ap;
    va_start(ap, format);
    WriteLine(depth, format, ap);
    va_end(ap);
}

}  // namespace

void SetTraceEnable(BOOL bEnable)
{
    EnterCriticalSection(&PathLock());
    g_bTraceEnable = bEnable;
    PrepareTracePathLocked();
    LeaveCriticalSection(&PathLock());
}

TraceScope::TraceScope(const char* pszName, int nCategory)
    : m_nCategory(nCategory >= 0 && nCategory < 3 ? nCategory : 0)
{
    PrepareTracePath();
    if (g_bTraceEnable) {
        unsigned int depth = g_nTraceDepth[m_nCategory];
        WriteFormatted(depth, "\n");
        WriteFormatted(depth, "---\n");
        if (pszName != nullptr) WriteFormatted(depth, "%s\n", pszName);
    }
    InterlockedIncrement(reinterpret_cast<volatile LONG*>(&g_nTraceDepth[m_nCategory]));
}

TraceScope::~TraceScope()
{
    volatile LONG* depth = reinterpret_cast<volatile LONG*>(&g_nTraceDepth[m_nCategory]);
    LONG now;
    for (;;) {
        LONG cur = *depth;
        if (cur <= 0) {
            now = cur;
            break;
        }
        if (InterlockedCompareExchange(depth, cur - 1, cur) == cur) {
            now = cur - 1;
            break;
        }
    }
    if (now == 0 && g_pszTracePath != nullptr) {
        // Dropped when the outermost scope closes; the next scope prepares it anew.
        EnterCriticalSection(&PathLock());
        free(g_pszTracePath);
        g_pszTracePath = nullptr;
        LeaveCriticalSection(&PathLock());
    }
}

void Trace(const TraceScope& scope, const char* pszFormat, ...)
{
    if (!g_bTraceEnable || g_pszTracePath == nullptr || pszFormat == nullptr) return;
    va_list ap;
    va_start(ap, pszFormat);
    WriteLine(g_nTraceDepth[scope.Category()], pszFormat, ap);
    va_end(ap);
}
