// The window register with real sections and real windows, inside one process
// and between processes. The sections have fixed names shared by the whole
// Wine session, so these tests hold the "window_map" lock and start from a
// register that no process holds.
#include "coord/window_map.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "coord/map_helper.h"
#include "base/unique_handle.h"
#include "harness/test_support.h"

using vm2test::TempDir;
using vm2test::UniqueName;

namespace {

const HWND kSentinelWnd = reinterpret_cast<HWND>(static_cast<std::intptr_t>(0x5EED));
const HANDLE kSentinelSection = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(0x5EEE));

// A plain top-level window, never shown.
class TestWindow {
public:
    TestWindow()
    {
        static ATOM atom = 0;
        if (atom == 0) {
            WNDCLASSA wc = {};
            wc.lpfnWndProc = DefWindowProcA;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "WindowMapTestWindow";
            atom = RegisterClassA(&wc);
        }
        m_hWnd = CreateWindowExA(0, "WindowMapTestWindow", "map test", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        EXPECT_NE(nullptr, m_hWnd) << "CreateWindowEx failed: " << GetLastError();
    }
    ~TestWindow() { Destroy(); }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND Get() const { return m_hWnd; }
    std::uint32_t Word() const { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(m_hWnd)); }
    void Destroy()
    {
        if (m_hWnd) DestroyWindow(m_hWnd);
        m_hWnd_dead = m_hWnd;
        m_hWnd = nullptr;
    }
    HWND Dead() const { return m_hWnd_dead; }

private:
    HWND m_hWnd = nullptr;
    HWND m_hWnd_dead = nullptr;
};

// Holds a section open (so that it outlives the handles the code under test
// closes) and shows its records as they are laid out in memory.
class RegisterView {
public:
    explicit RegisterView(const char* pszSection) : m_name(pszSection)
    {
        m_bLong = strcmp(pszSection, vm2::kMapNameLong) == 0;
        m_hSection = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, pszSection);
        if (m_hSection) m_pBase = static_cast<std::uint8_t*>(MapViewOfFile(m_hSection, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    }
    ~RegisterView()
    {
        if (m_pBase) UnmapViewOfFile(m_pBase);
        if (m_hSection) CloseHandle(m_hSection);
    }
    RegisterView(const RegisterView&) = delete;
    RegisterView& operator=(const RegisterView&) = delete;

    bool Ok() const { return m_pBase != nullptr; }
    std::size_t RecordSize() const { return m_bLong ? sizeof(WindowMapRecord2) : sizeof(WindowMapRecord); }
    std::uint8_t* Record(std::size_t i) const { return m_pBase + i * RecordSize(); }
    std::uint8_t State(std::size_t i) const { return Record(i)[0]; }
    std::string Name(std::size_t i) const
    {
        std::size_t cbName = m_bLong ? sizeof(WindowMapRecord2::szName) : sizeof(WindowMapRecord::szName);
        const char* p = reinterpret_cast<const char*>(Record(i));
        return std::string(p, strnlen(p, cbName));
    }
    std::uint32_t Status(std::size_t i) const { return Slot(i, offsetof(WindowMapRecord, hStatusWnd)); }
    std::uint32_t Preference(std::size_t i) const { return Slot(i, offsetof(WindowMapRecord, hPreferenceWnd)); }
    std::uint32_t Extra(std::size_t i) const { return Slot(i, offsetof(WindowMapRecord, hExtraWnd)); }
    std::uint8_t Padding(std::size_t i) const { return Record(i)[m_bLong ? 521 : 261]; }
    long EndMarker() const
    {
        for (std::size_t i = 0; i < vm2::kMapRecordCount; ++i)
            if (State(i) == 0xFF) return static_cast<long>(i);
        return -1;
    }
    std::vector<std::uint8_t> Bytes() const
    {
        return std::vector<std::uint8_t>(m_pBase, m_pBase + RecordSize() * vm2::kMapRecordCount);
    }

private:
    std::uint32_t Slot(std::size_t i, std::size_t shortOffset) const
    {
        // Both record kinds keep their slots at the same distance from the end.
        std::size_t off = m_bLong ? shortOffset + 260 : shortOffset;
        std::uint32_t v;
        memcpy(&v, Record(i) + off, 4);  // little-endian on every Windows target
        return v;
    }

    std::string m_name;
    bool m_bLong = false;
    HANDLE m_hSection = nullptr;
    std::uint8_t* m_pBase = nullptr;
};

bool SectionExists(const char* pszSection)
{
    HANDLE h = OpenFileMappingA(FILE_MAP_READ, FALSE, pszSection);
    if (h) CloseHandle(h);
    return h != nullptr;
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
            if (section) m_sections.push_back(section);
        } else {
            EXPECT_EQ(nullptr, section) << "result " << r << " with a section handle";
        }
        if (r != 1) {
            EXPECT_EQ(nullptr, existing) << "hExisting set with result " << r;
        }
        if (pExisting) *pExisting = existing;
        return r;
    }

    HANDLE Section() const { return m_sections.empty() ? nullptr : m_sections.back(); }

    void TearDown() override
    {
        for (HANDLE h : m_sections) CloseHandle(h);
    }

    std::vector<HANDLE> m_sections;
};

