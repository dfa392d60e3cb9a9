// Every registry path the module knows, in one place.
#pragma once

namespace vm2 {
namespace regpath {

// HKEY_LOCAL_MACHINE
constexpr const char kTraceSwitchKey[] = "Software\\Kavro\\VLX3";
constexpr const char kDriverBase[] = "software\\KAVRO\\VLX3\\Driver";  // + "\<driver>"
constexpr const char kProfileKey[] = "software\\KAVRO\\VLX3\\Profile";
constexpr const char kWinlogonKey[] = "software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
constexpr const char kProfileListKey[] = "software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
// The agent service and the communication library's settings program
constexpr const char kSAgent2Key[] = "software\\KAVRO\\KBPrinter\\SAgent2";
constexpr const char kKNAgentServiceKey[] = "SYSTEM\\CurrentControlSet\\services\\KNAgent";
constexpr const char kEKbapiKey[] = "Software\\Kavro\\eKBAPI";
constexpr const char kNwlinkKey[] = "Enum\\Network\\NWLINK";
constexpr const char kKbapiInfoKey[] = "Software\\KAVRO\\KBAPIInfo";
constexpr const char kVlxCommonKey[] = "software\\KAVRO\\VLX3\\VLXCommon";
constexpr const char kSidmCommonKey[] = "software\\KAVRO\\VLX3\\SIDMCommon";

// HKEY_CURRENT_USER, or the logged-on user's hive under HKEY_USERS
// (and, in HKEY_LOCAL_MACHINE, the key above the driver and profile keys)
constexpr const char kVlx3Key[] = "software\\KAVRO\\VLX3";
constexpr const char kTargetByPrinter[] = "software\\KAVRO\\VLX3\\VLXData\\KPLTarget";
constexpr const char kTargetByPort[] = "software\\KAVRO\\VLX3\\VLXData\\KPNTarget";
constexpr const char kRunKey[] = "software\\Microsoft\\Windows\\CurrentVersion\\Run";

}  // namespace regpath
}  // namespace vm2
