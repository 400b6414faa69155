#pragma once
// Windows whose messages go to a C++ object: the object is found through a window property, not the
// procedure slot, so interceptors installed over the window's procedure do not break the lookup.
#include <windows.h>

#include "RtError.h"

namespace rt {

// T needs: a member `HWND hwnd_`, `LRESULT WindowProc(UINT, WPARAM, LPARAM)` and `void WindowGone()`,
// reachable from this function (declare it a friend).
template <class T>
LRESULT DispatchToObject(const wchar_t* property, HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    T* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<T*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        if (self) {
            self->hwnd_ = wnd;
            ::SetPropW(wnd, property, self);
        }
    } else {
        self = static_cast<T*>(::GetPropW(wnd, property));
    }
    if (!self) return ::DefWindowProcW(wnd, msg, wParam, lParam);
    LRESULT result = 0;
    if (!Trap([&] { result = self->WindowProc(msg, wParam, lParam); })) result = 0;
    if (msg == WM_NCDESTROY) self->WindowGone();
    return result;
}

// Client size of a window, or the given fallback while it has none.
inline SIZE ClientSizeOr(HWND wnd, SIZE fallback) {
    if (!wnd) return fallback;
    RECT r{};
    ::GetClientRect(wnd, &r);
    return {r.right, r.bottom};
}

} // namespace rt
