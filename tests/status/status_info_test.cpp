#include "status/status_info.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "harness/test_support.h"

using vm2test::TempDir;

namespace {

std::string Reply(const std::string& body) { return "@BDC ST\r\n" + body + "\x0c"; }

// A model data file in its own folder, with a language section whose
// resource DLL exists beside it.
std::string WriteDataFile(const TempDir& dir, const std::string& sectionBody, const std::string& extra = "")
{
    dir.Write("res.dll", "");
    return dir.Write("model.ini", "[Language]\r\nENU=9,1\r\n\r\n[ENU]\r\nResDll=res.dll\r\n" + sectionBody + extra);
}

// The test resource DLL, loaded for one test.
class ResDllScope {
public:
    ResDllScope() : m_hDll(LoadLibraryA((vm2test::BinDir() + "\\vm2pr2_status_res.dll").c_str())) {}
    ~ResDllScope()
    {
        if (m_hDll != nullptr) FreeLibrary(m_hDll);
    }
    HMODULE Get() const { return m_hDll; }

private:
    HMODULE m_hDll;
};

using StatusPtr = std::unique_ptr<CPrinterStatus>;

StatusPtr Create(CStatusInfo& info, DWORD channel, const std::string& reply, int forced = 0)
{
    return StatusPtr(info.CreateStatusObject(channel, reinterpret_cast<const BYTE*>(reply.data()),
                                             static_cast<DWORD>(reply.size()), forced));
}

StatusPtr CreateForced(CStatusInfo& info, DWORD channel, int forced)
{
    return StatusPtr(info.CreateStatusObject(channel, nullptr, 0, forced));
}

std::string Message1(const CPrinterStatus& s, int size = 1024)
{
    std::string buf(static_cast<std::size_t>(size), '\x7f');
    int n = s.GetMessage1(&buf[0], size);
    EXPECT_EQ(static_cast<int>(strlen(buf.c_str())), n);
    return buf.c_str();
}

std::string Message2(const CPrinterStatus& s, int size = 1024)
{
    std::string buf(static_cast<std::size_t>(size), '\x7f');
    s.GetMessage2(&buf[0], size);
    return buf.c_str();
}

// HKEY_CLASSES_ROOT\.HTM present for the scope; removed again when we made it.
class HtmClassScope {
public:
    explicit HtmClassScope(bool bPresent)
    {
        m_bExisted = vm2test::RegKeyExists(HKEY_CLASSES_ROOT, ".HTM");
        if (bPresent && !m_bExisted) {
            HKEY h = nullptr;
            m_bCreated = RegCreateKeyExA(HKEY_CLASSES_ROOT, ".HTM", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h,
                                         nullptr) == ERROR_SUCCESS;
            if (h != nullptr) RegCloseKey(h);
        }
    }
    ~HtmClassScope()
    {
        if (m_bCreated) RegDeleteKeyA(HKEY_CLASSES_ROOT, ".HTM");
    }
    bool Existed() const { return m_bExisted; }

private:
    bool m_bExisted = false;
    bool m_bCreated = false;
};

}  // namespace

