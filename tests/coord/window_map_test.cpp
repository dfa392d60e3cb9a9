// The window register with real sections and real windows: one end-to-end
// case per operation (the record rules are checked in memory by
// window_map_records_test.cpp) and what only real sections show: other
// processes, a dead lock holder, garbage from outside. The sections have fixed
// names shared by the whole Wine session, so these tests hold the "window_map"
// lock and start from a register that no process holds.
#include "coord/window_map.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/unique_handle.h"
#include "coord/map_helper.h"
#include "harness/test_support.h"

using vm2::UniqueHandle;
using vm2test::ChildProcess;
using vm2test::TempDir;
using vm2test::UniqueName;

namespace {

const HWND kSentinelWnd = reinterpret_cast<HWND>(static_cast<std::intptr_t>(0x5EED));
const HANDLE kSentinelSection = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(0x5EEE));

// A plain top-level window, never shown.
vm2::UniqueWindow MakeWindow()
{
    static ATOM atom = 0;
    if (atom == 0) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "WindowMapTestWindow";
        atom = RegisterClassA(&wc);
    }
    vm2::UniqueWindow w(CreateWindowExA(0, "WindowMapTestWindow", "map test", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                        nullptr, GetModuleHandleA(nullptr), nullptr));
    EXPECT_TRUE(w) << "CreateWindowEx failed: " << GetLastError();
    return w;
}

std::uint32_t Word(HWND hWnd) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(hWnd)); }

// Holds a section open (so that it outlives the handles the code under test
// closes) and reads its records at the offsets of the packed record types.
class RegisterView {
public:
    explicit RegisterView(const char* pszSection)
        : m_bLong(strcmp(pszSection, vm2::kMapNameLong) == 0),
          m_section(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, pszSection))
    {
        if (m_section) m_view.reset(MapViewOfFile(m_section.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
    }

    bool Ok() const { return static_cast<bool>(m_view); }
    std::size_t RecordSize() const { return m_bLong ? sizeof(WindowMapRecord2) : sizeof(WindowMapRecord); }
    std::uint8_t* Record(std::size_t i) const { return static_cast<std::uint8_t*>(m_view.get()) + i * RecordSize(); }
    std::uint8_t State(std::size_t i) const { return Record(i)[0]; }
    std::string Name(std::size_t i) const
    {
        const char* p = reinterpret_cast<const char*>(Record(i));
        return std::string(p, strnlen(p, m_bLong ? sizeof(WindowMapRecord2::szName) : sizeof(WindowMapRecord::szName)));
    }
    std::uint32_t Status(std::size_t i) const { return Slot(i, offsetof(WindowMapRecord, hStatusWnd)); }
    std::uint32_t Preference(std::size_t i) const { return Slot(i, offsetof(WindowMapRecord, hPreferenceWnd)); }
    std::uint32_t Extra(std::size_t i) const { return Slot(i, offsetof(WindowMapRecord, hExtraWnd)); }
    long EndMarker() const
    {
        for (std::size_t i = 0; i < vm2::kMapRecordCount; ++i)
            if (State(i) == 0xFF) return static_cast<long>(i);
        return -1;
    }
    std::vector<std::uint8_t> Bytes() const { return std::vector<std::uint8_t>(Record(0), Record(vm2::kMapRecordCount)); }

private:
    std::uint32_t Slot(std::size_t i, std::size_t shortOffset) const
    {
        // Both record kinds keep their slots at the same distance from the end.
        std::uint32_t v;
        memcpy(&v, Record(i) + shortOffset + (m_bLong ? 260 : 0), 4);  // little-endian on every Windows target
        return v;
    }

    bool m_bLong;
    UniqueHandle m_section;
    vm2::UniqueView m_view;
};

bool SectionExists(const char* pszSection)
{
    return static_cast<bool>(UniqueHandle(OpenFileMappingA(FILE_MAP_READ, FALSE, pszSection)));
}

// Every test starts from a register nobody holds: the first registration
// then creates it empty.
class WindowMap : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(SectionExists(vm2::kMapNameShort)) << "another process holds the short register";
        ASSERT_FALSE(SectionExists(vm2::kMapNameLong)) << "another process holds the long register";
    }

    // Registers and keeps the section handle for the end of the test.
    UINT Register(const char* printer, const char* port, int kind, HWND hWnd, HWND* pExisting = nullptr)
    {
        HWND existing = kSentinelWnd;
        HANDLE section = kSentinelSection;
        UINT r = RegisterMapWindow(printer, port, kind, hWnd, &existing, &section);
        EXPECT_NE(kSentinelWnd, existing) << "hExisting not set";
        if (r == 0 || r == 1) {
            EXPECT_NE(nullptr, section) << "result " << r << " without a section handle";
            if (section) m_sections.emplace_back(section);
        } else {
            EXPECT_EQ(nullptr, section) << "result " << r << " with a section handle";
        }
        if (r != 1) {
            EXPECT_EQ(nullptr, existing) << "hExisting set with result " << r;
        }
        if (pExisting) *pExisting = existing;
        return r;
    }

    HANDLE Section() const { return m_sections.empty() ? nullptr : m_sections.back().get(); }

    std::vector<UniqueHandle> m_sections;
};

