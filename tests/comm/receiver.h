// A message-only window that records what a status worker posts to it.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "comm/kb_entry.h"

namespace commtest {

class Receiver {
public:
    Receiver()
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "vm2test_receiver";
        RegisterClassA(&wc);
        m_hwnd = CreateWindowA("vm2test_receiver", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, this);
        SetWindowLongPtrA(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Receiver() { DestroyWindow(m_hwnd); }
    HWND Handle() const { return m_hwnd; }

    // Pumps messages for up to ms milliseconds or until count of the
    // worker's messages have arrived.
    bool WaitFor(DWORD ms, size_t count = 1)
    {
        for (DWORD start = GetTickCount(); m_got.size() < count && GetTickCount() - start < ms; Sleep(10)) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        }
        return m_got.size() >= count;
    }

    struct Got {
        UINT msg;
        int result;
    };
    std::vector<Got> m_got;

private:
    static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l)
    {
        auto* self = reinterpret_cast<Receiver*>(GetWindowLongPtrA(h, GWLP_USERDATA));
        if (self != nullptr && m >= WM_RESULT_KBDEVICEID && m <= WM_RESULT_KBSTATUS) {
            EXPECT_EQ(0, l);
            self->m_got.push_back({m, static_cast<int>(static_cast<INT_PTR>(w))});
            return 0;
        }
        return DefWindowProcA(h, m, w, l);
    }
    HWND m_hwnd = nullptr;
};

}  // namespace commtest
