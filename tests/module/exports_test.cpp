// The module as the host sees it: loaded from its file, reached by name only.
#include "module/exports.h"

#include <gtest/gtest.h>

#include <vector>

#include "harness/test_support.h"

using vm2test::UniqueName;
using vm2test::WindowWatch;

namespace {

class LoadedModule : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dll = LoadLibraryA(vm2test::ModuleDllPath().c_str());
        ASSERT_NE(nullptr, m_dll) << vm2test::ModuleDllPath();
    }
    void TearDown() override
    {
        if (m_dll != nullptr) FreeLibrary(m_dll);
    }

    template <typename F>
    F* Get(F*, const char* name)
    {
        return reinterpret_cast<F*>(reinterpret_cast<void*>(GetProcAddress(m_dll, name)));
    }

    HMODULE m_dll = nullptr;
};

#define EXPORT(name) Get(&name, #name)

constexpr DWORD kSentinel = 0xA5A5A5A5;

}  // namespace

TEST_F(LoadedModule, CarriesAProductVersion)
{
    std::string path = vm2test::ModuleDllPath();
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, info.data()));
    char* value = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\StringFileInfo\\040904b0\\ProductVersion",
                               reinterpret_cast<void**>(&value), &len));
    EXPECT_STRNE("", value);
}

TEST_F(LoadedModule, ReleaseRegistryAnswersWhetherTheContextFilled)
{
    auto release = EXPORT(PrReleaseRegistry);
    EXPECT_EQ(1, release(nullptr, "d", "LPT1:", "m"));
    EXPECT_EQ(1, release("p", "d", "", "m"));
    EXPECT_EQ(0, release(UniqueName("p").c_str(), "d", "LPT1:", "m"));
    std::string longName(400, 'n');  // longer than any fixed buffer
    EXPECT_EQ(0, release(longName.c_str(), longName.c_str(), longName.c_str(), longName.c_str()));
}

// Printer data, status and channel need a session, the timer a valid
// context: refused with every output left alone.
TEST_F(LoadedModule, WithoutASessionOrContextNothingIsDelivered)
{
    DWORD inOut = kSentinel, data = kSentinel, status = 0;
    EXPECT_EQ(1, EXPORT(PrSendPrinterData)(1, &inOut, &data));
    EXPECT_EQ(1, EXPORT(PrGetPrinterData)(1, &inOut, &data));
    EXPECT_EQ(1, EXPORT(PrSendPrinterData)(1, nullptr, nullptr));
    EXPECT_EQ(0, EXPORT(PrReleasePrinterData)(nullptr));
    EXPECT_EQ(0, EXPORT(PrReleasePrinterData)(&data));
    EXPECT_EQ(1, EXPORT(PrGetChannel)(&status, &status));
    EXPECT_EQ(1, EXPORT(PrGetChannel)(nullptr, nullptr));
    int popup = 7, sound = 7, printing = 7, real = 7, simple = 7;
    EXPECT_EQ(1, EXPORT(PrGetStatus)(0, &popup, &sound, &printing, &real, &simple));
    for (int v : {popup, sound, printing, real, simple}) EXPECT_EQ(7, v) << "outputs untouched";
    EXPECT_EQ(1, EXPORT(PrReleaseRegistry)("", "", "", ""));
    EXPECT_EQ(-1, EXPORT(PrGetTimerValue)(4, &inOut));
    for (DWORD v : {inOut, data}) EXPECT_EQ(kSentinel, v) << "outputs untouched";
}

TEST_F(LoadedModule, WindowsRefuseInvalidNamesWithoutAMessage)
{
    WindowWatch watch("", "#32770", 300);
    EXPECT_EQ(1, EXPORT(PrStartPreference)(nullptr, "d", "LPT1:", "m", 0, nullptr));
    EXPECT_EQ(1, EXPORT(PrStartView)(0, "p", "d", "LPT1:", "", nullptr, nullptr));
    EXPECT_FALSE(watch.Join().found);
}

TEST_F(LoadedModule, PreferencesForAMissingDriverTellTheUser)
{
    WindowWatch watch("KAVRO Vigil3", "#32770");
    EXPECT_EQ(1, EXPORT(PrStartPreference)(UniqueName("p").c_str(), UniqueName("NoDriver").c_str(), "LPT1:", "m",
                                           0, nullptr));
    vm2test::WindowSnapshot box = watch.Join();
    ASSERT_TRUE(box.found);
    EXPECT_NE(std::string::npos, box.AllText().find("Please re install your printer driver.")) << box.AllText();
}