// The command line of the register's helper process (map_helper.h).
std::string MapHelper(const std::string& args) { return "\"" + vm2test::BinDir() + "\\map_helper.exe\" " + args; }

// Another process that takes a section's lock and keeps it until Release().
class LockHolder {
public:
    explicit LockHolder(const char* pszSection)
        : m_prefix(UniqueName("VM2MapHold")),
          m_ready(CreateEventA(nullptr, TRUE, FALSE, maphelper::Ready(m_prefix).c_str())),
          m_exit(CreateEventA(nullptr, TRUE, FALSE, maphelper::Exit(m_prefix).c_str())),
          m_process(MapHelper("hold " + m_prefix + " " + pszSection))
    {
    }
    ~LockHolder() { SetEvent(m_exit.get()); }
    bool Holding() const { return WaitForSingleObject(m_ready.get(), 60000) == WAIT_OBJECT_0; }
    DWORD Release()
    {
        SetEvent(m_exit.get());
        return m_process.Wait();
    }

private:
    std::string m_prefix;
    UniqueHandle m_ready, m_exit;
    ChildProcess m_process;
};

}  // namespace

// ------------------------------------------------------------ the section

TEST_F(WindowMap, CreateWindowMapMarksOnlyANewSectionEmptyAndSizesItByTheKey)
{
    UniqueHandle first(CreateWindowMap("Printer", vm2::kMapNameShort));
    ASSERT_TRUE(first);
    RegisterView view(vm2::kMapNameShort);
    ASSERT_TRUE(view.Ok());
    EXPECT_EQ(0xFF, view.State(0));
    EXPECT_EQ(0x00, view.State(1)) << "a new section is zero behind the marker";

    // An existing section keeps what it holds.
    view.Record(0)[0] = 'Q';
    UniqueHandle second(CreateWindowMap("Printer", vm2::kMapNameShort));
    ASSERT_TRUE(second);
    EXPECT_EQ('Q', view.State(0));

    EXPECT_EQ(nullptr, CreateWindowMap(nullptr, vm2::kMapNameShort));
    EXPECT_EQ(nullptr, CreateWindowMap("Printer", nullptr));

    UniqueHandle longMap(CreateWindowMap(std::string(261, 'l').c_str(), vm2::kMapNameLong));
    ASSERT_TRUE(longMap);
    for (auto [h, size] : {std::pair<HANDLE, SIZE_T>{first.get(), 137000}, {longMap.get(), 267000}}) {
        vm2::UniqueView p(MapViewOfFile(h, FILE_MAP_READ, 0, 0, 0));
        ASSERT_TRUE(p);
        MEMORY_BASIC_INFORMATION mbi;
        ASSERT_EQ(sizeof(mbi), VirtualQuery(p.get(), &mbi, sizeof(mbi)));
        EXPECT_GE(mbi.RegionSize, size);
        EXPECT_LT(mbi.RegionSize, size + 4096);
    }
}

// ------------------------------------------------------- registration

