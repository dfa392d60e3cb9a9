// The thirteen functions the host calls. Plain C names, caller-cleaned stack.
// Texts are zero-terminated 8-bit strings in the system code page; every
// integer crossing this boundary is 32 bits wide on both targets.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

int __cdecl PrSetRegDefaultValue(const char* pszPrinterName, const char* pszDriverName, const char* pszPortName,
                                 const char* pszModelID, const char* pszDatFileName);
int __cdecl PrReleaseRegistry(const char* pszPrinterName, const char* pszDriverName, const char* pszPortName,
                              const char* pszModelID);
int __cdecl PrMonitoringStart(DWORD dwOwner, const char* pszPrinterName, const char* pszDriverName,
                              const char* pszPortName, const char* pszModelID, const char* pszDatFileName,
                              const char* pszResDll);
int __cdecl PrMonitoringEnd(void);
int __cdecl PrGetChannel(DWORD* pdwStatusChannelNo, DWORD* pdwDataChannelNo);
int __cdecl PrGetDeviceID(char* pszDeviceID, DWORD* pdwSize);
int __cdecl PrGetStatus(int iEnableGetStatusErr, int* pbPopup, int* pbSoundPlay, int* pbPrinting,
                        int* pnRealStatusNo, int* pnSimpleStatusNo);
int __cdecl PrGetTimerValue(DWORD dwChannelNo, DWORD* pbNetwork);
int __cdecl PrSendPrinterData(DWORD dwValue, DWORD* pdwInOut, DWORD* pdwPrinterData);
int __cdecl PrGetPrinterData(DWORD dwValue, DWORD* pdwInOut, DWORD* pdwPrinterData);
int __cdecl PrReleasePrinterData(DWORD* pdwPrinterData);
int __cdecl PrStartView(int nViewType, const char* pszPrinterName, const char* pszDriverName,
                        const char* pszPortName, const char* pszModelID, const char* pszDatFileName,
                        const char* pszResDll);
int __cdecl PrStartPreference(const char* pszPrinterName, const char* pszDriverName, const char* pszPortName,
                              const char* pszModelID, DWORD dwIgnored, const char* pszResDll);

#ifdef __cplusplus
}
#endif
