#include "config/notify_settings.h"

#include <string>
#include <vector>

#include "base/resource_ids.h"
#include "base/text.h"
#include "config/paths.h"
#include "config/registry.h"
#include "config/target_keys.h"
#include "config/target_rules.h"
#include "base/trace.h"

using vm2::IsEmpty;
using vm2::kPathBuf;

namespace {

// The whole model section is read at once; a larger one is refused rather
// than walked half.
const DWORD kSectionBuf = 32767;

const WORD kBuzzerWaveId = vm2::res::kBuzzerWave;

// Finds the printer's target key by the usual name rule.
bool FindTargetKey(const char* pszPrinterName, const char* pszPortName, HKEY* phRoot, char* pszKeyPath)
{
    *phRoot = HKEY_CURRENT_USER;
    int kind = vm2::TargetKindFor(pszPrinterName, pszPortName);
    return GetCurrentTargetPrnKey(vm2::TargetNameFor(pszPrinterName, pszPortName), kind, pszKeyPath, phRoot) == 0;
}

void SetIf(int* p, int v)
{
    if (p != nullptr) *p = v;
}

}  // namespace

int ChkNtfyReg(HKEY hRoot, const char* pszKeyPath, const char* pszModelID, const char* pszDatFile)
{
    TraceScope scope("ChkNtfyReg()");
    char path[kPathBuf];
    if (pszKeyPath == nullptr || !vm2::FormatText(path, sizeof(path), "%s\\%s", pszKeyPath, "Notify")) return 0;
    Trace(scope, "0x%08x / notify key = %s\n", static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(hRoot)), path);

    Registry key;
    bool existed = !key.Create(hRoot, path, nullptr, Registry::kAll);
    if (!key.IsOpen()) return 0;
    // Without a data file the profile calls would read win.ini.
    if (IsEmpty(pszDatFile) || IsEmpty(pszModelID)) return 0;

    int count = static_cast<int>(GetPrivateProfileIntA(pszModelID, "ITEMNUM", 0, pszDatFile));
    if (count <= 0) return 0;

    std::vector<char> section(kSectionBuf, '\0');
    DWORD got = GetPrivateProfileSectionA(pszModelID, section.data(), kSectionBuf, pszDatFile);
    if (got >= kSectionBuf - 2) return 0;  // the call answers size - 2 when the section did not fit

    vm2::ForEachNotifyItem(section.data(), got, count, [&](const char* number, long value) {
        if (existed && key.GetValueType(number) != 0) return;  // the user's choice stays
        key.SetDword(number, static_cast<DWORD>(value));
    });
    return 1;
}

int GetSoundNotify(const char* pszPrinterName, const char* pszPortName, int nNotifyNo, int* pbSound, int* pbItem)
{
    SetIf(pbSound, 0);
    SetIf(pbItem, 0);
    HKEY root;
    char path[kPathBuf] = "";
    if (!FindTargetKey(pszPrinterName, pszPortName, &root, path)) return 1;
    Registry target(root, path, FALSE, Registry::kRead);
    if (!target.IsOpen()) return 1;
    DWORD sound = target.QueryDword("SoundNotifyEnable", 0);
    Registry notify(target.Handle(), "Notify", FALSE, Registry::kRead);
    if (!notify.IsOpen()) return 1;
    DWORD item = notify.QueryDword(vm2::NotifyValueName(nNotifyNo).c_str(), 0);
    SetIf(pbItem, static_cast<int>(item));
    SetIf(pbSound, static_cast<int>(sound & item));
    return 0;
}

int GetBuzzerNotify(const vm2::PrinterContext& printer, HMODULE hResDll, int nNotifyNo, int* pbBuzzer)
{
    SetIf(pbBuzzer, 0);
    // A resource DLL without the buzzer sound cannot sound it, whatever the
    // settings say.
    if (hResDll != nullptr && FindResourceA(hResDll, MAKEINTRESOURCEA(kBuzzerWaveId), "WAVE") == nullptr) return 1;

    const char* pszModelID = printer.model.c_str();
    HKEY root;
    char path[kPathBuf] = "";
    if (!FindTargetKey(printer.printer.c_str(), printer.port.c_str(), &root, path)) return 1;
    Registry target(root, path, FALSE, Registry::kRead);
    if (!target.IsOpen()) return 1;

    char dat[kPathBuf] = "";
    if (IsEmpty(pszModelID) ||
        !GetProfilePath(dat, printer.driver.c_str(), pszModelID) || dat[0] == '\0')
        return 1;
    int modelDefault = CachedProfileInt(pszModelID, "BeepBuzzerEnable", -1, dat);
    if (modelDefault < 0) return 1;  // the model has no buzzer

    DWORD user = target.QueryDwordOrNone("BeepBuzzerEnable");
    int buzzer = vm2::EffectiveBuzzerSwitch(user != static_cast<DWORD>(-1), user, modelDefault);

    Registry notify(target.Handle(), "Notify", FALSE, Registry::kRead);
    if (!notify.IsOpen()) return 1;
    DWORD item = notify.QueryDword(vm2::NotifyValueName(nNotifyNo).c_str(), 0);
    SetIf(pbBuzzer, static_cast<int>(static_cast<DWORD>(buzzer) & item));
    return 0;
}

int SetStatusRecord(const char* pszPrinterName, const char* pszPortName, const BYTE* pStatus, DWORD nSize,
                    DWORD dwChannelNo)
{
    HKEY root;
    char path[kPathBuf] = "";
    if (!FindTargetKey(pszPrinterName, pszPortName, &root, path)) return 1;
    Registry target(root, path, TRUE, Registry::kAll);
    if (!target.IsOpen()) return 2;
    target.SetBinary("Status", pStatus, pStatus != nullptr ? nSize : 0);
    target.SetDword("Channel", dwChannelNo);
    return 0;
}

void SetComStatus(const char* pszPrinterName, const char* pszPortName, DWORD dwComStatus)
{
    HKEY root;
    char path[kPathBuf] = "";
    if (!FindTargetKey(pszPrinterName, pszPortName, &root, path)) return;
    Registry target(root, path, TRUE, Registry::kAll);
    target.SetDword("ComStatus", dwComStatus);
}

DWORD GetComStatus(const char* pszPrinterName, const char* pszPortName)
{
    HKEY root;
    char path[kPathBuf] = "";
    if (!FindTargetKey(pszPrinterName, pszPortName, &root, path)) return 1;
    Registry target(root, path, TRUE, Registry::kAll);
    if (!target.IsOpen()) return 1;
    return target.QueryDword("ComStatus", 2);
}
