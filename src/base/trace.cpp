#include "base/trace.h"

#include <shlobj.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/text.h"
#include "base/unique_handle.h"

BOOL g_bTraceEnable = FALSE;
char* g_pszTracePath = nullptr;
unsigned int g_nTraceDepth[3] = {0, 0, 0};

namespace {

const char kTraceFileTemplate[] = "C:\\VLX3_SIDM.LOG";

// The path and the open log are shared by every thread of the process (a
// worker may trace while an export runs). The critical section is built in
// place, once, at its first use, and never copied or deleted: the module's
// last destructors still trace. Without debug information it holds no
// memory of its own when the module is unloaded. Unlike a slim lock, one
// left held by a thread that was ended at process exit ends the process
// instead of hanging it.
CRITICAL_SECTION g_traceLock;
INIT_ONCE g_traceLockOnce = INIT_ONCE_STATIC_INIT;

BOOL CALLBACK InitTraceLock(PINIT_ONCE, PVOID, PVOID*)
{
    InitializeCriticalSectionEx(&g_traceLock, 0, CRITICAL_SECTION_NO_DEBUG_INFO);
    return TRUE;
}

class TraceLockGuard {
public:
    TraceLockGuard()
    {
        InitOnceExecuteOnce(&g_traceLockOnce, InitTraceLock, nullptr, nullptr);
        EnterCriticalSection(&g_traceLock);
    }
    ~TraceLockGuard() { LeaveCriticalSection(&g_traceLock); }
    TraceLockGuard(const TraceLockGuard&) = delete;
    TraceLockGuard& operator=(const TraceLockGuard&) = delete;
};

// The log stays open from the first line of an outermost scope until that
// scope closes: opening and closing it for each line was most of the cost of
// a traced call. Closing it with the scope means a log deleted or renamed
// meanwhile is started afresh by the next call; within a scope that lasts
// (the status window's polling thread) it is reopened once a second, since
// a deleted file stays reachable through an open handle. It is opened for
// appending, with every kind of sharing, so that other processes may write
// it too and anyone may delete or rename it. The owner is null-empty, so it
// is all zero, that is empty, before any constructor of the module runs.
vm2::UniqueHandle g_log;  // guarded by g_traceLock
DWORD g_dwLogOpened = 0;  // tick count of its opening
constexpr DWORD kLogReopenMs = 1000;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The folder of the log, looked up at the first traced call of the process
// only: asking the shell costs as much as a status poll.
char g_szFolder[MAX_PATH + 1] = "";  // guarded by g_traceLock

// Each line is one write, made while holding a lock word that every process
// of the session shares in a small named section. Appending through a shared
// handle is atomic on Windows, but Wine emulates it by looking up the end of
// the file and then writing there, so two processes would overwrite each
// other's lines. A named mutex would do the same at two calls into the
// system per line; the word costs two interlocked operations. It holds the
// owner's process id; a word held for more than a second (its owner died or
// hangs in the middle of a write) is taken over.
// The section stays mapped until the process ends, never closed by a
// destructor: the module's last destructors still trace while other
// processes write, and their lines must be locked too. A module unloaded
// while the trace is on leaves it behind.
class SessionLineLock {
public:
    void Acquire()
    {
        if (m_pWord == nullptr && !Open()) return;
        LONG self = static_cast<LONG>(GetCurrentProcessId());
        DWORD start = GetTickCount();
        for (int spin = 0;; ++spin) {
            LONG owner = InterlockedCompareExchange(m_pWord, self, 0);
            if (owner == 0) return;
            if (GetTickCount() - start > kTakeOverMs && InterlockedCompareExchange(m_pWord, self, owner) == owner)
                return;
            if (spin < 50) SwitchToThread();
            else Sleep(1);
        }
    }
    void Release()
    {
        if (m_pWord != nullptr) InterlockedCompareExchange(m_pWord, 0, static_cast<LONG>(GetCurrentProcessId()));
    }

private:
    static constexpr DWORD kTakeOverMs = 1000;

    bool Open()
    {
        if (m_bFailed) return false;
        HANDLE section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(LONG),
                                            "KAVRO_VLX3_TraceLogLine");
        void* view = section != nullptr ? MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, sizeof(LONG)) : nullptr;
        // Without it, lines are still written whole on Windows.
        if (view == nullptr) {
            if (section != nullptr) CloseHandle(section);
            m_bFailed = true;
            return false;
        }
        m_pWord = static_cast<volatile LONG*>(view);
        return true;
    }

    volatile LONG* m_pWord;  // zero-initialised with the rest of the object
    bool m_bFailed;
};
SessionLineLock g_lineLock;  // used under g_traceLock

typedef BOOL(WINAPI* SHGetSpecialFolderPathA_t)(HWND, LPSTR, int, BOOL);

bool CommonAppDataFolder(char* folder)
{
    vm2::UniqueModule shell(LoadLibraryA("shell32.dll"));
    if (!shell) return false;
    auto fn = reinterpret_cast<SHGetSpecialFolderPathA_t>(
        reinterpret_cast<void*>(GetProcAddress(shell.get(), "SHGetSpecialFolderPathA")));
    // Never created here.
    return fn != nullptr && fn(GetActiveWindow(), folder, CSIDL_COMMON_APPDATA, FALSE);
}

