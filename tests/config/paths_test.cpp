#include "config/paths.h"

#include <gtest/gtest.h>

#include "harness/test_support.h"

using vm2test::InstalledModel;
using vm2test::TempDir;
using vm2test::UniqueName;

namespace {

const char kTwoLanguages[] =
    "[Language]\r\n"
    "LangA=0x11,0x01\r\n"
    "LangB=9,1\r\n"
    "[LangA]\r\n"
    "ResDll=resA.dll\r\n"
    "Answer=42\r\n"
    "[LangB]\r\n"
    "ResDll=resB.dll\r\n"
    "Answer=7\r\n"
    "Empty=\r\n";

std::string Section(const std::string& dat, WORD lang)
{
    char out[260] = "sentinel";
    DWORD size = sizeof(out);
    int rc = GetLanguageSectionFor(out, &size, dat.c_str(), lang);
    EXPECT_GE(rc, 0);
    return out;
}

}  // namespace

TEST(FileExists, FilesAndFoldersButNeverATrailingBackslash)
{
    TempDir dir;
    std::string file = dir.Write("a.txt", "x");
    EXPECT_TRUE(FileExists(file.c_str()));
    EXPECT_TRUE(FileExists(dir.Path().c_str()));
    EXPECT_FALSE(FileExists((dir.Path() + "\\").c_str()));
    EXPECT_FALSE(FileExists(dir.File("missing").c_str()));
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FileExists(nullptr));
    EXPECT_FALSE(FileExists(dir.File("*").c_str()));

    EXPECT_TRUE(FileExistsBeside("a.txt", dir.File("data.ini").c_str()));
    EXPECT_FALSE(FileExistsBeside("b.txt", dir.File("data.ini").c_str()));
    EXPECT_FALSE(FileExistsBeside("a.txt", "data.ini")) << "no folder to look in";
    EXPECT_FALSE(FileExistsBeside("", dir.File("data.ini").c_str()));
}

TEST(DriverKey, ValuesNeedDriverAndModelAndMustFit)
{
    InstalledModel f;
    f.driverKey.SetString("K_VICN", "C:\\x\\icon.exe");
    f.driverKey.SetString("Huge", std::string(300, 'h'));
    f.driverKey.SetDword("Number", 3);
    char out[260];
    EXPECT_TRUE(GetDriverKeyValue(out, "K_VICN", f.driver.c_str(), f.model.c_str()));
    EXPECT_STREQ("C:\\x\\icon.exe", out);
    EXPECT_FALSE(GetDriverKeyValue(out, "K_VICN", f.driver.c_str(), ""));
    EXPECT_FALSE(GetDriverKeyValue(out, "K_VICN", "", f.model.c_str()));
    EXPECT_FALSE(GetDriverKeyValue(out, "Missing", f.driver.c_str(), f.model.c_str()));
    EXPECT_FALSE(GetDriverKeyValue(out, "Huge", f.driver.c_str(), f.model.c_str())) << "longer than 260 bytes";
    EXPECT_FALSE(GetDriverKeyValue(out, "Number", f.driver.c_str(), f.model.c_str())) << "wrong type";
    EXPECT_FALSE(GetDriverKeyValue(out, "K_VICN", UniqueName("nodrv").c_str(), f.model.c_str()));
    EXPECT_FALSE(GetDriverKeyValue(nullptr, "K_VICN", f.driver.c_str(), f.model.c_str()));
}

TEST(ProfilePath, DriverKeyFirstThenProfileKey)
{
    InstalledModel f;
    std::string dat = f.dir.Write("model.ini", "[x]\r\n");
    char out[260];

    f.driverKey.SetString("Profile", dat);
    EXPECT_TRUE(GetProfilePath(out, f.driver.c_str(), f.model.c_str()));
    EXPECT_EQ(dat, out);

    // A driver-key profile that does not exist falls through to the Profile key.
    f.driverKey.SetString("Profile", f.dir.File("gone.ini"));
    std::string other = f.dir.Write("other.ini", "[x]\r\n");
    f.SetProfileValue(other);
    EXPECT_TRUE(GetProfilePath(out, f.driver.c_str(), f.model.c_str()));
    EXPECT_EQ(other, out);

    EXPECT_FALSE(GetProfilePath(out, "", f.model.c_str()));
    EXPECT_STREQ("", out);
}

