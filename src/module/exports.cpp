// The export frame: trace scope, arguments to the trace, context fill, work.
#include "module/exports.h"

#include <climits>
#include <memory>
#include <new>

#include "base/mutex_guard.h"
#include "base/resource_ids.h"
#include "base/text.h"
#include "base/unique_handle.h"
#include "comm/com_tolerance.h"
#include "comm/kb_fetch.h"
#include "comm/kbchannel.h"
#include "config/notify_settings.h"
#include "config/paths.h"
#include "config/registry.h"
#include "config/target_keys.h"
#include "config/target_rules.h"
#include "module/app.h"
#include "module/export_guard.h"
#include "base/trace.h"
#include "status/status_info.h"
#include "ui/prefs/vlx_env_dlg.h"
#include "ui/status/detail.h"

namespace {

const char* Txt(const char* s) { return s != nullptr ? s : "(null)"; }

// Closes the channels a session opened (handles of 1 or more), so that the
// library is not left holding them.
void CloseSessionChannels(CKbApi& api, CMonitoringBuffer* buf)
{
    if (static_cast<int>(buf->m_hStatusChannel) >= 1) api.KBCloseChannel(static_cast<int>(buf->m_hStatusChannel));
    if (static_cast<int>(buf->m_hDataChannel) >= 1 && buf->m_hDataChannel != buf->m_hStatusChannel)
        api.KBCloseChannel(static_cast<int>(buf->m_hDataChannel));
    buf->m_hStatusChannel = 0;
    buf->m_hDataChannel = 0;
}

// The library is addressed by printer name (type 1), or by port name (type 0)
// when the printer name is empty.
std::unique_ptr<CKbApiChannel> MakeChannel(const CBaseInfo& info)
{
    bool byName = !info.GetPrinterName().empty();
    return std::unique_ptr<CKbApiChannel>(new (std::nothrow) CKbApiChannel(
        byName ? 1 : 0, byName ? info.GetPrinterName().c_str() : info.GetPortName().c_str()));
}

}  // namespace

// Returns 0 when the context could be filled, else 1. Nothing is released:
// the printer's target key stays for the next session.
int __cdecl PrReleaseRegistry(const char* pszPrinterName, const char* pszDriverName, const char* pszPortName,
                              const char* pszModelID)
{
    return GuardExport(1, [&] {
        TraceScope scope("PrReleaseRegistry()");
        Trace(scope, "PrinterName : %s, DriverName : %s, PortName : %s, ModelID : %s\n", Txt(pszPrinterName),
              Txt(pszDriverName), Txt(pszPortName), Txt(pszModelID));
        int rc = GetApp()->m_BaseInfo.SetPrinterInfo(pszPrinterName, pszDriverName, pszPortName, pszModelID,
                                                     nullptr, nullptr);
        return rc == -1 ? 1 : 0;
    });
}

// Prepares the printer's target key with its defaults. 0 = written, 1 = no
// valid context or no target key, 4 = the notification list check failed.
int __cdecl PrSetRegDefaultValue(const char* pszPrinterName, const char* pszDriverName, const char* pszPortName,
                                 const char* pszModelID, const char* pszDatFileName)
{
    return GuardExport(1, [&] {
        TraceScope scope("PrSetRegDefaultValue()");
        Trace(scope, "PrinterName : %s, DriverName : %s, PortName : %s, ModelID : %s\n", Txt(pszPrinterName),
              Txt(pszDriverName), Txt(pszPortName), Txt(pszModelID));
        char profile[vm2::kPathBuf] = "";
        if (vm2::IsEmpty(pszDatFileName) && !vm2::IsEmpty(pszModelID) &&
            GetProfilePath(profile, pszDriverName, pszModelID) && profile[0] != '\0')
            pszDatFileName = profile;

        // Filling the context checks the target key, or rebuilds it.
        int rc = GetApp()->m_BaseInfo.SetPrinterInfo(pszPrinterName, pszDriverName, pszPortName, pszModelID,
                                                     pszDatFileName, nullptr);
        Trace(scope, "nRC : %d\n", rc);
        if (rc < 0) return 1;

        HKEY root = HKEY_CURRENT_USER;
        char key[vm2::kPathBuf] = "";
        if (GetCurrentTargetPrnKey(pszPrinterName, vm2::kTargetByPrinter, key, &root) != 0) {
            Trace(scope, "ERROR : GetCurrentTargetPrnKey Not Found!!\n");
            return 1;
        }
        Trace(scope, "Call : SetRegDefaultValue()\n");
        return SetRegDefaultValue(root, pszDatFileName, pszModelID, key);
    });
}

