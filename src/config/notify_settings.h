// The notification list of a printer's target key (subkey "Notify", one
// DWORD per notification number, named "%03d") and the values the status
// reading keeps there: the last raw reply, its channel and the
// communication state. All but ChkNtfyReg find the key from the printer
// name, or from the port name when the printer name is empty.
#pragma once

#include <windows.h>

#include "base/printer_context.h"

// Creates the list from the model's "ITEMnnn" lines, or adds the items it
// lacks; values already present are the user's and stay. 1 = done, 0 =
// failed or the model has no list.
int ChkNtfyReg(HKEY hRoot, const char* pszKeyPath, const char* pszModelID, const char* pszDatFile);

// *pbSound = printer-wide sound switch AND the number's switch, *pbItem =
// the number's switch. 0 = read; 1 = target key or list not readable (both
// outputs 0).
int GetSoundNotify(const char* pszPrinterName, const char* pszPortName, int nNotifyNo, int* pbSound, int* pbItem);

// *pbBuzzer = printer-wide buzzer switch AND the number's switch, for the
// printer, port, model and driver of the context; hResDll is the loaded
// resource DLL, if any. 0 = read; 1 = no buzzer sound in the resource DLL, no
// target key, no data file, a model without buzzer or no list (output 0).
int GetBuzzerNotify(const vm2::PrinterContext& printer, HMODULE hResDll, int nNotifyNo, int* pbBuzzer);

// Stores the raw reply ("Status") and its channel ("Channel"). 0 = stored,
// 1 = target key not found, 2 = target key not writable.
int SetStatusRecord(const char* pszPrinterName, const char* pszPortName, const BYTE* pStatus, DWORD nSize,
                    DWORD dwChannelNo);

// Stores "ComStatus"; failures are silent.
void SetComStatus(const char* pszPrinterName, const char* pszPortName, DWORD dwComStatus);

// "ComStatus": the stored value, 2 when absent, 1 when the target key
// cannot be found or opened.
DWORD GetComStatus(const char* pszPrinterName, const char* pszPortName);
