#include "config/logon_user.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/regpaths.h"
#include "config/target_keys.h"
#include "harness/test_support.h"
#include "base/trace.h"

using namespace vm2test;

namespace {

std::string ExeBaseName()
{
    char exe[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string path = exe;
    return path.substr(path.find_last_of('\\') + 1);
}

std::vector<BYTE> OwnSid()
{
    HANDLE token = nullptr;
    std::vector<BYTE> sid;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_READ, &token)) return sid;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buf(size);
    if (GetTokenInformation(token, TokenUser, buf.data(), size, &size)) {
        PSID p = reinterpret_cast<TOKEN_USER*>(buf.data())->User.Sid;
        sid.assign(static_cast<BYTE*>(p), static_cast<BYTE*>(p) + GetLengthSid(p));
    }
    CloseHandle(token);
    return sid;
}

}  // namespace

TEST(GetProcessAccountName, OwnProcessMatchesOwnToken)
{
    vm2::AccountName self;
    ASSERT_TRUE(vm2::GetOwnAccount(&self));
    char user[260] = "sentinel";
    char domain[260] = "sentinel";
    ASSERT_EQ(1, GetProcessAccountName(GetCurrentProcessId(), user, sizeof(user), domain, sizeof(domain)));
    EXPECT_EQ(self.user, user);
    EXPECT_EQ(self.domain, domain);
    char name[260];
    DWORD len = sizeof(name);
    ASSERT_TRUE(GetUserNameA(name, &len));
    EXPECT_STRCASEEQ(name, user);
}

TEST(GetProcessAccountName, FailsCleanly)
{
    char user[260];
    char domain[260];
    EXPECT_EQ(0, GetProcessAccountName(0xFFFFFFF0, user, sizeof(user), domain, sizeof(domain))) << "no such process";
    DWORD pid = GetCurrentProcessId();
    EXPECT_EQ(0, GetProcessAccountName(pid, nullptr, 260, domain, sizeof(domain)));
    EXPECT_EQ(0, GetProcessAccountName(pid, user, sizeof(user), nullptr, 260));
    EXPECT_EQ(0, GetProcessAccountName(pid, user, 0, domain, sizeof(domain)));
    EXPECT_EQ(0, GetProcessAccountName(pid, user, sizeof(user), domain, 0));
    EXPECT_EQ(0, GetProcessAccountName(pid, user, 2, domain, sizeof(domain))) << "user name does not fit";
}

TEST(LogonUser, ShellProcessesAreFoundByNamePrefix)
{
    vm2::AccountName self;
    ASSERT_TRUE(vm2::GetOwnAccount(&self));
    // This very program stands in for the shell: its name is known, its
    // owner is us.
    std::string exe = ExeBaseName();
    vm2::AccountName found;
    TraceScope scope("test");
    ASSERT_TRUE(vm2::FindShellProcessAccount(exe.substr(0, 8).c_str(), &scope, &found));
    EXPECT_TRUE(vm2::SameAccount(self, found));
    std::string upper = exe;
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    EXPECT_TRUE(vm2::FindShellProcessAccount(upper.c_str(), &scope, &found)) << "case-insensitive";

    vm2::AccountName none;
    EXPECT_FALSE(vm2::FindShellProcessAccount("vm2tk-no-such-shell.exe", &scope, &none));
    EXPECT_TRUE(none.user.empty());
    EXPECT_FALSE(vm2::FindShellProcessAccount("", &scope, &none));
    EXPECT_FALSE(vm2::ShellProgramName().empty());
}

TEST(LogonUser, SessionQueryNamesThisUser)
{
    vm2::AccountName self;
    ASSERT_TRUE(vm2::GetOwnAccount(&self));
    vm2::AccountName session;
    ASSERT_TRUE(vm2::QuerySessionAccount(&session));
    EXPECT_STRCASEEQ(self.user.c_str(), session.user.c_str());
}