// Opens a monitoring session. 0 = open, 1 = failure.
int __cdecl PrMonitoringStart(DWORD dwOwner, const char* pszPrinterName, const char* pszDriverName,
                              const char* pszPortName, const char* pszModelID, const char* pszDatFileName,
                              const char* pszResDll)
{
    return GuardExport(1, [&] {
        TraceScope scope("PrMonitoringStart()");
        Trace(scope, "PrinterName : %s, DriverName : %s, PortName : %s, ModelID : %s, DatFileName : %s\n",
              Txt(pszPrinterName), Txt(pszDriverName), Txt(pszPortName), Txt(pszModelID), Txt(pszDatFileName));
        CK_VPxxxxApp* app = GetApp();
        int rc = app->m_BaseInfo.SetPrinterInfo(pszPrinterName, pszDriverName, pszPortName, pszModelID,
                                                pszDatFileName, pszResDll);
        CKbApi api(app->m_BaseInfo.GetPrinterName().c_str());
        if (!api.IsEnable()) return 1;
        // The session hold keeps the library loaded from here to PrMonitoringEnd.
        api.AddRef();
        if (rc >= 0 && app->m_pMonitorBuffer == nullptr) {
            app->m_pMonitorBuffer = new (std::nothrow) CMonitoringBuffer(dwOwner);
            if (app->m_pMonitorBuffer == nullptr) return 1;
        }
        app->RefreshComErrDisableNum();
        return rc < 0 ? 1 : 0;
    });
}

// Closes the monitoring session. 0 = closed, 1 = library not available.
int __cdecl PrMonitoringEnd(void)
{
    return GuardExport(1, [&] {
        TraceScope scope("PrMonitoringEnd()");
        CK_VPxxxxApp* app = GetApp();
        CKbApi api(app->m_BaseInfo.GetPrinterName().c_str());
        if (!api.IsEnable()) return 1;
        api.Release();
        if (app->m_pMonitorBuffer != nullptr) {
            CloseSessionChannels(api, app->m_pMonitorBuffer);
            delete app->m_pMonitorBuffer;
            app->m_pMonitorBuffer = nullptr;
        }
        // The library is released and unloaded with the last user, here.
        return 0;
    });
}

// Finds and opens the printer's status and data channels. 0 = both open,
// 1 = failure (outputs stay 0; the session's channels are left as they were
// unless both were found).
int __cdecl PrGetChannel(DWORD* pdwStatusChannelNo, DWORD* pdwDataChannelNo)
{
    return GuardExport(1, [&] {
        TraceScope scope("PrGetChannel()");
        if (pdwStatusChannelNo != nullptr) *pdwStatusChannelNo = 0;
        if (pdwDataChannelNo != nullptr) *pdwDataChannelNo = 0;
        CK_VPxxxxApp* app = GetApp();
        if (app->m_pMonitorBuffer == nullptr) {
            Trace(scope, "PrGetChannel : error : NULL == pMonitorBuffer\n");
            return 1;
        }
        if (app->m_BaseInfo.GetInfoState() < 0) {
            Trace(scope, "PrGetChannel : error : printerinfo is disable\n");
            return 1;
        }
        CKbApi api(app->m_BaseInfo.GetPrinterName().c_str());
        if (!api.IsEnable()) {
            Trace(scope, "PrGetChannel : error : kbapi is disable\n");
            return 1;
        }
        std::unique_ptr<CKbApiChannel> channel = MakeChannel(app->m_BaseInfo);
        if (!channel || !channel->IsUsable()) {
            Trace(scope, "PrGetChannel : error : channel is disable\n");
            return 1;
        }
        // A library that cannot list channels (-1) gets the candidate as it is.
        auto firstOffered = [&](const DWORD* candidates, size_t n, DWORD mask) -> DWORD {
            for (size_t i = 0; i < n; ++i)
                if (channel->SelectChannel(candidates[i], mask) != 0) return candidates[i];
            return 0;
        };
        static const DWORD kStatus[] = {kb::kChannelStatus, kb::kChannelUsb, kb::kChannelParallel,
                                        kb::kChannelKind3, kb::kChannelKind4};
        static const DWORD kData[] = {kb::kChannelParallel, kb::kChannelStatus, kb::kChannelKind3};
        DWORD status = firstOffered(kStatus, 5, kb::kModeStatus);
        if (status == 0) {
            Trace(scope, "PrGetChannel : error : 0 == dwStatusChannelNo\n");
            return 1;
        }
        if (pdwStatusChannelNo != nullptr) *pdwStatusChannelNo = status;
        DWORD data = firstOffered(kData, 3, 0);
        if (data == 0) return 1;
        if (pdwDataChannelNo != nullptr) *pdwDataChannelNo = data;

        // Handles are stored as the library returns them. The session's
        // earlier channels are closed first: a host calls this again and again.
        CMonitoringBuffer* buf = app->m_pMonitorBuffer;
        CloseSessionChannels(*channel, buf);
        buf->m_dwStatusChannelNo = status;
        buf->m_hStatusChannel =
            static_cast<DWORD>(channel->KBOpenChannel(channel->GetType(), channel->GetAddress(), status));
        buf->m_dwDataChannelNo = data;
        buf->m_hDataChannel =
            static_cast<DWORD>(channel->KBOpenChannel(channel->GetType(), channel->GetAddress(), data));
        return 0;
    });
}

