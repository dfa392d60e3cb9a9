#include "module/app.h"

#include <gtest/gtest.h>

#include "harness/test_support.h"
#include "module/exports.h"

using vm2test::UniqueName;
using vm2test::WindowSnapshot;
using vm2test::WindowWatch;

namespace {

struct Printer : vm2test::InstalledModel {
    std::string name = UniqueName("Printer");
    std::string port = "LPT1:";

    int Fill(CBaseInfo& info, const char* dat = nullptr, const char* res = nullptr)
    {
        return info.SetPrinterInfo(name.c_str(), driver.c_str(), port.c_str(), model.c_str(), dat, res);
    }
};

std::string TestResDll() { return vm2test::BinDir() + "\\vm2pr2_test_strings.dll"; }

}  // namespace

TEST(SetPrinterInfo, MissingNameInvalidatesButKeepsTheTexts)
{
    Printer p;
    CBaseInfo info;
    EXPECT_EQ(-1, info.GetInfoState());
    ASSERT_EQ(1, p.Fill(info, "C:\\given.ini", "given.dll"));

    const char* n = p.name.c_str();
    const char* d = p.driver.c_str();
    const char* o = p.port.c_str();
    const char* m = p.model.c_str();
    struct { const char *printer, *driver, *port, *model; } bad[] = {
        {nullptr, d, o, m}, {"", d, o, m}, {n, nullptr, o, m}, {n, "", o, m},
        {n, d, nullptr, m}, {n, d, "", m}, {n, d, o, nullptr}, {n, d, o, ""},
    };
    for (const auto& b : bad) {
        EXPECT_EQ(-1, info.SetPrinterInfo(b.printer, b.driver, b.port, b.model, "x.ini", "x.dll"));
        EXPECT_EQ(-1, info.GetInfoState());
        EXPECT_EQ(p.name, info.GetPrinterName());
        EXPECT_EQ("C:\\given.ini", info.GetDatFileName());
        EXPECT_EQ("given.dll", info.GetResDll());
    }
}

TEST(SetPrinterInfo, LooksUpDataFileAndResourceDll)
{
    Printer p;
    p.dir.Write("res.dll", "MZ");
    std::string dat = p.Install("[Language]\r\nENG=9,1\r\n[ENG]\r\nResDll=res.dll\r\n");

    CBaseInfo info;
    EXPECT_EQ(1, p.Fill(info));
    EXPECT_EQ(dat, info.GetDatFileName());
    EXPECT_EQ("res.dll", info.GetResDll());
    EXPECT_EQ(p.driver, info.GetDriverName());
    EXPECT_EQ(p.port, info.GetPortName());
    EXPECT_EQ(p.model, info.GetModelID());
}

TEST(SetPrinterInfo, ValidWithoutResourceDllNameOrDataFile)
{
    Printer p;
    std::string dat = p.dir.Write("model.ini", "[Other]\r\nA=1\r\n");
    CBaseInfo info;
    EXPECT_EQ(0, p.Fill(info, dat.c_str()));
    EXPECT_EQ(dat, info.GetDatFileName());
    EXPECT_EQ("", info.GetResDll());
    EXPECT_EQ(1, p.Fill(info, dat.c_str(), "named.dll")) << "a given name is taken as it is";
    EXPECT_EQ("named.dll", info.GetResDll());
    EXPECT_EQ(0, p.Fill(info)) << "no profile anywhere: valid, no data file";
    EXPECT_EQ("", info.GetDatFileName());
    EXPECT_EQ("named.dll", info.GetResDll()) << "left as it was";
}

TEST(DefaultTimer, TwoToSixtyElseTen)
{
    struct { const char* text; int expected; } cases[] = {
        {"60", 60}, {"2", 2}, {"1", 10}, {"61", 10}, {"", 10}, {nullptr, 10}, {"abc", 10}, {"-5", 10}, {"30s", 30},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text ? c.text : "(null)");
        EXPECT_EQ(c.expected, ParseDefaultTimer(c.text));
    }
    EXPECT_EQ(45, ReadDefaultTimer(nullptr)) << "string 1340 of the host program";
    EXPECT_EQ(10, ReadDefaultTimer(GetModuleHandleA("kernel32.dll"))) << "no string 1340";
}

TEST(CheckDriverInstalled, InstalledDriverShowsNothing)
{
    Printer p;
    WindowWatch watch("", "#32770", 300);
    EXPECT_EQ(1, CheckDriverInstalled(p.driver.c_str(), nullptr, nullptr));
    EXPECT_FALSE(watch.Join().found);
}

// The box's texts: built in without resources, from a resource DLL's path,
// or from a loaded module (its path then ignored); only an OK button.
TEST(CheckDriverInstalled, MissingDriverBoxTexts)
{
    HMODULE res = LoadLibraryExA(TestResDll().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, res);
    struct Case {
        const char* caption;
        HMODULE module;
        std::string path, text;
    } cases[] = {
        {"KAVRO Vigil3", nullptr, "",
         "Unable to establish bi directional communication.\nPlease re install your printer driver."},
        {"Test Caption", nullptr, TestResDll(), "Test driver missing text"},
        {"Test Caption", res, "C:\\nowhere\\missing.dll", "Test driver missing text"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        WindowWatch watch(c.caption, "#32770");
        EXPECT_EQ(0, CheckDriverInstalled(UniqueName("NoDriver").c_str(), c.module,
                                          c.path.empty() ? nullptr : c.path.c_str()));
        WindowSnapshot box = watch.Join();
        ASSERT_TRUE(box.found);
        EXPECT_NE(std::string::npos, box.AllText().find(c.text)) << box.AllText();
        EXPECT_EQ(std::string::npos, box.AllText().find("Cancel"));
    }
    FreeLibrary(res);
}

TEST(StartView, LeavesNoDanglingResourceHandle)
{
    Printer p;
    p.Install("[" + p.model + "]\r\nComErrDisableNum=4\r\n");
    // View type 3 shows no window: the export returns 1 once the context is set up.
    EXPECT_EQ(1, PrStartView(3, p.name.c_str(), p.driver.c_str(), p.port.c_str(), p.model.c_str(), nullptr,
                             TestResDll().c_str()));
    EXPECT_EQ(nullptr, GetApp()->GetResDll()) << "the resource DLL is unloaded again";
    EXPECT_EQ(4u, GetApp()->m_ComErr.Limit()) << "refreshed from the data file";
}
