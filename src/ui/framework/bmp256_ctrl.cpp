#include "ui/framework/bmp256_ctrl.h"

#include <cstring>

#include "base/resource_ids.h"
#include "base/text.h"
#include "config/registry.h"
#include "ui/framework/dialog_box.h"
#include "ui/framework/dib_layout.h"
#include "ui/framework/driver_key.h"

namespace {

// A picture file larger than this is not a status picture; refusing it
// keeps a stray file from taking the host's memory.
constexpr DWORD kMaxPictureFile = 16 * 1024 * 1024;

void CopyName(char* pszOut, const char* pszIn)
{
    pszOut[0] = '\0';
    if (pszIn != nullptr) lstrcpynA(pszOut, pszIn, MAX_PATH);
}

}  // namespace

CBMP256Ctrl::~CBMP256Ctrl()
{
    KillAnimation();
    Detach();
    FreeFrames();
    if (m_hOverlay != nullptr) DestroyIcon(m_hOverlay);
    FreeFile();
}

void CBMP256Ctrl::Attach(HWND hWnd)
{
    if (hWnd != nullptr) m_hWnd = hWnd;
    if (m_hWnd == nullptr || m_pfnOldProc != nullptr) return;
    m_pfnOldProc = vm2::SubclassControl(m_hWnd, SubclassProc, this);
}

void CBMP256Ctrl::Detach()
{
    if (m_pfnOldProc == nullptr) return;
    vm2::UnsubclassControl(m_hWnd, SubclassProc, m_pfnOldProc);
    m_pfnOldProc = nullptr;
}

void CBMP256Ctrl::SetSize(int nWidth, int nHeight)
{
    m_nWidth = nWidth;
    m_nHeight = nHeight;
}

void CBMP256Ctrl::SetFileNames(const char* pszBlue, const char* pszRed, const char* pszYellow)
{
    CopyName(m_szBlueFile, pszBlue);
    CopyName(m_szRedFile, pszRed);
    CopyName(m_szYellowFile, pszYellow);
}

HMODULE CBMP256Ctrl::Module() const { return m_hModule != nullptr ? m_hModule : GetAppResModule(); }

void CBMP256Ctrl::FreeFrames()
{
    if (m_pnFrames != nullptr) HeapFree(GetProcessHeap(), 0, m_pnFrames);
    m_pnFrames = nullptr;
    m_nFrameCount = 0;
    m_nFrame = 0;
}

void CBMP256Ctrl::FreeFile()
{
    if (m_hFile != nullptr) GlobalFree(m_hFile);
    m_hFile = nullptr;
    m_nFileSize = 0;
}

void CBMP256Ctrl::KillAnimation()
{
    if (m_nTimerId != 0 && m_hWnd != nullptr) KillTimer(m_hWnd, m_nTimerId);
    m_nTimerId = 0;
}

void CBMP256Ctrl::Stop()
{
    KillAnimation();
    FreeFrames();
    FreeFile();
}

void CBMP256Ctrl::LoadFile(const char* pszPath)
{
    HANDLE hFile = CreateFileA(pszPath, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return;
    DWORD dwHigh = 0;
    DWORD dwSize = GetFileSize(hFile, &dwHigh);
    if (dwSize != INVALID_FILE_SIZE && dwHigh == 0 && dwSize > 0 && dwSize <= kMaxPictureFile) {
        HGLOBAL hMem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, dwSize);
        void* p = hMem != nullptr ? GlobalLock(hMem) : nullptr;
        DWORD dwRead = 0;
        if (p != nullptr && ReadFile(hFile, p, dwSize, &dwRead, nullptr) && dwRead > 0) {
            GlobalUnlock(hMem);
            m_hFile = hMem;
            m_nFileSize = dwRead;  // what is really there, not what was claimed
        } else if (hMem != nullptr) {
            if (p != nullptr) GlobalUnlock(hMem);
            GlobalFree(hMem);
        }
    }
    CloseHandle(hFile);
}

int CBMP256Ctrl::SelectBitmap(int nSelector)
{
    if (nSelector == m_nSelector) return 1;
    m_nSelector = nSelector;

    Registry driver(HKEY_LOCAL_MACHINE, g_strDriverKey.c_str(), FALSE, Registry::kRead);
    std::string path = driver.QueryString("InstallPath", "", MAX_PATH);
    if (!path.empty()) path += '\\';
    switch (nSelector) {
    case vm2::res::kPictureSelectorYellow: path += m_szYellowFile; break;
    case vm2::res::kPictureSelectorBlue: path += m_szBlueFile; break;
    case vm2::res::kPictureSelectorRed: path += m_szRedFile; break;
    default: break;
    }
    FreeFile();
    // Any other selector names the folder alone: the open fails and the
    // paint takes the bitmap resource.
    if (!path.empty() && path.size() < MAX_PATH) LoadFile(path.c_str());
    if (m_hWnd != nullptr) InvalidateRect(m_hWnd, nullptr, TRUE);
    return 1;
}

