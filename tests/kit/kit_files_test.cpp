// The kit's model data file and resource DLLs, read from the build's bin
// folder with the same calls the module uses.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "config/paths.h"
#include "kbsim/kbsim_reply.h"
#include "status/status_info.h"

namespace {

std::string Bin(const char* file)
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string s = path;
    return s.substr(0, s.find_last_of("\\/") + 1) + file;
}

// Every string id a part of the module loads from the resource DLL.
const UINT kStringIds[] = {
    244,  1000, 1001, 1002, 1003, 1100, 1120, 1121, 1122, 1123, 1131, 1202, 1223, 1225, 1226, 1230,
    1233, 1234, 1235, 1340, 1360, 2001, 2002, 2101, 2102, 3001, 3002, 3003, 3004, 3005, 3006, 3007,
    3008, 3009, 3010, 3011, 3012, 3013, 3025, 3036, 3037, 3038, 3501, 3502, 3504, 3505, 3506, 3507,
    3508, 3509, 3510, 3511, 3512, 3513, 3525, 3527, 3528, 3529, 3530, 3540, 3541, 3542};

// The message ids of the built-in status entries, (title, detail) per entry.
const UINT kStatusMessages[][2] = {
    {3506, 3006}, {3507, 3007}, {3508, 3008}, {3509, 3009}, {3510, 3010}, {3511, 3011},
    {3512, 3012}, {3513, 3013}, {3540, 3036}, {3542, 3038}, {3541, 3037}, {3501, 3001},
    {3502, 3002}, {3504, 3004}, {3505, 3005}, {3525, 3025}, {3528, 2002}, {3530, 2102},
    {3529, 2101}, {3527, 2001}};

class ResDll : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        m_h = LoadLibraryExA(Bin(GetParam()).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(m_h, nullptr) << GetParam() << " error " << GetLastError();
    }
    void TearDown() override
    {
        if (m_h != nullptr) FreeLibrary(m_h);
    }
    std::string String(UINT id) const
    {
        char buf[1100] = "";
        int n = LoadStringA(m_h, id, buf, sizeof(buf));
        return n > 0 ? std::string(buf, n) : std::string();
    }
    HMODULE m_h = nullptr;
};

std::string Ini(const char* section, const char* key, const char* def = "<absent>")
{
    char buf[600] = "";
    GetPrivateProfileStringA(section, key, def, buf, sizeof(buf), Bin("KX9100.INI").c_str());
    return buf;
}

}  // namespace

TEST_P(ResDll, EveryStringTheModuleLoadsIsThere)
{
    for (UINT id : kStringIds) EXPECT_FALSE(String(id).empty()) << "string " << id;
    EXPECT_EQ(String(1340), "10") << "the default interval is a number";
    // The notification list: count, then one text per item.
    int items = std::atoi(String(1000).c_str());
    EXPECT_GE(items, 2);
    for (int i = 0; i < items; ++i) EXPECT_FALSE(String(1001 + i).empty()) << "item " << i;
    for (const auto& m : kStatusMessages)
        EXPECT_GT(String(m[1]).size(), String(m[0]).size()) << "detail " << m[1] << " says more than title " << m[0];
}

