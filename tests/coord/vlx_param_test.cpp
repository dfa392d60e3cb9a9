// The parameter object's options and file format, without touching disk
// (a temporary stream stands in for the file).
#include "coord/vlx_param.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cctype>
#include <cstring>
#include <string>

namespace {

const char* const kNames[] = {"P", "D", "O", "M", "J", "BH", "BU", "BD", "BI", "BN", "KPM", "R", "S", "E", "C", "U", "BE"};
const int kValueNames = 11;  // the rest are flags

// A filled object: every value option set to "<name> value", every flag set.
void FillAll(CVlxParam& p)
{
    for (int i = 0; i < 17; ++i) p.SetOption(kNames[i], i < kValueNames ? (std::string(kNames[i]) + " value").c_str() : "");
}

// Reads a text through a temporary stream, as the file would be read.
int ApplyText(CVlxParam& p, const std::string& text)
{
    std::FILE* f = std::tmpfile();
    EXPECT_NE(nullptr, f);
    if (f == nullptr) return -1;
    std::fwrite(text.data(), 1, text.size(), f);
    std::rewind(f);
    int n = p.ApplyParamStream(f);
    std::fclose(f);
    return n;
}

}  // namespace

// Each name, in any case, fills its own field and no other: the file line
// written afterwards names it alone.
TEST(VlxParamSetOption, EveryNameReachesItsFieldAndNothingElse)
{
    for (int i = 0; i < 17; ++i) {
        std::string lower = kNames[i];
        for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        CVlxParam p;
        EXPECT_TRUE(p.SetOption(lower.c_str(), "v/\"x\"")) << lower;
        EXPECT_EQ(std::string("/") + kNames[i] + (i < kValueNames ? " \"v/\"x\"\"\n" : "\n"), p.FormatParamText());
    }
    CVlxParam p;
    for (const char* n : {"F", "A", "X", "PP", "", "KP", "B"}) EXPECT_FALSE(p.SetOption(n, "value")) << n;
    EXPECT_FALSE(p.SetOption(nullptr, "value"));
    EXPECT_EQ("", p.FormatParamText());
    EXPECT_STREQ("", p.m_szParamFile);
    EXPECT_STREQ("", p.m_szFileName);

    // A value that does not fit is refused and the field kept.
    std::string fits(259, 'a');
    EXPECT_TRUE(p.SetOption("P", fits.c_str()));
    EXPECT_FALSE(p.SetOption("P", std::string(260, 'b').c_str()));
    EXPECT_EQ(fits, p.m_szPrinter);
    EXPECT_TRUE(p.SetOption("P", nullptr));
    EXPECT_STREQ("", p.m_szPrinter);
}

TEST(VlxParamFormat, FixedOrderAndTheLinesReadBack)
{
    CVlxParam p;
    FillAll(p);
    EXPECT_EQ("/P \"P value\"\n/D \"D value\"\n/O \"O value\"\n/M \"M value\"\n/J \"J value\"\n"
              "/S\n/R\n/E\n/U\n/C\n/BE\n"
              "/BH \"BH value\"\n/BU \"BU value\"\n/BD \"BD value\"\n/BI \"BI value\"\n/BN \"BN value\"\n"
              "/KPM \"KPM value\"\n",
              p.FormatParamText());

    p.SetOption("P", "Pr\"int/er \"x\" \xE4\xF6");  // quotes, a slash, code-page bytes
    p.SetOption("O", "\\\\server\\queue");
    p.SetOption("M", std::string(259, 'm').c_str());
    CVlxParam q;
    EXPECT_EQ(17, ApplyText(q, p.FormatParamText()));
    EXPECT_EQ(p.FormatParamText(), q.FormatParamText());
    EXPECT_STREQ("Pr\"int/er \"x\" \xE4\xF6", q.m_szPrinter);
}

// Lines as the file holds them: CR LF, blank lines and junk are tolerated; an
// over-long line is cut and its rest (which looks like an option here) is
// never read as a line; a NUL byte ends a line.
TEST(VlxParamReadLines, TableOfFileTexts)
{
    const std::string longLine = "/J \"" + std::string(1400, 'j') + "\" /M \"bogus\"";
    const std::string full1300 = "/M \"x\"" + std::string(1300 - 6, ' ');  // with its line end: ordinary
    struct {
        const char* what;
        std::string text;
        int lines;
        const char *printer, *port, *model, *fileName;
        int r;
    } rows[] = {
        {"CR LF and junk", "/P \"A\"\r\n\r\njunk without option\r\n/a \"C:\\x\\K_V1.tmp\"\r\n/r\r\n/O \"LPT1:\"", 6, "A",
         "LPT1:", "", "C:\\x\\K_V1.tmp", 1},
        {"empty file", "", 0, "kept", "", "", "", 0},
        {"over-long line", "/P \"before\"\n" + longLine + "\n/O \"after\"\n", 3, "before", "after", "", "", 0},
        {"1,300 characters", full1300 + "\n/R\n", 2, "kept", "", "x", "", 1},
        {"NUL byte", std::string("/P \"a\0b\"\n/R\n", 12), 2, "a", "", "", "", 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        CVlxParam q;
        q.SetOption("P", "kept");
        EXPECT_EQ(row.lines, ApplyText(q, row.text));
        EXPECT_STREQ(row.printer, q.m_szPrinter);
        EXPECT_STREQ(row.port, q.m_szPort);
        EXPECT_STREQ(row.model, q.m_szModel);
        EXPECT_STREQ(row.fileName, q.m_szFileName);
        EXPECT_STREQ("", q.m_szJ) << "a value too long for its field is refused";
        EXPECT_EQ(row.r, q.m_bR);
    }
}

TEST(VlxParamCmdLine, FileOptionsAreKeptApartFromTheIdentity)
{
    CVlxParam p;
    ASSERT_TRUE(p.SetCmdLine("/F \"K_V1A.tmp\" /p5 \"a\"b/c\" /s /a \"C:\\t\\K_V2B.tmp\""));
    p.ApplyCmdLineOptions();
    EXPECT_STREQ("K_V1A.tmp", p.m_szParamFile);
    EXPECT_STREQ("C:\\t\\K_V2B.tmp", p.m_szFileName);
    EXPECT_STREQ("a\"b/c", p.m_szPrinter);
    EXPECT_EQ(1, p.m_bS);
    EXPECT_EQ(0, p.m_bR);
}

TEST(VlxParamFileName, OnlyTmpNamesCountAsParameterFiles)
{
    for (const char* yes : {"K_V1A2B.tmp", "C:\\users\\u\\Temp\\K_V1A2B.TMP", "\\K_V1.tmp"}) EXPECT_TRUE(vm2::IsParamFileName(yes)) << yes;
    for (const char* no : {"C:\\data\\report.doc", "C:\\x.tmp\\report.doc", ".tmp", "", static_cast<const char*>(nullptr)})
        EXPECT_FALSE(vm2::IsParamFileName(no)) << (no ? no : "(null)");
}
