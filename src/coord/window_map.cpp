#include "coord/window_map.h"

#include <atomic>
#include <cstdint>
#include <cstring>

#include "base/text.h"
#include "base/mutex_guard.h"
#include "base/unique_handle.h"
#include "base/trace.h"

using vm2::MapRecords;
using vm2::UniqueHandle;
using vm2::UniqueView;

namespace {

// Window handles travel through the register as 32-bit values; they widen
// back with sign extension, as Windows converts handles between 32 and 64 bits.
std::uint32_t HandleToWord(HWND hWnd) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(hWnd)); }
HWND WordToHandle(std::uint32_t v)
{
    return reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(v)));
}

std::atomic<DWORD> g_lockTimeoutMs{kWindowMapLockTimeoutMs};

bool IsLiveWindow(std::uint32_t v) { return v != 0 && IsWindow(WordToHandle(v)); }

void TraceMapEvent(const char* pszMapName, const char* pszEvent)
{
    Trace("WindowMap : %s : %s\n", pszMapName, pszEvent);
}

// The section's mutex, or none when its name cannot be built or another
// object squats on it: the register then works without the lock, as it
// always could.
UniqueHandle OpenMapMutex(const char* pszMapName)
{
    char szMutex[vm2::kMapNameBuf + 8];
    UniqueHandle h;
    if (!GetWindowMapMutexName(pszMapName, szMutex, sizeof(szMutex))) return h;
    h.reset(CreateMutexA(nullptr, FALSE, szMutex));
    if (!h) TraceMapEvent(pszMapName, "no lock");
    return h;
}

// Holds a section's mutex for the length of one operation.
class MapLock {
public:
    explicit MapLock(const char* pszMapName)
        : m_hMutex(OpenMapMutex(pszMapName)), m_guard(m_hMutex.get(), g_lockTimeoutMs.load())
    {
        if (m_guard.Abandoned()) TraceMapEvent(pszMapName, "previous holder died");
        // A holder that never lets go must not keep windows from opening.
        if (m_hMutex && !m_guard.Owned()) TraceMapEvent(pszMapName, "lock timed out");
    }

    bool Abandoned() const { return m_guard.Abandoned(); }

private:
    UniqueHandle m_hMutex;  // before the guard: released before it is closed
    vm2::MutexGuard m_guard;
};

// A view of the whole section and the part of it that can be used: the
// committed, writable pages from its start. The section may have been made
// by anyone with any size, so its size is read from the view, not assumed.
struct SectionView {
    UniqueView view;
    std::size_t cbUsable = 0;

    bool Map(HANDLE hSection)
    {
        view.reset(MapViewOfFile(hSection, FILE_MAP_ALL_ACCESS, 0, 0, 0));
        if (!view) return false;
        MEMORY_BASIC_INFORMATION mbi;
        if (VirtualQuery(view.get(), &mbi, sizeof(mbi)) == sizeof(mbi) && mbi.State == MEM_COMMIT &&
            (mbi.Protect & (PAGE_READWRITE | PAGE_EXECUTE_READWRITE)) != 0 &&
            (mbi.Protect & PAGE_GUARD) == 0) {
            cbUsable = mbi.RegionSize;
        }
        return true;
    }

    MapRecords Records(const vm2::MapLayout& layout) const
    {
        return MapRecords(static_cast<std::uint8_t*>(view.get()), cbUsable, layout);
    }
};

// Before a write: a register without an end marker gets one back. A writer
// that died half-way leaves that state, and when it was the only process
// with the mutex open nobody is told it died, so the register itself is
// checked every time rather than only after an abandoned wait.
void CheckEndMarker(MapRecords& records, const MapLock& lock)
{
    if (records.RepairEndMarker())
        TraceMapEvent(records.Layout().pszSectionName, "end marker restored");
    else if (lock.Abandoned())
        TraceMapEvent(records.Layout().pszSectionName, "register intact");
}

}  // namespace

DWORD SetWindowMapLockTimeout(DWORD ms) { return g_lockTimeoutMs.exchange(ms); }

bool GetWindowMapMutexName(const char* pszMapName, char* pszMutex, size_t cchMutex)
{
    static const char kSuffix[] = "_Mutex";
    if (pszMapName == nullptr || pszMutex == nullptr) return false;
    size_t nLen = strlen(pszMapName);
    if (nLen + sizeof(kSuffix) > cchMutex) return false;
    memcpy(pszMutex, pszMapName, nLen);
    memcpy(pszMutex + nLen, kSuffix, sizeof(kSuffix));
    return true;
}

