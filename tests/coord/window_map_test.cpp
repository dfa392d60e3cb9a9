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
#include <thread>
#include <vector>

#include "base/unique_handle.h"
#include "coord/map_helper.h"
#include "harness/test_support.h"

using maphelper::Name;
using vm2::UniqueHandle;
using vm2test::ChildProcess;
using vm2test::UniqueName;

namespace {

const HWND kSentinelWnd = reinterpret_cast<HWND>(static_cast<std::intptr_t>(0x5EED));
const HANDLE kSentinelSection = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(0x5EEE));

// A plain top-level window, never shown.
vm2::UniqueWindow MakeWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "WindowMapTestWindow";
    RegisterClassA(&wc);  // fails harmlessly from the second window on
    vm2::UniqueWindow w(CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr));
    EXPECT_TRUE(w) << "CreateWindowEx failed: " << GetLastError();
    return w;
}

std::uint32_t Word(HWND hWnd) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(hWnd)); }

bool SectionExists(const char* pszSection)
{
    return static_cast<bool>(UniqueHandle(OpenFileMappingA(FILE_MAP_READ, FALSE, pszSection)));
}

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
    std::uint8_t* Record(std::size_t i) const
    {
        return static_cast<std::uint8_t*>(m_view.get()) + i * (m_bLong ? sizeof(WindowMapRecord2) : sizeof(WindowMapRecord));
    }
    std::uint8_t State(std::size_t i) const { return Record(i)[0]; }
    std::string Name(std::size_t i) const
    {
        return std::string(reinterpret_cast<const char*>(Record(i)), strnlen(reinterpret_cast<const char*>(Record(i)), m_bLong ? 521 : 261));
    }
    // Both record kinds keep their slots at the same distance from the end;
    // little-endian on every Windows target.
    std::uint32_t Slot(std::size_t i, std::size_t shortOffset) const
    {
        std::uint32_t v;
        memcpy(&v, Record(i) + shortOffset + (m_bLong ? 260 : 0), 4);
        return v;
    }
    std::uint32_t Status(std::size_t i) const { return Slot(i, offsetof(WindowMapRecord, hStatusWnd)); }
    std::uint32_t Preference(std::size_t i) const { return Slot(i, offsetof(WindowMapRecord, hPreferenceWnd)); }
    long EndMarker() const
    {
        for (std::size_t i = 0; i < vm2::kMapRecordCount; ++i)
            if (State(i) == 0xFF) return static_cast<long>(i);
        return -1;
    }
    std::vector<std::uint8_t> Bytes() const { return std::vector<std::uint8_t>(Record(0), Record(vm2::kMapRecordCount)); }

private:
    bool m_bLong;
    UniqueHandle m_section;
    vm2::UniqueView m_view;
};

// Every test starts from a register nobody holds: the first registration
// then creates it empty.
class WindowMap : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(SectionExists(vm2::kMapNameShort)) << "another process holds the short register";
        ASSERT_FALSE(SectionExists(vm2::kMapNameLong)) << "another process holds the long register";
    }

    // Registers, checks the outputs and keeps the section handle.
    UINT Register(const char* printer, const char* port, int kind, HWND hWnd, HWND* pExisting = nullptr)
    {
        HWND existing = kSentinelWnd;
        HANDLE section = kSentinelSection;
        UINT r = RegisterMapWindow(printer, port, kind, hWnd, &existing, &section);
        EXPECT_EQ(r <= 1, section != nullptr) << "result " << r;
        if (r <= 1 && section) m_sections.emplace_back(section);
        if (r != 1) { EXPECT_EQ(nullptr, existing) << "hExisting set with result " << r; }
        if (pExisting) *pExisting = existing;
        return r;
    }
    HANDLE Section() const { return m_sections.empty() ? nullptr : m_sections.back().get(); }

    std::vector<UniqueHandle> m_sections;
};

std::string MapHelper(const std::string& args) { return "\"" + vm2test::BinDir() + "\\map_helper.exe\" " + args; }