TEST_F(WindowMap, RegisterFindAndUnregisterThroughTheSection)
{
    vm2::UniqueWindow first = MakeWindow(), second = MakeWindow(), prefs = MakeWindow();
    EXPECT_EQ(0u, Register("Printer One", "LPT1:", MAPWND_STATUS, first.get()));
    RegisterView view(vm2::kMapNameShort);
    ASSERT_TRUE(view.Ok());
    EXPECT_EQ("Printer One", view.Name(0));
    EXPECT_EQ(Word(first.get()), view.Status(0));
    EXPECT_EQ(1, view.EndMarker());
    EXPECT_FALSE(SectionExists(vm2::kMapNameLong)) << "a short key must not touch the long section";

    EXPECT_EQ(first.get(), FindMapWindow("PRINTER one", "LPT1:", MAPWND_STATUS)) << "keys ignore case";
    EXPECT_EQ(nullptr, FindMapWindow("Printer One", "LPT1:", MAPWND_PREFERENCE));
    HWND existing = nullptr;
    EXPECT_EQ(1u, Register("printer ONE", "", MAPWND_STATUS, second.get(), &existing));
    EXPECT_EQ(first.get(), existing);
    ASSERT_EQ(0u, Register("Printer One", "", MAPWND_PREFERENCE, prefs.get()));
    EXPECT_EQ(Word(prefs.get()), view.Preference(0));

    // A destroyed window is not reported, and its slot is taken over.
    first.reset();
    EXPECT_EQ(nullptr, FindMapWindow("Printer One", "", MAPWND_STATUS));
    EXPECT_EQ(0u, Register("Printer One", "", MAPWND_STATUS, second.get()));
    EXPECT_EQ(Word(second.get()), view.Status(0));
    EXPECT_EQ(1, view.EndMarker());

    UnregisterMapWindow(Section(), "printer one", "", MAPWND_STATUS, FALSE);
    EXPECT_EQ(nullptr, FindMapWindow("Printer One", "", MAPWND_STATUS));
    EXPECT_EQ('P', view.State(0)) << "the preferences dialog still holds the record";
    UnregisterMapWindow(Section(), "Printer One", "", MAPWND_PREFERENCE, FALSE);
    EXPECT_EQ(0x00, view.State(0));
}

TEST_F(WindowMap, PortNameIsTheKeyOnlyWhenThePrinterNameIsEmpty)
{
    vm2::UniqueWindow byPort = MakeWindow();
    ASSERT_EQ(0u, Register(nullptr, "COM7:", MAPWND_STATUS, byPort.get()));
    RegisterView view(vm2::kMapNameShort);
    ASSERT_TRUE(view.Ok());
    EXPECT_EQ("COM7:", view.Name(0));
    EXPECT_EQ(byPort.get(), FindMapWindow("", "com7:", MAPWND_STATUS));
    EXPECT_EQ(nullptr, FindMapWindow("COM9:", "COM7:", MAPWND_STATUS)) << "a printer name wins over the port";

    // Unregistering names the port only when the caller says so.
    UnregisterMapWindow(Section(), "", "COM7:", MAPWND_STATUS, FALSE);
    EXPECT_EQ(byPort.get(), FindMapWindow("", "COM7:", MAPWND_STATUS));
    UnregisterMapWindow(Section(), "", "COM7:", MAPWND_STATUS, TRUE);
    EXPECT_EQ(nullptr, FindMapWindow("", "COM7:", MAPWND_STATUS));
}

TEST_F(WindowMap, KeyLengthChoosesTheSectionAndLongerKeysAreRefused)
{
    vm2::UniqueWindow a = MakeWindow(), b = MakeWindow();
    std::string k260(260, 'a'), k520(520, 'c'), k521(521, 'x');
    EXPECT_EQ(2u, Register(k521.c_str(), "", MAPWND_STATUS, a.get()));
    EXPECT_FALSE(SectionExists(vm2::kMapNameLong)) << "a refused key must not create the register";
    ASSERT_EQ(0u, Register(k260.c_str(), "", MAPWND_STATUS, a.get()));
    EXPECT_FALSE(SectionExists(vm2::kMapNameLong));
    ASSERT_EQ(0u, Register(k520.c_str(), "", MAPWND_PREFERENCE, b.get()));

    RegisterView shortView(vm2::kMapNameShort), longView(vm2::kMapNameLong);
    ASSERT_TRUE(shortView.Ok());
    ASSERT_TRUE(longView.Ok());
    EXPECT_EQ(k260, shortView.Name(0));
    EXPECT_EQ(Word(a.get()), shortView.Status(0));
    EXPECT_EQ(k520, longView.Name(0));
    EXPECT_EQ(Word(b.get()), longView.Preference(0));
    EXPECT_EQ(1, longView.EndMarker());
    EXPECT_EQ(a.get(), FindMapWindow(k260.c_str(), "", MAPWND_STATUS));
    EXPECT_EQ(b.get(), FindMapWindow(k520.c_str(), "", MAPWND_PREFERENCE));

    std::vector<std::uint8_t> before = longView.Bytes();
    EXPECT_EQ(2u, Register(k521.c_str(), "", MAPWND_STATUS, a.get()));
    EXPECT_EQ(2u, Register("", std::string(4000, 'p').c_str(), MAPWND_STATUS, a.get()));
    UnregisterMapWindow(Section(), k521.c_str(), "", MAPWND_STATUS, FALSE);
    EXPECT_EQ(nullptr, FindMapWindow(k521.c_str(), "", MAPWND_STATUS));
    EXPECT_TRUE(before == longView.Bytes()) << "the register changed";
}