TEST(LogonUser, ProfileListEntriesResolveTheirSid)
{
    std::vector<BYTE> sid = OwnSid();
    ASSERT_FALSE(sid.empty());
    std::string list = vm2::regpath::kProfileListKey;
    std::string mineName = UniqueName("S-1-5-21-vm2tk");
    std::string noSidName = UniqueName("S-1-5-21-vm2tk-nosid");
    std::string junkName = UniqueName("S-1-5-21-vm2tk-junk");
    ScopedRegKey mine(HKEY_LOCAL_MACHINE, list + "\\" + mineName);
    mine.SetBinary("Sid", sid.data(), static_cast<DWORD>(sid.size()));
    ScopedRegKey noSid(HKEY_LOCAL_MACHINE, list + "\\" + noSidName);
    ScopedRegKey junk(HKEY_LOCAL_MACHINE, list + "\\" + junkName);
    junk.SetBinary("Sid", "\x01\x09garbage", 9);

    std::vector<vm2::ProfileEntry> entries;
    ASSERT_TRUE(vm2::ReadProfileList(&entries));
    vm2::AccountName self;
    ASSERT_TRUE(vm2::GetOwnAccount(&self));
    int seen = 0;
    for (const vm2::ProfileEntry& e : entries) {
        SCOPED_TRACE(e.subkey);
        if (e.subkey == mineName) {
            EXPECT_TRUE(e.resolved);
            EXPECT_TRUE(vm2::SameAccount(self, e.account));
            ++seen;
        } else if (e.subkey == noSidName || e.subkey == junkName) {
            EXPECT_FALSE(e.resolved);
            ++seen;
        }
    }
    EXPECT_EQ(3, seen);

    // What a service would conclude if the console user were this account.
    vm2::LogonFacts facts;
    facts.logon = self;
    facts.selfKnown = true;
    facts.self = {"SYSTEM", "NT AUTHORITY"};
    facts.profileListOpened = true;
    facts.profiles = entries;
    vm2::TargetBaseChoice choice = vm2::ChooseTargetBase(0, facts);
    EXPECT_TRUE(choice.usersHive);
    EXPECT_NE(std::string::npos, choice.basePath.find("\\software\\KAVRO\\VLX3\\VLXData\\KPLTarget"));
}

TEST(LogonUser, GatheredFactsSayThisProcessIsTheLogonUser)
{
    TraceScope scope("test");
    vm2::LogonFacts facts = vm2::GatherLogonFacts(scope);
    EXPECT_TRUE(facts.logonKnown);
    EXPECT_TRUE(facts.selfKnown);
    EXPECT_TRUE(vm2::RunsAsLogonUser(facts)) << facts.logon.user << "\\" << facts.logon.domain << " vs "
                                             << facts.self.user << "\\" << facts.self.domain;
    EXPECT_FALSE(facts.profileListOpened) << "the profile list is not needed";
    vm2::TargetBaseChoice choice = vm2::ChooseTargetBase(1, facts);
    EXPECT_FALSE(choice.usersHive);
    EXPECT_TRUE(choice.sameUser);
}

TEST(KP_OpenPrinter, UnknownPrinterFailsWithoutHandle)
{
    HANDLE h = reinterpret_cast<HANDLE>(0x1234);
    EXPECT_FALSE(KP_OpenPrinter("vm2tk no such printer \xE9", &h, nullptr));
    EXPECT_EQ(nullptr, h);
    EXPECT_FALSE(KP_OpenPrinter("vm2tk no such printer", nullptr, nullptr));
}

TEST(LogonUser, WinlogonDefaultsAreReadAsStored)
{
    const char* key = vm2::regpath::kWinlogonKey;
    auto saved = [&](const char* name) {
        char buf[260] = "";
        DWORD size = sizeof(buf);
        bool present = RegGetValueA(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_SZ, nullptr, buf, &size) == ERROR_SUCCESS;
        return std::make_pair(present, std::string(buf));
    };
    auto user = saved("DefaultUserName");
    auto domain = saved("DefaultDomainName");
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, key, "DefaultUserName", REG_SZ, "vm2tk-user", 11);
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, key, "DefaultDomainName", REG_SZ, "VM2TK", 6);
    vm2::AccountName read;
    bool ok = vm2::ReadWinlogonDefaults(&read);
    for (auto& v : {std::make_pair("DefaultUserName", user), std::make_pair("DefaultDomainName", domain)}) {
        if (v.second.first)
            RegSetKeyValueA(HKEY_LOCAL_MACHINE, key, v.first, REG_SZ, v.second.second.c_str(),
                            static_cast<DWORD>(v.second.second.size() + 1));
        else
            RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, key, v.first);
    }
    ASSERT_TRUE(ok);
    EXPECT_EQ("vm2tk-user", read.user);
    EXPECT_EQ("VM2TK", read.domain);
}