HANDLE CreateWindowMap(const char* pszKey, const char* pszMapName)
{
    if (pszKey == nullptr || pszMapName == nullptr) return nullptr;
    const vm2::MapLayout& layout = vm2::MapLayoutForKeyLength(vm2::MapKeyLength(pszKey, vm2::kMapShortKeyMax));
    SetLastError(ERROR_SUCCESS);
    UniqueHandle hSection(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                             static_cast<DWORD>(layout.SectionSize()), pszMapName));
    if (!hSection) return nullptr;
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
        UniqueView view(MapViewOfFile(hSection.get(), FILE_MAP_ALL_ACCESS, 0, 0, layout.cbRecord));
        if (!view) return nullptr;
        static_cast<std::uint8_t*>(view.get())[0] = vm2::kMapEnd;
    }
    return hSection.release();
}

UINT RegisterMapWindow(const char* pszPrinterName, const char* pszPortName, int nKind, HWND hWnd,
                       HWND* phExisting, HANDLE* phSection)
{
    if (phExisting) *phExisting = nullptr;
    if (phSection) *phSection = nullptr;
    if (phSection == nullptr) return vm2::kMapNoSection;

    const char* pszKey = vm2::ChooseMapKey(pszPrinterName, pszPortName, nullptr);
    std::size_t nKeyLen = vm2::MapKeyLength(pszKey);
    if (nKeyLen > vm2::kMapLongKeyMax) return vm2::kMapUnusable;
    const vm2::MapLayout& layout = vm2::MapLayoutForKeyLength(nKeyLen);

    // The lock is taken before the section is made, so a second process
    // cannot slip in between the creation and the end marker.
    MapLock lock(layout.pszSectionName);
    UniqueHandle hSection(CreateWindowMap(pszKey, layout.pszSectionName));
    if (!hSection) return vm2::kMapNoSection;

    SectionView section;
    if (!section.Map(hSection.get())) return vm2::kMapUnusable;
    MapRecords records = section.Records(layout);
    CheckEndMarker(records, lock);

    std::uint32_t hExisting = 0;
    unsigned uResult = vm2::RegisterInMap(records, pszKey, nKind, HandleToWord(hWnd), IsLiveWindow, &hExisting);
    section.view.reset();
    if (uResult != vm2::kMapRegistered && uResult != vm2::kMapTaken) return uResult;

    if (phExisting) *phExisting = WordToHandle(hExisting);
    *phSection = hSection.release();
    return uResult;
}

void UnregisterMapWindow(HANDLE hSection, const char* pszPrinterName, const char* pszPortName, int nKind,
                         BOOL bUsePort)
{
    if (hSection == nullptr) return;
    const char* pszKey = bUsePort ? pszPortName : pszPrinterName;
    if (pszKey == nullptr) return;
    std::size_t nKeyLen = vm2::MapKeyLength(pszKey);
    if (nKeyLen > vm2::kMapLongKeyMax) return;
    const vm2::MapLayout& layout = vm2::MapLayoutForKeyLength(nKeyLen);

    MapLock lock(layout.pszSectionName);
    SectionView section;
    if (!section.Map(hSection)) return;
    MapRecords records = section.Records(layout);
    CheckEndMarker(records, lock);
    vm2::UnregisterInMap(records, pszKey, nKind);
}

HWND FindMapWindow(const char* pszPrinterName, const char* pszPortName, int nKind)
{
    const char* pszKey = vm2::IsEmpty(pszPrinterName) ? pszPortName : pszPrinterName;
    if (pszKey == nullptr) return nullptr;
    std::size_t nKeyLen = vm2::MapKeyLength(pszKey);
    if (nKeyLen > vm2::kMapLongKeyMax) return nullptr;
    const vm2::MapLayout& layout = vm2::MapLayoutForKeyLength(nKeyLen);

    std::uint32_t hFound = 0;
    {
        MapLock lock(layout.pszSectionName);
        UniqueHandle hSection(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, layout.pszSectionName));
        if (!hSection) return nullptr;
        SectionView section;
        if (!section.Map(hSection.get())) return nullptr;
        MapRecords records = section.Records(layout);
        hFound = vm2::FindInMap(records, pszKey, nKind);
    }
    return IsLiveWindow(hFound) ? WordToHandle(hFound) : nullptr;
}
