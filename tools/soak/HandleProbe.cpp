#include "tools/soak/HandleProbe.h"

namespace soak {
namespace {

LRESULT CALLBACK ProbeProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    static const UINT query = ::RegisterWindowMessageW(kProbeMessage);
    if (query && msg == query) return wParam == 0 ? rt::LiveHandles::Gdi() : rt::LiveHandles::User();
    return ::DefWindowProcW(wnd, msg, wParam, lParam);
}

} // namespace

HandleProbe::HandleProbe() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ProbeProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kProbeClass;
    ::RegisterClassW(&wc);
    window_.reset(
        ::CreateWindowExW(0, kProbeClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr));
}

} // namespace soak
