#include "msghook/Thunk.h"

#include "runtime/Arch.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>

namespace msghook {

// What an entry does when its code runs. Kept apart from the code, in writable memory, so the code pages
// are written once and then made execute-read.
struct WndProcThunk::Control {
    enum class State : uint32_t { Free = 0, Live, Forward, Parked };
    Target target;
    // Live: the owner's object. Free, or retired and waiting: the next entry in a queue.
    void* self;
    WNDPROC forward;
    State state;
};

namespace {

using Control = WndProcThunk::Control;
using State = Control::State;

// One chunk is one allocation granule: entry code in the first half, the control blocks in the second,
// entry i's code and control block 32 KiB apart. An entry's code is as long as its control block.
constexpr std::size_t kChunkBytes = 64 * 1024;
constexpr std::size_t kHalf = kChunkBytes / 2;
constexpr std::size_t kCodeBytes = sizeof(Control);
constexpr std::size_t kEntriesPerChunk = kHalf / kCodeBytes;
static_assert(kCodeBytes == 4 * sizeof(void*));

} // namespace

// Every entry's messages arrive here, with the entry's control block first.
extern "C" LRESULT CALLBACK pelmor_thunk_dispatch(Control* c, HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;

#if defined(PELMOR_ARCH_X64)
// The entries jump here with the control block in r10 and the caller's frame untouched. This routine
// moves the four window-procedure arguments one place up (the fourth to the stack), puts the control
// block first and calls the dispatcher in a frame of its own. Its unwind data lets debuggers and the
// system's stack walks pass through it.
extern "C" void pelmor_thunk_enter();
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
#endif

namespace {

#if defined(PELMOR_ARCH_X64)
// Entry code, 23 bytes and 9 of padding: load the control block into r10 (a scratch register no
// window-procedure argument uses) and jump, so the stack stays exactly as the caller built it.
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
// Entry code, 12 bytes and 4 of padding. On entry the stack holds the caller's return address and the
// four window-procedure arguments; the dispatcher is stdcall with five arguments, so its `ret 20`
// removes the control pointer pushed here together with the four arguments, as a WNDPROC's caller expects.
void WriteCode(uint8_t* code, Control* control) {
    const auto ctl = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(control));
    const auto enter = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&pelmor_thunk_dispatch));
    const auto next = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(code + 12));
    const uint32_t rel = enter - next;
    code[0] = 0x58; // pop  eax          ; caller's return address
    code[1] = 0x68; // push imm32        ; the control block, the dispatcher's first argument
    std::memcpy(code + 2, &ctl, 4);
    code[6] = 0x50; // push eax          ; return address back on top
    code[7] = 0xE9; // jmp  rel32        ; the dispatcher, relative to the end of this instruction
    std::memcpy(code + 8, &rel, 4);
    std::memset(code + 12, 0xCC, kCodeBytes - 12); // int3
}
#endif

uint8_t* CodeOf(Control* c) {
    return reinterpret_cast<uint8_t*>(c) - kHalf;
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
        *c = Control{nullptr, nullptr, nullptr, State::Free};
        Enqueue(c);
        --live_;
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
            controls[i] = Control{nullptr, nullptr, nullptr, State::Free};
            Enqueue(controls + i);
        }
        reserved_ += kChunkBytes;
    }

    std::mutex mutex_;
    Control* head_ = nullptr;
    Control* tail_ = nullptr;
};

// Entries retired while a thunk runs on this thread wait here (linked through `self`) until the outermost
// one returns: any frame below may still be about to call one of them.
thread_local int t_depth = 0;
thread_local Control* t_retired = nullptr;

void FlushRetired() noexcept {
    while (Control* c = t_retired) {
        t_retired = static_cast<Control*>(c->self);
        Pool::Instance().Free(c);
    }
}

void RetireControl(Control* c, WNDPROC forwardTo) noexcept {
    c->target = nullptr;
    c->forward = forwardTo;
    c->state = State::Forward;
    if (t_depth == 0) {
        Pool::Instance().Free(c);
        return;
    }
    c->self = t_retired;
    t_retired = c;
}

LRESULT PassOn(WNDPROC forward, HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    return forward ? ::CallWindowProcW(forward, wnd, msg, wp, lp) : ::DefWindowProcW(wnd, msg, wp, lp);
}

} // namespace

extern "C" LRESULT CALLBACK pelmor_thunk_dispatch(Control* c, HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    ++t_depth;
    LRESULT r = 0;
    switch (c->state) {
    case State::Live:
        r = c->target(c->self, wnd, msg, wp, lp);
        break;
    case State::Parked:
        r = PassOn(c->forward, wnd, msg, wp, lp);
        // Nothing calls into a window after its last message.
        if (msg == WM_NCDESTROY) RetireControl(c, c->forward);
        break;
    case State::Forward:
        r = PassOn(c->forward, wnd, msg, wp, lp);
        break;
    case State::Free:
        ++Pool::Instance().stale_;
        r = ::DefWindowProcW(wnd, msg, wp, lp);
        break;
    }
    if (--t_depth == 0) FlushRetired();
    return r;
}

WndProcThunk::WndProcThunk(Target target, void* self) : slot_(Pool::Instance().Allocate()) {
    slot_->target = target;
    slot_->self = self;
    slot_->forward = nullptr;
    slot_->state = State::Live;
}

WndProcThunk::WndProcThunk(WndProcThunk&& o) noexcept : slot_(std::exchange(o.slot_, nullptr)) {}

WndProcThunk& WndProcThunk::operator=(WndProcThunk&& o) noexcept {
    if (this != &o) {
        if (slot_) RetireControl(slot_, nullptr);
        slot_ = std::exchange(o.slot_, nullptr);
    }
    return *this;
}

WndProcThunk::~WndProcThunk() {
    if (slot_) RetireControl(slot_, nullptr);
}

WNDPROC WndProcThunk::Proc() const noexcept {
    return slot_ ? reinterpret_cast<WNDPROC>(CodeOf(slot_)) : nullptr;
}

void WndProcThunk::Retire(WNDPROC forwardTo) noexcept {
    if (slot_) RetireControl(std::exchange(slot_, nullptr), forwardTo);
}

void WndProcThunk::Park(WNDPROC forwardTo) noexcept {
    if (!slot_) return;
    Control* c = std::exchange(slot_, nullptr);
    c->target = nullptr;
    c->self = nullptr;
    c->forward = forwardTo;
    c->state = State::Parked;
}

long WndProcThunk::LiveCount() noexcept {
    return Pool::Instance().live_.load();
}

std::size_t WndProcThunk::ReservedBytes() noexcept {
    return Pool::Instance().reserved_.load();
}

long WndProcThunk::StaleCalls() noexcept {
    return Pool::Instance().stale_.load();
}

} // namespace msghook
