// The status window through PrStartView on the kit's simulated printer, acted on from a user thread.
#include <windows.h>
#include <mmsystem.h>
#include <oleacc.h>

#include <thread>

#include "base/resource_ids.h"
#include "bench/proc_counters.h"
#include "comm/comm_fixture.h"
#include "coord/window_map.h"
#include "harness/gui_objects.h"
#include "module/exports.h"
#include "ui/status/about_box.h"
#include "ui/status/detail.h"
#include "ui/ui_fixture.h"

namespace {

using namespace vm2::res;
using uitest::Text;
using vm2test::WaitUntil;
using vm2test::WindowWatch;

const char kPort[] = "USB001";
const char kCaption[] = "KX-9100 Status Monitor";
// The kit's messages for the simulator's presets.
const char kReady[] = "The printer is ready to print.";
const char kPaperOut[] = "Load paper and press the On Line button.";
const char kCoverOpen[] = "Close the top cover.";

std::string ResDll() { return vm2test::BinDir() + "\\KX9100EN.DLL"; }
std::string Message(HWND h) { return Text(GetDlgItem(h, kCtlStatusMessage)); }
HWND MapEntry() { return FindMapWindow(commtest::kUsb, kPort, MAPWND_STATUS); }
int View(int t) { return PrStartView(t, commtest::kUsb, kit::kDriverName, kPort, kit::kModelId, "", ResDll().c_str()); }

// Another visible dialog of the window's thread (message box, about box, trouble help).
HWND OtherDialog(HWND h, DWORD ms)
{
    HWND d = nullptr;
    const DWORD thread = GetWindowThreadProcessId(h, nullptr);
    auto ours = [&] { return d != h && IsWindowVisible(d) && GetWindowThreadProcessId(d, nullptr) == thread; };
    WaitUntil(
        [&] {
            while ((d = FindWindowExA(nullptr, d, "#32770", nullptr)) && !ours()) {}
            return !!d;
        },
        ms);
    return d;
}

// What a screen reader hears for a control.
std::string AccName(HWND hControl)
{
    IAccessible* pAcc = nullptr;
    BSTR name = nullptr;
    VARIANT self{};
    self.vt = VT_I4;  // lVal 0: CHILDID_SELF
    if (SUCCEEDED(AccessibleObjectFromWindow(hControl, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                             reinterpret_cast<void**>(&pAcc))))
        pAcc->get_accName(self, &name), pAcc->Release();
    std::string text(name, name + SysStringLen(name));  // the kit's texts are ASCII
    SysFreeString(name);
    return text;
}

std::vector<HWND> g_nameChanges;  // windows of EVENT_OBJECT_NAMECHANGE, on the hooking thread
void CALLBACK OnNameChange(HWINEVENTHOOK, DWORD, HWND hWnd, LONG idObject, LONG, DWORD, DWORD)
{
    if (idObject == OBJID_CLIENT) g_nameChanges.push_back(hWnd);
}

// GDI and USER objects and threads. Display DCs and their regions are left
// out: Wine caches them per window, the module makes neither.
std::string HeldObjects()
{
    vm2test::GuiObjects held = vm2test::CountGuiObjects();
    held.nGdi = 0;
    for (UINT_PTR h = 1; h < 0x10000; ++h) {
        DWORD type = GetObjectType(reinterpret_cast<HGDIOBJ>(h));
        held.nGdi += type != 0 && type != OBJ_DC && type != OBJ_REGION;
    }
    return held.Describe() + ", threads " + std::to_string(vm2test::CountThreads());
}

class StatusWindowTest : public SimPrinterTest {
protected:
    void SetUp() override
    {
        SimPrinterTest::SetUp();
        ASSERT_EQ(0, PrSetRegDefaultValue(commtest::kUsb, kit::kDriverName, kPort, kit::kModelId, nullptr));
        m_key = TargetKey(commtest::kUsb);
        ASSERT_FALSE(m_key.empty());
    }

