// The agent lookups and the start of the agent setting program. The agent's
// keys are machine-wide and fixed: these tests hold the "agent_keys" lock
// and remove what they make.
#include "coord/agent.h"

#include <aclapi.h>
#include <gtest/gtest.h>
#include <sddl.h>
#include <shlobj.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>

#include "base/unique_handle.h"
#include "coord/companion_fixture.h"

using comptest::CommonAppData;
using comptest::CompanionSandbox;
using vm2test::ScopedRegKey;
using vm2test::UniqueName;

namespace {

const char kSAgent2[] = "software\\KAVRO\\KBPrinter\\SAgent2";
const char kKNAgent[] = "SYSTEM\\CurrentControlSet\\services\\KNAgent";
const char kEKbapi[] = "Software\\Kavro\\eKBAPI";
const char kNwlink[] = "Enum\\Network\\NWLINK";

// Starts from a machine without any of the agent keys, and leaves it so.
struct AgentKeysAbsent {
    AgentKeysAbsent() { Clean(); }
    ~AgentKeysAbsent() { Clean(); }
    static void Clean()
    {
        for (const char* key : {kSAgent2, kKNAgent, kEKbapi, kNwlink}) vm2test::DeleteRegTree(HKEY_LOCAL_MACHINE, key);
    }
};

std::string DriverKeyPath(const std::string& driver) { return "software\\KAVRO\\VLX3\\Driver\\" + driver; }

}  // namespace

TEST(GetAgentGeneration, TwoOnlyForTheNewerLibraryInAnyCase)
{
    const char* const values[][2] = {  // "KBAPI32" (null: no value), generation
        {"KBAPI2.DLL", "2"}, {"kbapi2.dll", "2"}, {"KbApi2.Dll", "2"}, {"KBAPI32.DLL", "1"},
        {"KBAPI2.DLL ", "1"}, {"C:\\x\\KBAPI2.DLL", "1"}, {"", "1"}, {nullptr, "1"}};
    for (const auto& c : values) {
        std::string driver = UniqueName("KAVRO Agent");
        ScopedRegKey key(HKEY_LOCAL_MACHINE, DriverKeyPath(driver));
        if (c[0] != nullptr) key.SetString("KBAPI32", c[0]);
        EXPECT_EQ(c[1][0] - '0', GetAgentGeneration(driver.c_str())) << (c[0] ? c[0] : "<no value>");
    }
    // No usable driver key or value: no key, no name, a key path (260
    // characters) that does not fit 260 bytes with its terminator, a DWORD.
    std::string longName(233, 'd'), dword = UniqueName("KAVRO Agent"), none = UniqueName("KAVRO NoSuchDriver");
    ScopedRegKey longKey(HKEY_LOCAL_MACHINE, DriverKeyPath(longName)), dkey(HKEY_LOCAL_MACHINE, DriverKeyPath(dword));
    longKey.SetString("KBAPI32", "KBAPI2.DLL");
    ASSERT_TRUE(vm2test::RegKeyExists(HKEY_LOCAL_MACHINE, DriverKeyPath(longName)));
    dkey.SetDword("KBAPI32", 2);
    for (const char* driver : {none.c_str(), "", static_cast<const char*>(nullptr), longName.c_str(), dword.c_str()})
        EXPECT_EQ(1, GetAgentGeneration(driver)) << (driver ? driver : "(null)");
}

TEST(IsAgentAllowed, NewerGenerationReadsAllowMonitoringOlderTheServiceKey)
{
    AgentKeysAbsent clean;
    EXPECT_EQ(0, IsAgentAllowed(2)) << "no key";
    EXPECT_EQ(0, IsAgentAllowed(1));
    {
        ScopedRegKey key(HKEY_LOCAL_MACHINE, kSAgent2);
        EXPECT_EQ(0, IsAgentAllowed(2)) << "no value";
        const DWORD values[][2] = {{0, 0}, {1, 1}, {7, 7}, {0xFFFFFFFF, INT_MAX}};  // a huge value still allows
        for (const auto& v : values) {
            key.SetDword("AllowMonitoring", v[0]);
            EXPECT_EQ(static_cast<int>(v[1]), IsAgentAllowed(2)) << v[0];
        }
        EXPECT_EQ(INT_MAX, IsAgentAllowed(3));
        EXPECT_EQ(0, IsAgentAllowed(1)) << "the older generation does not look here";
        key.SetString("AllowMonitoring", "1");
        EXPECT_EQ(0, IsAgentAllowed(2)) << "a text is no DWORD";
    }
    ScopedRegKey service(HKEY_LOCAL_MACHINE, kKNAgent);
    EXPECT_EQ(1, IsAgentAllowed(1));
    EXPECT_EQ(1, IsAgentAllowed(0));
    EXPECT_EQ(0, IsAgentAllowed(2)) << "the newer generation reads its own key";
}

// ------------------------------------------------------------ NWLINK

TEST(IsNwlinkOnly, OnlyTheOlderGenerationWithNwlinkAndWithoutEKbapi)
{
    AgentKeysAbsent clean;
    EXPECT_EQ(0, IsNwlinkOnly(1));
    {
        ScopedRegKey nwlink(HKEY_LOCAL_MACHINE, kNwlink);
        ASSERT_TRUE(vm2test::RegKeyExists(HKEY_LOCAL_MACHINE, kNwlink));
        EXPECT_EQ(1, IsNwlinkOnly(1));
        EXPECT_EQ(0, IsNwlinkOnly(2));
        ScopedRegKey ekbapi(HKEY_LOCAL_MACHINE, kEKbapi);
        EXPECT_EQ(0, IsNwlinkOnly(1));
    }
    ScopedRegKey ekbapi(HKEY_LOCAL_MACHINE, kEKbapi);
    EXPECT_EQ(0, IsNwlinkOnly(1));
}