// Replies and forced numbers through channels of each kind to the numbers of
// the status object. The reply-to-number table itself is status_tables_test's.
// A forced number wins over the reply's and the record stays; kind 2 and
// unknown channels (kind 0) do not parse the reply; numbers without an entry
// take their kind's fallback.
TEST(CreateStatusObject, NumbersFromRepliesAndForcedNumbers)
{
    const int kAny = -1000;
    struct {
        DWORD channel;
        std::string reply;  // "": none
        int forced, real, simple, cls;
        bool record;
        int printing;
    } rows[] = {
        {0x10000003, Reply("ST:00;ER:0E;"), 0, 35, 5, 8, true, 1},
        {0, "", 1000, 1000, 1, 1, false, 0},  // the window's "no reply yet"
        {4, "", 999, -1, 12, 4, false, 0},
        {4, "", 16, 16, 12, kAny, false, 0},
        {0, "", 16, -1, 11, kAny, false, 0},  // kind 0 has no 16
        {4, "", 22, 22, 14, kAny, false, 0},
        {4, Reply("ST:04;"), 21, 21, kAny, kAny, true, 1},
        {0x2000001, "not a status reply at all", 0, -1, 11, kAny, false, 0},
        {0x2000001, Reply("ST:04;"), 22, 22, 11, kAny, false, 0},
        {0x12345678, Reply("ST:04;"), 0, -1, 11, kAny, false, 0},
    };
    CStatusInfo info(nullptr, std::nothrow);
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << row.channel << " " << row.reply << std::dec << " " << row.forced);
        StatusPtr s = row.reply.empty() ? CreateForced(info, row.channel, row.forced)
                                        : Create(info, row.channel, row.reply, row.forced);
        ASSERT_NE(nullptr, s);
        EXPECT_EQ(row.real, s->GetRealStatusNo());
        if (row.simple != kAny) EXPECT_EQ(row.simple, s->GetSimpleStatusNo());
        if (row.cls != kAny) EXPECT_EQ(row.cls, s->GetStatusClass());
        EXPECT_EQ(row.record, s->HasRecord());
        EXPECT_EQ(row.printing, s->GetPrintingState());
    }
    StatusPtr s = CreateForced(info, 0, 1000);
    StatusRecord zero;
    memset(&zero, 0, sizeof(zero));
    EXPECT_EQ(0, memcmp(&zero, &s->GetRecord(), sizeof(zero)));
    EXPECT_EQ(16009, CreateForced(info, 4, 22)->GetSoundNo());
    s = Create(info, 0x10010003, Reply("ST:00;"));
    ASSERT_NE(nullptr, s);
    EXPECT_TRUE(CStatusInfo::IsCommunicationError(s->GetRealStatusNo()));
}

TEST(CreateStatusObject, RecordStateAndClassRow)
{
    CStatusInfo info(nullptr, std::nothrow);
    StatusPtr s = Create(info, 0x10000005, Reply("ST:03;ER:01;IQ:10NA;WR:10,12;TC:0102;"));
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(11, s->GetRealStatusNo());
    EXPECT_EQ(2, s->GetPrintingState());  // ST 3: printing
    const StatusRecord& r = s->GetRecord();
    EXPECT_EQ(3, r.ST);
    EXPECT_EQ(2, r.nIQCount);
    EXPECT_EQ(0xFF, r.IQ[1]);
    EXPECT_EQ(0x0101, r.wAttribute);  // filled once the number is known
    EXPECT_EQ(0x0102, r.TC);

    StatusClassRow row;
    memset(&row, 0xCC, sizeof(row));
    s->GetClassRow(&row);
    const StatusClassRow expected = {1, {511, 1, 759, 0, 0}};
    EXPECT_EQ(0, memcmp(&expected, &row, sizeof(row)));
}

// Which replies are refused is the parser's case table (status_record_test);
// a forced number does not rescue one.
TEST(CreateStatusObject, RejectedReplyGivesNoObject)
{
    CStatusInfo info(nullptr, std::nothrow);
    EXPECT_EQ(nullptr, Create(info, 4, "@BDC ST\r\nST:00;"));
    EXPECT_EQ(nullptr, Create(info, 4, "garbage", 1000));
}

