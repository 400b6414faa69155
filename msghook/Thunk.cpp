#include "msghook/Thunk.h"

#include "runtime/Arch.h"
#include "runtime/RtError.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

namespace msghook {

// What an entry does when its code runs. Kept apart from the code, in writable memory, so the code pages
// are written once and then made execute-read.
struct Thunk::Control {
    enum class State : uint16_t { Free = 0, Live, Forward, Parked };
    // What calls the entry. The value is also the size of the procedure's arguments on a 32-bit stack,
    // which the i686 entry removes on return. Kept when the entry is freed, so a late call is still
    // answered in its own convention.
    enum class Kind : uint16_t { WindowProc = 16, HookProc = 12 };
    union Target {
        WndTarget window;
        HookTarget hook;
    } target;
    // Live: the owner's object. Free, or retired and waiting: the next entry in a queue. Parked: the window.
    void* self;
    WNDPROC forward;
    State state;
    Kind kind;
};

namespace {

using Control = Thunk::Control;
using State = Control::State;
using Kind = Control::Kind;

// One chunk is one allocation granule: entry code in the first half, the control blocks in the second,
// entry i's code and control block 32 KiB apart. An entry's code is as long as its control block.
constexpr std::size_t kChunkBytes = 64 * 1024;
constexpr std::size_t kHalf = kChunkBytes / 2;
constexpr std::size_t kCodeBytes = sizeof(Control);
constexpr std::size_t kEntriesPerChunk = kHalf / kCodeBytes;
static_assert(kCodeBytes == 4 * sizeof(void*));

} // namespace

// Every entry's calls arrive here, with the entry's control block first and the caller's arguments as
// full machine words: four for a window procedure, three (and one unused) for a hook procedure.
extern "C" LRESULT pelmor_thunk_dispatch(Control* c, uintptr_t a1, uintptr_t a2, uintptr_t a3,
                                         uintptr_t a4) noexcept;

// The entries jump here with the control block in hand and the caller's frame untouched; this routine
// moves the arguments one place up, puts the control block first and calls the dispatcher.
extern "C" void pelmor_thunk_enter();

#if defined(PELMOR_ARCH_X64)
// The control block comes in r10. The fourth argument goes to the stack; a hook's unused fourth is
// whatever r9 held. The unwind data lets debuggers and the system's stack walks pass through.
asm(R"(
    .text
    .p2align 4
    .globl pelmor_thunk_enter
    .def pelmor_thunk_enter; .scl 2; .type 32; .endef
    .seh_proc pelmor_thunk_enter
pelmor_thunk_enter:
    subq $56, %rsp
    .seh_stackalloc 56
    .seh_endprologue
    movq %r9, 32(%rsp)
    movq %r8, %r9
    movq %rdx, %r8
    movq %rcx, %rdx
    movq %r10, %rcx
    call pelmor_thunk_dispatch
    addq $56, %rsp
    ret
    .seh_endproc
)");
#elif defined(PELMOR_ARCH_X86)
// The entry has pushed the control block under the return address. Window and hook procedures are
// stdcall with four and three arguments: the control block's kind says how many bytes to remove. A
// hook's unused fourth argument is read from the caller's frame, which is always there.
static_assert(offsetof(Control, kind) == 14);
asm(R"(
    .text
    .p2align 4
    .globl _pelmor_thunk_enter
_pelmor_thunk_enter:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    movl 8(%ebp), %eax
    movzwl 14(%eax), %ebx
    pushl 24(%ebp)
    pushl 20(%ebp)
    pushl 16(%ebp)
    pushl 12(%ebp)
    pushl %eax
    call _pelmor_thunk_dispatch
    addl $20, %esp
    movl %ebx, %ecx
    popl %ebx
    popl %ebp
    movl (%esp), %edx
    leal 4(%esp,%ecx), %esp
    movl %edx, (%esp)
    ret
)");
#endif

namespace {

#if defined(PELMOR_ARCH_X64)
// Entry code, 23 bytes and 9 of padding: load the control block into r10 (a scratch register no
// argument uses) and jump, so the stack stays exactly as the caller built it.
void WriteCode(uint8_t* code, Control* control) {
    const auto ctl = reinterpret_cast<uint64_t>(control);
    const auto enter = reinterpret_cast<uint64_t>(&pelmor_thunk_enter);
    code[0] = 0x49; // mov r10, imm64
    code[1] = 0xBA;
    std::memcpy(code + 2, &ctl, 8);
    code[10] = 0x49; // mov r11, imm64
    code[11] = 0xBB;
    std::memcpy(code + 12, &enter, 8);
    code[20] = 0x41; // jmp r11
    code[21] = 0xFF;
    code[22] = 0xE3;
    std::memset(code + 23, 0xCC, kCodeBytes - 23); // int3
}
#elif defined(PELMOR_ARCH_X86)
// Entry code, 12 bytes and 4 of padding: slip the control block under the caller's return address and
// jump to the shared routine.
void WriteCode(uint8_t* code, Control* control) {
    const auto ctl = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(control));
    const auto enter = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&pelmor_thunk_enter));
    const auto next = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(code + 12));
    const uint32_t rel = enter - next;
    code[0] = 0x58; // pop  eax          ; caller's return address
    code[1] = 0x68; // push imm32        ; the control block
    std::memcpy(code + 2, &ctl, 4);
    code[6] = 0x50; // push eax          ; return address back on top
    code[7] = 0xE9; // jmp  rel32        ; relative to the end of this instruction
    std::memcpy(code + 8, &rel, 4);
    std::memset(code + 12, 0xCC, kCodeBytes - 12); // int3
}
#endif