int CBMP256Ctrl::SetFrames(int nCount, const int* pnSelectors)
{
    if (nCount <= 0 || pnSelectors == nullptr) return 0;
    KillAnimation();
    FreeFrames();
    if (nCount == 1) {
        SelectBitmap(pnSelectors[0]);
        return 1;
    }
    auto* pCopy = static_cast<int*>(HeapAlloc(GetProcessHeap(), 0, sizeof(int) * static_cast<SIZE_T>(nCount)));
    if (pCopy == nullptr) {
        SelectBitmap(pnSelectors[nCount - 1]);
        return 0;
    }
    std::memcpy(pCopy, pnSelectors, sizeof(int) * static_cast<size_t>(nCount));
    m_pnFrames = pCopy;
    m_nFrameCount = nCount;
    m_nFrame = 0;
    SelectBitmap(pCopy[0]);
    if (m_hWnd != nullptr)
        m_nTimerId = SetTimer(m_hWnd, vm2::res::kControlTimerId, vm2::res::kControlTimerPeriod, nullptr);
    return 1;
}

int CBMP256Ctrl::SetOverlay(int nNumber, BOOL bChanged)
{
    if (nNumber != m_nOverlay) {
        m_bBlinkOn = 1;
        m_nOverlay = nNumber;
        KillAnimation();
        if (nNumber != 0 && m_hWnd != nullptr)
            m_nTimerId = SetTimer(m_hWnd, vm2::res::kControlTimerId, vm2::res::kControlTimerPeriod, nullptr);
        if (m_hOverlay != nullptr) DestroyIcon(m_hOverlay);
        m_hOverlay = nullptr;
        if (nNumber != 0)
            m_hOverlay = static_cast<HICON>(LoadImageA(Module(), MAKEINTRESOURCEA(nNumber), IMAGE_ICON, m_nWidth,
                                                       m_nHeight, 0));
        if (m_hWnd != nullptr) InvalidateRect(m_hWnd, nullptr, TRUE);
    } else if (bChanged) {
        KillAnimation();
        if (nNumber != 0) {
            if (m_hWnd != nullptr)
                m_nTimerId = SetTimer(m_hWnd, vm2::res::kControlTimerId, vm2::res::kControlTimerPeriod, nullptr);
            m_bBlinkOn = 1;
        }
    }
    return 1;
}

void CBMP256Ctrl::OnTimer()
{
    bool bRepaint = false;
    if (m_pnFrames != nullptr && m_nFrameCount > 0) {
        m_nFrame = m_nFrame + 1 < m_nFrameCount ? m_nFrame + 1 : 0;
        // Frames are bitmap resources: no file is read.
        m_nSelector = m_pnFrames[m_nFrame];
        FreeFile();
        bRepaint = true;
    }
    if (m_nOverlay != 0) {
        m_bBlinkOn = !m_bBlinkOn;
        bRepaint = true;
    }
    if (bRepaint) InvalidateRect(m_hWnd, nullptr, TRUE);
}

