// Messages the worker threads post to the windows that started them; wParam
// carries the result, lParam is 0. The values are fixed: the windows of other
// builds of the suite answer to the same numbers.
#pragma once

#include <windows.h>

#define WM_RESULT_KBDEVICEID (WM_USER + 0x28)
#define WM_RESULT_KBSTCHANNEL (WM_USER + 0x29)
#define WM_RESULT_KBSTATUS (WM_USER + 0x2A)