// Chooses the log's folder into g_szFolder; caller holds the lock.
bool FindTraceFolderLocked()
{
    char folder[MAX_PATH + 1] = "";
    if (!CommonAppDataFolder(folder) && GetTempPathA(MAX_PATH, folder) == 0) return false;
    // GetTempPath answers with a trailing backslash; the template adds its own.
    size_t len = strlen(folder);
    if (len > 0 && folder[len - 1] == '\\') folder[len - 1] = '\0';
    if (folder[0] == '\0') return false;
    memcpy(g_szFolder, folder, sizeof(g_szFolder));
    return true;
}

// Builds the path; caller holds the lock.
void PrepareTracePathLocked()
{
    if (!g_bTraceEnable) {
        free(g_pszTracePath);
        g_pszTracePath = nullptr;
        g_log.reset();
        return;
    }
    if (g_pszTracePath != nullptr) return;

    const char* fileName = strrchr(kTraceFileTemplate, '\\') + 1;

    if (g_szFolder[0] == '\0' && !FindTraceFolderLocked()) return;
    const char* folder = g_szFolder;

    size_t need = strlen(folder) + 1 + strlen(fileName) + 1;
    char* path = static_cast<char*>(calloc(need, 1));
    if (path == nullptr) return;
    snprintf(path, need, "%s\\%s", folder, fileName);
    g_pszTracePath = path;
}

void PrepareTracePath()
{
    if (!g_bTraceEnable && g_pszTracePath == nullptr) return;
    TraceLockGuard lock;
    PrepareTracePathLocked();
}

// The stored form of a line: what the old text-mode stream wrote, every line
// feed preceded by a carriage return.
void AppendStored(std::vector<char>* pOut, const char* pText, size_t nLen)
{
    for (size_t i = 0; i < nLen; ++i) {
        if (pText[i] == '\n') pOut->push_back('\r');
        pOut->push_back(pText[i]);
    }
}

void WriteLine(unsigned int depth, const char* format, va_list ap)
{
    // Formatted before the lock is taken: only the write is serialised.
    char prefix[32];
    int nPrefix = snprintf(prefix, sizeof(prefix), "%04X:%010u: ", static_cast<unsigned>(GetCurrentProcessId()),
                           static_cast<unsigned>(GetTickCount()));
    char text[1024];
    va_list again;
    va_copy(again, ap);
    int nText = vsnprintf(text, sizeof(text), format, ap);
    std::vector<char> big;
    const char* body = text;
    if (nText >= static_cast<int>(sizeof(text))) {
        big.resize(static_cast<size_t>(nText) + 1);
        vsnprintf(big.data(), big.size(), format, again);
        body = big.data();
    }
    va_end(again);
    if (nPrefix < 0 || nText < 0) return;

    std::vector<char> line;
    line.reserve(static_cast<size_t>(nPrefix) + 2 * depth + 2 * static_cast<size_t>(nText));
    line.insert(line.end(), prefix, prefix + nPrefix);
    line.insert(line.end(), 2 * static_cast<size_t>(depth), ' ');
    AppendStored(&line, body, static_cast<size_t>(nText));

    TraceLockGuard lock;
    if (g_pszTracePath == nullptr) return;
    if (g_log && GetTickCount() - g_dwLogOpened > kLogReopenMs) g_log.reset();
    if (!g_log) {
        HANDLE h = CreateFileA(g_pszTracePath, FILE_APPEND_DATA, kShareAll, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return;
        g_log.reset(h);
        g_dwLogOpened = GetTickCount();
    }
    g_lineLock.Acquire();
    DWORD written = 0;
    WriteFile(g_log.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    g_lineLock.Release();
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
    // Only the switch: the path is prepared by the first scope. This runs
    // while the module is loaded, under the loader lock, where loading
    // shell32 to ask for the folder is not safe.
    TraceLockGuard lock;
    g_bTraceEnable = bEnable;
    if (!bEnable) PrepareTracePathLocked();
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
        // Dropped when the outermost scope closes, and the log closed with
        // it; the next scope prepares the path anew.
        TraceLockGuard lock;
        free(g_pszTracePath);
        g_pszTracePath = nullptr;
        g_log.reset();
    }
}

void Trace(const char* pszFormat, ...)
{
    if (!g_bTraceEnable || g_pszTracePath == nullptr || pszFormat == nullptr) return;
    va_list ap;
    va_start(ap, pszFormat);
    WriteLine(g_nTraceDepth[0], pszFormat, ap);
    va_end(ap);
}

void Trace(const TraceScope& scope, const char* pszFormat, ...)
{
    if (!g_bTraceEnable || g_pszTracePath == nullptr || pszFormat == nullptr) return;
    va_list ap;
    va_start(ap, pszFormat);
    WriteLine(g_nTraceDepth[scope.Category()], pszFormat, ap);
    va_end(ap);
}