    // Runs the window here while user() acts on it from another thread; it must then close.
    int Run(int viewType, const std::function<void(HWND)>& user)
    {
        std::thread t([&] {
            const std::string title = std::string(kCaption) + " : " + commtest::kUsb;
            HWND h = nullptr;  // found while it is being made: used once shown (type 4 never is)
            WaitUntil(
                [&] { return (h = FindWindowA(nullptr, title.c_str())) && (viewType == 4 || IsWindowVisible(h)); },
                10000);
            ASSERT_NE(nullptr, h) << "no status window";
            user(h);
            if (!WaitUntil([&] { return !IsWindowVisible(h); }, 6500)) {
                ADD_FAILURE() << "the window stays open";
                PostMessageA(h, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
            }
        });
        int r = View(viewType);
        t.join();
        return r;
    }

    void Set(const char* n, DWORD v) { RegSetKeyValueA(HKEY_CURRENT_USER, m_key.c_str(), n, REG_DWORD, &v, sizeof v); }

    // A pop-up's stored status, and the printer's (ready unless named).
    void Popup(const char* stored, const char* printer = "ready")
    {
        std::string reply = Reply(stored);
        RegSetKeyValueA(HKEY_CURRENT_USER, m_key.c_str(), "Status", REG_BINARY, reply.data(),
                        static_cast<DWORD>(reply.size()));
        Set("Channel", 4);
        Set("ComStatus", 1);
        m_sim.SetReply(commtest::kUsb, Reply(printer));
    }

    std::string m_key;
};

}  // namespace

// The second process of the one-window test: a pop-up request, then one for the window.
TEST(StatusWindowOther, DISABLED_Run) { ExitProcess(static_cast<UINT>(View(1) * 10 + View(2))); }

// Screen readers hear each control by name (picture and icon by the message), a new message as a name change.
// Its close ends the trouble dialog opened from it.
TEST_F(StatusWindowTest, OnDemandWindowCentredNamedAndFollowingThePrinterNoneForType3OrAMissingPrinter)
{
    EXPECT_EQ(1, View(3));
    WindowWatch box(kCaption);
    EXPECT_EQ(0, PrStartView(2, "No Such Printer", kit::kDriverName, kPort, kit::kModelId, "", ResDll().c_str()));
    const std::string seen = box.Join().AllText();
    EXPECT_NE(std::string::npos, seen.find("driver of this printer cannot be found")) << seen;
    EXPECT_EQ(nullptr, FindMapWindow("No Such Printer", kPort, MAPWND_STATUS));

    m_sim.SetReply(commtest::kUsb, Reply("paper-out"));
    EXPECT_EQ(0, Run(2, [&](HWND h) {
                  RECT rc{};
                  GetWindowRect(h, &rc);
                  EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - (rc.right - rc.left)) / 2, rc.left) << "centred";
                  ASSERT_TRUE(WaitUntil([&] { return Message(h) == kPaperOut; }, 3000)) << Message(h);
                  vm2test::Screenshot(h, "status_window_on_demand");
                  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
                  const std::pair<int, std::string> names[] = {{kCtlStatusPicture, kPaperOut},
                                                               {kCtlStatusIcon, kPaperOut},
                                                               {kCtlStatusMessage, kPaperOut},
                                                               {kCtlHelpButton, "Help"},
                                                               {kCtlHelpCompanion, "Help"},
                                                               {IDOK, "OK"},
                                                               {kCtlStatusTitle, Text(GetDlgItem(h, kCtlStatusTitle))}};
                  for (const auto& c : names)
                      EXPECT_EQ(c.second, AccName(GetDlgItem(h, c.first))) << "control " << c.first;
                  HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr,
                                                       OnNameChange, GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
                  m_sim.SetReply(commtest::kUsb, Reply("ready"));
                  WaitUntil([&] { return vm2test::Pump(50), !g_nameChanges.empty(); }, 6500);
                  EXPECT_EQ(kReady, Message(h)) << "within one interval of 5 s";
                  vm2test::Pump(1000);
                  UnhookWinEvent(hook);
                  EXPECT_EQ(std::vector<HWND>{GetDlgItem(h, kCtlStatusMessage)}, g_nameChanges)
                      << "one event, on the message";
                  EXPECT_EQ(kReady, AccName(GetDlgItem(h, kCtlStatusPicture)));
                  CoUninitialize();
                  PostMessageA(h, WM_COMMAND, kCtlHelpButton, 0);
                  HWND trouble = OtherDialog(h, 3000);
                  ASSERT_NE(nullptr, trouble) << "the trouble dialog";
                  WindowWatch::PressButton(h, IDOK);
                  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(trouble); }, 3000)) << "closed with the window";
              }));
    EXPECT_EQ(5u, StoredDword(commtest::kUsb, "Timer", 0)) << "the local interval";
    EXPECT_EQ(0, m_sim.OpenChannelCount(commtest::kUsb));
}

