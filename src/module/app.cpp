#include "module/app.h"

#include <cstdlib>

#include "base/resource_ids.h"
#include "base/text.h"
#include "base/unique_handle.h"
#include "config/paths.h"
#include "config/registry.h"
#include "config/regpaths.h"
#include "config/target_keys.h"
#include "module/exports.h"
#include "ui/framework/dialog_box.h"
#include "base/trace.h"

HINSTANCE g_hInstance = nullptr;
int g_nDefaultTimer = 10;

// ---------------------------------------------------------------- CBaseInfo

int CBaseInfo::SetPrinterInfo(const char* pszPrinterName, const char* pszDriverName, const char* pszPortName,
                              const char* pszModelID, const char* pszDatFileName, const char* pszResDll)
{
    using vm2::IsEmpty;
    m_nInfoState = -1;
    if (IsEmpty(pszPrinterName) || IsEmpty(pszDriverName) || IsEmpty(pszPortName) || IsEmpty(pszModelID))
        return m_nInfoState;

    m_printer.printer = pszPrinterName;
    m_printer.driver = pszDriverName;
    m_printer.port = pszPortName;
    m_printer.model = pszModelID;
    m_nInfoState = 0;

    if (!IsEmpty(pszDatFileName)) {
        m_printer.datFile = pszDatFileName;
    } else {
        char profile[vm2::kPathBuf] = "";
        if (!GetProfilePath(profile, pszDriverName, pszModelID) || profile[0] == '\0') {
            // Resource DLL and target key keep what the last fill found.
            m_printer.datFile.clear();
            return m_nInfoState;
        }
        m_printer.datFile = profile;
    }

    if (!IsEmpty(pszResDll)) {
        m_strResDll = pszResDll;
        m_nInfoState = 1;
    } else {
        char resDll[vm2::kPathBuf] = "";
        GetLangProfileString("ResDll", resDll, sizeof(resDll), m_printer.datFile.c_str());
        m_strResDll = resDll;
        if (!m_strResDll.empty()) m_nInfoState = 1;
    }

    UpdateTargetKey();
    return m_nInfoState;
}

void CBaseInfo::UpdateTargetKey()
{
    int nKind = 0;
    char szKey[vm2::kPathBuf] = "";
    CheckTargetRegKey(m_printer.printer.c_str(), m_printer.port.c_str(), m_printer.model.c_str(), &nKind, szKey);
    // The result does not change the context's state; an empty path keeps the last one.
    if (szKey[0] != '\0') m_strTargetKey = szKey;
}

// -------------------------------------------------------- CMonitoringBuffer

CMonitoringBuffer::~CMonitoringBuffer()
{
    if (m_pPrinterData != 0) PrReleasePrinterData(&m_pPrinterData);
    m_pPrinterData = 0;
}

// ------------------------------------------------------------- CK_VPxxxxApp

namespace {

// HKLM "Software\Kavro\VLX3" "log": non-zero turns the trace on.
BOOL ReadTraceSwitch()
{
    Registry key(HKEY_LOCAL_MACHINE, vm2::regpath::kTraceSwitchKey, FALSE, Registry::kRead);
    if (!key.IsOpen()) return FALSE;
    return key.QueryDword("log", 0) != 0 ? TRUE : FALSE;
}

}  // namespace

CK_VPxxxxApp::CK_VPxxxxApp()
{
    SetTraceEnable(ReadTraceSwitch());
    // The windows read the resource DLL from here when they start.
    SetAppResModuleSlot(&m_hResDll);
}

CK_VPxxxxApp::~CK_VPxxxxApp()
{
    // A session the host left open is not torn down at unload: the
    // communication library may already be gone by then.
    SetAppResModuleSlot(nullptr);
}

void CK_VPxxxxApp::RefreshComErrDisableNum()
{
    const std::string& dat = m_BaseInfo.GetDatFileName();
    m_ComErr.SetLimit(dat.empty() ? 0
                                  : GetPrivateProfileIntA(m_BaseInfo.GetModelID().c_str(), "ComErrDisableNum", 0,
                                                          dat.c_str()));
}

namespace {
// Built when the module is loaded, before the entry point runs.
CK_VPxxxxApp theApp;
}  // namespace

CK_VPxxxxApp* GetApp() { return &theApp; }

// ------------------------------------------------------------ process attach

int ParseDefaultTimer(const char* pszText)
{
    long v = vm2::ParseDecimal(pszText);
    return (v >= 2 && v <= 60) ? static_cast<int>(v) : 10;
}

int ReadDefaultTimer(HMODULE hModule)
{
    char text[vm2::kPathBuf] = "";
    if (LoadStringA(hModule, vm2::res::kDefaultTimerString, text, sizeof(text)) <= 0) text[0] = '\0';
    return ParseDefaultTimer(text);
}

// ------------------------------------------------------------ resource DLL

HMODULE LoadResourceDll(const CBaseInfo& info)
{
    const std::string& name = info.GetResDll();
    if (name.empty()) return nullptr;
    if (name.find('\\') == std::string::npos && name.find('/') == std::string::npos) {
        // The data file names its resource DLL without a folder: it lies beside it.
        const std::string& dat = info.GetDatFileName();
        size_t slash = dat.find_last_of('\\');
        if (slash != std::string::npos) {
            std::string beside = dat.substr(0, slash + 1) + name;
            if (FileExists(beside.c_str())) return LoadLibraryExA(beside.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        }
    }
    return LoadLibraryExA(name.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
}

// ------------------------------------------------------- driver installed?

int CheckDriverInstalled(const char* pszDriverName, HMODULE hResModule, const char* pszResDllPath)
{
    {
        Registry key;
        if (OpenDriverKey(key, pszDriverName)) return 1;
    }

    vm2::UniqueModule loaded;
    if (hResModule == nullptr && !vm2::IsEmpty(pszResDllPath)) {
        loaded.reset(LoadLibraryExA(pszResDllPath, nullptr, LOAD_LIBRARY_AS_DATAFILE));
        hResModule = loaded.get();
    }
    char text[1040];
    char caption[vm2::kPathBuf];
    if (hResModule == nullptr || LoadStringA(hResModule, vm2::res::kComOthersString, text, sizeof(text)) <= 0)
        vm2::CopyText(text, sizeof(text),
                      "Unable to establish bi directional communication.\nPlease re install your printer driver.");
    if (hResModule == nullptr || LoadStringA(hResModule, vm2::res::kTitleString, caption, sizeof(caption)) <= 0)
        vm2::CopyText(caption, sizeof(caption), "KAVRO Vigil3");
    loaded.reset();

    MessageBoxA(nullptr, text, caption, MB_OK);
    return 0;
}
