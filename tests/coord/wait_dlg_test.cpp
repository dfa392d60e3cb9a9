// The start of the library settings program as older systems do it: the
// whole command line, and no start when the program is not there.
#include "coord/wait_dlg.h"

#include <gtest/gtest.h>

#include <string>

#include "base/trace.h"
#include "coord/companion_fixture.h"

using comptest::CompanionSandbox;

TEST(StartKbapiset, OlderSystemsGetTheWholeCommandLine)
{
    CompanionSandbox box;
    TraceScope scope("StartKbapiset test");
    std::string path = vm2test::BinDir() + "\\kbapiset.exe";
    ASSERT_EQ(1, vm2::StartKbapiset(scope, false, nullptr, path.c_str(), true));
    auto records = box.WaitForRecords(1);
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(path + " /Act=Ch /KBP=A:NC /Ret=WM:0;40a  /Agt=On", records[0].Get("cmdline"));
    EXPECT_EQ(0, vm2::StartKbapiset(scope, false, nullptr, (box.TempFolder() + "\\kbapiset.exe").c_str(), true));
}