// Reads the printer's device ID. *pdwSize: in, the capacity; out, the size
// the library reported. 0 = read, 1 = failure or buffer too small.
int __cdecl PrGetDeviceID(char* pszDeviceID, DWORD* pdwSize)
{
    return GuardExport(1, [&] {
        TraceScope scope("PrGetDeviceID()");
        if (pszDeviceID != nullptr) *pszDeviceID = '\0';
        CK_VPxxxxApp* app = GetApp();
        if (app->m_pMonitorBuffer == nullptr) {
            Trace(scope, "PrGetDeviceID : error : NULL == pMonitorBuffer\n");
            return 1;
        }
        if (app->m_BaseInfo.GetInfoState() < 0) {
            Trace(scope, "PrGetDeviceID : error : printerinfo is disable\n");
            return 1;
        }
        CKbApi api(app->m_BaseInfo.GetPrinterName().c_str());
        if (!api.IsEnable()) {
            Trace(scope, "PrGetDeviceID : error : kbapi is disable\n");
            return 1;
        }
        if (pdwSize == nullptr) return 1;
        std::unique_ptr<CKbApiChannel> channel = MakeChannel(app->m_BaseInfo);
        if (!channel || !channel->IsUsable()) return 1;

        DWORD size = 0;
        int r = channel->GetDeviceID(nullptr, &size);
        Trace(scope, "PrGetDeviceID : KBGetDeviceID(1st) : %d\n", r);
        if (pszDeviceID == nullptr || *pdwSize < size) {
            *pdwSize = size;
            return 1;
        }
        *pdwSize = size;
        if (r != kb::kBufferTooSmall || static_cast<int>(size) <= 0) return 1;
        r = channel->GetDeviceID(pszDeviceID, pdwSize);
        Trace(scope, "PrGetDeviceID : KBGetDeviceID(2nd) : %d\n", r);
        Trace(scope, "DeviceID : %.*s\n", static_cast<int>(size), pszDeviceID);
        return r < 0 ? 1 : 0;
    });
}