// Stored reply first; open while the status needs notice or help runs; closes, about box too, on recovery.
TEST_F(StatusWindowTest, PopupFromTheStoredReplyStaysOpenWhileHelpRunsAndClosesWithItsAboutBoxOnRecovery)
{
    std::string version = "x";
    EXPECT_EQ(0, GetFileVersionString((vm2test::BinDir() + "\\KX9100.INI").c_str(), &version)) << "no version data";
    EXPECT_EQ("", version);
    vm2test::ScopedRegKey library(HKEY_LOCAL_MACHINE, "software\\KAVRO\\KBAPIInfo");
    library.SetString("KBAPIVersion", "");
    library.SetString("Version", "2.5");
    Popup("cover-open", "cover-open");
    EXPECT_EQ(0, Run(1, [&](HWND h) {
                  EXPECT_EQ(kCoverOpen, Message(h)) << "before the first poll";
                  vm2test::Screenshot(h, "status_popup_cover_open");
                  EXPECT_TRUE(WaitUntil([&] { return m_sim.RepliesServed(commtest::kUsb) > 0; }, 6500)) << "a poll";

                  PostMessageA(h, WM_COMMAND, kCtlHelpButton, 0);
                  HWND trouble = OtherDialog(h, 3000);
                  ASSERT_NE(nullptr, trouble) << "the trouble dialog";
                  vm2test::Screenshot(trouble, "status_popup_trouble_dialog");
                  m_sim.SetReply(commtest::kUsb, Reply("ready"));
                  EXPECT_TRUE(WaitUntil([&] { return Message(h) == kReady; }, 6500)) << "updates go on during help";
                  EXPECT_TRUE(IsWindowVisible(h)) << "no self-closing while help is open";
                  m_sim.SetReply(commtest::kUsb, Reply("cover-open"));
                  EXPECT_TRUE(WaitUntil([&] { return Message(h) == kCoverOpen; }, 6500));
                  WindowWatch::PressButton(trouble, kCtlTroubleClose);
                  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(trouble); }, 3000)) << Text(trouble);

                  PostMessageA(h, WM_SYSCOMMAND, kAboutCommand, 0);
                  HWND about = OtherDialog(h, 3000);
                  EXPECT_EQ(h, GetWindow(about, GW_OWNER));
                  EXPECT_EQ("About KX-9100 Status Monitor", Text(about));
                  EXPECT_EQ("Ver. 1.20", Text(GetDlgItem(about, kCtlAboutPackage))) << "KPWVER";
                  EXPECT_EQ("Ver. 2.5", Text(GetDlgItem(about, kCtlAboutLibrary)));
                  EXPECT_FALSE(IsWindowVisible(GetDlgItem(about, kCtlAboutSpare1)));
                  vm2test::Screenshot(about, "status_about_box");
                  EXPECT_TRUE(IsWindowVisible(h)) << "a status with notice keeps it open, help over";
                  m_sim.SetReply(commtest::kUsb, Reply("ready"));
                  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); }, 6500)) << "recovery closes both";
              }));
}