// map_helper in a mode that sets <prefix>_Ready when it is in place and
// stays until <prefix>_Exit (map_helper.h): a lock holder or a garbage writer.
class Helper {
public:
    Helper(const char* mode, const std::string& args)
        : m_prefix(UniqueName("VM2Map")),
          m_ready(CreateEventA(nullptr, TRUE, FALSE, Name(m_prefix, "Ready").c_str())),
          m_exit(CreateEventA(nullptr, TRUE, FALSE, Name(m_prefix, "Exit").c_str())),
          m_process(MapHelper(std::string(mode) + " " + m_prefix + " " + args))
    {
    }
    ~Helper() { SetEvent(m_exit.get()); }
    bool Ready() const { return WaitForSingleObject(m_ready.get(), 60000) == WAIT_OBJECT_0; }
    DWORD Exit()
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

TEST_F(WindowMap, SectionIsMadeEmptyOnceSizedByTheKeyAndNeverUnderAnotherObjectsName)
{
    {
        // Another object under the section's name: no section (3).
        UniqueHandle squat(CreateEventA(nullptr, TRUE, FALSE, vm2::kMapNameShort));
        vm2::UniqueWindow w = MakeWindow();
        EXPECT_EQ(3u, Register("Printer", "", MAPWND_STATUS, w.get()));
        EXPECT_EQ(nullptr, FindMapWindow("Printer", "", MAPWND_STATUS));
        HWND existing = nullptr;
        squat.reset();
        EXPECT_EQ(3u, RegisterMapWindow("Printer", "", MAPWND_STATUS, w.get(), &existing, nullptr)) << "no place for the section handle";
    }
    UniqueHandle first(CreateWindowMap("Printer", vm2::kMapNameShort));
    ASSERT_TRUE(first);
    RegisterView view(vm2::kMapNameShort);
    ASSERT_TRUE(view.Ok());
    EXPECT_EQ(0xFF, view.State(0));
    EXPECT_EQ(0x00, view.State(1)) << "a new section is zero behind the marker";
    view.Record(0)[0] = 'Q';
    UniqueHandle second(CreateWindowMap("Printer", vm2::kMapNameShort));
    ASSERT_TRUE(second);
    EXPECT_EQ('Q', view.State(0)) << "an existing section keeps what it holds";
    EXPECT_EQ(nullptr, CreateWindowMap(nullptr, vm2::kMapNameShort));
    EXPECT_EQ(nullptr, CreateWindowMap("Printer", nullptr));

    UniqueHandle longMap(CreateWindowMap(std::string(261, 'l').c_str(), vm2::kMapNameLong));
    ASSERT_TRUE(longMap);
    for (auto [h, size] : {std::pair<HANDLE, SIZE_T>{first.get(), 137000}, {longMap.get(), 267000}}) {
        vm2::UniqueView p(MapViewOfFile(h, FILE_MAP_READ, 0, 0, 0));
        MEMORY_BASIC_INFORMATION mbi;
        ASSERT_EQ(sizeof(mbi), VirtualQuery(p.get(), &mbi, sizeof(mbi)));
        EXPECT_GE(mbi.RegionSize, size);
        EXPECT_LT(mbi.RegionSize, size + 4096);
    }
}

TEST_F(WindowMap, RegisterFindAndUnregisterThroughTheSection)
{
    EXPECT_EQ(nullptr, FindMapWindow("Printer One", "LPT1:", MAPWND_STATUS));
    UnregisterMapWindow(nullptr, "Printer One", "LPT1:", MAPWND_STATUS, FALSE);
    EXPECT_FALSE(SectionExists(vm2::kMapNameShort)) << "finding must not create the register";

    vm2::UniqueWindow first = MakeWindow(), second = MakeWindow(), prefs = MakeWindow(), byPort = MakeWindow();
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

    // The port name is the key only when the printer name is empty, and
    // unregistering names the port only when the caller says so.
    ASSERT_EQ(0u, Register(nullptr, "COM7:", MAPWND_STATUS, byPort.get()));
    EXPECT_EQ("COM7:", view.Name(0));
    EXPECT_EQ(byPort.get(), FindMapWindow("", "com7:", MAPWND_STATUS));
    EXPECT_EQ(nullptr, FindMapWindow("COM9:", "COM7:", MAPWND_STATUS));
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
    ASSERT_EQ(0u, Register(k260.c_str(), "", MAPWND_STATUS, a.get()));
    EXPECT_FALSE(SectionExists(vm2::kMapNameLong)) << "neither a refused nor a short key creates the long register";
    ASSERT_EQ(0u, Register(k520.c_str(), "", MAPWND_PREFERENCE, b.get()));

    RegisterView shortView(vm2::kMapNameShort), longView(vm2::kMapNameLong);
    ASSERT_TRUE(shortView.Ok() && longView.Ok());
    EXPECT_EQ(k260, shortView.Name(0));
    EXPECT_EQ(k520, longView.Name(0));
    EXPECT_EQ(Word(b.get()), longView.Preference(0));
    EXPECT_EQ(b.get(), FindMapWindow(k520.c_str(), "", MAPWND_PREFERENCE));

    std::vector<std::uint8_t> before = longView.Bytes();
    EXPECT_EQ(2u, Register(k521.c_str(), "", MAPWND_STATUS, a.get()));
    EXPECT_EQ(2u, Register("", std::string(4000, 'p').c_str(), MAPWND_STATUS, a.get()));
    UnregisterMapWindow(Section(), k521.c_str(), "", MAPWND_STATUS, FALSE);
    EXPECT_TRUE(before == longView.Bytes()) << "the register changed";
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
        ASSERT_EQ(0u, ChildProcess(MapHelper(std::string("hold x ") + vm2::kMapNameShort + " die")).Wait());
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
        Helper holder("hold", vm2::kMapNameShort);
        EXPECT_TRUE(holder.Ready()) << "the mutex stayed taken";
        EXPECT_EQ(0u, holder.Exit());
    }
}

