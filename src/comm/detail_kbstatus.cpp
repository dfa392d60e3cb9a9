#include "comm/detail_kbstatus.h"

#include <algorithm>
#include <cstring>

#include "base/text.h"
#include "comm/com_tolerance.h"
#include "comm/kb_fetch.h"
#include "config/notify_settings.h"
#include "config/registry.h"
#include "config/target_keys.h"
#include "base/trace.h"

bool ModelFromDeviceId(const char* pText, size_t nLength, std::string* pModel)
{
    static const char kTag[] = "MDL:";
    const char* end = pText + nLength;
    const char* hit = std::search(pText, end, kTag, kTag + 4);
    if (hit == end) return false;
    const char* start = hit + 4;
    const char* semi = std::find(start, end, ';');
    if (semi == end) return false;
    pModel->assign(start, semi);
    return true;
}

CDetailKbStatus::CDetailKbStatus(int nType, const char* pszAddress, ComErrTolerance& tolerance)
    : CKbStatChannel(nType, pszAddress), m_tolerance(tolerance)
{
}

CDetailKbStatus::~CDetailKbStatus()
{
    // Join before the strings this thread reads go away; the traced end
    // follows in the base destructor.
    JoinStatusThread();
}

DWORD CDetailKbStatus::EnumChannel(int nIndex)
{
    static const DWORD kKinds[] = {kb::kChannelStatus, kb::kChannelUsb, kb::kChannelParallel, kb::kChannelKind3,
                                   kb::kChannelKind4};
    return (nIndex >= 0 && nIndex < 5) ? kKinds[nIndex] : 0;
}

int CDetailKbStatus::Initialize(const char* pszPrinterName, const char* pszPortName, const char* pszModelID,
                                const char* pszMapSuffix)
{
    TraceScope scope("CDetailKbStatus::Initialize");
    if (IsRunning()) return 0;
    if (pszPrinterName != nullptr) m_strPrinterName = pszPrinterName;
    if (pszPortName != nullptr) m_strPortName = pszPortName;
    if (pszModelID != nullptr) m_strModelID = pszModelID;
    if (pszMapSuffix != nullptr) {
        // Mapping names may not contain backslashes (they name a namespace).
        m_strMapName = std::string("K_VTMS_") + pszMapSuffix;
        std::replace(m_strMapName.begin(), m_strMapName.end(), '\\', '/');
    }
    Trace(scope, "MonitorMapFile = %s\n", m_strMapName.c_str());
    return 1;
}

void CDetailKbStatus::SetIntervals(int nNormal, int nNetwork)
{
    if (nNormal != 0) m_nNormalInterval = nNormal;
    if (nNetwork != 0) m_nNetworkInterval = nNetwork;
}

int CDetailKbStatus::IsPrintJobRunning() const
{
    if (m_strMapName.empty()) return 0;
    HANDLE h = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, m_strMapName.c_str());
    if (h == nullptr) return 0;
    CloseHandle(h);
    return 1;
}

int CDetailKbStatus::CheckRegistry() { return IsPrintJobRunning() ? CheckRegComStatus() : 0; }

int CDetailKbStatus::CheckRegComStatus()
{
    TraceScope scope("CDetailKbStatus::CheckRegComStatus");
    DWORD comStatus = GetComStatus(m_strPrinterName.c_str(), m_strPortName.c_str());
    Trace(scope, "dwComStatus : %d\n", static_cast<int>(comStatus));
    switch (comStatus) {
    case 0: return -1;
    case 1: return 1;
    case 3: return -2;
    case 4: return -3;
    case 5: return -4;
    default: return 0;
    }
}

int CDetailKbStatus::CheckModelIDFromKBAPI()
{
    TraceScope scope("CDetailKbStatus::CheckModelIDFromKBAPI");
    kb::FetchResult r = kb::Fetch(
        [this](void* buf, DWORD* size) { return GetDeviceID(static_cast<char*>(buf), size); },
        [](int first, DWORD size) { return first == kb::kBufferTooSmall && static_cast<int>(size) > 0; },
        [&](kb::FetchStage stage, int answer, DWORD) {
            if (stage == kb::FetchStage::AfterFirst) Trace(scope, "KBGetDeviceID(1st) : %d\n", answer);
            if (stage == kb::FetchStage::AfterSecond) Trace(scope, "KBGetDeviceID(2nd) : %d\n", answer);
        });
    if (r.nFirst == kb::kBusy) return 0;

    std::string model;
    bool found = false;
    if (r.Fetched()) {
        const char* text = reinterpret_cast<const char*>(r.data.data());
        size_t len = strnlen(text, r.data.size());
        Trace(scope, "DeviceID : %.*s\n", static_cast<int>(len), text);
        if (r.nSecond >= 0) found = ModelFromDeviceId(text, len, &model);
    }
    if (!found) return -1;
    return vm2::EqualNoCase(model.c_str(), m_strModelID.c_str()) ? 1 : -2;
}

