// The status picture: a static control of the dialog template, subclassed,
// that paints a device-independent bitmap (from a file of the driver's
// install folder or a bitmap resource) with its own 256-colour palette on
// palette displays, can cycle through several bitmaps and can blink an icon
// over the picture. Timer 20, every 500 ms, drives both.
#pragma once

#include <windows.h>

#include <cstddef>

#include "ui/framework/wnd_base.h"

class CBMP256Ctrl : public CStatic {
public:
    CBMP256Ctrl() = default;
    ~CBMP256Ctrl() override;

    // Subclasses the control (null: the window already stored).
    void Attach(HWND hWnd);
    void SetModule(HMODULE hModule) { m_hModule = hModule; }
    // Area copied from the bitmap and size the overlay icon is loaded at.
    void SetSize(int nWidth, int nHeight);
    // File names of the pictures 511, 512 and 510, each at most 259
    // characters (longer names are cut).
    void SetFileNames(const char* pszBlue, const char* pszRed, const char* pszYellow);

    // 510, 511, 512: the yellow, blue, red file of the install folder; any
    // other value: the bitmap resource of that id. The file is read once per
    // change of selector. Returns 1.
    int SelectBitmap(int nSelector);
    // Cycles through bitmap resources every 500 ms (one selector: shows it).
    // 0 for a zero count or a null list.
    int SetFrames(int nCount, const int* pnSelectors);
    // Blinks icon nNumber (0: none) over the picture; a status marked changed
    // with the same icon restarts the blink visible. Returns 1.
    int SetOverlay(int nNumber, BOOL bChanged);
    // Ends the animation and frees the frame list and the loaded file.
    void Stop();

    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nSelector = 0;
    const BYTE* m_pHeader = nullptr;  // bitmap of the paint in progress
    LOGPALETTE* m_pPalette = nullptr;  // palette of the paint in progress
    int* m_pnFrames = nullptr;
    int m_nFrame = 0;
    int m_nFrameCount = 0;
    UINT_PTR m_nTimerId = 0;
    HMODULE m_hModule = nullptr;  // null: the application's resource DLL
    int m_nOverlay = 0;
    int m_bBlinkOn = 0;
    HICON m_hOverlay = nullptr;
    char m_szBlueFile[MAX_PATH] = "";
    char m_szRedFile[MAX_PATH] = "";
    char m_szYellowFile[MAX_PATH] = "";
    HGLOBAL m_hFile = nullptr;
    std::size_t m_nFileSize = 0;
    WNDPROC m_pfnOldProc = nullptr;

private:
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    // False when there is nothing to draw: the control then paints itself.
    bool OnPaint();
    void OnTimer();
    void KillAnimation();
    void FreeFrames();
    void FreeFile();
    void LoadFile(const char* pszPath);
    HMODULE Module() const;
    void Detach();
};
