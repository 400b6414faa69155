#pragma once
// Procedures with an address of their own per object: a few bytes of machine code in executable memory
// that hand a stored `self` to one shared C++ function. The same entries serve as window procedures and
// as hook procedures; every window-procedure and hook interceptor builds on them.
#include <windows.h>

#include <cstddef>
#include <memory>

namespace msghook {

// What the calls of a thunk reach: an interceptor's state for one installed procedure. Let go from
// inside a call, it stays valid until the outermost thunk call running on this thread returns, the rule
// that keeps retired thunks' code too, so no call in flight finds it gone.
class ThunkTarget {
  public:
    ThunkTarget(const ThunkTarget&) = delete;
    ThunkTarget& operator=(const ThunkTarget&) = delete;

    // Deletes `target` at once when no thunk runs on this thread, else when the outermost one returns.
    static void Drop(ThunkTarget* target) noexcept;

  protected:
    ThunkTarget() noexcept = default;
    virtual ~ThunkTarget() = default;

  private:
    friend struct DroppedTargets;
    ThunkTarget* nextDropped_ = nullptr;
};

struct DropTarget {
    void operator()(ThunkTarget* target) const noexcept { ThunkTarget::Drop(target); }
};
// Owns a target; letting go of it drops the target by the rule above.
template <class T> using TargetPtr = std::unique_ptr<T, DropTarget>;

// One entry of the process-wide pool, whatever procedure it serves.
class Thunk {
  public:
    Thunk(const Thunk&) = delete;
    Thunk& operator=(const Thunk&) = delete;

    explicit operator bool() const noexcept { return slot_ != nullptr; }

    // Entries allocated and not yet freed, parked and retired ones included.
    static long LiveCount() noexcept;
    // Executable memory the allocator holds from the system.
    static std::size_t ReservedBytes() noexcept;
    // Calls that reached an entry after it was freed; each was answered by the default procedure (the
    // next hook, for a hook entry).
    static long StaleCalls() noexcept;

    struct Control;

  protected:
    using WndTarget = LRESULT(CALLBACK*)(void* self, HWND, UINT, WPARAM, LPARAM);
    using HookTarget = LRESULT(CALLBACK*)(void* self, int code, WPARAM, LPARAM);

    Thunk() noexcept = default;
    // Throw std::bad_alloc when no executable memory can be had.
    Thunk(WndTarget target, void* self);
    Thunk(HookTarget target, void* self);
    Thunk(Thunk&& o) noexcept;
    Thunk& operator=(Thunk&& o) noexcept;
    // Retires the entry: a window entry passes on to DefWindowProcW, a hook entry to the next hook.
    ~Thunk();

    void* Code() const noexcept;
    // See WndProcThunk::Retire; `forwardTo` is ignored by hook entries.
    void RetireEntry(WNDPROC forwardTo) noexcept;

    Control* slot_ = nullptr;
};

class WndProcThunk : public Thunk {
  public:
    // The function every message of the thunk reaches, with the `self` given at creation.
    using Target = WndTarget;

    WndProcThunk() noexcept = default;
    WndProcThunk(Target target, void* self) : Thunk(target, self) {}

    WNDPROC Proc() const noexcept { return reinterpret_cast<WNDPROC>(Code()); }

    // Lets go of the entry: from now on it passes every message to `forwardTo` unchanged, and its memory is
    // freed as soon as no thunk is running on this thread (at once when none is), so a caller still
    // holding its address for the message in progress does not land in freed memory.
    void Retire(WNDPROC forwardTo) noexcept { RetireEntry(forwardTo); }
    // Lets go of the entry for `wnd` where someone may still call it: another procedure sits over it, or
    // code holds its address. It passes every message to `forwardTo` and stays alive until WM_NCDESTROY
    // has passed through it, or, out of the window's chain, until a later thunk finds the window gone.
    void Park(HWND wnd, WNDPROC forwardTo) noexcept;
};

class HookProcThunk : public Thunk {
  public:
    // The function every call of the hook reaches, with the `self` given at creation.
    using Target = HookTarget;

    HookProcThunk() noexcept = default;
    HookProcThunk(Target target, void* self) : Thunk(target, self) {}

    HOOKPROC Proc() const noexcept { return reinterpret_cast<HOOKPROC>(Code()); }

    // Lets go of the entry once its hook is removed: a call still on its way passes on to the next hook,
    // and the memory is freed as soon as no thunk is running on this thread.
    void Retire() noexcept { RetireEntry(nullptr); }
};

} // namespace msghook