// The folder must exist and is given with one trailing backslash; without
// InstallPath it is the profile's folder, and with neither, nothing (the two
// lookups do not loop) while the profile is an empty success.
TEST(InstallPath, ExistingFolderWithOneBackslashOrTheProfilesFolder)
{
    InstalledModel f;
    char out[260];
    for (const std::string& value : {f.dir.Path() + "\\", f.dir.Path()}) {
        f.driverKey.SetString("InstallPath", value);
        EXPECT_TRUE(GetInstallPath(out, f.driver.c_str(), f.model.c_str()));
        EXPECT_EQ(f.dir.Path() + "\\", out);
    }
    f.driverKey.SetString("InstallPath", f.dir.File("nofolder") + "\\");
    EXPECT_FALSE(GetInstallPath(out, f.driver.c_str(), f.model.c_str()));
    EXPECT_FALSE(GetInstallPath(out, f.driver.c_str(), ""));

    InstalledModel p;
    p.driverKey.SetString("Profile", p.dir.Write("model.ini", "[x]\r\n"));
    EXPECT_TRUE(GetInstallPath(out, p.driver.c_str(), p.model.c_str()));
    EXPECT_EQ(p.dir.Path() + "\\", out);

    InstalledModel bare;
    EXPECT_FALSE(GetInstallPath(out, bare.driver.c_str(), bare.model.c_str()));
    EXPECT_STREQ("", out);
    strcpy(out, "sentinel");
    EXPECT_TRUE(GetProfilePath(out, bare.driver.c_str(), bare.model.c_str()));
    EXPECT_STREQ("", out);
}

TEST(DriverFilePath, DriverValueThenDefaultInInstallFolder)
{
    InstalledModel f;
    char out[260];
    f.driverKey.SetString("InstallPath", f.dir.Path());
    std::string icon = f.dir.Write("K_VM1IC2.EXE", "MZ");
    EXPECT_TRUE(GetDriverFilePath(out, "K_VICN", "K_VM1IC2.EXE", f.driver.c_str(), f.model.c_str()));
    EXPECT_EQ(icon, out);

    std::string elsewhere = f.dir.Write("icon2.exe", "MZ");
    f.driverKey.SetString("K_VICN", elsewhere);
    EXPECT_TRUE(GetDriverFilePath(out, "K_VICN", "K_VM1IC2.EXE", f.driver.c_str(), f.model.c_str()));
    EXPECT_EQ(elsewhere, out);

    EXPECT_FALSE(GetDriverFilePath(out, "K_VENV", "K_VM1RN2.EXE", f.driver.c_str(), f.model.c_str()))
        << "default file not installed";
    EXPECT_FALSE(GetDriverFilePath(out, "K_VRCV", "", f.driver.c_str(), f.model.c_str()))
        << "no default: only the driver value can succeed";
}

TEST(PrnDllPath, JoinsInstallFolderOrADot)
{
    InstalledModel f;
    char out[260];
    std::string dat = f.dir.Write("model.ini", "[" + f.model + "]\r\nPrnDll=K_VM2PR2.dll\r\n");
    f.SetProfileValue(dat);
    // No InstallPath and no driver Profile: the install folder comes from the
    // Profile key's path.
    EXPECT_TRUE(GetPrnDllPath(out, f.driver.c_str(), f.model.c_str()));
    EXPECT_EQ(f.dir.Path() + "\\K_VM2PR2.dll", out);

    f.driverKey.SetString("InstallPath", f.dir.File("missing"));
    EXPECT_TRUE(GetPrnDllPath(out, f.driver.c_str(), f.model.c_str()));
    EXPECT_STREQ(".K_VM2PR2.dll", out) << "a dot, no backslash, when no install folder is known";

    f.dir.Write("model.ini", "[" + f.model + "]\r\nPrnDll=" + std::string(258, 'p') + "\r\n");
    EXPECT_FALSE(GetPrnDllPath(out, f.driver.c_str(), f.model.c_str())) << "a name that filled the buffer";
    f.dir.Write("model.ini", "[" + f.model + "]\r\n");
    EXPECT_FALSE(GetPrnDllPath(out, f.driver.c_str(), f.model.c_str()));
}

TEST(DriverName, FromInstallSectionOrMadeFromTheModel)
{
    InstalledModel f;
    char out[260];
    EXPECT_FALSE(GetDriverName(f.model.c_str(), out)) << "no Profile value yet";

    f.SetProfileValue(f.dir.Write("model.ini", "[Install]\r\nDRVNAME=KAVRO Test Driver\r\n"));
    EXPECT_TRUE(GetDriverName(f.model.c_str(), out));
    EXPECT_STREQ("KAVRO Test Driver", out);

    f.dir.Write("model.ini", "[Install]\r\nOther=1\r\n");
    EXPECT_TRUE(GetDriverName(f.model.c_str(), out));
    EXPECT_EQ("KAVRO " + f.model, out);

    EXPECT_FALSE(GetDriverName("", out));
    EXPECT_FALSE(GetDriverName(f.model.c_str(), nullptr));
}

