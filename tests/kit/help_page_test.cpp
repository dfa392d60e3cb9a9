// The model's help page: with the data file variant that names it, the
// status window's help opens the page through the shell, and the test
// prefix's .htm association hands it to the kit's stand-in viewer.
#include <windows.h>

#include "base/resource_ids.h"
#include "comm/comm_fixture.h"
#include "companions/companion_log.h"
#include "module/exports.h"

TEST_F(SimPrinterTest, StatusHelpOpensTheModelsPageInTheRegisteredViewer)
{
    ASSERT_TRUE(vm2test::RegKeyExists(HKEY_CLASSES_ROOT, ".htm")) << "the prefix has no .htm association";
    vm2test::TempDir dir;
    const std::string log = dir.File("pages.log");
    SetEnvironmentVariableA(companion::kLogVariable, log.c_str());
    m_sim.SetReply(commtest::kUsb, Reply("paper-out"));
    ASSERT_EQ(0, PrSetRegDefaultValue(commtest::kUsb, kit::kDriverName, "USB001", kit::kModelId, nullptr));

    bool helpShown = false;
    vm2test::WindowWatch user(std::string("KX-9100 Status Monitor : ") + commtest::kUsb, "", 10000, [&](HWND h) {
        HWND help = GetDlgItem(h, vm2::res::kCtlHelpCompanion);
        helpShown = vm2test::WaitUntil([&] { return IsWindowVisible(help) != FALSE; }, 5000);
        PostMessageA(h, WM_COMMAND, vm2::res::kCtlHelpButton, 0);
        vm2test::WaitUntil([&] { return vm2test::ReadFileText(log).find("[end]") != std::string::npos; }, 10000);
        PostMessageA(h, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(0, PrStartView(2, commtest::kUsb, kit::kDriverName, "USB001", kit::kModelId,
                             (vm2test::BinDir() + "\\KX9100H.INI").c_str(),
                             (vm2test::BinDir() + "\\" + kit::kResDllEnglish).c_str()));
    ASSERT_TRUE(user.Join().found);
    SetEnvironmentVariableA(companion::kLogVariable, nullptr);
    EXPECT_TRUE(helpShown) << "the status had no help";

    std::vector<companion::Record> records = companion::ParseCompanionRecords(vm2test::ReadFileText(log));
    ASSERT_EQ(1u, records.size()) << vm2test::ReadFileText(log);
    EXPECT_EQ("page-viewer", records[0].program);
    std::string cmd = records[0].Get("cmdline");
    CharUpperA(&cmd[0]);
    std::string page = std::string(kit::kDefaultInstallDir) + "\\" + kit::kStatusHelpPage;
    CharUpperA(&page[0]);
    EXPECT_NE(std::string::npos, cmd.find(page)) << records[0].Get("cmdline");
}