namespace {

// The status rows of a data file (and its help keys) are read once and kept
// while the file, the user's language and the files beside it that choose
// the language section stay as they were: building them is the costliest
// step of a poll. Any thread may poll: the cache is swapped under its lock,
// and a caller keeps the tables it was given alive for as long as it uses
// them, even when another poll replaces them meanwhile.
vm2::ProcessMutex g_statusInfoLock;

std::shared_ptr<CStatusInfo> StatusInfoFor(const std::string& strDatFile)
{
    struct Stamp {
        std::string path;
        FILETIME written = {};
        DWORD sizeLow = 0;
        LANGID lang = 0;
        FILETIME folderWritten = {};
        bool operator==(const Stamp& o) const
        {
            return path == o.path && CompareFileTime(&written, &o.written) == 0 && sizeLow == o.sizeLow &&
                   lang == o.lang && CompareFileTime(&folderWritten, &o.folderWritten) == 0;
        }
    };
    static std::shared_ptr<CStatusInfo> cached;
    static Stamp cachedStamp;

    Stamp now;
    now.path = strDatFile;
    now.lang = GetUserDefaultLangID();
    WIN32_FILE_ATTRIBUTE_DATA attr;
    if (GetFileAttributesExA(strDatFile.c_str(), GetFileExInfoStandard, &attr)) {
        now.written = attr.ftLastWriteTime;
        now.sizeLow = attr.nFileSizeLow;
    }
    size_t slash = strDatFile.find_last_of('\\');
    if (slash != std::string::npos &&
        GetFileAttributesExA(strDatFile.substr(0, slash).c_str(), GetFileExInfoStandard, &attr))
        now.folderWritten = attr.ftLastWriteTime;

    vm2::MutexGuard lock(g_statusInfoLock.get());
    if (!lock.Owned() || !cached || !(now == cachedStamp)) {
        auto fresh = std::make_shared<CStatusInfo>(strDatFile.c_str(), std::nothrow);
        fresh->SetDataFile(strDatFile.c_str());
        // Without the lock the tables are the caller's alone.
        if (!lock.Owned()) return fresh;
        cached = std::move(fresh);
        cachedStamp = now;
    }
    return cached;
}

struct StatusOutputs {
    int* pbPopup;
    int* pbSoundPlay;
    int* pbPrinting;
    int* pnRealStatusNo;
    int* pnSimpleStatusNo;
};

// Pop-up and sound for a status: the number's own switch pops up, the sound
// switch and the buzzer sound.
void DecideNotification(const CK_VPxxxxApp& app, TargetKeyPoll& keys, int nNotifyNo, int nSimpleNo,
                        const StatusOutputs& out)
{
    int sound = 0, item = 0, buzzer = 0;
    keys.GetSoundNotify(nNotifyNo, &sound, &item);
    *out.pbSoundPlay = sound;
    *out.pbPopup = item;
    keys.GetBuzzerNotify(app.GetResDll(), nSimpleNo, &buzzer);
    if (buzzer == 1) *out.pbSoundPlay = 1;
}

void TraceOutcome(const TraceScope& scope, int iEnableGetStatusErr, const StatusOutputs& out)
{
    Trace(scope,
          "iEnableGetStatusErr : %d, pbPopup : %d, pbSoundPlay : %d, bPrinting : %d, pnRealStatusNo : %d, "
          "pnSimpleStatusNo : %d\n",
          iEnableGetStatusErr, *out.pbPopup, *out.pbSoundPlay, *out.pbPrinting, *out.pnRealStatusNo,
          *out.pnSimpleStatusNo);
}

}  // namespace

