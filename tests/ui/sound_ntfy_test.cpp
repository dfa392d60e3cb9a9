// The buzzer and the status sounds, played into the ALSA file device of tests/harness/alsa-file.conf.
#include "ui/status/sound_ntfy.h"

#include <gtest/gtest.h>
#include <mmsystem.h>

#include <cstdlib>

#include "harness/test_support.h"
#include "ui/ui_fixture.h"

using vm2test::InstalledModel;
using namespace uitest;

const char kModel[] = "KX-9100";

TEST(Sound, BuzzerOnceOrLoopingUntilStopStatusSoundsFromTheLibraryWavresNamesElseFromTheResourceDll)
{
    InstalledModel m("KX9100.INI");
    CBeepBuzzer buzzer(kModel, m.hResDll);
    ASSERT_EQ(getenv("VM2PR2_EXPECT_NO_AUDIO") == nullptr, waveOutGetNumDevs() > 0) << "wave output as expected";
    if (waveOutGetNumDevs() == 0) {  // the run without audio output (alsa-none.conf): ready players play nothing
        CResSndNtfy snd(kModel, m.driver.c_str(), m.hResDll);
        EXPECT_TRUE(buzzer.IsReady() && snd.IsReady() && !buzzer.Play(1) && !snd.Play(16003));
        buzzer.Stop();
        snd.Stop();  // a hang here or in Play is the test's timeout
        return;
    }
    ASSERT_FALSE(SoundLog().empty()) << "VM2PR2_SOUND_LOG not set";
    DeleteFileA(SoundLog().c_str());
    EXPECT_FALSE(CBeepBuzzer(kModel, nullptr).IsReady()) << "no module";
    // This program has no WAVE resources: no play, not even the system's default sound.
    CBeepBuzzer bare(kModel, GetModuleHandleA(nullptr));
    EXPECT_TRUE(bare.IsReady() && bare.Play(1) == 0);
    Sleep(500);
    EXPECT_LE(LogSize(), 0) << "nothing played";

    EXPECT_NE(0, buzzer.Play(0));
    LONGLONG once = SettledLogSize();
    EXPECT_NEAR(2000, RecordedHz(), 150) << "the buzzer is the 2 kHz square wave";
    DeleteFileA(SoundLog().c_str());
    EXPECT_NE(0, buzzer.Play(1));
    Sleep(1200);
    EXPECT_GT(LogSize(), 2 * once) << "a looping buzzer goes on past one wave";
    buzzer.Stop();
    LONGLONG stopped = SettledLogSize();
    Sleep(700);
    EXPECT_EQ(stopped, LogSize()) << "nothing plays after Stop";

    // Tone 16003 differs between the resource DLL and KX9100SND.DLL; a
    // library named but missing is not replaced by the resource DLL.
    struct Case {
        const char* dataFile;
        bool ready, fromResDll;
        int hz, tolerance;
    };
    const Case cases[] = {{"KX9100.INI", true, true, 698, 60},
                          {"KX9100S.INI", true, false, 298, 40},
                          {"KX9100M.INI", false, false, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dataFile);
        DeleteFileA(SoundLog().c_str());
        InstalledModel model(c.dataFile);
        {
            CResSndNtfy snd(kModel, model.driver.c_str(), model.hResDll);
            EXPECT_EQ(c.ready, snd.IsReady() != FALSE);
            EXPECT_EQ(c.fromResDll, snd.GetModule() == model.hResDll);
            EXPECT_EQ(c.ready, snd.Play(16003) != FALSE);
            if (c.ready) SettledLogSize();
            EXPECT_NEAR(c.hz, RecordedHz(), c.tolerance);
            EXPECT_FALSE(snd.Play(0) || snd.Play(15999)) << "a status without sound, a sound the module lacks";
        }
        EXPECT_NE(nullptr, FindResourceA(model.hResDll, MAKEINTRESOURCEA(17000), "WAVE"))
            << "the player must not unload the window's resource DLL";
    }
}
