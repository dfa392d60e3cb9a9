// The companion programs' command lines, and that the icon program reads
// back exactly what the module put on them.
#include "coord/companion_commands.h"

#include <gtest/gtest.h>

#include <string>

#include "coord/vlx_param.h"

namespace {

const char kIcon[] = "C:\\Program Files\\KAVRO\\K_VM1IC2.EXE";

// What the icon program takes from a command (without the program path, as
// it reads its own arguments).
struct Read {
    std::string printer, port, model, paramFile, fileName;
    int r;
};

Read ReadBack(const std::string& command)
{
    std::string args = command.substr(sizeof(kIcon) - 1);
    CVlxParam p;
    EXPECT_TRUE(p.SetCmdLine(args.c_str())) << args;
    p.ApplyCmdLineOptions();
    return {p.m_szPrinter, p.m_szPort, p.m_szModel, p.m_szParamFile, p.m_szFileName, p.m_bR};
}

}  // namespace

TEST(IconCommand, FourFormsAsTheIconProgramExpectsThemAndReadsThem)
{
    const std::string icon = kIcon;
    char out[vm2::kIconCommandBuf];
    ASSERT_TRUE(vm2::FormatIconStartWithFile(out, kIcon, "K_V1A2B.tmp"));
    EXPECT_EQ(icon + " /F \"K_V1A2B.tmp\"", out);
    Read r = ReadBack(out);
    EXPECT_EQ("K_V1A2B.tmp", r.paramFile);
    EXPECT_EQ("", r.fileName + r.printer);

    ASSERT_TRUE(vm2::FormatIconStartWithNames(out, kIcon, "Demo", "USB001", "KX-9100", true));
    EXPECT_EQ(icon + " /P4 \"Demo\" /O6 \"USB001\" /M \"KX-9100\"  /R", out);
    ASSERT_TRUE(vm2::FormatIconStartWithNames(out, kIcon, "Demo", "USB001", "KX-9100", false));
    EXPECT_EQ(icon + " /P4 \"Demo\" /O6 \"USB001\" /M \"KX-9100\" ", out);

    ASSERT_TRUE(vm2::FormatRunEntryWithFile(out, kIcon, "C:\\Temp\\K_V1A2B.tmp"));
    EXPECT_EQ(icon + " /A \"C:\\Temp\\K_V1A2B.tmp\"", out);
    r = ReadBack(out);
    EXPECT_EQ("C:\\Temp\\K_V1A2B.tmp", r.fileName);
    EXPECT_EQ("", r.paramFile);

    ASSERT_TRUE(vm2::FormatRunEntryWithNames(out, kIcon, "Demo", "USB001", "KX-9100"));
    EXPECT_EQ(icon + " /P4 \"Demo\" /O6 \"USB001\" /M \"KX-9100\"", out);
    // No printer at all (the entry made without a parameter file name).
    ASSERT_TRUE(vm2::FormatRunEntryWithNames(out, kIcon, "", nullptr, ""));
    EXPECT_EQ(icon + " /P0 \"\" /O0 \"\" /M \"\"", out);
}

TEST(IconCommand, LongerThan520CharactersIsNotFormed)
{
    char out[vm2::kIconCommandBuf];
    // " /F \"\"" is six characters around the name.
    std::string icon(200, 'i');
    std::string name(520 - 200 - 6, 'n');
    ASSERT_TRUE(vm2::FormatIconStartWithFile(out, icon.c_str(), name.c_str()));
    EXPECT_EQ(520u, std::string(out).size());
    name += 'n';
    EXPECT_FALSE(vm2::FormatIconStartWithFile(out, icon.c_str(), name.c_str()));
    EXPECT_STREQ("", out);

    std::string printer(259, 'p'), port(259, 'o');
    EXPECT_FALSE(vm2::FormatIconStartWithNames(out, "x.exe", printer.c_str(), port.c_str(), "M", false));
    EXPECT_FALSE(vm2::FormatRunEntryWithNames(out, "x.exe", printer.c_str(), port.c_str(), "M"));
    EXPECT_FALSE(vm2::FormatRunEntryWithFile(out, icon.c_str(), std::string(400, 'f').c_str()));
}