// Reads, interprets and records one status of the session's printer.
// 1 = status delivered (also a communication-error status; also, with
// nothing delivered, when no session or no valid printer exists); 0 = the
// printer had nothing to report; -1 = transient failure, poll again.
int __cdecl PrGetStatus(int iEnableGetStatusErr, int* pbPopup, int* pbSoundPlay, int* pbPrinting,
                        int* pnRealStatusNo, int* pnSimpleStatusNo)
{
    return GuardExport(-1, [&] {
        TraceScope scope("PrGetStatus()");
        CK_VPxxxxApp* app = GetApp();
        const CBaseInfo& info = app->m_BaseInfo;
        CMonitoringBuffer* buf = app->m_pMonitorBuffer;
        if (buf == nullptr || info.GetInfoState() < 0) return 1;
        CKbApi api(info.GetPrinterName().c_str());
        if (!api.IsEnable()) return 1;

        // Outputs the host left out are written to scratch words instead.
        int scratch[5] = {0, 0, 0, 0, 0};
        StatusOutputs out = {pbPopup ? pbPopup : &scratch[0], pbSoundPlay ? pbSoundPlay : &scratch[1],
                             pbPrinting ? pbPrinting : &scratch[2], pnRealStatusNo ? pnRealStatusNo : &scratch[3],
                             pnSimpleStatusNo ? pnSimpleStatusNo : &scratch[4]};

        // A data file that cannot be read leaves the built-in status rows:
        // statuses are still reported, without the model's own rows.
        const std::shared_ptr<CStatusInfo> tables = StatusInfoFor(info.GetDatFileName());
        CStatusInfo& statusInfo = *tables;
        if (statusInfo.LoadFailed())
            Trace(scope, "PrGetStatus : error : status table of the data file not loaded : %d\n",
                  statusInfo.GetLoadResult());

        *out.pbSoundPlay = 0;
        *out.pbPopup = 0;
        *out.pbPrinting = 0;
        *out.pnRealStatusNo = 0;

        const char* port = info.GetPortName().c_str();
        const DWORD channelNo = buf->m_dwStatusChannelNo;
        const int hChannel = static_cast<int>(buf->m_hStatusChannel);

        int e = 1;
        auto failure = [&](int answer) { return StatusReadFailure(answer, port, channelNo, app->m_ComErr); };
        kb::FetchResult reply;
        if (channelNo == 0 || hChannel == 0) {
            Trace(scope, "ERROR!! : dwChan == NULL || hChan == NULL\n");
            e = -1;
        } else {
            reply = kb::Fetch(
                [&](void* p, DWORD* size) { return api.KBGetStatus(hChannel, p, size); },
                [](int first, DWORD) { return first == kb::kBufferTooSmall || first > 0; },
                [&](kb::FetchStage stage, int answer, DWORD) {
                    if (stage == kb::FetchStage::AfterFirst)
                        Trace(scope, "PrGetStatus : KBGetStatus(1st) : %d\n", answer);
                    if (stage == kb::FetchStage::AfterSecond)
                        Trace(scope, "PrGetStatus : KBGetStatus(2nd) : %d\n", answer);
                });
            if (reply.Fetched())
                Trace(scope, "Status : %.*s\n", static_cast<int>(reply.data.size()),
                      reply.data.empty() ? "" : reinterpret_cast<const char*>(reply.data.data()));
            if (reply.nFirst <= 0 && reply.nFirst != kb::kBufferTooSmall) e = failure(reply.nFirst);
            else if (reply.bNoMemory) e = -2;
            else if (reply.nSecond <= 0) e = failure(reply.nSecond);
        }

        // The target key is written and asked about through the cache: found
        // once, kept open, checked against change notifications.
        TargetKeyPoll keys(app->m_TargetKeys, info.Context());
        if (e == 1) {
            std::unique_ptr<CPrinterStatus> status(
                statusInfo.CreateStatusObject(channelNo, reply.Bytes(), static_cast<DWORD>(reply.data.size()), 0));
            if (!status) {
                Trace(scope, "ERROR!! : NULL == pStatus\n");
                e = -1;
            } else if (CStatusInfo::IsCommunicationError(status->GetRealStatusNo())) {
                Trace(scope, "PrGetStatus : ERROR!! : CStatusInfo::COMMUNICATION_ERROR\n");
                e = -1;
            } else {
                app->m_ComErr.Reset();
                keys.SetStatusRecord(reply.data.data(), static_cast<DWORD>(reply.data.size()), channelNo);
                keys.SetComStatus(1);
                *out.pnRealStatusNo = status->GetRealStatusNo();
                *out.pnSimpleStatusNo = status->GetSimpleStatusNo();
                *out.pbPrinting = status->GetPrintingState();
                int notifyNo = status->GetNotifyNo();
                int simpleNo = status->GetSimpleStatusNo();
                status.reset();
                DecideNotification(*app, keys, notifyNo, simpleNo, out);
                Trace(scope, "PrGetStatus() : Success\n");
                TraceOutcome(scope, iEnableGetStatusErr, out);
                return 1;
            }
        }

        Trace(scope, "PrGetStatus : error : %d\n", e);
        if (e == 0) return 0;
        if (e == -2) return -1;

        // A communication error becomes a status of its own.
        int n;
        if (channelNo != 0 && hChannel != 0) {
            n = iEnableGetStatusErr > 0 ? 22 : 21;
            keys.SetComStatus(iEnableGetStatusErr > 0 ? 4 : 0);
        } else if (keys.GetComStatus() == 3) {
            n = 16;
        } else {
            n = iEnableGetStatusErr > 0 ? 22 : 21;
        }
        std::unique_ptr<CPrinterStatus> status(statusInfo.CreateStatusObject(channelNo, nullptr, 0, n));
        if (!status) return -1;
        *out.pnSimpleStatusNo = status->GetSimpleStatusNo();
        status.reset();
        DecideNotification(*app, keys, *out.pnSimpleStatusNo, *out.pnSimpleStatusNo, out);
        Trace(scope, "PrGetStatus() : Error\n");
        TraceOutcome(scope, iEnableGetStatusErr, out);
        return 1;
    });
}

