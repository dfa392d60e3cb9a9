// The parameter object's options and file format, without touching disk
// (a temporary stream stands in for the file).
#include "coord/vlx_param.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cctype>
#include <cstring>
#include <string>

namespace {

// Every value option with the field it fills.
char* Field(CVlxParam& p, const std::string& name)
{
    if (name == "P") return p.m_szPrinter;
    if (name == "D") return p.m_szDriver;
    if (name == "O") return p.m_szPort;
    if (name == "M") return p.m_szModel;
    if (name == "J") return p.m_szJ;
    if (name == "BH") return p.m_szBH;
    if (name == "BU") return p.m_szBU;
    if (name == "BD") return p.m_szBD;
    if (name == "BI") return p.m_szBI;
    if (name == "BN") return p.m_szBN;
    if (name == "KPM") return p.m_szKPM;
    return nullptr;
}

const char* const kValueNames[] = {"P", "D", "O", "M", "J", "BH", "BU", "BD", "BI", "BN", "KPM"};

std::int32_t* Flag(CVlxParam& p, const std::string& name)
{
    if (name == "R") return &p.m_bR;
    if (name == "S") return &p.m_bS;
    if (name == "E") return &p.m_bE;
    if (name == "C") return &p.m_bC;
    if (name == "U") return &p.m_bU;
    if (name == "BE") return &p.m_bBE;
    return nullptr;
}

const char* const kFlagNames[] = {"R", "S", "E", "C", "U", "BE"};

std::string Lower(std::string s)
{
    for (char& c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return s;
}

// A filled object: every value option set to "<name> value", every flag set.
void FillAll(CVlxParam& p)
{
    for (const char* n : kValueNames) p.SetOption(n, (std::string(n) + " value").c_str());
    for (const char* n : kFlagNames) p.SetOption(n, "");
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

TEST(VlxParamSetOption, EveryNameInAnyCaseReachesItsField)
{
    for (const char* n : kValueNames) {
        for (const std::string& spelling : {std::string(n), Lower(n)}) {
            SCOPED_TRACE(spelling);
            CVlxParam p;
            EXPECT_TRUE(p.SetOption(spelling.c_str(), "v/\"x\""));
            EXPECT_STREQ("v/\"x\"", Field(p, n));
            // Nothing else moved.
            for (const char* other : kValueNames) {
                if (strcmp(other, n) != 0) {
                    EXPECT_STREQ("", Field(p, other)) << other;
                }
            }
            for (const char* f : kFlagNames) EXPECT_EQ(0, *Flag(p, f)) << f;
        }
    }
    for (const char* n : kFlagNames) {
        for (const std::string& spelling : {std::string(n), Lower(n)}) {
            SCOPED_TRACE(spelling);
            CVlxParam p;
            EXPECT_TRUE(p.SetOption(spelling.c_str(), "ignored"));
            for (const char* f : kFlagNames) EXPECT_EQ(strcmp(f, n) == 0 ? 1 : 0, *Flag(p, f)) << f;
            EXPECT_STREQ("", p.m_szPrinter);
        }
    }
}

TEST(VlxParamSetOption, UnknownNamesAreIgnored)
{
    CVlxParam p;
    for (const char* n : {"F", "A", "X", "PP", "", "KP", "B"}) EXPECT_FALSE(p.SetOption(n, "value")) << n;
    EXPECT_FALSE(p.SetOption(nullptr, "value"));
    EXPECT_EQ("", p.FormatParamText());
    EXPECT_STREQ("", p.m_szParamFile);
    EXPECT_STREQ("", p.m_szFileName);
}

TEST(VlxParamSetOption, ValueThatDoesNotFitIsRefusedAndTheFieldKept)
{
    CVlxParam p;
    std::string fits(259, 'a');
    EXPECT_TRUE(p.SetOption("P", fits.c_str()));
    EXPECT_EQ(fits, p.m_szPrinter);
    std::string tooLong(260, 'b');
    EXPECT_FALSE(p.SetOption("P", tooLong.c_str()));
    EXPECT_EQ(fits, p.m_szPrinter);
    EXPECT_TRUE(p.SetOption("P", nullptr));
    EXPECT_STREQ("", p.m_szPrinter);
}

TEST(VlxParamFormat, LinesComeInTheirFixedOrderAndOnlyWhenSet)
{
    CVlxParam p;
    EXPECT_EQ("", p.FormatParamText());
    FillAll(p);
    EXPECT_EQ("/P \"P value\"\n/D \"D value\"\n/O \"O value\"\n/M \"M value\"\n/J \"J value\"\n"
              "/S\n/R\n/E\n/U\n/C\n/BE\n"
              "/BH \"BH value\"\n/BU \"BU value\"\n/BD \"BD value\"\n/BI \"BI value\"\n/BN \"BN value\"\n"
              "/KPM \"KPM value\"\n",
              p.FormatParamText());

    CVlxParam q;
    q.SetOption("M", "KX-9100");
    q.SetOption("R", "");
    q.SetOption("P", "Printer");
    EXPECT_EQ("/P \"Printer\"\n/M \"KX-9100\"\n/R\n", q.FormatParamText());
}

TEST(VlxParamFormat, WrittenLinesReadBackToTheSameFields)
{
    CVlxParam p;
    FillAll(p);
    p.SetOption("P", "Pr\"int/er \"x\" \xE4\xF6");  // quotes, a slash, code-page bytes
    p.SetOption("O", "\\\\server\\queue");
    p.SetOption("M", std::string(259, 'm').c_str());
    CVlxParam q;
    EXPECT_EQ(17, ApplyText(q, p.FormatParamText()));
    for (const char* n : kValueNames) EXPECT_STREQ(Field(p, n), Field(q, n)) << n;
    for (const char* n : kFlagNames) EXPECT_EQ(1, *Flag(q, n)) << n;
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
    EXPECT_TRUE(vm2::IsParamFileName("K_V1A2B.tmp"));
    EXPECT_TRUE(vm2::IsParamFileName("C:\\users\\u\\Temp\\K_V1A2B.TMP"));
    EXPECT_TRUE(vm2::IsParamFileName("\\K_V1.tmp"));
    EXPECT_FALSE(vm2::IsParamFileName("C:\\data\\report.doc"));
    EXPECT_FALSE(vm2::IsParamFileName("C:\\x.tmp\\report.doc"));
    EXPECT_FALSE(vm2::IsParamFileName(".tmp"));
    EXPECT_FALSE(vm2::IsParamFileName(""));
    EXPECT_FALSE(vm2::IsParamFileName(nullptr));
}