TEST(IconCommand, NamesWithQuotesSlashesAndCodePageBytesSurviveTheLengthPrefix)
{
    const char* const printers[] = {
        "Printer \"A\"/B",
        "\"",
        "/P3 \"x\"",
        "ends with a quote\"",
        "\xC4rger \xFC/\xDF",
        "\\\\server\\share",
        " leading blank",
    };
    char out[vm2::kIconCommandBuf];
    for (const char* printer : printers) {
        SCOPED_TRACE(printer);
        ASSERT_TRUE(vm2::FormatIconStartWithNames(out, kIcon, printer, "LPT\"1/", "KX-9100", true));
        Read r = ReadBack(out);
        EXPECT_EQ(printer, r.printer);
        EXPECT_EQ("LPT\"1/", r.port);
        EXPECT_EQ("KX-9100", r.model);
        EXPECT_EQ(1, r.r);

        ASSERT_TRUE(vm2::FormatRunEntryWithNames(out, kIcon, printer, "USB001", "KX-9100"));
        r = ReadBack(out);
        EXPECT_EQ(printer, r.printer);
        EXPECT_EQ("USB001", r.port);
        EXPECT_EQ(0, r.r);
    }
}

TEST(RunValue, QuotedSpanAndTmpInAnyCase)
{
    const char* const spans[][2] = {{"C:\\x.exe /A \"C:\\T\\K_V1.tmp\"", "C:\\T\\K_V1.tmp"}, {"x /P1 \"a\" /O1 \"b\"", "a\" /O1 \"b"},
                                    {"x /A \"only one", ""}, {"no quotes", ""}, {"", ""}, {nullptr, ""}};
    for (const auto& c : spans) EXPECT_EQ(c[1], vm2::QuotedSpan(c[0])) << (c[0] ? c[0] : "(null)");
    for (const char* yes : {"C:\\T\\K_V1.tmp", "C:\\T\\K_V1.TMP", "C:\\x.Tmp\\y"}) EXPECT_TRUE(vm2::MentionsTmpFile(yes)) << yes;
    EXPECT_FALSE(vm2::MentionsTmpFile("C:\\T\\K_V1.tm"));
    EXPECT_FALSE(vm2::MentionsTmpFile(""));
}

TEST(AgentAndKbapisetCommands, PathsAndParameters)
{
    EXPECT_EQ("/agnt /drv:\"KAVRO KX-9100\" /p:\"Demo USB\" /im:1", vm2::AgentParameters("KAVRO KX-9100", "Demo USB", 1));
    EXPECT_EQ("C:\\KB\\kbapiset.exe", vm2::KbapisetPath("C:\\KB"));
    EXPECT_EQ("C:\\KB\\kbapiset.exe", vm2::KbapisetPath("C:\\KB\\"));
    EXPECT_EQ("", vm2::KbapisetPath(""));
    EXPECT_EQ("", vm2::KbapisetPath(nullptr));
    EXPECT_EQ("/Act=Ch /KBP=A:NC /Ret=WM:1a2b;40a  /Agt=On", vm2::KbapisetParameters(0x1A2B, 0x40A, true));
    EXPECT_EQ("/Act=Ch /KBP=A:NC /Ret=WM:0;40a  /Agt=Off", vm2::KbapisetParameters(0, 0x40A, false));
    EXPECT_EQ("agent.exe", vm2::FileNameOf("C:\\Program Files\\KAVRO\\agent.exe"));
    EXPECT_EQ("agent.exe", vm2::FileNameOf("agent.exe"));
    EXPECT_EQ("", vm2::FileNameOf("C:\\dir\\"));
    EXPECT_EQ("", vm2::FileNameOf(nullptr));
}
