// A parsed command line completed from the spooler: the printer's driver
// and port, then the model from that driver's key. Installing the kit's
// printers takes the "spooler" lock.
#include <gtest/gtest.h>

#include <string>

#include "coord/vlx_param.h"
#include "harness/test_support.h"
#include "installer/kit_install.h"

TEST(VlxParamPrinter, DriverAndPortComeFromTheSpooler)
{
    kit::InstallOptions options;
    options.strSourceDir = vm2test::BinDir();
    kit::InstallReport report;
    ASSERT_TRUE(kit::InstallDemoPrinters(options, &report)) << report.strError;
    const kit::PrinterSpec& printer = kit::MainDemoPrinter();

    std::string cmd = "/P" + std::to_string(printer.strName.size()) + " \"" + printer.strName + "\"";
    CVlxParam p(cmd.c_str());
    EXPECT_EQ(printer.strName, p.m_szPrinter);
    EXPECT_STREQ(kit::kDriverName, p.m_szDriver);
    EXPECT_EQ(printer.strPort, p.m_szPort);
    EXPECT_STREQ(kit::kModelId, p.m_szModel) << "from the driver key's ModelID";

    // What the command line gives is kept.
    cmd += " /O \"LPT9:\" /D \"Other Driver\"";
    CVlxParam q(cmd.c_str());
    EXPECT_STREQ("LPT9:", q.m_szPort);
    EXPECT_STREQ("Other Driver", q.m_szDriver);
}