// Pop-ups placed where stored, or afresh when off screen. The first two announce their first status once, by
// the buzzer, else the sound; the last takes the requests of another process and stops closing itself.
TEST_F(StatusWindowTest, PopupsPlacedAnnouncedOnceAndTakingTheRequestsOfAnotherProcess)
{
    const bool audio = waveOutGetNumDevs() > 0 && getenv("VM2PR2_SOUND_LOG") != nullptr;
    const struct {
        int x, y;
        bool keptX, keptY;
        int buzzer;
    } cases[] = {{100000, 40, false, true, 1}, {-40, 30, true, true, 0}, {60, -100000, true, false, -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.x);
        DeleteFileA(uitest::SoundLog().c_str());
        Popup("paper-out", "paper-out");
        Set("PopupPOSX", static_cast<DWORD>(c.x));
        Set("PopupPOSY", static_cast<DWORD>(c.y));
        Set("BeepBuzzerEnable", c.buzzer == 1);
        Set("SoundNotifyEnable", c.buzzer >= 0);
        Set("LoopBuzzer", 2);  // neither 0 nor 1: plays once
        RECT rc{};
        EXPECT_EQ(
            0, Run(1, [&](HWND h) {
                GetWindowRect(h, &rc);
                char exe[MAX_PATH] = "";
                if (c.buzzer >= 0 && audio) {
                    LONGLONG first = uitest::SettledLogSize();
                    ASSERT_GT(first, 0) << "the first status is announced";
                    int hz = uitest::RecordedHz();
                    EXPECT_TRUE(c.buzzer ? abs(hz - 2000) < 150 : hz < 1000) << hz << " Hz: the buzzer, else the sound";
                    Sleep(1000);
                    EXPECT_EQ(first, uitest::LogSize()) << "played once";
                    DeleteFileA(uitest::SoundLog().c_str());  // each sound rewrites it: gone, nothing played since
                    Sleep(6000);                              // a poll with the same status
                    EXPECT_EQ(-1, uitest::SettledLogSize()) << "the same status is not announced again";
                    m_sim.SetReply(commtest::kUsb, Reply("cover-open"));
                    Sleep(6000);
                    EXPECT_GT(uitest::SettledLogSize(), 0) << "a new status is";
                } else if (c.buzzer < 0 && GetModuleFileNameA(nullptr, exe, MAX_PATH)) {
                    const std::string run = "\" --gtest_also_run_disabled_tests --gtest_filter=StatusWindowOther.*";
                    EXPECT_EQ(0u, vm2test::ChildProcess("\"" + std::string(exe) + run).Wait(20000))
                        << "10 pop-up + window";
                    EXPECT_EQ(h, MapEntry()) << "the entry stays the first window's";
                    m_sim.SetReply(commtest::kUsb, Reply("ready"));
                    EXPECT_TRUE(WaitUntil([&] { return Message(h) == kReady; }, 6500));
                    EXPECT_TRUE(IsWindowVisible(h)) << "no self-closing after WM_USERDETAIL";
                }
                PostMessageA(h, WM_CLOSE, 0, 0);
            }));
        EXPECT_EQ(c.keptX ? c.x : (GetSystemMetrics(SM_CXFULLSCREEN) - (rc.right - rc.left)) / 2, rc.left);
        EXPECT_TRUE(!c.keptY || c.y == rc.top) << rc.top;
        EXPECT_EQ(static_cast<DWORD>(rc.left), StoredDword(commtest::kUsb, "PopupPOSX", 0));
        EXPECT_EQ(static_cast<DWORD>(rc.top), StoredDword(commtest::kUsb, "PopupPOSY", 0));
    }
    if (!audio) GTEST_SKIP() << "no recorded audio: the announcements were not checked";
}

