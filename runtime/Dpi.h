#pragma once
// The resolution a window is drawn at. Both programs are per-monitor DPI aware, so it can differ between
// windows and change when a window moves to another monitor (WM_DPICHANGED).
#include <windows.h>

#include <optional>

#include "runtime/DpiScale.h"

namespace rt {

// GetDpiForWindow where the system has it, else the screen's LOGPIXELSY (one resolution for all).
int32_t DpiOfWindow(HWND wnd);
// The resolution new top-level windows start at (the primary monitor's, or the system's).
int32_t SystemDpi();
// GetSystemMetricsForDpi where the system has it, else the system-DPI metric scaled.
int32_t SystemMetricForDpi(int index, int32_t dpi);
// The work area of the monitor the window is on (most of it), not the primary one's.
RECT WorkAreaOf(HWND wnd);
// The whole area of that monitor: the origin the maximized place is counted from.
RECT MonitorAreaOf(HWND wnd);
// The work area of the monitor nearest to a screen rectangle.
RECT WorkAreaNear(const RECT& screenRect);

// How far the client area starts inside the window on the left: the sizing border the system sizes by its
// own rules at the window's resolution (Wine keeps 4 pixels at 144 and 192). None when it cannot be read.
std::optional<int32_t> ClientInsetOf(HWND wnd);

} // namespace rt