TEST(LanguageSection, PicksByUserLanguageAndExistingResourceDll)
{
    TempDir dir;
    std::string dat = dir.Write("model.ini", kTwoLanguages);
    dir.Write("resA.dll", "MZ");
    dir.Write("resB.dll", "MZ");
    EXPECT_EQ("LangA", Section(dat, 0x0411));
    DeleteFileA(dir.File("resA.dll").c_str());
    EXPECT_EQ("LangB", Section(dat, 0x0411)) << "retried with 1033";

    DeleteFileA(dir.File("resB.dll").c_str());
    EXPECT_EQ("", Section(dat, 0x0411)) << "no resource DLL at all";
}

TEST(LanguageSection, FirstLineWithAResourceDllWhenNeitherPickHasOneAndHugeSections)
{
    TempDir dir;
    std::string dat = dir.Write("model.ini",
                                "[Language]\r\nDE=7,1\r\nFR=0x0c,1\r\nIT=0x10,1\r\n"
                                "[DE]\r\nResDll=de.dll\r\n[FR]\r\nResDll=fr.dll\r\n[IT]\r\nResDll=it.dll\r\n");
    dir.Write("fr.dll", "MZ");
    dir.Write("it.dll", "MZ");
    EXPECT_EQ("FR", Section(dat, 0x0407));

    std::string text = "[Language]\r\n";
    for (int i = 0; i < 3000; ++i) text += "Filler" + std::to_string(i) + "=0x1f,2\r\n";
    text += "Last=9,1\r\n[Last]\r\nResDll=last.dll\r\n";
    dir.Write("last.dll", "MZ");
    EXPECT_EQ("Last", Section(dir.Write("huge.ini", text), 0x0409)) << "read whole";
}

TEST(LanguageSection, ArgumentsSizesAndMissingSections)
{
    TempDir dir;
    std::string dat = dir.Write("model.ini", kTwoLanguages);
    dir.Write("resB.dll", "MZ");

    char out[260];
    DWORD size = 3;
    EXPECT_EQ(-4, GetLanguageSectionFor(out, &size, dat.c_str(), 0x0409));
    EXPECT_EQ(6u, size) << "LangB and its terminator";
    size = 6;
    EXPECT_GE(GetLanguageSectionFor(out, &size, dat.c_str(), 0x0409), 0);
    EXPECT_STREQ("LangB", out);

    EXPECT_EQ(-1, GetLanguageSectionFor(nullptr, &size, dat.c_str(), 0x0409));
    EXPECT_EQ(-1, GetLanguageSectionFor(out, nullptr, dat.c_str(), 0x0409));
    EXPECT_EQ(-1, GetLanguageSectionFor(out, &size, "", 0x0409));

    std::string none = dir.Write("none.ini", "[Other]\r\nA=1\r\n");
    EXPECT_EQ("", Section(none, 0x0409));
    std::string empty = dir.Write("empty.ini", "");
    EXPECT_EQ("", Section(empty, 0x0409));
    EXPECT_EQ("", Section(dir.File("missing.ini"), 0x0409));
}

TEST(LangProfile, StringsAndIntegersOfTheChosenSection)
{
    TempDir dir;
    std::string dat = dir.Write("model.ini", kTwoLanguages);
    dir.Write("resB.dll", "MZ");
    char out[260] = "sentinel";
    // The user's own language here is English, which picks LangB.
    EXPECT_EQ(0, GetLangProfileString("ResDll", out, sizeof(out), dat.c_str()));
    EXPECT_STREQ("resB.dll", out);
    EXPECT_EQ(-1, GetLangProfileString("Empty", out, sizeof(out), dat.c_str()));
    EXPECT_EQ(-1, GetLangProfileString("Missing", out, sizeof(out), dat.c_str()));
    EXPECT_EQ(7, GetLangProfileInt("Answer", 3, dat.c_str()));
    EXPECT_EQ(3, GetLangProfileInt("Missing", 3, dat.c_str()));

    std::string none = dir.Write("none.ini", "[x]\r\n");
    EXPECT_EQ(-1, GetLangProfileString("ResDll", out, sizeof(out), none.c_str()));
    EXPECT_EQ(-1, GetLangProfileInt("Answer", 3, none.c_str()));
}

TEST(CachedProfileInt, FollowsTheFileAndFallsBackWithoutIt)
{
    TempDir dir;
    std::string dat = dir.Write("model.ini", "[M]\r\nBeep=1\r\n");
    EXPECT_EQ(1, CachedProfileInt("M", "Beep", -1, dat.c_str()));
    EXPECT_EQ(1, CachedProfileInt("m", "BEEP", -1, dat.c_str())) << "names without regard to case";
    EXPECT_EQ(-1, CachedProfileInt("M", "Other", -1, dat.c_str()));

    dir.Write("model.ini", "[M]\r\nBeep=25\r\n");
    EXPECT_EQ(25, CachedProfileInt("M", "Beep", -1, dat.c_str())) << "a rewritten file is read again";
    DeleteFileA(dat.c_str());
    EXPECT_EQ(-1, CachedProfileInt("M", "Beep", -1, dat.c_str())) << "a missing file has no value";
}