TEST_P(ResDll, SoundsAreShortWaveFiles)
{
    for (UINT n = 0; n <= 11; ++n) {
        const UINT id = n < 11 ? 16000 + n : 17000;  // the tones, then the buzzer
        HRSRC r = FindResourceA(m_h, MAKEINTRESOURCEA(id), "WAVE");
        ASSERT_NE(r, nullptr) << "WAVE " << id;
        DWORD size = SizeofResource(m_h, r);
        const char* p = static_cast<const char*>(LockResource(LoadResource(m_h, r)));
        ASSERT_NE(p, nullptr);
        ASSERT_GT(size, 44u);
        EXPECT_EQ(std::memcmp(p, "RIFF", 4), 0) << id;
        EXPECT_EQ(std::memcmp(p + 8, "WAVE", 4), 0) << id;
        EXPECT_LT(size, 8192u) << "keep the tones small: " << id;
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, ResDll, ::testing::Values("KX9100EN.DLL", "KX9100DE.DLL"));

TEST(KitDataFile, LanguageSectionsNameResourceDllsThatLieBesideIt)
{
    const std::string dat = Bin("KX9100.INI");
    // Other languages (Japanese here) fall back to English.
    const std::pair<WORD, const char*> picks[] = {{0x0409, "English"}, {0x0407, "German"}, {0x0411, "English"}};
    for (const auto& pick : picks) {
        char section[64] = "";
        DWORD size = sizeof(section);
        ASSERT_GE(GetLanguageSectionFor(section, &size, dat.c_str(), pick.first), 0);
        EXPECT_STREQ(section, pick.second) << pick.first;
    }

    for (const char* s : {"English", "German"}) {
        std::string res = Ini(s, "ResDll");
        EXPECT_TRUE(FileExistsBeside(res.c_str(), dat.c_str())) << s << ": " << res;
        EXPECT_NE(Ini(s, "HelpFile"), "<absent>") << s;
        EXPECT_EQ(Ini(s, "TSS000"), "1") << s;
        EXPECT_EQ(Ini(s, "TSF000"), "") << s << ": the trouble pages, not an HTML page";
    }
    char buf[260] = "";
    EXPECT_EQ(GetLangProfileString("ResDll", buf, sizeof(buf), dat.c_str()), 0);
    EXPECT_TRUE(std::strcmp(buf, "KX9100EN.DLL") == 0 || std::strcmp(buf, "KX9100DE.DLL") == 0) << buf;
}

// The presets the demo and the tests use, read by the module's own status
// interpreter with the kit's data file: each lands on the numbers it names,
// and its texts come from the kit's resource DLL.
TEST(KitPresets, TheModuleReadsEachPresetAsDocumented)
{
    HMODULE hRes = LoadLibraryExA(Bin("KX9100EN.DLL").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(hRes, nullptr);
    CStatusInfo info(Bin("KX9100.INI").c_str(), std::nothrow);
    info.SetResourceDll(hRes);
    ASSERT_GE(info.GetLoadResult(), 0) << "the language section ends at the next section";
    EXPECT_EQ(info.GetStatusCtrl().GetModelCount(), 2) << "STATUS00 and STATUS01; STATUS02 only closes the list";
    info.SetDataFile(Bin("KX9100.INI").c_str());
    for (const kbsim::StatePreset& p : kbsim::StatePresets()) {
        SCOPED_TRACE(p.pszName);
        std::string reply = kbsim::BuildStatusReply(p.fields);
        std::unique_ptr<CPrinterStatus> st(info.CreateStatusObject(
            4, reinterpret_cast<const BYTE*>(reply.data()), static_cast<DWORD>(reply.size()), 0));
        ASSERT_NE(st, nullptr) << "reply rejected";
        if (p.nRealStatus == 0) {
            // Reported as a communication error by the status export.
            EXPECT_TRUE(CStatusInfo::IsCommunicationError(st->GetRealStatusNo())) << st->GetRealStatusNo();
            continue;
        }
        EXPECT_EQ(st->GetRealStatusNo(), p.nRealStatus);
        EXPECT_EQ(st->GetSimpleStatusNo(), p.nSimpleStatus);
        EXPECT_EQ(st->GetPrintingState(), p.fields.nST == 3 ? 2 : 1);
        char title[1024] = "", detail[1024] = "";
        EXPECT_GT(st->GetMessage1(title, sizeof(title)), 0);
        EXPECT_GT(st->GetMessage2(detail, sizeof(detail)), 0);
        StatusHelpInfo help;
        EXPECT_EQ(st->GetHelpInfo(&help), static_cast<DWORD>(StatusHelpInfo::kResource))
            << "TSS000=1 without a page: the trouble pages";
    }
    FreeLibrary(hRes);
}
