// The application object: one per process, holding the identity of the
// printer the current export call is about and the monitoring session.
#pragma once

#include <windows.h>

#include <string>

#include "base/printer_context.h"
#include "comm/com_tolerance.h"
#include "config/target_key_cache.h"

extern HINSTANCE g_hInstance;  // this module, saved at process attach
extern int g_nDefaultTimer;    // default monitoring interval of the status window, seconds

// The application context: the printer of the last call that filled it.
class CBaseInfo {
public:
    CBaseInfo() = default;
    virtual ~CBaseInfo() = default;

    CBaseInfo(const CBaseInfo&) = delete;
    CBaseInfo& operator=(const CBaseInfo&) = delete;

    // Fills the context; returns the new state (-1 invalid, 0 valid, 1 valid
    // with a resource DLL name). Null data file and resource DLL mean "look up".
    int SetPrinterInfo(const char* pszPrinterName, const char* pszDriverName, const char* pszPortName,
                       const char* pszModelID, const char* pszDatFileName, const char* pszResDll);

    // What the layers below take as their printer.
    const vm2::PrinterContext& Context() const { return m_printer; }
    const std::string& GetPrinterName() const { return m_printer.printer; }
    const std::string& GetDriverName() const { return m_printer.driver; }
    const std::string& GetPortName() const { return m_printer.port; }
    const std::string& GetModelID() const { return m_printer.model; }
    const std::string& GetDatFileName() const { return m_printer.datFile; }
    const std::string& GetResDll() const { return m_strResDll; }
    const std::string& GetTargetKey() const { return m_strTargetKey; }
    int GetInfoState() const { return m_nInfoState; }

private:
    // Checks, creates or rebuilds the printer's target key and records its path.
    void UpdateTargetKey();

    vm2::PrinterContext m_printer;
    std::string m_strResDll;
    std::string m_strTargetKey;
    int m_nInfoState = -1;
};

// The session's channels and printer-data word. Every field is 32 bits wide
// on both targets: the host hands these values across as 32-bit words.
class CMonitoringBuffer {
public:
    explicit CMonitoringBuffer(DWORD dwOwner) : m_dwOwner(dwOwner) {}
    virtual ~CMonitoringBuffer();

    DWORD m_dwStatusChannelNo = 0;
    DWORD m_dwDataChannelNo = 0;
    DWORD m_hStatusChannel = 0;
    DWORD m_hDataChannel = 0;
    DWORD m_pPrinterData = 0;
    DWORD m_dwOwner;
};

class CK_VPxxxxApp {
public:
    CK_VPxxxxApp();
    virtual ~CK_VPxxxxApp();

    CK_VPxxxxApp(const CK_VPxxxxApp&) = delete;
    CK_VPxxxxApp& operator=(const CK_VPxxxxApp&) = delete;

    HMODULE GetResDll() const { return m_hResDll; }
    void SetResDll(HMODULE hResDll) { m_hResDll = hResDll; }

    // The limit of the tolerance: "ComErrDisableNum" of [<ModelID>] in the
    // context's data file, default 0.
    void RefreshComErrDisableNum();

    // The run of parallel-port failures, shared by the host's status polls
    // and the status window's thread.
    ComErrTolerance m_ComErr;
    CBaseInfo m_BaseInfo;
    CMonitoringBuffer* m_pMonitorBuffer = nullptr;
    HMODULE m_hResDll = nullptr;
    // What the status polls keep of the target keys between polls.
    TargetKeyCache m_TargetKeys;
};

CK_VPxxxxApp* GetApp();

// Reads the default interval from string 1340 of hModule: 2..60, else 10.
int ReadDefaultTimer(HMODULE hModule);
int ParseDefaultTimer(const char* pszText);

// Loads the context's resource DLL for its resources: the name as given, or,
// when it is a bare file name, the file of that name beside the data file.
HMODULE LoadResourceDll(const CBaseInfo& info);

// 1 when the driver key exists; otherwise tells the user (message box) and
// returns 0. Texts come from hResModule, or from pszResDllPath loaded for the
// occasion, or the built-in fallbacks.
int CheckDriverInstalled(const char* pszDriverName, HMODULE hResModule, const char* pszResDllPath);