// The host's polling interval for one channel of the printer, in seconds, or
// -1. *pbNetwork: 1 for a network connection, 0 for a local one; written
// only when the driver key could be opened.
int __cdecl PrGetTimerValue(DWORD dwChannelNo, DWORD* pbNetwork)
{
    return GuardExport(-1, [&] {
        TraceScope scope("PrGetTimerValue()");
        const CBaseInfo& info = GetApp()->m_BaseInfo;
        if (info.GetInfoState() < 0) return -1;

        // Only selects a channel: nothing is opened, so nothing needs closing.
        CKbApiChannel channel(1, info.GetPrinterName().c_str());
        if (!channel.IsEnable()) return -1;
        if (channel.SelectChannel(dwChannelNo, kb::kModeStatus) != 1) return -1;
        const bool network = (channel.GetSelectedMode() & kb::kModeNetwork) != 0;

        std::string text;
        Registry key;
        if (OpenDriverKey(key, info.GetDriverName().c_str())) {
            if (pbNetwork != nullptr) *pbNetwork = network ? 1 : 0;
            text = key.QueryString(network ? "NetworkMonitoringTimer" : "LocalMonitoringTimer", "", vm2::kPathBuf);
        }
        Trace(scope, "Get Timer String(for Registry) : %s\n", text.c_str());

        if (text.empty()) {
            vm2::UniqueModule res(LoadResourceDll(info));
            if (!res) return -1;
            char number[vm2::kPathBuf] = "";
            // A resource DLL without the string gives no interval at all.
            if (LoadStringA(res.get(), vm2::res::kDefaultTimerString, number, sizeof(number)) <= 0) return -1;
            long value = vm2::ParseDecimal(number);
            if (network) value = value > LONG_MAX / 3 ? LONG_MAX : value * 3;  // saturates, as the reading does
            if (value <= 0) return -1;
            Trace(scope, "Return, Timer Value(for Resource) : %d\n", static_cast<int>(value));
            return static_cast<int>(value);
        }
        // "10,5" reads as 10: the number before the first comma counts.
        long value = vm2::ParseDecimal(text.c_str());
        if (value <= 0) return -1;
        Trace(scope, "Return, Timer Value(for Registry) : %d\n", static_cast<int>(value));
        return static_cast<int>(value);
    });
}

namespace {

// The exchange over the data channel itself is empty in this module.
int SendPrinterData(DWORD, DWORD, DWORD, DWORD&, DWORD*) { return 0; }
int ReceivePrinterData(DWORD, DWORD, DWORD, DWORD&, DWORD*) { return 0; }

template <typename Step>
int ExchangePrinterData(DWORD dwValue, DWORD* pdwInOut, DWORD* pdwPrinterData, Step step)
{
    DWORD local = pdwInOut != nullptr ? *pdwInOut : 0;
    CMonitoringBuffer* buf = GetApp()->m_pMonitorBuffer;
    if (buf == nullptr) return 1;
    int rc = step(dwValue, buf->m_dwDataChannelNo, buf->m_hDataChannel, local, &buf->m_pPrinterData);
    if (pdwInOut != nullptr) *pdwInOut = local;
    if (pdwPrinterData != nullptr) *pdwPrinterData = buf->m_pPrinterData;
    return rc;
}

}  // namespace

// 0 = done, 1 = no monitoring session (outputs untouched).
int __cdecl PrSendPrinterData(DWORD dwValue, DWORD* pdwInOut, DWORD* pdwPrinterData)
{
    return GuardExport(1, [&] {
        TraceScope scope("PrSendPrinterData()");
        return ExchangePrinterData(dwValue, pdwInOut, pdwPrinterData, SendPrinterData);
    });
}