int CDetailKbStatus::GetPrinterStatus()
{
    TraceScope scope("CDetailKbStatus::GetPrinterStatus");
    TargetKeyLookupMemo memo;  // the key is checked, then written to
    const char* printer = m_strPrinterName.c_str();
    const char* port = m_strPortName.c_str();

    if (m_bPrinting) {
        Trace(scope, "from Registry\n");
        // While a job prints, the spooler side keeps "Status" up to date.
        bool byPort = m_strPrinterName.empty();
        char keyPath[vm2::kPathBuf] = "";
        HKEY root = HKEY_CURRENT_USER;
        if (GetCurrentTargetPrnKey(byPort ? port : printer, byPort ? 1 : 0, keyPath, &root) != 0) return -1;
        // Under the hive the lookup chose: the logged-on user's, in HKEY_USERS,
        // when this process runs as another account.
        Registry key(root, keyPath, FALSE, Registry::kRead);
        if (!key.IsOpen()) return -1;
        if (key.GetValueSize("Status") == 0 || key.QueryBinary("Status").empty()) return -1;
        return 1;
    }

    Trace(scope, "from KBGetStatus\n");
    kb::FetchResult r = FetchStatusReply(scope);
    auto failure = [&](int answer) { return StatusReadFailure(answer, port, GetSelectedChannel(), m_tolerance); };
    if (r.nFirst <= 0 && r.nFirst != kb::kBufferTooSmall) return failure(r.nFirst);
    if (r.bNoMemory) return -2;
    if (r.nSecond <= 0) return failure(r.nSecond);

    int kind = 0;
    char keyPath[vm2::kPathBuf] = "";
    if (CheckTargetRegKey(printer, port, m_strModelID.c_str(), &kind, keyPath) != 0) return 0;
    m_tolerance.Reset();
    SetStatusRecord(printer, port, r.data.data(), static_cast<DWORD>(r.data.size()), GetSelectedChannel());
    return 1;
}

void CDetailKbStatus::KbStatusThreadMain()
{
    TraceScope scope("CDetailKbStatus::KbStatusThreadMain");
    bool ended = PauseOrEnd(500);
    Trace(scope, "Status loop start\n");
    int interval = 0;
    bool modelConfirmed = false;

    while (!ended && m_bRunning == 1) {
        {
            Trace(scope, "Status loop head\n");
            InterlockedExchange(&m_bPrinting, IsPrintJobRunning());
            Trace(scope, "Printing = %s\n", m_bPrinting ? "TRUE" : "FALSE");
            int r = 1;
            if (m_bPrinting) {
                r = CheckRegComStatus();
                if (r == 1) {
                    modelConfirmed = true;
                    SetComStatus(m_strPrinterName.c_str(), m_strPortName.c_str(), 2);
                }
            } else if (!modelConfirmed) {
                r = CheckModelIDFromKBAPI();
                if (r == 1) modelConfirmed = true;
            }
            if (m_bRunning == 0) break;

            if (r < 0) {
                Trace(scope, "Error deviceID process\n");
                Post(WM_RESULT_KBDEVICEID, r);
            } else if (r == 1) {
                bool channelReady = IsOpen();
                if (!channelReady) {
                    int opened = OpenStatusChannel();
                    if (opened < 1) {
                        if (opened < 0) {
                            r = -1;
                            Trace(scope, "Error:GetChannel(), Result : %d\n", r);
                        }
                        Trace(scope, "Error status channel process\n");
                        Post(WM_RESULT_KBSTCHANNEL, r);
                    } else {
                        channelReady = true;
                    }
                }
                if (channelReady) {
                    if (m_bRunning == 0) break;
                    Trace(scope, "Before PostMessage(WM_RESULT_KBSTATUS), iResult = %d\n", r);
                    r = GetPrinterStatus();
                    Post(WM_RESULT_KBSTATUS, r);
                    Trace(scope, "After PostMessage(WM_RESULT_KBSTATUS), iResult = %d\n", r);
                }
            }

            if (m_bPrinting) interval = 1;
            else if (IsOpen() && (GetSelectedMode() & kb::kModeNetwork) != 0) interval = m_nNetworkInterval;
            else interval = m_nNormalInterval;
        }
        // A pass every interval seconds (at least one); an end request cuts
        // the pause short.
        ended = PauseOrEnd(static_cast<DWORD>(interval > 1 ? interval : 1) * 1000);
    }
    Trace(scope, "Status loop end\n");
}