TEST_F(WindowMap, NameTakenByAnotherObjectGivesNoSection)
{
    UniqueHandle squat(CreateEventA(nullptr, TRUE, FALSE, vm2::kMapNameShort));
    ASSERT_TRUE(squat);
    vm2::UniqueWindow w = MakeWindow();
    HWND existing = kSentinelWnd;
    HANDLE section = kSentinelSection;
    EXPECT_EQ(3u, RegisterMapWindow("Printer", "", MAPWND_STATUS, w.get(), &existing, &section));
    EXPECT_EQ(nullptr, section);
    EXPECT_EQ(nullptr, existing);
    EXPECT_EQ(nullptr, FindMapWindow("Printer", "", MAPWND_STATUS));
    squat.reset();
    EXPECT_EQ(3u, RegisterMapWindow("Printer", "", MAPWND_STATUS, w.get(), &existing, nullptr))
        << "no place for the section handle";
}

TEST_F(WindowMap, NothingToFindOrUnregisterWithoutTheRegister)
{
    EXPECT_EQ(nullptr, FindMapWindow("Printer", "LPT1:", MAPWND_STATUS));
    EXPECT_FALSE(SectionExists(vm2::kMapNameShort)) << "finding must not create the register";
    UnregisterMapWindow(nullptr, "Printer", "LPT1:", MAPWND_STATUS, FALSE);
    EXPECT_FALSE(SectionExists(vm2::kMapNameShort));
}

// ------------------------------------------------- other processes, faults

TEST_F(WindowMap, WriterThatDiedHoldingTheLockLeavesAUsableRegister)
{
    char szMutex[64];
    ASSERT_TRUE(GetWindowMapMutexName(vm2::kMapNameShort, szMutex, sizeof(szMutex)));
    std::vector<vm2::UniqueWindow> windows;
    windows.push_back(MakeWindow());
    ASSERT_EQ(0u, Register("Start", "", MAPWND_STATUS, windows.back().get()));
    RegisterView view(vm2::kMapNameShort);
    ASSERT_TRUE(view.Ok());
    // Watched: this process has the mutex open when the writer dies, so the
    // next wait reports it abandoned. Unwatched: the mutex dies with the
    // writer and only the register shows what happened.
    for (bool watched : {true, false}) {
        SCOPED_TRACE(watched ? "watched" : "unwatched");
        windows.push_back(MakeWindow());
        std::string before = std::string("Before-") + (watched ? "1" : "2");
        ASSERT_EQ(0u, Register(before.c_str(), "", MAPWND_STATUS, windows.back().get()));
        long markerBefore = view.EndMarker();

        UniqueHandle mutex(watched ? CreateMutexA(nullptr, FALSE, szMutex) : nullptr);
        {
            ChildProcess helper(MapHelper(std::string("abandon x ") + vm2::kMapNameShort));
            ASSERT_EQ(0u, helper.Wait());
        }
        ASSERT_EQ(-1, view.EndMarker()) << "the helper should have wiped the end marker";

        windows.push_back(MakeWindow());
        std::string after = std::string("After-") + (watched ? "1" : "2");
        ASSERT_EQ(0u, Register(after.c_str(), "", MAPWND_STATUS, windows.back().get()));
        // The half-written record stays; the new key goes behind it.
        EXPECT_EQ(markerBefore + 2, view.EndMarker());
        EXPECT_EQ(after, view.Name(markerBefore + 1));
        EXPECT_EQ(windows[windows.size() - 2].get(), FindMapWindow(before.c_str(), "", MAPWND_STATUS));
        EXPECT_EQ(windows.back().get(), FindMapWindow(after.c_str(), "", MAPWND_STATUS));

        // The mutex was let go: another process takes it at once.
        LockHolder holder(vm2::kMapNameShort);
        EXPECT_TRUE(holder.Holding()) << "the mutex stayed taken";
        EXPECT_EQ(0u, holder.Release());
    }
}

