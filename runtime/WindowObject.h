#pragma once
// Windows whose messages go to a C++ object: the object is found through the window's own extra bytes,
// not the procedure slot, so interceptors installed over the window's procedure do not break the
// lookup. A window property names the object too, for lookups from a handle that may belong to any
// class; reading a property asks the window server, so the message path does not use it.
#include <windows.h>

#include "runtime/RtError.h"

namespace rt {

// The extra bytes a class of such windows reserves (WNDCLASSEXW::cbWndExtra).
constexpr int kObjectSlotBytes = sizeof(LONG_PTR);

// Only for windows of a class that reserved the slot: other classes keep their own data there.
inline void AttachObject(HWND wnd, const wchar_t* property, void* self) {
    ::SetWindowLongPtrW(wnd, 0, reinterpret_cast<LONG_PTR>(self));
    ::SetPropW(wnd, property, self);
}

// From now on the window's messages no longer reach the object.
inline void DetachObject(HWND wnd, const wchar_t* property) {
    ::SetWindowLongPtrW(wnd, 0, 0);
    ::RemovePropW(wnd, property);
}

// T needs: a member `HWND hwnd_`, `LRESULT WindowProc(UINT, WPARAM, LPARAM)` and `void WindowGone()`,
// reachable from this function (declare it a friend).
template <class T>
LRESULT DispatchToObject(const wchar_t* property, HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    T* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<T*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        if (self) {
            self->hwnd_ = wnd;
            AttachObject(wnd, property, self);
        }
    } else {
        self = reinterpret_cast<T*>(::GetWindowLongPtrW(wnd, 0));
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
