#pragma once
// A window procedure with its own address per object: a few bytes of i686 code in executable memory that
// hand a stored `self` to one shared C++ function. Every window-procedure interceptor builds on it.
#include <windows.h>

#include <cstddef>

namespace msghook {

class WndProcThunk {
  public:
    // The function every message of the thunk reaches, with the `self` given at creation.
    using Target = LRESULT(CALLBACK*)(void* self, HWND, UINT, WPARAM, LPARAM);

    WndProcThunk() noexcept = default;
    // Throws std::bad_alloc when no executable memory can be had.
    WndProcThunk(Target target, void* self);
    WndProcThunk(WndProcThunk&& o) noexcept;
    WndProcThunk& operator=(WndProcThunk&& o) noexcept;
    WndProcThunk(const WndProcThunk&) = delete;
    WndProcThunk& operator=(const WndProcThunk&) = delete;
    // Retires the entry with DefWindowProcW as its forward target.
    ~WndProcThunk();

    WNDPROC Proc() const noexcept;
    explicit operator bool() const noexcept { return slot_ != nullptr; }

    // Lets go of the entry: from now on it passes every message to `forwardTo` unchanged, and its memory is
    // freed as soon as no thunk is running on this thread (at once when none is), so a caller still
    // holding its address for the message in progress does not land in freed memory.
    void Retire(WNDPROC forwardTo) noexcept;
    // Lets go of the entry for a window it cannot be unhooked from (another procedure sits over it): it
    // passes every message to `forwardTo` and stays alive until WM_NCDESTROY has passed through it.
    void Park(WNDPROC forwardTo) noexcept;

    // Entries allocated and not yet freed, parked and retired ones included.
    static long LiveCount() noexcept;
    // Executable memory the allocator holds from the system.
    static std::size_t ReservedBytes() noexcept;
    // Calls that reached an entry after it was freed; each was answered by DefWindowProcW.
    static long StaleCalls() noexcept;

    struct Control;

  private:
    Control* slot_ = nullptr;
};

} // namespace msghook