// A close queued behind the trouble dialog's own OK still ends the window.
TEST_F(StatusWindowTest, CommunicationErrorBoxesOncePerWindow)
{
    vm2test::ScopedRegKey common(HKEY_LOCAL_MACHINE, "software\\KAVRO\\VLX3\\VLXCommon");
    common.SetDword("ERR_OTHERS", 1);
    common.SetDword("RST_FREPLACE", 1);
    m_sim.SetDeviceId(commtest::kUsb, "MFG:KAVRO;CMD:KBDC;");
    EXPECT_EQ(0, Run(2, [&](HWND h) {
                  auto box = [&](DWORD ms, const char* shot = nullptr) {  // its text, after pressing its OK
                      HWND b = OtherDialog(h, ms);
                      if (b == nullptr) return std::string("(none)");
                      EXPECT_EQ(h, GetWindow(b, GW_OWNER));
                      EXPECT_EQ(kCaption, Text(b));
                      if (shot != nullptr) vm2test::Screenshot(b, shot);
                      std::string text = Text(GetDlgItem(b, 0xFFFF));
                      WindowWatch::PressButton(b, IDOK);  // hides it before it returns
                      return text;
                  };
                  EXPECT_NE(std::string::npos, box(3000, "status_comm_error_box").find("taken over the printer port"));
                  EXPECT_NE(std::string::npos, box(3000).find("bi directional"));
                  EXPECT_EQ("(none)", box(6500)) << "none at the next failed pass";
                  PostMessageA(h, WM_COMMAND, kCtlHelpButton, 0);
                  HWND trouble = OtherDialog(h, 3000);
                  ASSERT_NE(nullptr, trouble) << "the trouble dialog";
                  // The user's OK in the trouble dialog and the window's close, queued together: both end.
                  PostMessageA(trouble, WM_COMMAND, IDOK, 0);
                  PostMessageA(h, WM_COMMAND, IDOK, 0);
              }));
}

// Each way out, many times over, leaves nothing behind; the hidden window (type 4) polls unseen, never shows.
TEST_F(StatusWindowTest, OpenCloseCyclesEachWayLeaveNothingBehind)
{
    const char* env = getenv("VM2PR2_VIEW_CYCLES");  // the benchmark runs 100
    const int cycles = env != nullptr ? atoi(env) : 10;
    const struct {
        const char* way;
        int viewType;
        std::function<void(HWND)> close;
    } ways[] = {
        {"OK", 2, [](HWND h) { WindowWatch::PressButton(h, IDOK); }},
        {"close box", 2, [](HWND h) { PostMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"recovery", 1, [](HWND) {}},  // the stored status needs notice; the printer is ready
        {"suspend", 4,
         [](HWND h) {
             EXPECT_TRUE(WaitUntil([&] { return Message(h) == kReady; }, 3000)) << "polled";
             ShowWindow(h, SW_SHOW);
             EXPECT_FALSE(IsWindowVisible(h));
             EXPECT_EQ(h, MapEntry()) << "a status without notice does not end it";
             PostMessageA(h, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
         }},
    };
    auto cycle = [&](const auto& w) {
        Popup("paper-out");
        Set("SoundNotifyEnable", 0);  // a sound's thread may still be ending when the objects are counted
        return Run(w.viewType, w.close);
    };
    for (const auto& w : ways) cycle(w);  // what the first windows load for the process stays
    for (const auto& w : ways) {
        SCOPED_TRACE(w.way);
        std::string held = HeldObjects();
        long handles = bench::CountHandles();
        for (int i = 0; i < cycles; ++i) EXPECT_EQ(0, cycle(w));
        EXPECT_EQ(held, HeldObjects());
        // Wine makes a handle of its own now and then; one left per window shows as one per cycle.
        EXPECT_LE(bench::CountHandles() - handles, 1);
        EXPECT_EQ(nullptr, GetModuleHandleA("KBSIM.DLL")) << "the library is unloaded";
        EXPECT_EQ(nullptr, MapEntry());
    }
}