TEST(ModelRows, FromARealDataFile)
{
    TempDir dir;
    const std::string path = WriteDataFile(dir,
                                           "STATUS00=0,5,-2,Jam,Open the cover,1,1\r\n"
                                           "STATUS01=4,-2,-2,\"Ready now\",Printer ready,2,1\r\n"
                                           "STATUS02=9,-2,-2,Odd,Odd state,0,0\r\n"
                                           "STATUS03=9,-2,-2,Odd again,Second,1,0\r\n"
                                           "STATUS04=7,-2,-2,Last,Never used,1,1\r\n",
                                           "\r\n[Other]\r\nSTATUS05=3,-2,-2,Other section,x,1,1\r\n");
    CStatusInfo info(path.c_str());
    ASSERT_EQ(4, info.GetStatusCtrl().GetModelCount());
    // ER 5 shares 37 with the identical built-in pattern, ST 4 takes number 1
    // with the model's text; others are numbered from 100. The section's last
    // line is never a row (ST 7) and the other section is not read (ST 3).
    struct {
        const char* reply;  // nullptr: forced number 101
        int real, cls;
        const char* message1;
    } rows[] = {
        {"ST:00;ER:05;", 37, 4, "Jam"}, {"ST:04;", 1, 11, "Ready now"}, {"ST:09;", 100, 9, "Odd"},
        {nullptr, 101, 10, "Odd again"}, {"ST:07;", 21, 2, nullptr},   {"ST:03;", 11, 1, nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.reply ? row.reply : "forced 101");
        StatusPtr s = row.reply ? Create(info, 4, Reply(row.reply)) : CreateForced(info, 4, 101);
        ASSERT_NE(nullptr, s);
        EXPECT_EQ(row.real, s->GetRealStatusNo());
        EXPECT_EQ(row.cls, s->GetStatusClass());
        if (row.message1 != nullptr) EXPECT_EQ(row.message1, Message1(*s));
    }
    EXPECT_EQ("Open the cover", Message2(*Create(info, 4, Reply("ST:00;ER:05;"))));
    EXPECT_EQ(nullptr, info.GetStatusCtrl().GetEntry(4 + 23));
}

TEST(ModelRows, FewerThanTwoLinesOrNoSection)
{
    TempDir dir;
    CStatusInfo one(WriteDataFile(dir, "STATUS00=9,-2,-2,Only,x,1,1\r\n").c_str());
    EXPECT_EQ(0, one.GetStatusCtrl().GetModelCount());

    TempDir dir2;
    const std::string noLanguage = dir2.Write("model.ini", "[ENU]\r\nSTATUS00=9,-2,-2,a,b,1,1\r\nSTATUS01=9,-2,-2,a,b,1,1\r\n");
    CStatusInfo none(noLanguage.c_str());
    EXPECT_EQ(0, none.GetStatusCtrl().GetModelCount());
    StatusPtr s = Create(none, 4, Reply("ST:09;"));
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(21, s->GetRealStatusNo());
}

TEST(StatusInfoConstruction, IntegerExceptionsAndTheNoThrowForm)
{
    TempDir dir;
    for (const std::string& file : {std::string(), dir.File("missing.ini")}) {
        try {
            CStatusInfo bad(file.c_str());
            ADD_FAILURE() << "no exception for " << file;
        } catch (int e) {
            EXPECT_EQ(file.empty() ? -1 : -2, e);
        }
    }

    CStatusInfo none(nullptr, std::nothrow);
    EXPECT_EQ(-1, none.GetLoadResult());
    CStatusInfo missing(dir.File("missing.ini").c_str(), std::nothrow);
    EXPECT_EQ(-2, missing.GetLoadResult());
    StatusPtr s = Create(missing, 4, Reply("ST:04;"));
    ASSERT_NE(nullptr, s);  // the built-in rows still work
    EXPECT_EQ(1, s->GetRealStatusNo());

    // The section ends at another section: the lookup's result (the name's length); at the file's end: -2, and
    // loaded all the same.
    CStatusInfo ok(WriteDataFile(dir, "STATUS00=1\r\n", "[Next]\r\n").c_str(), std::nothrow);
    CStatusInfo last(WriteDataFile(dir, "STATUS00=1\r\n").c_str(), std::nothrow);
    EXPECT_EQ(3, ok.GetLoadResult());
    EXPECT_EQ(-2, last.GetLoadResult());
    EXPECT_TRUE(none.LoadFailed() && missing.LoadFailed() && !ok.LoadFailed() && !last.LoadFailed());
}