// A registration waits while another process holds the lock, and goes ahead
// once the lock wait runs out when the holder never lets go.
TEST_F(WindowMap, RegistrationWaitsForTheLockButIsNotBlockedByANeverReleasedOne)
{
    UniqueHandle keep(CreateWindowMap("k", vm2::kMapNameShort));
    RegisterView view(vm2::kMapNameShort);
    ASSERT_TRUE(view.Ok());
    Helper holder("hold", vm2::kMapNameShort);
    ASSERT_TRUE(holder.Ready());
    DWORD old = SetWindowMapLockTimeout(2000);
    auto restore = vm2::ScopeExit([old] { SetWindowMapLockTimeout(old); });

    vm2::UniqueWindow w = MakeWindow();
    UINT result = 0xFFFF;
    DWORD start = GetTickCount();
    std::thread call([&] { result = Register("Waiting", "", MAPWND_STATUS, w.get()); });
    Sleep(1000);
    EXPECT_EQ(0, view.EndMarker()) << "the register changed while another process held the lock";
    call.join();
    EXPECT_GE(GetTickCount() - start, 1900u) << "did not wait for the lock";
    EXPECT_EQ(0u, result);
    EXPECT_EQ("Waiting", view.Name(0));
    EXPECT_EQ(w.get(), FindMapWindow("Waiting", "", MAPWND_STATUS));
    EXPECT_EQ(0u, holder.Exit());
}

// Every operation on a register full of garbage from another process answers
// with one of its defined results, and a registration that reports success
// can be found again while nobody writes. The patterns the records can hold
// are fuzz_window_map's; here: sections smaller
// than the register, a mutex name taken, a writer scribbling meanwhile.
TEST_F(WindowMap, GarbageFromAnotherProcessGivesOnlyDefinedResults)
{
    struct {
        const char* section;
        DWORD size;
        const char* pattern;
    } cases[] = {
        {vm2::kMapNameShort, 1000, "zero"},      {vm2::kMapNameShort, 100, "random"},
        {vm2::kMapNameShort, 137000, "squat"},   {vm2::kMapNameLong, 5000, "random"},
        {vm2::kMapNameShort, 137000, "scribble"}, {vm2::kMapNameLong, 267000, "scribble"},
    };
    unsigned seed = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.section) + " size " + std::to_string(c.size) + " " + c.pattern);
        Helper helper("garbage", std::string(c.section) + " " + std::to_string(c.size) + " " + c.pattern + " " + std::to_string(seed++));
        ASSERT_TRUE(helper.Ready());
        bool stable = strcmp(c.pattern, "scribble") != 0;
        vm2::UniqueWindow windows[4] = {MakeWindow(), MakeWindow(), MakeWindow(), MakeWindow()};
        int registered = 0;
        for (int i = 0; i < 60; ++i) {
            std::string key = (c.section == vm2::kMapNameLong ? std::string(270, 'G') : "G") + std::to_string(i % 20);
            int kind = i % 6 - 1;  // -1 .. 4
            HWND hWnd = windows[i % 4].get();
            HWND existing = kSentinelWnd;
            UINT r = Register(key.c_str(), "", kind, hWnd, &existing);
            ASSERT_LE(r, 2u) << "key " << key << " kind " << kind;
            if (r == 1) { EXPECT_TRUE(existing == nullptr || IsWindow(existing)); }
            if (r == 0 && kind >= 0 && kind <= 3 && stable) {
                ++registered;
                EXPECT_EQ(hWnd, FindMapWindow(key.c_str(), "", kind)) << key;
            }
            if (i % 3 == 2 && r <= 1) UnregisterMapWindow(Section(), key.c_str(), "", (i / 3) % 5, FALSE);
        }
        // A garbage record may match any key, but only a live window comes back.
        for (const char* key : {"", "A", "G3", "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "\xFF"})
            for (int kind = -1; kind <= 4; ++kind) {
                HWND found = FindMapWindow(key, "", kind);
                EXPECT_TRUE(found == nullptr || IsWindow(found));
            }
        if (strcmp(c.pattern, "zero") == 0) { EXPECT_GT(registered, 0) << "an all-free register takes registrations"; }
        EXPECT_EQ(0u, helper.Exit());
        m_sections.clear();
    }
}