namespace {

struct RegisterCall {
    const char* printer;
    HWND hWnd;
    UINT result = 0xFFFF;
    HANDLE section = nullptr;
    static DWORD WINAPI Run(void* p)
    {
        auto* self = static_cast<RegisterCall*>(p);
        HWND existing = nullptr;
        self->result = RegisterMapWindow(self->printer, "", MAPWND_STATUS, self->hWnd, &existing, &self->section);
        return 0;
    }
};

}  // namespace

// A registration waits while another process holds the lock, and goes ahead
// once the lock wait runs out when the holder never lets go.
TEST_F(WindowMap, RegistrationWaitsForTheLockButIsNotBlockedByANeverReleasedOne)
{
    UniqueHandle keep(CreateWindowMap("k", vm2::kMapNameShort));
    ASSERT_TRUE(keep);
    RegisterView view(vm2::kMapNameShort);
    ASSERT_TRUE(view.Ok());
    LockHolder holder(vm2::kMapNameShort);
    ASSERT_TRUE(holder.Holding());
    DWORD old = SetWindowMapLockTimeout(2000);
    auto restore = vm2::ScopeExit([old] { SetWindowMapLockTimeout(old); });

    vm2::UniqueWindow w = MakeWindow();
    RegisterCall call{"Waiting", w.get()};
    DWORD start = GetTickCount();
    UniqueHandle thread(CreateThread(nullptr, 0, RegisterCall::Run, &call, 0, nullptr));
    ASSERT_TRUE(thread);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(thread.get(), 1000)) << "did not wait for the lock";
    EXPECT_EQ(0, view.EndMarker()) << "the register changed while another process held the lock";

    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.get(), 30000)) << "blocked by a lock never released";
    EXPECT_GE(GetTickCount() - start, 1900u);
    EXPECT_EQ(0u, call.result);
    EXPECT_EQ("Waiting", view.Name(0));
    EXPECT_EQ(w.get(), FindMapWindow("Waiting", "", MAPWND_STATUS));
    EXPECT_EQ(0u, holder.Release());
    if (call.section) CloseHandle(call.section);
}

namespace {

struct GarbageCase {
    const char* section;
    DWORD size;
    const char* pattern;
    bool stable;  // the helper writes nothing once ready
};

// Every operation on a register full of garbage answers with one of its
// defined results; a registration that reports success can be found again.
void RunOnGarbage(const GarbageCase& c, unsigned seed)
{
    SCOPED_TRACE(std::string(c.section) + " size " + std::to_string(c.size) + " pattern " + c.pattern);
    std::string prefix = UniqueName("VM2MapGarbage");
    UniqueHandle ready(CreateEventA(nullptr, TRUE, FALSE, maphelper::Ready(prefix).c_str()));
    UniqueHandle exitEvent(CreateEventA(nullptr, TRUE, FALSE, maphelper::Exit(prefix).c_str()));
    ChildProcess helper(MapHelper("garbage " + prefix + " " + c.section + " " + std::to_string(c.size) + " " +
                                  c.pattern + " " + std::to_string(seed)));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready.get(), 60000)) << "helper exit " << helper.Wait(0);

    bool bLong = strcmp(c.section, vm2::kMapNameLong) == 0;
    vm2::UniqueWindow windows[4] = {MakeWindow(), MakeWindow(), MakeWindow(), MakeWindow()};
    std::vector<HANDLE> sections;
    int registered = 0;
    for (int i = 0; i < 60; ++i) {
        std::string key = (bLong ? std::string(270, 'G') : std::string("G")) + std::to_string(i % 20);
        int kind = i % 6 - 1;  // -1 .. 4
        HWND hWnd = windows[i % 4].get();
        HWND existing = kSentinelWnd;
        HANDLE section = kSentinelSection;
        UINT r = RegisterMapWindow(key.c_str(), "", kind, hWnd, &existing, &section);
        ASSERT_LE(r, 2u) << "key " << key << " kind " << kind;
        if (r == 2) {
            EXPECT_EQ(nullptr, section);
        }
        if (r != 2) {
            EXPECT_NE(nullptr, section);
            if (section) sections.push_back(section);
        }
        if (r == 1) {
            EXPECT_TRUE(existing == nullptr || IsWindow(existing));
        }
        if (r == 0 && kind >= 0 && kind <= 3) {
            ++registered;
            if (c.stable) {
                EXPECT_EQ(hWnd, FindMapWindow(key.c_str(), "", kind)) << key;
            }
        }
        HWND found = FindMapWindow(key.c_str(), "", kind);
        EXPECT_TRUE(found == nullptr || IsWindow(found));
        if (i % 3 == 2 && section && section != kSentinelSection)
            UnregisterMapWindow(section, key.c_str(), "", (i / 3) % 5, FALSE);
    }
    // Keys nobody registered: a garbage record may match them, but only a
    // live window may come back.
    for (const char* key : {"", "A", "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "\xFF"}) {
        for (int kind = -1; kind <= 4; ++kind) {
            HWND found = FindMapWindow(key, "", kind);
            EXPECT_TRUE(found == nullptr || IsWindow(found));
        }
    }
    if (c.stable && c.size >= 137000 && strcmp(c.pattern, "zero") == 0) {
        EXPECT_GT(registered, 0) << "an all-free register takes registrations";
    }
    SetEvent(exitEvent.get());
    EXPECT_EQ(0u, helper.Wait());
    for (HANDLE h : sections) CloseHandle(h);
}

}  // namespace

