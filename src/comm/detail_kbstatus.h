// The status window's polling thread: reads the printer (or, while one of
// its print jobs runs, the reply stored in the registry) at its intervals and
// posts each outcome to the window.
#pragma once

#include <windows.h>

#include <string>

#include "comm/com_tolerance.h"
#include "comm/kbchannel.h"

class CDetailKbStatus : public CKbStatChannel {
public:
    // The tolerance is the process's run of parallel-port failures, shared
    // with the host's status polls; it must outlive this object.
    CDetailKbStatus(int nType, const char* pszAddress, ComErrTolerance& tolerance);
    ~CDetailKbStatus() override;

    int GetPrinterStatus() override;
    DWORD EnumChannel(int nIndex) override;
    void KbStatusThreadMain() override;

    // Refused (0) while the thread runs. Null strings leave the value as it was.
    int Initialize(const char* pszPrinterName, const char* pszPortName, const char* pszModelID,
                   const char* pszMapSuffix);
    // Seconds; 0 keeps the current value.
    void SetIntervals(int nNormal, int nNetwork);
    // While a print job runs: the stored communication state, else 0.
    int CheckRegistry();

    // 1 while the print job's file mapping exists.
    int IsPrintJobRunning() const;
    int CheckRegComStatus();
    int CheckModelIDFromKBAPI();

    const std::string& GetMapName() const { return m_strMapName; }
    int GetNormalInterval() const { return m_nNormalInterval; }
    int GetNetworkInterval() const { return m_nNetworkInterval; }
    int IsPrinting() const { return m_bPrinting; }

private:
    ComErrTolerance& m_tolerance;
    volatile LONG m_bPrinting = 0;
    std::string m_strModelID;
    std::string m_strPrinterName;
    std::string m_strPortName;
    std::string m_strMapName;
    int m_nNormalInterval = 5;
    int m_nNetworkInterval = 30;
};

// The model named by a device ID text: what follows the first "MDL:" up to
// the next ";". False when there is no such field.
bool ModelFromDeviceId(const char* pText, size_t nLength, std::string* pModel);
