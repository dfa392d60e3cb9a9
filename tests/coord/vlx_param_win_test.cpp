// The parameter object on disk: temporary names, the file written and read
// back, deletion, and the completion of a parsed command line from the
// driver key.
#include <gtest/gtest.h>

#include <string>

#include "coord/companion_fixture.h"
#include "base/text.h"
#include "coord/companion_launch.h"
#include "coord/vlx_param.h"

using comptest::CompanionSandbox;

namespace {

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Full(const CVlxParam& p) { return std::string(p.m_szTempDir) + p.m_szFileName; }

}  // namespace

TEST(VlxParamTempName, NewEmptyFileInTheTemporaryFolderOrNone)
{
    CompanionSandbox box;
    CVlxParam p;
    ASSERT_EQ(1, p.CreateTempParamName());
    EXPECT_EQ(box.TempFolder() + "\\", p.m_szTempDir);
    std::string name = p.m_szFileName;
    EXPECT_EQ(0u, name.find("K_V")) << name;
    EXPECT_EQ(name.size() - 4, name.find(".tmp")) << name;
    EXPECT_EQ(std::string::npos, name.find('\\'));
    EXPECT_EQ("", vm2test::ReadFileText(Full(p)));

    // Kept without the folder's backslash, the name carries it instead.
    CVlxParam q;
    ASSERT_EQ(1, q.CreateTempParamName(false));
    EXPECT_EQ(box.TempFolder(), q.m_szTempDir);
    EXPECT_EQ('\\', q.m_szFileName[0]);
    EXPECT_TRUE(Exists(Full(q)));
    EXPECT_EQ(2u, box.TempFiles().size());

    comptest::ScopedEnv tmp("TMP", box.TempFolder() + "\\missing\\");
    EXPECT_EQ(0, q.CreateTempParamName());
    EXPECT_STREQ("", q.m_szFileName);
}

TEST(VlxParamFile, WrittenInTextModeReadBackAndFailures)
{
    CompanionSandbox box;
    CVlxParam p;
    p.SetOption("P", "Pr\"int/er \xE4");
    p.SetOption("O", "LPT1:");
    p.SetOption("M", "KX-9100");
    p.SetOption("R", "");
    EXPECT_EQ(0, p.WriteParamFile()) << "no name yet";
    ASSERT_EQ(1, p.CreateTempParamName());
    ASSERT_EQ(1, p.WriteParamFile());
    EXPECT_EQ("/P \"Pr\"int/er \xE4\"\r\n/O \"LPT1:\"\r\n/M \"KX-9100\"\r\n/R\r\n", vm2test::ReadFileText(Full(p)));

    // Read by its full path, by its name alone (found in the temporary
    // folder), and never deleted by reading.
    for (const std::string& name : {Full(p), std::string(p.m_szFileName)}) {
        SCOPED_TRACE(name);
        CVlxParam q;
        vm2::CopyText(q.m_szParamFile, sizeof(q.m_szParamFile), name.c_str());
        ASSERT_EQ(1, q.ReadParamFile());
        EXPECT_EQ(p.FormatParamText(), q.FormatParamText());
        EXPECT_TRUE(Exists(Full(p)));
    }

    // A missing or empty file leaves the fields as the command line set them.
    CVlxParam q;
    q.SetOption("P", "from the command line");
    EXPECT_EQ(0, q.ReadParamFile()) << "no file named";
    vm2::CopyText(q.m_szParamFile, sizeof(q.m_szParamFile), "K_VNONE.tmp");
    EXPECT_EQ(0, q.ReadParamFile());
    EXPECT_EQ(box.TempFolder() + "\\", q.m_szTempDir) << "the temporary folder was tried";
    std::string empty = box.TempFolder() + "\\K_VE.tmp";
    vm2test::WriteFileText(empty, "");
    vm2::CopyText(q.m_szParamFile, sizeof(q.m_szParamFile), empty.c_str());
    EXPECT_EQ(1, q.ReadParamFile());
    EXPECT_STREQ("from the command line", q.m_szPrinter);

    vm2::CopyText(q.m_szTempDir, sizeof(q.m_szTempDir), (box.TempFolder() + "\\missing\\").c_str());
    vm2::CopyText(q.m_szFileName, sizeof(q.m_szFileName), "K_V1.tmp");
    EXPECT_EQ(0, q.WriteParamFile()) << "no such folder";
}

