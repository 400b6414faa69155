#pragma once
// The dispatch every interceptor runs on: per installed procedure an entry, reached through a thunk of
// its own, that shows each call to a sink ahead of the rest of the chain and its result behind it. One
// rule each for what every interceptor must get right:
// - calls in flight: an entry let go inside one of its own calls stays valid until the outermost thunk
//   call returns (ThunkTarget);
// - install and restore: the previous window procedure is put back only while the entry is on top of
//   the chain; under another procedure the entry stays in the chain as a pass-through (parked);
// - failures: nothing throws through a window or hook procedure; a sink that throws counts as not
//   handled, and the call goes on as it came.
#include <windows.h>

#include "msghook/Thunk.h"
#include "runtime/Handles.h"

namespace msghook {

// The values of one window message; a before call may change them.
struct WindowCall {
    HWND wnd;
    UINT msg;
    WPARAM wp;
    LPARAM lp;
};

// The values of one hook call; a before call may change them.
struct HookCall {
    int code;
    WPARAM wp;
    LPARAM lp;
};

// How an entry leaves its window.
enum class Leave {
    // Freed once out of the chain; under another procedure it forwards until its window ends.
    Unwind,
    // Forwards at its address until its window ends even when it could be unwound, for code that holds
    // the address as its own previous procedure.
    KeepAddress,
    // The window's last message is passing: nothing calls the entry again.
    WindowEnding,
};

// An entry installed as a window's procedure, over the procedure it found there.
class WindowEntry : public ThunkTarget {
  public:
    // Null once the entry has left its window.
    WNDPROC Proc() const noexcept { return thunk_.Proc(); }
    // Installs the entry over the window's current procedure; false, changing nothing, when it cannot.
    bool Install(HWND wnd) noexcept;
    // Takes the entry out of the window's chain as `how` says; nothing once it has left.
    void Release(HWND wnd, Leave how) noexcept;
    // The procedure underneath; DefWindowProcW before Install.
    LRESULT CallPrevious(const WindowCall& call) const noexcept;

  protected:
    // Throws std::bad_alloc when no thunk can be had.
    WindowEntry();

    // Ahead of the previous procedure: `handled` is false and `result` 0 on entry; setting `handled`
    // ends the message with `result`. The previous procedure and the after call see `call` as left here.
    virtual void Before(bool& handled, LRESULT& result, WindowCall& call) = 0;
    // Behind it, unless handled: `result` holds its answer and may be replaced.
    virtual void After(LRESULT& result, const WindowCall& call) = 0;
    // WM_NCDESTROY has passed through the entry and it has left the window; its owner lets go of it.
    virtual void WindowEnded() noexcept = 0;

  private:
    friend struct CoreDispatch;
    static LRESULT CALLBACK Dispatch(void* self, HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;

    WndProcThunk thunk_;
    WNDPROC prev_ = nullptr;
};

// An entry installed as a Windows hook of the calling thread.
class HookEntry : public ThunkTarget {
  public:
    // Null once retired.
    HOOKPROC Proc() const noexcept { return thunk_.Proc(); }
    bool Hooked() const noexcept { return static_cast<bool>(hook_); }
    // False when the system refuses the hook.
    bool Hook(int type) noexcept;
    void Unhook() noexcept { hook_.reset(); }
    // For good: a call still on its way passes on to the next hook.
    void Retire() noexcept { thunk_.Retire(); }

  protected:
    // Throws std::bad_alloc when no thunk can be had.
    HookEntry();

    // The same contract as the window entry's, ahead of and behind the rest of the hook chain.
    virtual void Before(bool& handled, LRESULT& result, HookCall& call) = 0;
    virtual void After(LRESULT& result, const HookCall& call) = 0;

  private:
    friend struct CoreDispatch;
    static LRESULT CALLBACK Dispatch(void* self, int code, WPARAM wp, LPARAM lp) noexcept;

    HookProcThunk thunk_;
    rt::UniqueHook hook_;
};

} // namespace msghook
