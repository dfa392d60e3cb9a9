// The communication library's entry points as this module calls them. All
// are plain C functions; handles are 32-bit integers, sizes byte counts.
#pragma once

#include <windows.h>

namespace kb {

typedef int(__cdecl* KBInitialize_t)(void);
typedef int(__cdecl* KBRelease_t)(void);
typedef int(__cdecl* KBGetDeviceID_t)(int nType, const char* pszName, char* pBuffer, DWORD* pdwSize);
typedef int(__cdecl* KBGetAvailableChannel_t)(int nType, const char* pszName, void* pBuffer, DWORD* pdwSize);
typedef int(__cdecl* KBOpenChannel_t)(int nType, const char* pszName, DWORD dwChannelId);
typedef int(__cdecl* KBCloseChannel_t)(int hChannel);
typedef int(__cdecl* KBSetOption_t)(int hChannel, DWORD dwOption, DWORD dwValue);
typedef int(__cdecl* KBGetOption_t)(int hChannel, DWORD dwOption, DWORD* pdwValue);
typedef int(__cdecl* KBReceiveCancel_t)(int hChannel);
typedef int(__cdecl* KBGetStatus_t)(int hChannel, void* pBuffer, DWORD* pdwSize);
typedef int(__cdecl* KBReceive_t)(int hChannel, void* pBuffer, DWORD* pdwSize, DWORD dwTimeout);
typedef int(__cdecl* KBSend_t)(int hChannel, const void* pBuffer, DWORD dwSize);

// The twelve entry points, in binding order.
struct EntryPoints {
    KBInitialize_t KBInitialize = nullptr;
    KBRelease_t KBRelease = nullptr;
    KBGetDeviceID_t KBGetDeviceID = nullptr;
    KBGetAvailableChannel_t KBGetAvailableChannel = nullptr;
    KBOpenChannel_t KBOpenChannel = nullptr;
    KBCloseChannel_t KBCloseChannel = nullptr;
    KBSetOption_t KBSetOption = nullptr;
    KBGetOption_t KBGetOption = nullptr;
    KBReceiveCancel_t KBReceiveCancel = nullptr;
    KBGetStatus_t KBGetStatus = nullptr;
    KBReceive_t KBReceive = nullptr;
    KBSend_t KBSend = nullptr;
};

// Results the module singles out.
constexpr int kBufferTooSmall = -4;
constexpr int kCommFailure = -5;
constexpr int kBadArgument = -15;
constexpr int kBusy = -17;

// Channel ids asked for by number, and the mode bits tested.
constexpr DWORD kChannelStatus = 4;
constexpr DWORD kChannelUsb = 0x10000005;
constexpr DWORD kChannelParallel = 0x10010003;
constexpr DWORD kChannelKind3 = 0x10000003;
constexpr DWORD kChannelKind4 = 0x2000001;
constexpr DWORD kModeStatus = 0x0004;
constexpr DWORD kModeNetwork = 0x8000;

// One record of the channel list: 8 bytes, little-endian, back to back.
#pragma pack(push, 1)
struct ChannelRecord {
    DWORD dwChannelId;
    DWORD dwInfo;  // low 16 bits: mode bits
};
#pragma pack(pop)
static_assert(sizeof(ChannelRecord) == 8, "channel records are 8 bytes on every target");

}  // namespace kb