uint8_t* CodeOf(Control* c) {
    return reinterpret_cast<uint8_t*>(c) - kHalf;
}

void Clear(Control* c, Kind kind) noexcept {
    c->target.window = nullptr;
    c->self = nullptr;
    c->forward = nullptr;
    c->state = State::Free;
    c->kind = kind;
}

// Process-wide store of entries. Chunks are never returned: an entry's address may outlive its user.
// Freed entries queue at the back, so a freed address is handed out again as late as possible.
class Pool {
  public:
    static Pool& Instance() {
        // Never destroyed: windows may still call entries while static objects are torn down.
        static Pool* pool = new Pool;
        return *pool;
    }

    Control* Allocate() {
        std::lock_guard lock(mutex_);
        if (!head_) AddChunk();
        Control* c = head_;
        head_ = static_cast<Control*>(c->self);
        if (!head_) tail_ = nullptr;
        c->self = nullptr;
        ++live_;
        return c;
    }

    void Free(Control* c) noexcept {
        std::lock_guard lock(mutex_);
        Clear(c, c->kind);
        Enqueue(c);
        --live_;
    }

    // Parked entries, so those whose window ended out of their reach can be found.
    bool AddParked(Control* c) noexcept {
        std::lock_guard lock(mutex_);
        return rt::Trap([&] { parked_.push_back(c); });
    }
    void RemoveParked(Control* c) noexcept {
        std::lock_guard lock(mutex_);
        const auto it = std::find(parked_.begin(), parked_.end(), c);
        if (it != parked_.end()) parked_.erase(it);
    }
    // Takes out the parked entries whose window is gone. Many entries of one window sit side by side, so
    // each run of them costs one look at the window.
    std::vector<Control*> TakeEnded() noexcept {
        std::vector<Control*> ended;
        std::lock_guard lock(mutex_);
        HWND checked = nullptr;
        bool alive = false;
        auto keep = parked_.begin();
        for (Control* c : parked_) {
            const auto wnd = static_cast<HWND>(c->self);
            if (wnd != checked || !checked) {
                checked = wnd;
                alive = ::IsWindow(wnd) != FALSE;
            }
            // One that cannot be listed now is kept for a later sweep.
            if (!alive && rt::Trap([&] { ended.push_back(c); })) continue;
            *keep++ = c;
        }
        parked_.erase(keep, parked_.end());
        return ended;
    }

