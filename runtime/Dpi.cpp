#include "runtime/Dpi.h"

#include "runtime/Handles.h"

namespace rt {
namespace {

// Looked up at run time: Windows 7 and 8 lack them, and the programs still start there.
template <typename Fn> Fn User32Function(const char* name) {
    return reinterpret_cast<Fn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), name)));
}

int32_t ScreenLogPixels() {
    int32_t dpi = kDesignDpi;
    if (WindowDC screen(nullptr); screen) dpi = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
    return dpi > 0 ? dpi : kDesignDpi;
}

MONITORINFO InfoOf(HMONITOR monitor) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (monitor && ::GetMonitorInfoW(monitor, &info)) return info;
    // No monitor to ask: the primary screen and its work area.
    info.rcMonitor = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &info.rcWork, 0);
    return info;
}

} // namespace

int32_t DpiOfWindow(HWND wnd) {
    using Fn = UINT(WINAPI*)(HWND);
    static const Fn getDpiForWindow = User32Function<Fn>("GetDpiForWindow");
    if (wnd && getDpiForWindow) {
        if (const UINT dpi = getDpiForWindow(wnd)) return static_cast<int32_t>(dpi);
    }
    return SystemDpi();
}

int32_t SystemDpi() {
    using Fn = UINT(WINAPI*)();
    static const Fn getDpiForSystem = User32Function<Fn>("GetDpiForSystem");
    if (getDpiForSystem) {
        if (const UINT dpi = getDpiForSystem()) return static_cast<int32_t>(dpi);
    }
    return ScreenLogPixels();
}

int32_t SystemMetricForDpi(int index, int32_t dpi) {
    using Fn = int(WINAPI*)(int, UINT);
    static const Fn forDpi = User32Function<Fn>("GetSystemMetricsForDpi");
    if (forDpi) return forDpi(index, static_cast<UINT>(dpi));
    return ::MulDiv(::GetSystemMetrics(index), dpi, SystemDpi());
}

RECT WorkAreaOf(HWND wnd) {
    return InfoOf(::MonitorFromWindow(wnd, MONITOR_DEFAULTTONEAREST)).rcWork;
}

RECT MonitorAreaOf(HWND wnd) {
    return InfoOf(::MonitorFromWindow(wnd, MONITOR_DEFAULTTONEAREST)).rcMonitor;
}

std::optional<int32_t> ClientInsetOf(HWND wnd) {
    RECT window{};
    POINT origin{0, 0};
    if (!::GetWindowRect(wnd, &window) || !::ClientToScreen(wnd, &origin) || origin.x < window.left)
        return std::nullopt;
    return origin.x - window.left;
}

RECT WorkAreaNear(const RECT& screenRect) {
    return InfoOf(::MonitorFromRect(&screenRect, MONITOR_DEFAULTTONEAREST)).rcWork;
}

} // namespace rt