// ------------------------------------------------------------ administrator

TEST(IsAdminUser, OnlyTheAdministratorsGroupCounts)
{
    // Wine's user is an administrator; a token without that group is not.
    EXPECT_EQ(1, IsAdminUser());
    BYTE sids[3][SECURITY_MAX_SID_SIZE];
    const WELL_KNOWN_SID_TYPE types[3] = {WinWorldSid, WinBuiltinUsersSid, WinBuiltinAdministratorsSid};
    struct {
        DWORD count;
        SID_AND_ATTRIBUTES groups[3];
    } list = {2, {{sids[0], SE_GROUP_ENABLED}, {sids[1], SE_GROUP_ENABLED}, {sids[2], SE_GROUP_ENABLED}}};
    for (int i = 0; i < 3; ++i) {
        DWORD cb = SECURITY_MAX_SID_SIZE;
        ASSERT_TRUE(CreateWellKnownSid(types[i], nullptr, sids[i], &cb));
    }
    const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(&list);
    EXPECT_EQ(0, vm2::GroupsHoldAdministrators(groups));
    list.count = 3;
    EXPECT_EQ(1, vm2::GroupsHoldAdministrators(groups));
    EXPECT_EQ(0, vm2::GroupsHoldAdministrators(nullptr));
}

// ------------------------------------------------------------ agent program

TEST(StartAgentProgram, ElevatedCopyFolderLetsOnlyAdministratorsAndSystemWrite)
{
    // Left by an older version that every user could write to.
    std::string folder = CommonAppData() + "\\KAVRO\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    PSECURITY_DESCRIPTOR pOpen = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;OICI;FA;;;WD)", SDDL_REVISION_1, &pOpen, nullptr));
    BOOL present = FALSE, defaulted = FALSE;
    PACL pEveryone = nullptr;
    GetSecurityDescriptorDacl(pOpen, &present, &pEveryone, &defaulted);
    SetNamedSecurityInfoA(&folder[0], SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, pEveryone, nullptr);
    LocalFree(pOpen);

    ASSERT_TRUE(vm2::AgentCopyFolder(nullptr, &folder));
    PSID pOwner = nullptr;
    PACL pDacl = nullptr;
    PSECURITY_DESCRIPTOR pSd = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, GetNamedSecurityInfoA(folder.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                                   &pOwner, nullptr, &pDacl, nullptr, &pSd));
    // Wine runs as an administrator whose own account owns what it creates.
    BYTE self[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)];
    DWORD cb = sizeof(self);
    vm2::UniqueHandle token;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()));
    ASSERT_TRUE(GetTokenInformation(token.get(), TokenUser, self, cb, &cb));
    PSID selfSid = reinterpret_cast<TOKEN_USER*>(self)->User.Sid;
    auto adminOrSystem = [selfSid](PSID sid) {
        return IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || IsWellKnownSid(sid, WinLocalSystemSid) || EqualSid(sid, selfSid);
    };
    EXPECT_TRUE(adminOrSystem(pOwner)) << "another owner could change the list";
    ASSERT_NE(nullptr, pDacl) << "no list lets everyone write";
    int adminWriters = 0;
    for (DWORD i = 0; i < pDacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        ASSERT_TRUE(GetAce(pDacl, i, reinterpret_cast<void**>(&ace)));
        bool writes = ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
                      (ace->Mask & (FILE_WRITE_DATA | FILE_ADD_FILE | FILE_APPEND_DATA | DELETE | WRITE_DAC | GENERIC_WRITE | GENERIC_ALL));
        EXPECT_TRUE(!writes || adminOrSystem(&ace->SidStart)) << "ACE " << i << " lets another account write";
        adminWriters += writes;
    }
    EXPECT_GE(adminWriters, 1);
    LocalFree(pSd);
}

TEST(StartAgentProgram, ElevatedStartRefusesQuotedNamesAndACopyThatFails)
{
    CompanionSandbox box;
    std::string program = comptest::AgentStandIn();
    EXPECT_EQ(0, vm2::StartAgentProgram(nullptr, program.c_str(), "KAVRO KX-9100", "P\" /evil \"", 1));
    EXPECT_EQ(0, vm2::StartAgentProgram(nullptr, program.c_str(), "KAVRO\"KX", "P", 1));

    // Another program planted under the copy's name and held so that it
    // cannot be replaced (still readable, so it could be started).
    std::string folder;
    ASSERT_TRUE(vm2::AgentCopyFolder(nullptr, &folder));
    std::string copy = folder + "K_VAGENT.EXE";
    ASSERT_TRUE(CopyFileA(comptest::IconStandIn().c_str(), copy.c_str(), FALSE));
    HANDLE hold = CreateFileA(copy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hold);
    EXPECT_EQ(0, vm2::StartAgentProgram(nullptr, program.c_str(), "KAVRO KX-9100", "P", 1));
    CloseHandle(hold);
    DeleteFileA(copy.c_str());
    Sleep(500);
    EXPECT_TRUE(box.Records().empty()) << box.Records().size() << " programs started";
}
