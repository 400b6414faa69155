#include "msghook/DispatchCore.h"

#include "runtime/RtError.h"

namespace msghook {

struct CoreDispatch {
    // The one before/after rule, for window messages and hook calls alike. A before call that throws
    // counts as not handled and the call goes on as it came; an after call that throws leaves the
    // chain's result standing.
    template <class Entry, class Call, class Next>
    static LRESULT BeforeAfter(Entry& e, Call call, Next next) {
        bool handled = false;
        LRESULT result = 0;
        Call changed = call;
        if (rt::Trap<rt::Catch::Everything>([&] { e.Before(handled, result, changed); })) {
            if (handled) return result;
            call = changed;
        }
        result = next(call);
        LRESULT replaced = result;
        if (rt::Trap<rt::Catch::Everything>([&] { e.After(replaced, call); })) result = replaced;
        return result;
    }
};

WindowEntry::WindowEntry() : thunk_(&Dispatch, this) {}

bool WindowEntry::Install(HWND wnd) noexcept {
    // The previous procedure is known only once ours is in; until then the entry forwards to the
    // default procedure.
    ::SetLastError(0);
    const LONG_PTR prev = ::SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(thunk_.Proc()));
    if (prev == 0 && ::GetLastError() != 0) return false;
    prev_ = reinterpret_cast<WNDPROC>(prev);
    return true;
}

void WindowEntry::Release(HWND wnd, Leave how) noexcept {
    if (!thunk_) return;
    const bool alive = ::IsWindow(wnd) != FALSE;
    const bool onTop =
        alive && reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(wnd, GWLP_WNDPROC)) == thunk_.Proc();
    // Restoring under another procedure would cut that one out of the chain.
    if (onTop) ::SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(prev_));
    if (alive && how != Leave::WindowEnding && (how == Leave::KeepAddress || !onTop))
        thunk_.Park(wnd, prev_);
    else
        thunk_.Retire(prev_);
}

LRESULT WindowEntry::CallPrevious(const WindowCall& c) const noexcept {
    return prev_ ? ::CallWindowProcW(prev_, c.wnd, c.msg, c.wp, c.lp)
                 : ::DefWindowProcW(c.wnd, c.msg, c.wp, c.lp);
}

LRESULT CALLBACK WindowEntry::Dispatch(void* self, HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    auto& e = *static_cast<WindowEntry*>(self);
    const LRESULT result = CoreDispatch::BeforeAfter(e, WindowCall{wnd, msg, wp, lp},
                                                     [&e](const WindowCall& c) { return e.CallPrevious(c); });
    // The window's last message, whatever a sink renamed it to; an entry its owner let go of meanwhile
    // has left already.
    if (msg == WM_NCDESTROY && e.thunk_) {
        e.Release(wnd, Leave::WindowEnding);
        e.WindowEnded();
    }
    return result;
}

HookEntry::HookEntry() : thunk_(&Dispatch, this) {}

bool HookEntry::Hook(int type) noexcept {
    // The procedure lives in no module, and the hook serves this thread only: no module handle.
    hook_ = rt::UniqueHook(::SetWindowsHookExW(type, thunk_.Proc(), nullptr, ::GetCurrentThreadId()));
    return Hooked();
}

LRESULT CALLBACK HookEntry::Dispatch(void* self, int code, WPARAM wp, LPARAM lp) noexcept {
    auto& e = *static_cast<HookEntry*>(self);
    const HHOOK hook = e.hook_.get();
    return CoreDispatch::BeforeAfter(e, HookCall{code, wp, lp}, [hook](const HookCall& c) {
        return ::CallNextHookEx(hook, c.code, c.wp, c.lp);
    });
}

} // namespace msghook