TEST(MessageTexts, FromTheResourceDll)
{
    ResDllScope res;
    ASSERT_NE(nullptr, res.Get()) << "vm2pr2_status_res.dll not found beside the test";
    CStatusInfo info(nullptr, std::nothrow);
    info.SetResourceDll(res.Get());

    const struct {
        DWORD channel;
        const char* reply;  // nullptr: forced number
        int forced;
        const char *m1, *m2;
    } rows[] = {
        {4, "ST:04;", 0, "Ready", "The printer is ready."},
        {0, nullptr, 1000, "Starting", "Waiting for the printer"},
        {4, nullptr, 999, "Unknown status", "See the printer's panel."},
        {4, "ST:00;ER:02;", 0, "Paper out", ""},  // 3008 is not in this DLL
    };
    for (const auto& row : rows) {
        StatusPtr s =
            row.reply ? Create(info, row.channel, Reply(row.reply)) : CreateForced(info, row.channel, row.forced);
        ASSERT_NE(nullptr, s);
        EXPECT_EQ(row.m1, Message1(*s));
        EXPECT_EQ(row.m2, Message2(*s));
    }
    StatusPtr s = Create(info, 4, Reply("ST:04;"));
    EXPECT_EQ("Rea", Message1(*s, 4)) << "cut to the caller's buffer";
    EXPECT_EQ("", Message1(*s, 1));
}

TEST(MessageTexts, LiteralTextsAndNoResourceDll)
{
    TempDir dir;
    CStatusInfo info(WriteDataFile(dir, "STATUS00=2,-2,-2,Cover open,Close the cover,1,1\r\nSTATUS01=\r\n").c_str());
    StatusPtr s = Create(info, 4, Reply("ST:02;"));
    ASSERT_NE(nullptr, s);
    EXPECT_EQ("Cover open", Message1(*s));
    EXPECT_EQ("Close", Message2(*s, 6));

    s = Create(info, 4, Reply("ST:04;"));
    ASSERT_NE(nullptr, s);
    EXPECT_EQ("", Message1(*s));  // no resource library: no text, not the host's strings
}

// Help is the resource page (2) when the data file says TSS000=1 and the
// resource library is set, a named HTML page beside the install path (1)
// when it exists and HTML has a handler; otherwise none.
TEST(HelpLocator, ResourcePageHtmlPageOrNone)
{
    ResDllScope res;
    ASSERT_NE(nullptr, res.Get());
    vm2test::InstalledModel install;
    install.dir.Write("help.htm", "<html></html>");
    install.driverKey.SetString("InstallPath", install.dir.Path() + "\\");
    const struct {
        const char* lines;  // nullptr: no data file
        bool withRes;
        DWORD help;
    } rows[] = {
        {nullptr, true, 0},
        {"TSS000=1\r\n", true, 2},
        {"TSS000=1\r\n", false, 0},
        {"TSS000=0\r\nTSF000=help.htm\r\n", true, 0},
        {"TSS000=1\r\nTSF000=gone.htm\r\n", true, 2},
        {"TSS000=1\r\nTSF000=help.htm\r\n", true, 1},
    };
    auto help = [&](const char* lines, bool withRes, StatusHelpInfo* pHelp) {
        TempDir dir;
        CStatusInfo info(nullptr, std::nothrow);
        info.SetResourceDll(withRes ? res.Get() : nullptr);
        info.SetDriverKey(install.driverKey.Path().c_str());
        if (lines != nullptr) info.SetDataFile(WriteDataFile(dir, lines).c_str());
        return CreateForced(info, 0, 1000)->GetHelpInfo(pHelp);
    };
    {
        HtmClassScope htm(true);
        for (const auto& row : rows) {
            SCOPED_TRACE(row.lines ? row.lines : "no data file");
            StatusHelpInfo info;
            ASSERT_EQ(row.help, help(row.lines, row.withRes, &info));
            if (row.help == 1) EXPECT_EQ(install.dir.File("help.htm"), info.strPath);
            if (row.help != 2) continue;
            HGLOBAL h = LoadResource(res.Get(), info.hResource);
            ASSERT_NE(nullptr, h);
            EXPECT_EQ(1, *static_cast<const WORD*>(LockResource(h)));
        }
    }
    if (!vm2test::RegKeyExists(HKEY_CLASSES_ROOT, ".HTM"))
        EXPECT_EQ(2u, help(rows[5].lines, true, nullptr)) << "no HTML handler: the resource page";
}