bool CBMP256Ctrl::OnPaint()
{
    // The bitmap: the loaded file, else the resource of the selector.
    const BYTE* pData = nullptr;
    std::size_t nSize = 0;
    vm2::ui::DibLayout layout;
    bool bHave = false;
    if (m_hFile != nullptr) {
        pData = static_cast<const BYTE*>(GlobalLock(m_hFile));
        std::size_t nOffset = 0;
        if (pData != nullptr && vm2::ui::ParseBitmapFile(pData, m_nFileSize, &layout, &nOffset)) {
            m_pHeader = pData + nOffset;
            bHave = true;
        }
    } else if (m_nSelector > 0 && m_nSelector <= 0xFFFF) {
        HMODULE hModule = Module();
        HRSRC hRes = hModule != nullptr ? FindResourceA(hModule, MAKEINTRESOURCEA(m_nSelector), RT_BITMAP) : nullptr;
        HGLOBAL hLoaded = hRes != nullptr ? LoadResource(hModule, hRes) : nullptr;
        const BYTE* pRes = hLoaded != nullptr ? static_cast<const BYTE*>(LockResource(hLoaded)) : nullptr;
        nSize = hRes != nullptr ? SizeofResource(hModule, hRes) : 0;
        if (pRes != nullptr && vm2::ui::ParseDib(pRes, nSize, &layout)) {
            m_pHeader = pRes;
            bHave = true;
        }
    }
    if (!bHave) {
        // Left to the static control, which paints its own background
        // rather than keeping the last picture on screen.
        if (pData != nullptr) GlobalUnlock(m_hFile);
        m_pHeader = nullptr;
        return false;
    }

    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(m_hWnd, &ps);
    if (hdc != nullptr) {
        // The control's client area is made exactly the bitmap's size.
        RECT rcWindow, rcClient;
        GetWindowRect(m_hWnd, &rcWindow);
        GetClientRect(m_hWnd, &rcClient);
        int cx = layout.nWidth + (rcWindow.right - rcWindow.left) - rcClient.right;
        int cy = layout.nHeight + (rcWindow.bottom - rcWindow.top) - rcClient.bottom;
        if (cx != rcWindow.right - rcWindow.left || cy != rcWindow.bottom - rcWindow.top)
            SetWindowPos(m_hWnd, nullptr, 0, 0, cx, cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

        HPALETTE hPalette = nullptr;
        HPALETTE hOldPalette = nullptr;
        int nBits = GetDeviceCaps(hdc, BITSPIXEL) * GetDeviceCaps(hdc, PLANES);
        if (vm2::ui::HasPalette256(layout) && nBits >= 5 && nBits <= 8 &&
            (GetDeviceCaps(hdc, RASTERCAPS) & RC_PALETTE) != 0) {
            m_pPalette = static_cast<LOGPALETTE*>(
                HeapAlloc(GetProcessHeap(), 0, sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY)));
            if (m_pPalette != nullptr) {
                BYTE rgb[256][3];
                vm2::ui::ReadPalette256(m_pHeader, layout, rgb);
                m_pPalette->palVersion = 0x300;
                m_pPalette->palNumEntries = 256;
                for (int i = 0; i < 256; ++i)
                    m_pPalette->palPalEntry[i] = {rgb[i][0], rgb[i][1], rgb[i][2], 0};
                hPalette = CreatePalette(m_pPalette);
                if (hPalette != nullptr) {
                    hOldPalette = SelectPalette(hdc, hPalette, FALSE);
                    RealizePalette(hdc);
                }
            }
        }

        HBITMAP hBitmap = CreateDIBitmap(hdc, reinterpret_cast<const BITMAPINFOHEADER*>(m_pHeader), CBM_INIT,
                                         m_pHeader + layout.nBitsOffset,
                                         reinterpret_cast<const BITMAPINFO*>(m_pHeader), DIB_RGB_COLORS);
        HDC hMemDC = hBitmap != nullptr ? CreateCompatibleDC(hdc) : nullptr;
        if (hMemDC != nullptr) {
            HGDIOBJ hOld = SelectObject(hMemDC, hBitmap);
            BitBlt(hdc, 0, 0, m_nWidth, m_nHeight, hMemDC, 0, 0, SRCCOPY);
            SelectObject(hMemDC, hOld);
            DeleteDC(hMemDC);
        }
        if (hBitmap != nullptr) DeleteObject(hBitmap);
        if (hPalette != nullptr) {
            SelectPalette(hdc, hOldPalette, FALSE);
            DeleteObject(hPalette);
        }
        if (m_pPalette != nullptr) HeapFree(GetProcessHeap(), 0, m_pPalette);
        m_pPalette = nullptr;

        if (m_bBlinkOn == 1 && m_nOverlay != 0 && m_hOverlay != nullptr)
            DrawIconEx(hdc, 0, 0, m_hOverlay, 0, 0, 0, nullptr, DI_NORMAL);
    }
    m_pHeader = nullptr;
    if (pData != nullptr) GlobalUnlock(m_hFile);
    if (hdc != nullptr) EndPaint(m_hWnd, &ps);
    return true;
}

LRESULT CALLBACK CBMP256Ctrl::SubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    auto* pCtrl = reinterpret_cast<CBMP256Ctrl*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
    if (pCtrl == nullptr) return DefWindowProcA(hWnd, uMsg, wParam, lParam);
    WNDPROC pfnOld = pCtrl->m_pfnOldProc;
    switch (uMsg) {
    case WM_PAINT: pCtrl->OnPaint(); break;
    case WM_TIMER:
        if (wParam == pCtrl->m_nTimerId && pCtrl->m_nTimerId != 0) pCtrl->OnTimer();
        break;
    case WM_NCDESTROY:
        // The timer ends with the window; the object may outlive it.
        pCtrl->m_nTimerId = 0;
        pCtrl->Detach();
        break;
    default: break;
    }
    return CallWindowProcA(pfnOld, hWnd, uMsg, wParam, lParam);
}