TEST_F(WindowMap, GarbageFromAnotherProcessGivesOnlyDefinedResults)
{
    const GarbageCase cases[] = {
        {vm2::kMapNameShort, 137000, "random", true},
        {vm2::kMapNameShort, 137000, "letters", true},
        {vm2::kMapNameShort, 137000, "zero", true},
        {vm2::kMapNameShort, 137000, "ff", true},
        {vm2::kMapNameShort, 137000, "noff", true},
        {vm2::kMapNameShort, 1000, "zero", true},   // smaller than the register
        {vm2::kMapNameShort, 100, "random", true},  // smaller than one page
        {vm2::kMapNameShort, 137000, "squat", true},
        {vm2::kMapNameLong, 267000, "letters", true},
        {vm2::kMapNameLong, 5000, "noff", true},
    };
    unsigned seed = 1;
    for (const GarbageCase& c : cases) RunOnGarbage(c, seed++);
}

TEST_F(WindowMap, WriterScribblingMeanwhileGivesOnlyDefinedResults)
{
    RunOnGarbage({vm2::kMapNameShort, 137000, "scribble", false}, 77);
    RunOnGarbage({vm2::kMapNameLong, 267000, "scribble", false}, 78);
}

namespace {

struct Held {
    int kind;
    std::uintptr_t hWnd;
    std::string key;
};

std::vector<Held> ReadHeld(const std::string& path)
{
    std::vector<Held> out;
    std::istringstream in(vm2test::ReadFileText(path));
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream ls(line);
        Held h;
        unsigned long long w = 0;
        ls >> h.kind >> w;
        ls.get();
        std::getline(ls, h.key);
        if (!h.key.empty() && h.key.back() == '\r') h.key.pop_back();  // written in text mode
        h.hWnd = static_cast<std::uintptr_t>(w);
        if (!h.key.empty()) out.push_back(h);
    }
    return out;
}

std::string Lower(std::string s)
{
    for (char& c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return s;
}

// The records in use of a section, with the invariants every process relies
// on: one end marker, no key twice.
void CheckRecords(const char* pszSection, std::map<std::pair<std::string, int>, std::uint32_t>* pSlots)
{
    SCOPED_TRACE(pszSection);
    RegisterView view(pszSection);
    ASSERT_TRUE(view.Ok());
    long marker = view.EndMarker();
    ASSERT_GE(marker, 0) << "end marker lost";
    std::set<std::string> seen;
    for (long i = 0; i < marker; ++i) {
        if (view.State(i) == 0x00) continue;
        std::string key = Lower(view.Name(i));
        EXPECT_TRUE(seen.insert(key).second) << "key " << key.substr(0, 30) << " has two records";
        EXPECT_TRUE(view.Status(i) != 0 || view.Preference(i) != 0 || view.Extra(i) != 0)
            << "record " << i << " in use without a window";
        if (view.Status(i)) (*pSlots)[{key, MAPWND_STATUS}] = view.Status(i);
        if (view.Preference(i)) (*pSlots)[{key, MAPWND_PREFERENCE}] = view.Preference(i);
        EXPECT_EQ(0u, view.Extra(i));
    }
}

}  // namespace

