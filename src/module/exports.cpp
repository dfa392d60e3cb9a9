// The export frame: trace scope, arguments to the trace, context fill, work.
#include "module/exports.h"

#include "base/text.h"
#include "base/unique_handle.h"
#include "module/app.h"
#include "module/export_guard.h"
#include "module/trace.h"

namespace {

const char* Txt(const char* s) { return s != nullptr ? s : "(null)"; }

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
        int rc = GetApp()->m_BaseInfo.SetPrinterInfo(pszPrinterName, pszDriverName, pszPortName, pszModelID,
                                                     pszDatFileName, nullptr);
        Trace(scope, "nRC : %d\n", rc);
        if (rc < 0) return 1;
        // Target keys are not built yet: no key can be found.
        Trace(scope, "ERROR : GetCurrentTargetPrnKey Not Found!!\n");
        return 1;
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
        (void)rc;
        (void)dwOwner;
        // The session hold on the communication library is taken here; until
        // the library binding exists no session can be opened.
        return 1;
    });
}

// Closes the monitoring session. 0 = closed, 1 = library not available.
int __cdecl PrMonitoringEnd(void)
{
    return GuardExport(1, [&] {
        TraceScope scope("PrMonitoringEnd()");
        // Without the library binding there is no session hold to drop.
        return 1;
    });
}

int __cdecl PrGetChannel(DWORD* pdwStatusChannelNo, DWORD* pdwDataChannelNo)
{
    return GuardExport(1, [&] {
        TraceScope scope("PrGetChannel()");
        if (pdwStatusChannelNo != nullptr) *pdwStatusChannelNo = 0;
        if (pdwDataChannelNo != nullptr) *pdwDataChannelNo = 0;
        if (GetApp()->m_pMonitorBuffer == nullptr) {
            Trace(scope, "PrGetChannel : error : m_pMonitorBuffer is NULL\n");
            return 1;
        }
        return 1;  // channels come with the communication library binding
    });
}

int __cdecl PrGetDeviceID(char* pszDeviceID, DWORD* pdwSize)
{
    return GuardExport(1, [&] {
        TraceScope scope("PrGetDeviceID()");
        if (GetApp()->m_pMonitorBuffer == nullptr) {
            Trace(scope, "PrGetDeviceID : error : m_pMonitorBuffer is NULL\n");
            return 1;
        }
        return 1;  // the device ID comes with the communication library binding
    });
}

int __cdecl PrGetStatus(int iEnableGetStatusErr, int* pbPopup, int* pbSoundPlay, int* pbPrinting,
                        int* pnRealStatusNo, int* pnSimpleStatusNo)
{
    return GuardExport(-1, [&] {
        TraceScope scope("PrGetStatus()");
        CK_VPxxxxApp* app = GetApp();
        // No session or no valid printer: nothing is delivered, the host is
        // told to go on as if a status had come.
        if (app->m_pMonitorBuffer == nullptr || app->m_BaseInfo.GetInfoState() < 0) return 1;
        return 0;  // status reading comes with the communication library binding
    });
}

int __cdecl PrGetTimerValue(DWORD dwChannelNo, DWORD* pbNetwork)
{
    return GuardExport(-1, [&] {
        TraceScope scope("PrGetTimerValue()");
        if (GetApp()->m_BaseInfo.GetInfoState() < 0) return -1;
        return -1;  // channel selection comes with the communication library binding
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
        if (CheckDriverInstalled(pszDriverName, resDll.get(), nullptr) == 0) return 1;
        app->RefreshComErrDisableNum();
        // The status window itself is not built yet.
        return 1;
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
        // The preferences dialog is not built yet.
        return 1;
    });
}
