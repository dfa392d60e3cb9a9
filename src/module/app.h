// The application object: one per process, holding the identity of the
// printer the current export call is about and the monitoring session.
#pragma once

#include <windows.h>

#include <string>

extern HINSTANCE g_hInstance;        // this module, saved at process attach
extern HINSTANCE g_hModuleInstance;  // the same handle, for the resource loads of the windows
extern int g_nDefaultTimer;          // default monitoring interval of the status window, seconds

// The application context: the printer of the last call that filled it.
class CBaseInfo {
public:
    CBaseInfo() = default;
    virtual ~CBaseInfo();

    CBaseInfo(const CBaseInfo&) = delete;
    CBaseInfo& operator=(const CBaseInfo&) = delete;

    // Fills the context; returns the new state (-1 invalid, 0 valid, 1 valid
    // with a resource DLL name). Null data file and resource DLL mean "look up".
    int SetPrinterInfo(const char* pszPrinterName, const char* pszDriverName, const char* pszPortName,
                       const char* pszModelID, const char* pszDatFileName, const char* pszResDll);

    const std::string& GetPrinterName() const { return m_strPrinterName; }
    const std::string& GetDriverName() const { return m_strDriverName; }
    const std::string& GetPortName() const { return m_strPortName; }
    const std::string& GetModelID() const { return m_strModelID; }
    const std::string& GetDatFileName() const { return m_strDatFileName; }
    const std::string& GetResDll() const { return m_strResDll; }
    const std::string& GetTargetKey() const { return m_strTargetKey; }
    HANDLE GetMapFile() const { return m_hMapFile; }
    // Takes ownership; the handle it replaces is closed.
    void SetMapFile(HANDLE hMapFile)
    {
        if (m_hMapFile != nullptr && m_hMapFile != hMapFile) CloseHandle(m_hMapFile);
        m_hMapFile = hMapFile;
    }
    int GetInfoState() const { return m_nInfoState; }

private:
    // Checks, creates or rebuilds the printer's target key and records its path.
    void UpdateTargetKey();

    std::string m_strPrinterName;
    std::string m_strDriverName;
    std::string m_strPortName;
    std::string m_strModelID;
    std::string m_strDatFileName;
    std::string m_strResDll;
    std::string m_strTargetKey;
    HANDLE m_hMapFile = nullptr;
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

    // "ComErrDisableNum" of [<ModelID>] in the context's data file, default 0.
    void RefreshComErrDisableNum();

    DWORD m_nComErrDisableNum = 0;
    DWORD m_nComErrCount = 0;
    CBaseInfo m_BaseInfo;
    CMonitoringBuffer* m_pMonitorBuffer = nullptr;
    HMODULE m_hResDll = nullptr;
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