TEST_F(WindowMap, ProcessesRegisteringAtTheSameMomentKeepTheRegisterConsistent)
{
    const int kProcesses = 4;
    // A short run in the suite; VM2PR2_STRESS_ITERATIONS=1000 (or more) makes
    // it the long stress run the README names.
    const char* pszIterations = getenv("VM2PR2_STRESS_ITERATIONS");
    const int kIterations = pszIterations && atoi(pszIterations) > 0 ? atoi(pszIterations) : 150;
    // The sections outlive every helper's handles.
    UniqueHandle keepShort(CreateWindowMap("k", vm2::kMapNameShort));
    UniqueHandle keepLong(CreateWindowMap(maphelper::LongSharedKey().c_str(), vm2::kMapNameLong));
    ASSERT_TRUE(keepShort);
    ASSERT_TRUE(keepLong);

    std::string prefix = UniqueName("VM2MapStress");
    UniqueHandle ready(CreateSemaphoreA(nullptr, 0, kProcesses, maphelper::Ready(prefix).c_str()));
    UniqueHandle go(CreateEventA(nullptr, TRUE, FALSE, maphelper::Go(prefix).c_str()));
    UniqueHandle done(CreateSemaphoreA(nullptr, 0, kProcesses, maphelper::Done(prefix).c_str()));
    UniqueHandle exitEvent(CreateEventA(nullptr, TRUE, FALSE, maphelper::Exit(prefix).c_str()));
    TempDir dir;
    std::vector<std::unique_ptr<ChildProcess>> helpers;
    for (int i = 0; i < kProcesses; ++i)
        helpers.push_back(std::make_unique<ChildProcess>(MapHelper("stress " + prefix + " " + std::to_string(i) + " " +
                                                                   std::to_string(kIterations) + " \"" +
                                                                   dir.File("held" + std::to_string(i)) + "\"")));
    auto release = vm2::ScopeExit([&] { SetEvent(exitEvent.get()); });
    for (int i = 0; i < kProcesses; ++i)
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready.get(), 60000)) << "helper " << i << " never got ready";
    SetEvent(go.get());
    for (int i = 0; i < kProcesses; ++i)
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(done.get(), 90000)) << "a helper never finished";

    // Every live registration is found, and found once.
    std::map<std::pair<std::string, int>, std::uintptr_t> held;
    for (int i = 0; i < kProcesses; ++i) {
        for (const Held& h : ReadHeld(dir.File("held" + std::to_string(i)))) {
            auto key = std::make_pair(Lower(h.key), h.kind);
            EXPECT_TRUE(held.emplace(key, h.hWnd).second)
                << "two processes hold " << h.key.substr(0, 30) << " kind " << h.kind;
            EXPECT_EQ(reinterpret_cast<HWND>(h.hWnd), FindMapWindow(h.key.c_str(), "", h.kind))
                << h.key.substr(0, 30) << " kind " << h.kind;
            EXPECT_TRUE(IsWindow(reinterpret_cast<HWND>(h.hWnd)));
        }
    }
    std::map<std::pair<std::string, int>, std::uint32_t> slots;
    CheckRecords(vm2::kMapNameShort, &slots);
    CheckRecords(vm2::kMapNameLong, &slots);
    EXPECT_EQ(held.size(), slots.size()) << "records hold windows nobody registered, or lost some";
    for (const auto& [key, hWnd] : held) {
        auto it = slots.find(key);
        ASSERT_NE(slots.end(), it) << key.first.substr(0, 30) << " kind " << key.second << " is not in the register";
        EXPECT_EQ(static_cast<std::uint32_t>(hWnd), it->second);
    }
    // Keys nobody holds are not found.
    for (int k = 0; k < maphelper::kStressSharedKeys; ++k) {
        for (int kind = 0; kind < 2; ++kind) {
            if (!held.count({Lower(maphelper::SharedKey(k)), kind})) {
                EXPECT_EQ(nullptr, FindMapWindow(maphelper::SharedKey(k).c_str(), "", kind));
            }
        }
    }

    SetEvent(exitEvent.get());
    for (int i = 0; i < kProcesses; ++i) {
        EXPECT_EQ(0u, helpers[i]->Wait()) << "helper " << i << " saw impossible results";
    }
}