// 0 = done, 1 = no monitoring session (outputs untouched).
int __cdecl PrGetPrinterData(DWORD dwValue, DWORD* pdwInOut, DWORD* pdwPrinterData)
{
    return GuardExport(1, [&] {
        TraceScope scope("PrGetPrinterData()");
        return ExchangePrinterData(dwValue, pdwInOut, pdwPrinterData, ReceivePrinterData);
    });
}

// Always 0; clears the session's printer-data word and *pdwPrinterData.
int __cdecl PrReleasePrinterData(DWORD* pdwPrinterData)
{
    return GuardExport(0, [&] {
        TraceScope scope("PrReleasePrinterData()");
        CMonitoringBuffer* buf = GetApp()->m_pMonitorBuffer;
        if (buf != nullptr) {
            buf->m_pPrinterData = 0;
            if (pdwPrinterData != nullptr) *pdwPrinterData = 0;
        }
        return 0;
    });
}

// Shows the printer's status window modally. 0 = shown and closed, 1 = failure.
int __cdecl PrStartView(int nViewType, const char* pszPrinterName, const char* pszDriverName,
                        const char* pszPortName, const char* pszModelID, const char* pszDatFileName,
                        const char* pszResDll)
{
    return GuardExport(1, [&] {
        TraceScope scope("PrStartView()");
        Trace(scope,
              "PrinterName : %s, DriverName : %s, PortName : %s, ModelID : %s, DatFileName : %s, ViewType :%d\n",
              Txt(pszPrinterName), Txt(pszDriverName), Txt(pszPortName), Txt(pszModelID), Txt(pszDatFileName),
              nViewType);
        CK_VPxxxxApp* app = GetApp();
        // The data file argument is not used for the context: the path is looked up.
        if (app->m_BaseInfo.SetPrinterInfo(pszPrinterName, pszDriverName, pszPortName, pszModelID, nullptr,
                                           nullptr) == -1)
            return 1;
        if (vm2::IsEmpty(pszResDll)) return 1;
        vm2::UniqueModule resDll(LoadLibraryA(pszResDll));
        if (!resDll) return 1;
        app->SetResDll(resDll.get());
        // Nobody may use the handle once the DLL is unloaded again.
        vm2::ScopeExit forget([app] { app->SetResDll(nullptr); });
        if (CheckDriverInstalled(pszDriverName, resDll.get(), nullptr) == 0) return 1;
        app->RefreshComErrDisableNum();
        if (nViewType == 3) return 1;
        DetailEnv env;
        env.strDriverName = app->m_BaseInfo.GetDriverName();
        env.pTolerance = &app->m_ComErr;
        env.nDefaultTimer = g_nDefaultTimer;
        env.hSelfModule = g_hInstance;
        CDetail detail(nullptr, env);
        detail.m_hViewModule = resDll.get();
        detail.m_nViewType = nViewType;
        Trace(scope, "Detail.DoModal() : Start\n");
        // The host's data file path, or the one the context found.
        detail.StartView(pszPrinterName, pszPortName, pszModelID,
                         vm2::IsEmpty(pszDatFileName) ? app->m_BaseInfo.GetDatFileName().c_str() : pszDatFileName, 0);
        Trace(scope, "Detail.DoModal() : End\n");
        return 0;
    });
}

// Shows the monitoring preferences dialog modally.
int __cdecl PrStartPreference(const char* pszPrinterName, const char* pszDriverName, const char* pszPortName,
                              const char* pszModelID, DWORD dwIgnored, const char* pszResDll)
{
    return GuardExport(1, [&] {
        TraceScope scope("PrStartPreference()");
        Trace(scope, "PrinterName : %s, DriverName : %s, PortName : %s, ModelID : %s\n", Txt(pszPrinterName),
              Txt(pszDriverName), Txt(pszPortName), Txt(pszModelID));
        if (GetApp()->m_BaseInfo.SetPrinterInfo(pszPrinterName, pszDriverName, pszPortName, pszModelID, nullptr,
                                                nullptr) == -1)
            return 1;
        if (CheckDriverInstalled(pszDriverName, nullptr, pszResDll) == 0) return 1;
        return vm2::prefs::StartPreference(pszPrinterName, pszDriverName, pszPortName, pszModelID, pszResDll);
    });
}
