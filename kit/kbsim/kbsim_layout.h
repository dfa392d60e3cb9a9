// The state block shared by the simulated communication library and whoever
// controls it (a test, the demo, kbsim_ctl.exe in another process). It lives
// in a named file mapping, so every field has a fixed width and the layout is
// the same for 32- and 64-bit processes. Portable: no Windows header.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kbsim {

constexpr uint32_t kMagic = 0x4D49534B;  // "KSIM"
constexpr uint32_t kLayoutVersion = 1;

constexpr uint32_t kMaxPrinters = 16;
constexpr uint32_t kMaxChannels = 8;
constexpr uint32_t kMaxSteps = 32;
constexpr uint32_t kMaxReply = 256;
constexpr uint32_t kMaxFaults = 8;
constexpr uint32_t kMaxHandles = 64;
constexpr uint32_t kMaxOptions = 4;
constexpr uint32_t kRecordCapacity = 512;
constexpr uint32_t kNameLen = 260;
constexpr uint32_t kDeviceIdLen = 512;
constexpr uint32_t kRecordNameLen = 128;

// Results of the library beyond "n >= 0 = success".
constexpr int32_t kErrNotInitialized = -3;
constexpr int32_t kErrBufferTooSmall = -4;
constexpr int32_t kErrCommunication = -5;
constexpr int32_t kErrBadArgument = -15;
constexpr int32_t kErrBusy = -17;

// The twelve entry points, in the order the module binds them.
enum class Entry : uint32_t {
    Initialize = 0,
    Release,
    GetDeviceID,
    GetAvailableChannel,
    OpenChannel,
    CloseChannel,
    SetOption,
    GetOption,
    ReceiveCancel,
    GetStatus,
    Receive,
    Send,
    Count
};
constexpr uint32_t kEntryCount = static_cast<uint32_t>(Entry::Count);

// Which calls of a two-call entry point a fault applies to.
enum class Phase : uint32_t { Any = 0, SizeQuery = 1, DataRead = 2 };

// Printer flags.
constexpr uint32_t kPrinterExclusive = 0x1;  // a second open of an open channel answers busy

// Mode bits of a channel record as this library hands them out.
constexpr uint16_t kModeWrite = 0x0001;
constexpr uint16_t kModeRead = 0x0002;
constexpr uint16_t kModeStatus = 0x0004;
constexpr uint16_t kModeNetwork = 0x8000;

#pragma pack(push, 4)

// Exactly the 8-byte record that KBGetAvailableChannel writes.
struct ShmChannel {
    uint32_t id;
    uint16_t mode;
    uint16_t extra;
};

// "The next `remaining` calls of `entry` (after `skip` matching calls have
// passed) answer `code`." remaining 0xFFFFFFFF never runs out.
struct ShmFault {
    uint32_t active;
    uint32_t entry;
    int32_t code;
    uint32_t remaining;
    uint32_t skip;
    uint32_t phase;
};

// One step of a printer's status script. result > 0: the reply bytes are
// delivered; 0: "no reply"; < 0: both calls answer that code. The step is
// used `repeat` times (0 = for ever) before the script moves on.
struct ShmStep {
    int32_t result;
    uint32_t repeat;
    uint32_t length;
    uint8_t bytes[kMaxReply];
};

struct ShmPrinter {
    uint32_t inUse;
    uint32_t flags;
    char printerName[kNameLen];  // channel type 1
    char portName[kNameLen];     // channel type 0
    char deviceId[kDeviceIdLen];
    uint32_t channelCount;
    ShmChannel channels[kMaxChannels];
    uint32_t stepCount;
    uint32_t stepIndex;  // current step
    uint32_t stepUsed;   // uses of the current step so far
    uint32_t loop;       // 1 = after the last step start again at step 0
    uint32_t readsServed;
    ShmStep steps[kMaxSteps];
    ShmFault faults[kMaxFaults];
};

struct ShmHandle {
    uint32_t inUse;
    int32_t handle;
    uint32_t printer;  // index into printers
    uint32_t channelId;
    uint32_t pid;
    uint32_t options[kMaxOptions][2];  // option, value
};

struct ShmRecord {
    uint32_t seq;
    uint32_t entry;
    int32_t type;  // channel type, -1 when the entry point takes none
    int32_t result;
    int32_t handle;
    uint32_t channelId;
    uint32_t bufferGiven;
    uint32_t sizeIn;   // *pdwSize before the call (or dwSize of KBSend)
    uint32_t sizeOut;  // *pdwSize after the call
    uint32_t arg1;     // option, timeout
    uint32_t arg2;     // option value
    uint32_t pid;
    uint32_t tid;
    char name[kRecordNameLen];  // printer or port name the call addressed
};

struct ShmState {
    uint32_t magic;
    uint32_t version;
    uint32_t size;
    uint32_t generation;  // raised by every change made through the control API
    int32_t initResult;     // what KBInitialize answers
    int32_t releaseResult;  // what KBRelease answers when initialised
    uint32_t requireInit;   // 1 = calls before KBInitialize answer kErrNotInitialized
    int32_t nextHandle;
    uint32_t recordNext;  // sequence number of the next record (the first is 1)
    uint32_t reserved[7];
    ShmFault faults[kMaxFaults];  // apply to every printer and to Initialize/Release
    ShmPrinter printers[kMaxPrinters];
    ShmHandle handles[kMaxHandles];
    ShmRecord records[kRecordCapacity];
};

#pragma pack(pop)

static_assert(sizeof(ShmChannel) == 8, "channel record is 8 bytes on the wire");
static_assert(sizeof(ShmFault) == 24, "fixed layout");
static_assert(sizeof(ShmStep) == 12 + kMaxReply, "fixed layout");
static_assert(sizeof(ShmRecord) == 52 + kRecordNameLen, "fixed layout");
static_assert(offsetof(ShmState, faults) == 64, "fixed layout");

// Pure operations on a state block (no locking; the caller holds the lock).
void ResetState(ShmState* pState);
// type 1: by printer name, type 0: by port name; case-insensitive. -1 when none.
int FindPrinter(const ShmState* pState, int32_t nType, const char* pszName);
// The printer that a control call names: its printer name, or its port name
// when no printer has that printer name. -1 when none.
int FindPrinterByAnyName(const ShmState* pState, const char* pszName);
int FindHandle(const ShmState* pState, int32_t hChannel);
// Picks the first active fault of the table that matches; consumes it and
// stores its code. False when no fault applies.
bool TakeFault(ShmFault* pFaults, uint32_t nCount, Entry entry, Phase phase, int32_t* pCode);
// The current script step of a printer, or null when it has none.
const ShmStep* CurrentStep(const ShmPrinter& printer);
// Counts one use of the current step and moves on when it is used up.
void ConsumeStep(ShmPrinter* pPrinter);
const char* EntryName(Entry entry);
bool EntryFromName(const char* pszName, Entry* pEntry);

}  // namespace kbsim