// ------------------------------------------------------- helper processes

class Helper {
public:
    explicit Helper(const std::string& args)
    {
        std::string cmd = "\"" + vm2test::BinDir() + "\\map_helper.exe\" " + args;
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi = {};
        std::vector<char> buf(cmd.begin(), cmd.end());
        buf.push_back('\0');
        if (CreateProcessA(nullptr, buf.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            CloseHandle(pi.hThread);
            m_hProcess = pi.hProcess;
        }
        EXPECT_NE(nullptr, m_hProcess) << "cannot start " << cmd << ": " << GetLastError();
    }
    ~Helper()
    {
        if (m_hProcess) {
            if (WaitForSingleObject(m_hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(m_hProcess, 1);
            CloseHandle(m_hProcess);
        }
    }
    Helper(const Helper&) = delete;
    Helper& operator=(const Helper&) = delete;

    HANDLE Process() const { return m_hProcess; }
    DWORD Wait(DWORD ms = 60000) const
    {
        if (!m_hProcess || WaitForSingleObject(m_hProcess, ms) != WAIT_OBJECT_0) return 0xDEAD;
        DWORD code = 0xDEAD;
        GetExitCodeProcess(m_hProcess, &code);
        return code;
    }

private:
    HANDLE m_hProcess = nullptr;
};

struct Handle {
    HANDLE h;
    explicit Handle(HANDLE v) : h(v) {}
    ~Handle()
    {
        if (h) CloseHandle(h);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
};

}  // namespace

// ------------------------------------------------------------ the section

TEST_F(WindowMap, CreateWindowMapMarksOnlyANewSectionEmpty)
{
    Handle first(CreateWindowMap("Printer", vm2::kMapNameShort));
    ASSERT_NE(nullptr, first.h);
    RegisterView view(vm2::kMapNameShort);
    ASSERT_TRUE(view.Ok());
    EXPECT_EQ(0xFF, view.State(0));
    EXPECT_EQ(0x00, view.State(1)) << "a new section is zero behind the marker";

    // An existing section keeps what it holds.
    view.Record(0)[0] = 'Q';
    Handle second(CreateWindowMap("Printer", vm2::kMapNameShort));
    ASSERT_NE(nullptr, second.h);
    EXPECT_EQ('Q', view.State(0));

    EXPECT_EQ(nullptr, CreateWindowMap(nullptr, vm2::kMapNameShort));
    EXPECT_EQ(nullptr, CreateWindowMap("Printer", nullptr));
}

TEST_F(WindowMap, CreateWindowMapSizesTheSectionByTheKey)
{
    Handle shortMap(CreateWindowMap(std::string(260, 's').c_str(), vm2::kMapNameShort));
    Handle longMap(CreateWindowMap(std::string(261, 'l').c_str(), vm2::kMapNameLong));
    ASSERT_NE(nullptr, shortMap.h);
    ASSERT_NE(nullptr, longMap.h);
    for (auto [h, size] : {std::pair<HANDLE, SIZE_T>{shortMap.h, 137000}, {longMap.h, 267000}}) {
        void* p = MapViewOfFile(h, FILE_MAP_READ, 0, 0, 0);
        ASSERT_NE(nullptr, p);
        MEMORY_BASIC_INFORMATION mbi;
        ASSERT_EQ(sizeof(mbi), VirtualQuery(p, &mbi, sizeof(mbi)));
        EXPECT_GE(mbi.RegionSize, size);
        EXPECT_LT(mbi.RegionSize, size + 4096);
        UnmapViewOfFile(p);
    }
}

// ------------------------------------------------------- registration

TEST_F(WindowMap, FirstRegistrationClaimsRecordZeroAndMovesTheEndMarker)
{
    TestWindow w;
    EXPECT_EQ(0u, Register("Printer One", "LPT1:", MAPWND_STATUS, w.Get()));
    RegisterView view(vm2::kMapNameShort);
    ASSERT_TRUE(view.Ok());
    EXPECT_EQ("Printer One", view.Name(0));
    EXPECT_EQ(0, view.Padding(0));
    EXPECT_EQ(w.Word(), view.Status(0));
    EXPECT_EQ(0u, view.Preference(0));
    EXPECT_EQ(0u, view.Extra(0));
    EXPECT_EQ(1, view.EndMarker());
    EXPECT_EQ(w.Get(), FindMapWindow("Printer One", "LPT1:", MAPWND_STATUS));
    EXPECT_EQ(nullptr, FindMapWindow("Printer One", "LPT1:", MAPWND_PREFERENCE));
    EXPECT_FALSE(SectionExists(vm2::kMapNameLong)) << "a short key must not touch the long section";
}

TEST_F(WindowMap, FreedRecordIsReusedBeforeTheRegisterGrows)
{
    TestWindow a, b, c;
    ASSERT_EQ(0u, Register("Alpha", "", MAPWND_STATUS, a.Get()));
    ASSERT_EQ(0u, Register("Beta", "", MAPWND_STATUS, b.Get()));
    RegisterView view(vm2::kMapNameShort);
    ASSERT_TRUE(view.Ok());
    ASSERT_EQ(2, view.EndMarker());

    UnregisterMapWindow(Section(), "Alpha", "", MAPWND_STATUS, FALSE);
    EXPECT_EQ(0x00, view.State(0));
    EXPECT_EQ(0, memcmp(view.Record(0) + 1, "lpha", 5)) << "a free record keeps its old bytes";
    EXPECT_EQ(0u, view.Status(0));
    EXPECT_EQ(nullptr, FindMapWindow("Alpha", "", MAPWND_STATUS));

    ASSERT_EQ(0u, Register("Gamma", "", MAPWND_PREFERENCE, c.Get()));
    EXPECT_EQ("Gamma", view.Name(0));
    EXPECT_EQ(c.Word(), view.Preference(0));
    EXPECT_EQ(0u, view.Status(0));
    EXPECT_EQ(2, view.EndMarker()) << "the end marker must not move when a free record is reused";
    EXPECT_EQ(b.Get(), FindMapWindow("Beta", "", MAPWND_STATUS));
}

TEST_F(WindowMap, TwoKindsShareOneRecord)
{
    TestWindow status, prefs;
    ASSERT_EQ(0u, Register("Shared", "", MAPWND_STATUS, status.Get()));
    ASSERT_EQ(0u, Register("Shared", "", MAPWND_PREFERENCE, prefs.Get()));
    RegisterView view(vm2::kMapNameShort);
    ASSERT_TRUE(view.Ok());
    EXPECT_EQ(1, view.EndMarker());
    EXPECT_EQ(status.Word(), view.Status(0));
    EXPECT_EQ(prefs.Word(), view.Preference(0));

    UnregisterMapWindow(Section(), "Shared", "", MAPWND_STATUS, FALSE);
    EXPECT_EQ('S', view.State(0)) << "the preferences dialog still holds the record";
    EXPECT_EQ(nullptr, FindMapWindow("Shared", "", MAPWND_STATUS));
    EXPECT_EQ(prefs.Get(), FindMapWindow("Shared", "", MAPWND_PREFERENCE));

    UnregisterMapWindow(Section(), "Shared", "", MAPWND_PREFERENCE, FALSE);
    EXPECT_EQ(0x00, view.State(0));
    EXPECT_EQ(nullptr, FindMapWindow("Shared", "", MAPWND_PREFERENCE));
}

TEST_F(WindowMap, SecondStatusKindAndExtraKindHaveTheirSlots)
{
    TestWindow first, second, extra;
    ASSERT_EQ(0u, Register("Kinds", "", MAPWND_STATUS2, first.Get()));
    HWND existing = nullptr;
    EXPECT_EQ(1u, Register("Kinds", "", MAPWND_STATUS, second.Get(), &existing));
    EXPECT_EQ(first.Get(), existing) << "kinds 1 and 2 share the status slot";
    ASSERT_EQ(0u, Register("Kinds", "", MAPWND_EXTRA, extra.Get()));
    EXPECT_EQ(extra.Get(), FindMapWindow("Kinds", "", MAPWND_EXTRA));
    EXPECT_EQ(first.Get(), FindMapWindow("Kinds", "", MAPWND_STATUS));

    RegisterView view(vm2::kMapNameShort);
    ASSERT_TRUE(view.Ok());
    EXPECT_EQ(extra.Word(), view.Extra(0));
    UnregisterMapWindow(Section(), "Kinds", "", MAPWND_STATUS, FALSE);
    EXPECT_EQ('K', view.State(0)) << "the extra window still holds the record";
    UnregisterMapWindow(Section(), "Kinds", "", MAPWND_EXTRA, FALSE);
    EXPECT_EQ(0x00, view.State(0));
}

TEST_F(WindowMap, LiveWindowIsKeptAndStaleOneIsReplaced)
{
    TestWindow first, second, third;
    ASSERT_EQ(0u, Register("Stale", "", MAPWND_STATUS, first.Get()));
    HWND existing = nullptr;
    EXPECT_EQ(1u, Register("Stale", "", MAPWND_STATUS, second.Get(), &existing));
    EXPECT_EQ(first.Get(), existing);

    first.Destroy();
    EXPECT_EQ(nullptr, FindMapWindow("Stale", "", MAPWND_STATUS)) << "a destroyed window is not reported";
    EXPECT_EQ(0u, Register("Stale", "", MAPWND_STATUS, second.Get()));
    EXPECT_EQ(second.Get(), FindMapWindow("Stale", "", MAPWND_STATUS));
    RegisterView view(vm2::kMapNameShort);
    ASSERT_TRUE(view.Ok());
    EXPECT_EQ(1, view.EndMarker()) << "the stale handle's record is reused";

    existing = nullptr;
    EXPECT_EQ(1u, Register("Stale", "", MAPWND_STATUS, third.Get(), &existing));
    EXPECT_EQ(second.Get(), existing);
}

TEST_F(WindowMap, KeysDifferingInCaseAreTheSameKey)
{
    TestWindow first, second;
    ASSERT_EQ(0u, Register("Office Printer", "", MAPWND_STATUS, first.Get()));
    HWND existing = nullptr;
    EXPECT_EQ(1u, Register("OFFICE printer", "", MAPWND_STATUS, second.Get(), &existing));
    EXPECT_EQ(first.Get(), existing);
    EXPECT_EQ(first.Get(), FindMapWindow("office PRINTER", "", MAPWND_STATUS));
    ASSERT_EQ(0u, Register("oFFICE pRINTER", "", MAPWND_PREFERENCE, second.Get()));
    RegisterView view(vm2::kMapNameShort);
    ASSERT_TRUE(view.Ok());
    EXPECT_EQ(1, view.EndMarker()) << "one record for both spellings";
    UnregisterMapWindow(Section(), "office printer", "", MAPWND_STATUS, FALSE);
    EXPECT_EQ(nullptr, FindMapWindow("Office Printer", "", MAPWND_STATUS));
}

TEST_F(WindowMap, KeyLengthChoosesTheSection)
{
    TestWindow a, b, c;
    std::string k260(260, 'a'), k261(261, 'b'), k520(520, 'c');
    ASSERT_EQ(0u, Register(k260.c_str(), "", MAPWND_STATUS, a.Get()));
    EXPECT_FALSE(SectionExists(vm2::kMapNameLong));
    ASSERT_EQ(0u, Register(k261.c_str(), "", MAPWND_STATUS, b.Get()));
    ASSERT_EQ(0u, Register(k520.c_str(), "", MAPWND_PREFERENCE, c.Get()));

    RegisterView shortView(vm2::kMapNameShort), longView(vm2::kMapNameLong);
    ASSERT_TRUE(shortView.Ok());
    ASSERT_TRUE(longView.Ok());
    EXPECT_EQ(k260, shortView.Name(0));
    EXPECT_EQ(a.Word(), shortView.Status(0));
    EXPECT_EQ(1, shortView.EndMarker());
    EXPECT_EQ(k261, longView.Name(0));
    EXPECT_EQ(b.Word(), longView.Status(0));
    EXPECT_EQ(k520, longView.Name(1));
    EXPECT_EQ(c.Word(), longView.Preference(1));
    EXPECT_EQ(0, longView.Padding(1));
    EXPECT_EQ(2, longView.EndMarker());

    EXPECT_EQ(a.Get(), FindMapWindow(k260.c_str(), "", MAPWND_STATUS));
    EXPECT_EQ(b.Get(), FindMapWindow(k261.c_str(), "", MAPWND_STATUS));
    EXPECT_EQ(c.Get(), FindMapWindow(k520.c_str(), "", MAPWND_PREFERENCE));
    UnregisterMapWindow(Section(), k520.c_str(), "", MAPWND_PREFERENCE, FALSE);
    EXPECT_EQ(0x00, longView.State(1));
}

TEST_F(WindowMap, KeysLongerThan520AreRefusedWithoutAChange)
{
    TestWindow w;
    std::string k521(521, 'x');
    EXPECT_EQ(2u, Register(k521.c_str(), "", MAPWND_STATUS, w.Get()));
    EXPECT_FALSE(SectionExists(vm2::kMapNameLong)) << "a refused key must not create the register";

    ASSERT_EQ(0u, Register(std::string(300, 'y').c_str(), "", MAPWND_STATUS, w.Get()));
    RegisterView view(vm2::kMapNameLong);
    ASSERT_TRUE(view.Ok());
    std::vector<std::uint8_t> before = view.Bytes();
    EXPECT_EQ(2u, Register(k521.c_str(), "", MAPWND_STATUS, w.Get()));
    EXPECT_EQ(2u, Register("", std::string(4000, 'p').c_str(), MAPWND_STATUS, w.Get()));
    UnregisterMapWindow(Section(), k521.c_str(), "", MAPWND_STATUS, FALSE);
    EXPECT_EQ(nullptr, FindMapWindow(k521.c_str(), "", MAPWND_STATUS));
    EXPECT_TRUE(before == view.Bytes()) << "the register changed";
}

TEST_F(WindowMap, PortNameIsTheKeyWhenThePrinterNameIsEmpty)
{
    TestWindow byPort, byName;
    ASSERT_EQ(0u, Register("", "COM7:", MAPWND_STATUS, byPort.Get()));
    ASSERT_EQ(0u, Register(nullptr, "COM8:", MAPWND_STATUS, byName.Get()));
    RegisterView view(vm2::kMapNameShort);
    ASSERT_TRUE(view.Ok());
    EXPECT_EQ("COM7:", view.Name(0));
    EXPECT_EQ("COM8:", view.Name(1));
    EXPECT_EQ(byPort.Get(), FindMapWindow("", "COM7:", MAPWND_STATUS));
    EXPECT_EQ(byPort.Get(), FindMapWindow(nullptr, "com7:", MAPWND_STATUS));
    EXPECT_EQ(nullptr, FindMapWindow("COM9:", "COM7:", MAPWND_STATUS)) << "a printer name wins over the port";

    // The port name only counts when the caller says so.
    UnregisterMapWindow(Section(), "", "COM7:", MAPWND_STATUS, FALSE);
    EXPECT_EQ(byPort.Get(), FindMapWindow("", "COM7:", MAPWND_STATUS));
    UnregisterMapWindow(Section(), "", "COM7:", MAPWND_STATUS, TRUE);
    EXPECT_EQ(nullptr, FindMapWindow("", "COM7:", MAPWND_STATUS));
    EXPECT_EQ(0x00, view.State(0));
}

TEST_F(WindowMap, EmptyNamesMakeTheEmptyKey)
{
    TestWindow w, other;
    ASSERT_EQ(0u, Register("", "", MAPWND_STATUS, w.Get()));
    RegisterView view(vm2::kMapNameShort);
    ASSERT_TRUE(view.Ok());
    // The empty key's record starts with its terminator, so it reads as free.
    EXPECT_EQ(0x00, view.State(0));
    EXPECT_EQ(w.Word(), view.Status(0));
    EXPECT_EQ(1, view.EndMarker());
    EXPECT_EQ(w.Get(), FindMapWindow("", "", MAPWND_STATUS));
    EXPECT_EQ(w.Get(), FindMapWindow(nullptr, "", MAPWND_STATUS));
    HWND existing = nullptr;
    EXPECT_EQ(1u, Register(nullptr, nullptr, MAPWND_STATUS, other.Get(), &existing));
    EXPECT_EQ(w.Get(), existing);
    EXPECT_EQ(nullptr, FindMapWindow(nullptr, nullptr, MAPWND_STATUS));
}

TEST_F(WindowMap, The500thKeyIsRefused)
{
    TestWindow w, extra;
    Handle keep(CreateWindowMap("k", vm2::kMapNameShort));
    ASSERT_NE(nullptr, keep.h);
    for (int i = 0; i < 499; ++i) {
        std::string key = "Key-" + std::to_string(i);
        HWND existing = nullptr;
        HANDLE section = nullptr;
        ASSERT_EQ(0u, RegisterMapWindow(key.c_str(), "", MAPWND_STATUS, w.Get(), &existing, &section)) << key;
        CloseHandle(section);
    }
    RegisterView view(vm2::kMapNameShort);
    ASSERT_TRUE(view.Ok());
    EXPECT_EQ(499, view.EndMarker());
    std::vector<std::uint8_t> before = view.Bytes();

    EXPECT_EQ(2u, Register("Key-499", "", MAPWND_STATUS, extra.Get()));
    EXPECT_TRUE(before == view.Bytes()) << "a refused key changed the register";
    EXPECT_EQ(1u, Register("KEY-7", "", MAPWND_STATUS, extra.Get())) << "known keys still answer";
    EXPECT_EQ(0u, Register("Key-7", "", MAPWND_PREFERENCE, extra.Get()));

    UnregisterMapWindow(keep.h, "Key-123", "", MAPWND_STATUS, FALSE);
    EXPECT_EQ(0u, Register("Key-499", "", MAPWND_STATUS, extra.Get()));
    EXPECT_EQ("Key-499", view.Name(123));
    EXPECT_EQ(499, view.EndMarker());
}

TEST_F(WindowMap, NameTakenByAnotherObjectGivesNoSection)
{
    Handle squat(CreateEventA(nullptr, TRUE, FALSE, vm2::kMapNameShort));
    ASSERT_NE(nullptr, squat.h);
    TestWindow w;
    HWND existing = kSentinelWnd;
    HANDLE section = kSentinelSection;
    UINT r = RegisterMapWindow("Printer", "", MAPWND_STATUS, w.Get(), &existing, &section);
    EXPECT_NE(0u, r);
    EXPECT_NE(1u, r);
    EXPECT_NE(2u, r);
    EXPECT_EQ(nullptr, section);
    EXPECT_EQ(nullptr, existing);
    EXPECT_EQ(nullptr, FindMapWindow("Printer", "", MAPWND_STATUS));
    EXPECT_EQ(3u, RegisterMapWindow("Printer", "", MAPWND_STATUS, w.Get(), &existing, nullptr))
        << "no place for the section handle";
}

TEST_F(WindowMap, NothingToFindOrUnregisterWithoutTheRegister)
{
    EXPECT_EQ(nullptr, FindMapWindow("Printer", "LPT1:", MAPWND_STATUS));
    EXPECT_FALSE(SectionExists(vm2::kMapNameShort)) << "finding must not create the register";
    UnregisterMapWindow(nullptr, "Printer", "LPT1:", MAPWND_STATUS, FALSE);

    TestWindow w;
    ASSERT_EQ(0u, Register("Printer", "", MAPWND_STATUS, w.Get()));
    RegisterView view(vm2::kMapNameShort);
    ASSERT_TRUE(view.Ok());
    std::vector<std::uint8_t> before = view.Bytes();
    UnregisterMapWindow(Section(), "Other", "", MAPWND_STATUS, FALSE);
    UnregisterMapWindow(Section(), nullptr, "", MAPWND_STATUS, FALSE);
    UnregisterMapWindow(Section(), "Printer", nullptr, MAPWND_STATUS, TRUE);
    EXPECT_TRUE(before == view.Bytes());
}

// ------------------------------------------------- other processes, faults

TEST_F(WindowMap, WriterThatDiedHoldingTheLockLeavesAUsableRegister)
{
    char szMutex[64];
    ASSERT_TRUE(GetWindowMapMutexName(vm2::kMapNameShort, szMutex, sizeof(szMutex)));
    std::vector<std::unique_ptr<TestWindow>> windows;
    windows.push_back(std::make_unique<TestWindow>());
    ASSERT_EQ(0u, Register("Start", "", MAPWND_STATUS, windows.back()->Get()));
    RegisterView view(vm2::kMapNameShort);
    ASSERT_TRUE(view.Ok());
    // Watched: this process has the mutex open when the writer dies, so the
    // next wait reports it abandoned. Unwatched: the mutex dies with the
    // writer and only the register shows what happened.
    for (bool watched : {true, false}) {
        SCOPED_TRACE(watched ? "watched" : "unwatched");
        windows.push_back(std::make_unique<TestWindow>());
        std::string before = std::string("Before-") + (watched ? "1" : "2");
        ASSERT_EQ(0u, Register(before.c_str(), "", MAPWND_STATUS, windows.back()->Get()));
        long markerBefore = view.EndMarker();

        Handle mutex(watched ? CreateMutexA(nullptr, FALSE, szMutex) : nullptr);
        {
            Helper helper(std::string("abandon x ") + vm2::kMapNameShort);
            ASSERT_EQ(0u, helper.Wait());
        }
        ASSERT_EQ(-1, view.EndMarker()) << "the helper should have wiped the end marker";

        windows.push_back(std::make_unique<TestWindow>());
        std::string after = std::string("After-") + (watched ? "1" : "2");
        ASSERT_EQ(0u, Register(after.c_str(), "", MAPWND_STATUS, windows.back()->Get()));
        // The half-written record stays; the new key goes behind it.
        EXPECT_EQ(markerBefore + 2, view.EndMarker());
        EXPECT_EQ(after, view.Name(markerBefore + 1));
        EXPECT_EQ(windows[windows.size() - 2]->Get(), FindMapWindow(before.c_str(), "", MAPWND_STATUS));
        EXPECT_EQ(windows.back()->Get(), FindMapWindow(after.c_str(), "", MAPWND_STATUS));

        // The mutex was let go: another process takes it at once.
        std::string prefix = UniqueName("VM2MapHold");
        Handle ready(CreateEventA(nullptr, TRUE, FALSE, maphelper::Ready(prefix).c_str()));
        Handle exitEvent(CreateEventA(nullptr, TRUE, FALSE, maphelper::Exit(prefix).c_str()));
        Helper holder("hold " + prefix + " " + vm2::kMapNameShort);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready.h, 60000)) << "the mutex stayed taken";
        SetEvent(exitEvent.h);
        EXPECT_EQ(0u, holder.Wait());
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

TEST_F(WindowMap, RegistrationWaitsWhileAnotherProcessHoldsTheLock)
{
    Handle keep(CreateWindowMap("k", vm2::kMapNameShort));
    ASSERT_NE(nullptr, keep.h);
    RegisterView view(vm2::kMapNameShort);
    ASSERT_TRUE(view.Ok());

    std::string prefix = UniqueName("VM2MapHold");
    Handle ready(CreateEventA(nullptr, TRUE, FALSE, maphelper::Ready(prefix).c_str()));
    Handle exitEvent(CreateEventA(nullptr, TRUE, FALSE, maphelper::Exit(prefix).c_str()));
    Helper helper("hold " + prefix + " " + vm2::kMapNameShort);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready.h, 60000));

    TestWindow w;
    RegisterCall call{"Waiting", w.Get()};
    Handle thread(CreateThread(nullptr, 0, RegisterCall::Run, &call, 0, nullptr));
    ASSERT_NE(nullptr, thread.h);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(thread.h, 1000)) << "did not wait for the lock";
    EXPECT_EQ(0, view.EndMarker()) << "the register changed while another process held the lock";