    std::atomic<long> live_{0};
    std::atomic<std::size_t> reserved_{0};
    std::atomic<long> stale_{0};

  private:
    void Enqueue(Control* c) noexcept {
        if (tail_)
            tail_->self = c;
        else
            head_ = c;
        tail_ = c;
    }

    void AddChunk() {
        auto* base = static_cast<uint8_t*>(
            ::VirtualAlloc(nullptr, kChunkBytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        if (!base) throw std::bad_alloc();
        auto* controls = reinterpret_cast<Control*>(base + kHalf);
        for (std::size_t i = 0; i < kEntriesPerChunk; ++i)
            WriteCode(base + i * kCodeBytes, controls + i);
        DWORD old = 0;
        if (!::VirtualProtect(base, kHalf, PAGE_EXECUTE_READ, &old)) {
            ::VirtualFree(base, 0, MEM_RELEASE);
            throw std::bad_alloc();
        }
        ::FlushInstructionCache(::GetCurrentProcess(), base, kHalf);
        for (std::size_t i = 0; i < kEntriesPerChunk; ++i) {
            Clear(controls + i, Kind::WindowProc);
            Enqueue(controls + i);
        }
        reserved_ += kChunkBytes;
    }

    std::mutex mutex_;
    Control* head_ = nullptr;
    Control* tail_ = nullptr;
    std::vector<Control*> parked_;
};

// Entries retired while a thunk runs on this thread wait here (linked through `self`) until the outermost
// one returns: any frame below may still be about to call one of them. Targets dropped meanwhile wait in
// the same way. One record, so a call looks up the thread's storage once.
struct ThreadThunks {
    int depth = 0;
    Control* retired = nullptr;
    ThunkTarget* dropped = nullptr;
};
thread_local ThreadThunks t_thunks;

} // namespace

struct DroppedTargets {
    static void Add(ThreadThunks& t, ThunkTarget* target) noexcept {
        target->nextDropped_ = t.dropped;
        t.dropped = target;
    }
    // Each is unlinked before it goes: a destructor may run thunks, and so this, again.
    static void DeleteAll(ThreadThunks& t) noexcept {
        while (ThunkTarget* target = t.dropped) {
            t.dropped = target->nextDropped_;
            delete target;
        }
    }
};

namespace {

void FlushRetired(ThreadThunks& t) noexcept {
    DroppedTargets::DeleteAll(t);
    while (Control* c = t.retired) {
        t.retired = static_cast<Control*>(c->self);
        Pool::Instance().Free(c);
    }
}

void RetireControl(Control* c, WNDPROC forwardTo) noexcept {
    c->target.window = nullptr;
    c->forward = forwardTo;
    c->state = State::Forward;
    ThreadThunks& t = t_thunks;
    if (t.depth == 0) {
        Pool::Instance().Free(c);
        return;
    }
    c->self = t.retired;
    t.retired = c;
}

// Parked entries whose window has ended without WM_NCDESTROY passing through them (they had been taken
// out of its chain) are let go whenever a thunk is made or parked.
void ReleaseEnded() noexcept {
    for (Control* c : Pool::Instance().TakeEnded())
        RetireControl(c, c->forward);
}

LRESULT PassOn(WNDPROC forward, HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    return forward ? ::CallWindowProcW(forward, wnd, msg, wp, lp) : ::DefWindowProcW(wnd, msg, wp, lp);
}

LRESULT DispatchWindow(Control* c, HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    switch (c->state) {
    case State::Live:
        return c->target.window(c->self, wnd, msg, wp, lp);
    case State::Parked: {
        const WNDPROC forward = c->forward;
        // Nothing calls into a window after its last message.
        if (msg == WM_NCDESTROY) {
            Pool::Instance().RemoveParked(c);
            RetireControl(c, forward);
        }
        return PassOn(forward, wnd, msg, wp, lp);
    }
    case State::Forward:
        return PassOn(c->forward, wnd, msg, wp, lp);
    case State::Free:
        break;
    }
    ++Pool::Instance().stale_;
    return ::DefWindowProcW(wnd, msg, wp, lp);
}

LRESULT DispatchHook(Control* c, int code, WPARAM wp, LPARAM lp) noexcept {
    if (c->state == State::Live) return c->target.hook(c->self, code, wp, lp);
    if (c->state == State::Free) ++Pool::Instance().stale_;
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

Control* NewControl(Kind kind, void* self) {
    ReleaseEnded();
    Control* c = Pool::Instance().Allocate();
    c->self = self;
    c->forward = nullptr;
    c->state = State::Live;
    c->kind = kind;
    return c;
}

} // namespace

// Register-sized arguments are narrowed here to what the caller passed: the upper half of a 32-bit
// argument's register is undefined on x86-64.
extern "C" LRESULT pelmor_thunk_dispatch(Control* c, uintptr_t a1, uintptr_t a2, uintptr_t a3,
                                         uintptr_t a4) noexcept {
    ThreadThunks& t = t_thunks;
    ++t.depth;
    const LRESULT r =
        c->kind == Kind::HookProc
            ? DispatchHook(c, static_cast<int>(a1), static_cast<WPARAM>(a2), static_cast<LPARAM>(a3))
            : DispatchWindow(c, reinterpret_cast<HWND>(a1), static_cast<UINT>(a2), static_cast<WPARAM>(a3),
                             static_cast<LPARAM>(a4));
    if (--t.depth == 0) FlushRetired(t);
    return r;
}

Thunk::Thunk(WndTarget target, void* self) : slot_(NewControl(Kind::WindowProc, self)) {
    slot_->target.window = target;
}

Thunk::Thunk(HookTarget target, void* self) : slot_(NewControl(Kind::HookProc, self)) {
    slot_->target.hook = target;
}

Thunk::Thunk(Thunk&& o) noexcept : slot_(std::exchange(o.slot_, nullptr)) {}

Thunk& Thunk::operator=(Thunk&& o) noexcept {
    if (this != &o) {
        if (slot_) RetireControl(slot_, nullptr);
        slot_ = std::exchange(o.slot_, nullptr);
    }
    return *this;
}

Thunk::~Thunk() {
    if (slot_) RetireControl(slot_, nullptr);
}

void* Thunk::Code() const noexcept {
    return slot_ ? CodeOf(slot_) : nullptr;
}

void Thunk::RetireEntry(WNDPROC forwardTo) noexcept {
    if (slot_) RetireControl(std::exchange(slot_, nullptr), forwardTo);
}

void WndProcThunk::Park(HWND wnd, WNDPROC forwardTo) noexcept {
    if (!slot_) return;
    Control* c = std::exchange(slot_, nullptr);
    c->target.window = nullptr;
    c->self = wnd;
    c->forward = forwardTo;
    c->state = State::Parked;
    ReleaseEnded();
    // Without a place in the list the entry is still let go by its window's WM_NCDESTROY.
    Pool::Instance().AddParked(c);
}

void ThunkTarget::Drop(ThunkTarget* target) noexcept {
    if (!target) return;
    ThreadThunks& t = t_thunks;
    if (t.depth == 0)
        delete target;
    else
        DroppedTargets::Add(t, target);
}

long Thunk::LiveCount() noexcept {
    return Pool::Instance().live_.load();
}

std::size_t Thunk::ReservedBytes() noexcept {
    return Pool::Instance().reserved_.load();
}

long Thunk::StaleCalls() noexcept {
    return Pool::Instance().stale_.load();
}

} // namespace msghook