TEST(VlxParamDelete, OnlyParameterFilesAndOnlyWhereNamed)
{
    CompanionSandbox box;
    std::string byPath = box.TempFolder() + "\\K_V11.tmp";
    std::string byName = box.TempFolder() + "\\K_V22.tmp";
    std::string other = box.TempFolder() + "\\keep.txt";
    for (const std::string& f : {byPath, byName, other}) vm2test::WriteFileText(f, "x");

    CVlxParam p;
    EXPECT_EQ(1, p.DeleteParamFile(byPath.c_str()));
    EXPECT_FALSE(Exists(byPath));
    EXPECT_EQ(box.TempFolder() + "\\", p.m_szTempDir);
    EXPECT_EQ(1, p.DeleteParamFile("K_V22.tmp"));
    EXPECT_FALSE(Exists(byName));
    for (const char* name : {"K_V22.tmp", other.c_str(), "keep.txt", "", static_cast<const char*>(nullptr)})
        EXPECT_EQ(0, p.DeleteParamFile(name)) << (name ? name : "(null)");  // gone, or no parameter file
    EXPECT_TRUE(Exists(other));
}

TEST(VlxParamParse, OneShotFileIsReadAndDeletedLogonFileKept)
{
    CompanionSandbox box;
    CVlxParam w;
    ASSERT_EQ(1, w.CreateTempParamName());
    w.SetOption("P", "Printer");
    w.SetOption("O", "USB001");
    w.SetOption("M", "KX-9100");
    ASSERT_EQ(1, w.WriteParamFile());

    CVlxParam a(("icon.exe /A \"" + Full(w) + "\"").c_str());
    EXPECT_EQ(w.FormatParamText(), a.FormatParamText());
    EXPECT_EQ(Full(w), a.m_szParamFile);
    EXPECT_STREQ("", a.m_szFileName);
    EXPECT_TRUE(Exists(Full(w))) << "the logon entry's file is kept";

    CVlxParam f((std::string("icon.exe /R /F \"") + w.m_szFileName + "\"").c_str());
    EXPECT_STREQ("Printer", f.m_szPrinter);
    EXPECT_EQ(1, f.m_bR);
    EXPECT_FALSE(Exists(Full(w))) << "a one-shot file is deleted";
}

TEST(VlxParamParse, ModelFromTheDriverKeyWhenMissingAndTooLongALineRefusedWhole)
{
    CompanionSandbox box;  // its driver key says "ModelID" = "KX-CT"
    std::string cmd = "/P \"no such printer\" /D \"" + box.DriverName() + "\"";
    EXPECT_STREQ("KX-CT", CVlxParam(cmd.c_str()).m_szModel);
    EXPECT_STREQ("given", CVlxParam((cmd + " /M \"given\"").c_str()).m_szModel);

    CVlxParam p(("/P \"" + std::string(300, 'p') + "\" /R").c_str());
    EXPECT_STREQ("", p.m_szCmdLine);
    EXPECT_EQ("", p.FormatParamText());
}

TEST(VlxParamParse, BEOnlyWithItsFourValues)
{
    const char* const parts[] = {" /BH \"h\"", " /BU \"u\"", " /BD \"d\"", " /BI \"i\""};
    for (int missing = -1; missing < 4; ++missing) {
        SCOPED_TRACE(missing);
        std::string cmd = "/BE";
        for (int i = 0; i < 4; ++i)
            if (i != missing) cmd += parts[i];
        CVlxParam p(cmd.c_str());
        EXPECT_EQ(missing == -1 ? 1 : 0, p.m_bBE);
    }
}