    SetEvent(exitEvent.h);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.h, 30000));
    EXPECT_EQ(0u, call.result);
    EXPECT_EQ("Waiting", view.Name(0));
    EXPECT_EQ(1, view.EndMarker());
    if (call.section) CloseHandle(call.section);
    EXPECT_EQ(0u, helper.Wait());
}

TEST_F(WindowMap, LockNeverReleasedDelaysButDoesNotBlock)
{
    std::string prefix = UniqueName("VM2MapHold");
    Handle ready(CreateEventA(nullptr, TRUE, FALSE, maphelper::Ready(prefix).c_str()));
    Handle exitEvent(CreateEventA(nullptr, TRUE, FALSE, maphelper::Exit(prefix).c_str()));
    Helper helper("hold " + prefix + " " + vm2::kMapNameShort);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready.h, 60000));

    TestWindow w;
    EXPECT_EQ(0u, Register("Blocked", "", MAPWND_STATUS, w.Get()));
    EXPECT_EQ(w.Get(), FindMapWindow("Blocked", "", MAPWND_STATUS));
    SetEvent(exitEvent.h);
    EXPECT_EQ(0u, helper.Wait());
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
    Handle ready(CreateEventA(nullptr, TRUE, FALSE, maphelper::Ready(prefix).c_str()));
    Handle exitEvent(CreateEventA(nullptr, TRUE, FALSE, maphelper::Exit(prefix).c_str()));
    Helper helper("garbage " + prefix + " " + c.section + " " + std::to_string(c.size) + " " + c.pattern + " " +
                  std::to_string(seed));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready.h, 60000)) << "helper exit " << helper.Wait(0);

    bool bLong = strcmp(c.section, vm2::kMapNameLong) == 0;
    TestWindow windows[4];
    std::vector<HANDLE> sections;
    int registered = 0;
    for (int i = 0; i < 60; ++i) {
        std::string key = (bLong ? std::string(270, 'G') : std::string("G")) + std::to_string(i % 20);
        int kind = i % 6 - 1;  // -1 .. 4
        HWND hWnd = windows[i % 4].Get();
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
    SetEvent(exitEvent.h);
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
    const int kIterations = 1000;
    // The sections outlive every helper's handles.
    Handle keepShort(CreateWindowMap("k", vm2::kMapNameShort));
    Handle keepLong(CreateWindowMap(maphelper::LongSharedKey().c_str(), vm2::kMapNameLong));
    ASSERT_NE(nullptr, keepShort.h);
    ASSERT_NE(nullptr, keepLong.h);

    std::string prefix = UniqueName("VM2MapStress");
    Handle ready(CreateSemaphoreA(nullptr, 0, kProcesses, maphelper::Ready(prefix).c_str()));
    Handle go(CreateEventA(nullptr, TRUE, FALSE, maphelper::Go(prefix).c_str()));
    Handle done(CreateSemaphoreA(nullptr, 0, kProcesses, maphelper::Done(prefix).c_str()));
    Handle exitEvent(CreateEventA(nullptr, TRUE, FALSE, maphelper::Exit(prefix).c_str()));
    TempDir dir;
    std::vector<std::unique_ptr<Helper>> helpers;
    for (int i = 0; i < kProcesses; ++i)
        helpers.push_back(std::make_unique<Helper>("stress " + prefix + " " + std::to_string(i) + " " +
                                                   std::to_string(kIterations) + " \"" +
                                                   dir.File("held" + std::to_string(i)) + "\""));
    auto release = vm2::ScopeExit([&] { SetEvent(exitEvent.h); });
    for (int i = 0; i < kProcesses; ++i)
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready.h, 60000)) << "helper " << i << " never got ready";
    SetEvent(go.h);
    for (int i = 0; i < kProcesses; ++i)
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(done.h, 90000)) << "a helper never finished";

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

    SetEvent(exitEvent.h);
    for (int i = 0; i < kProcesses; ++i) {
        EXPECT_EQ(0u, helpers[i]->Wait()) << "helper " << i << " saw impossible results";
    }
}
