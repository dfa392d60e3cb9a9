#include "kbsim/kbsim_layout.h"

#include <cctype>
#include <cstring>

namespace kbsim {

namespace {

bool SameNoCase(const char* a, const char* b)
{
    for (;; ++a, ++b) {
        int ca = std::tolower(static_cast<unsigned char>(*a));
        int cb = std::tolower(static_cast<unsigned char>(*b));
        if (ca != cb) return false;
        if (ca == 0) return true;
    }
}

const char* const kEntryNames[kEntryCount] = {
    "KBInitialize",  "KBRelease",   "KBGetDeviceID",   "KBGetAvailableChannel",
    "KBOpenChannel", "KBCloseChannel", "KBSetOption",  "KBGetOption",
    "KBReceiveCancel", "KBGetStatus", "KBReceive",     "KBSend",
};

}  // namespace

void ResetState(ShmState* pState)
{
    std::memset(pState, 0, sizeof(*pState));
    pState->magic = kMagic;
    pState->version = kLayoutVersion;
    pState->size = sizeof(ShmState);
    pState->initResult = 0;
    pState->releaseResult = 0;
    pState->requireInit = 1;
    pState->nextHandle = 1;
    pState->recordNext = 1;
}

int FindPrinter(const ShmState* pState, int32_t nType, const char* pszName)
{
    if (pszName == nullptr || (nType != 0 && nType != 1)) return -1;
    for (uint32_t i = 0; i < kMaxPrinters; ++i) {
        const ShmPrinter& p = pState->printers[i];
        if (!p.inUse) continue;
        const char* own = nType == 1 ? p.printerName : p.portName;
        if (own[0] != '\0' && SameNoCase(own, pszName)) return static_cast<int>(i);
    }
    return -1;
}

int FindPrinterByAnyName(const ShmState* pState, const char* pszName)
{
    int i = FindPrinter(pState, 1, pszName);
    return i >= 0 ? i : FindPrinter(pState, 0, pszName);
}

int FindHandle(const ShmState* pState, int32_t hChannel)
{
    if (hChannel <= 0) return -1;
    for (uint32_t i = 0; i < kMaxHandles; ++i) {
        if (pState->handles[i].inUse && pState->handles[i].handle == hChannel) return static_cast<int>(i);
    }
    return -1;
}

bool TakeFault(ShmFault* pFaults, uint32_t nCount, Entry entry, Phase phase, int32_t* pCode)
{
    for (uint32_t i = 0; i < nCount; ++i) {
        ShmFault& f = pFaults[i];
        if (!f.active || f.entry != static_cast<uint32_t>(entry)) continue;
        if (f.phase != static_cast<uint32_t>(Phase::Any) && f.phase != static_cast<uint32_t>(phase)) continue;
        if (f.skip > 0) {
            --f.skip;
            continue;
        }
        *pCode = f.code;
        if (f.remaining != 0xFFFFFFFFu && --f.remaining == 0) f.active = 0;
        return true;
    }
    return false;
}

const ShmStep* CurrentStep(const ShmPrinter& printer)
{
    if (printer.stepCount == 0 || printer.stepIndex >= printer.stepCount) return nullptr;
    return &printer.steps[printer.stepIndex];
}

void ConsumeStep(ShmPrinter* pPrinter)
{
    if (pPrinter->stepCount == 0 || pPrinter->stepIndex >= pPrinter->stepCount) return;
    const ShmStep& step = pPrinter->steps[pPrinter->stepIndex];
    if (step.repeat == 0) return;  // stays for ever
    if (++pPrinter->stepUsed < step.repeat) return;
    pPrinter->stepUsed = 0;
    if (pPrinter->stepIndex + 1 < pPrinter->stepCount) {
        ++pPrinter->stepIndex;
    } else if (pPrinter->loop) {
        pPrinter->stepIndex = 0;
    }
    // Otherwise the last step keeps answering: a printer does not fall silent
    // because its script ran out.
}

const char* EntryName(Entry entry)
{
    uint32_t i = static_cast<uint32_t>(entry);
    return i < kEntryCount ? kEntryNames[i] : "?";
}

bool EntryFromName(const char* pszName, Entry* pEntry)
{
    if (pszName == nullptr) return false;
    for (uint32_t i = 0; i < kEntryCount; ++i) {
        // Accept "KBGetStatus" as well as "GetStatus".
        if (SameNoCase(pszName, kEntryNames[i]) || SameNoCase(pszName, kEntryNames[i] + 2)) {
            *pEntry = static_cast<Entry>(i);
            return true;
        }
    }
    return false;
}

}  // namespace kbsim
