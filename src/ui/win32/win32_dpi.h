// The display's pixel density as the window sees it. Windows 10 (1607 and later) draws a
// program that declares per-monitor awareness at each monitor's own density and tells its
// windows when that changes (WM_DPICHANGED); the calls for that are looked up at run time, so
// that the program still starts on older systems, where every window has the system's density.
#pragma once

#include <windows.h>

namespace kestrine {

#ifndef WM_DPICHANGED
inline constexpr UINT WM_DPICHANGED = 0x02E0;
#endif

// The window's dots per inch; the system's where the system has no per-window density.
UINT WindowDpi(HWND window);
// The system's dots per inch: what the stock fonts and system metrics are made for.
UINT SystemDpi();
// The outer size of a window of `style` whose client area is `client_width` x `client_height`
// at `dpi` (caption and borders at that density where the system can say).
SIZE FrameSizeForClient(int client_width, int client_height, DWORD style, UINT dpi);
// Makes this process per-monitor aware (version 2 where the system has it), as the programs'
// manifest declares; for programs without that manifest, such as the tests. False where the
// system cannot or the awareness was already fixed.
bool BecomePerMonitorDpiAware();

}  // namespace kestrine