namespace {

// The records in use of a section, with the invariants every process relies
// on: one end marker, no key twice, no record without a window.
std::map<std::pair<std::string, int>, std::uint32_t> Slots(const char* pszSection)
{
    std::map<std::pair<std::string, int>, std::uint32_t> slots;
    RegisterView view(pszSection);
    EXPECT_TRUE(view.Ok());
    long marker = view.Ok() ? view.EndMarker() : -1;
    EXPECT_GE(marker, 0) << pszSection << ": end marker lost";
    std::set<std::string> seen;
    for (long i = 0; i < marker; ++i) {
        if (view.State(i) == 0x00) continue;
        std::string key = CharLowerA(&view.Name(i)[0]);
        EXPECT_TRUE(seen.insert(key).second) << "key " << key.substr(0, 30) << " has two records";
        EXPECT_TRUE(view.Status(i) != 0 || view.Preference(i) != 0) << "record " << i << " in use without a window";
        EXPECT_EQ(0u, view.Slot(i, offsetof(WindowMapRecord, hExtraWnd)));
        if (view.Status(i)) slots[{key, MAPWND_STATUS}] = view.Status(i);
        if (view.Preference(i)) slots[{key, MAPWND_PREFERENCE}] = view.Preference(i);
    }
    return slots;
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
    ASSERT_TRUE(keepShort && keepLong);

    std::string prefix = UniqueName("VM2MapStress");
    UniqueHandle ready(CreateSemaphoreA(nullptr, 0, kProcesses, Name(prefix, "Ready").c_str()));
    UniqueHandle go(CreateEventA(nullptr, TRUE, FALSE, Name(prefix, "Go").c_str()));
    UniqueHandle done(CreateSemaphoreA(nullptr, 0, kProcesses, Name(prefix, "Done").c_str()));
    UniqueHandle exitEvent(CreateEventA(nullptr, TRUE, FALSE, Name(prefix, "Exit").c_str()));
    vm2test::TempDir dir;
    std::vector<std::unique_ptr<ChildProcess>> helpers;
    for (int i = 0; i < kProcesses; ++i)
        helpers.push_back(std::make_unique<ChildProcess>(MapHelper("stress " + prefix + " " + std::to_string(i) + " " +
            std::to_string(kIterations) + " \"" + dir.File("held" + std::to_string(i)) + "\"")));
    auto release = vm2::ScopeExit([&] { SetEvent(exitEvent.get()); });
    for (int i = 0; i < kProcesses; ++i) ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready.get(), 60000)) << "helper " << i;
    SetEvent(go.get());
    for (int i = 0; i < kProcesses; ++i) ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(done.get(), 90000)) << "a helper never finished";

    // Every live registration is found, once, and the records hold nothing else.
    std::map<std::pair<std::string, int>, std::uint32_t> held, slots = Slots(vm2::kMapNameShort);
    for (auto& slot : Slots(vm2::kMapNameLong)) slots.insert(slot);
    for (int i = 0; i < kProcesses; ++i) {
        std::istringstream in(vm2test::ReadFileText(dir.File("held" + std::to_string(i))));
        int kind;
        unsigned long long w;
        std::string key;
        while (in >> kind >> w && in.get() && std::getline(in, key)) {
            if (!key.empty() && key.back() == '\r') key.pop_back();  // written in text mode
            HWND hWnd = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(w));
            EXPECT_EQ(hWnd, FindMapWindow(key.c_str(), "", kind)) << key.substr(0, 30) << " kind " << kind;
            EXPECT_TRUE(held.emplace(std::make_pair(CharLowerA(&key[0]), kind), Word(hWnd)).second)
                << "two processes hold " << key.substr(0, 30) << " kind " << kind;
        }
    }
    EXPECT_TRUE(held == slots) << held.size() << " windows held, " << slots.size() << " in the register";
    for (int k = 0; k < maphelper::kStressSharedKeys; ++k)
        for (int kind = 0; kind < 2; ++kind)
            if (!held.count({CharLowerA(&maphelper::SharedKey(k)[0]), kind})) {
                EXPECT_EQ(nullptr, FindMapWindow(maphelper::SharedKey(k).c_str(), "", kind)) << "nobody holds it";
            }

    SetEvent(exitEvent.get());
    for (int i = 0; i < kProcesses; ++i) EXPECT_EQ(0u, helpers[i]->Wait()) << "helper " << i << " saw impossible results";
}
