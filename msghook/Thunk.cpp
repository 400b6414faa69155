#include "msghook/Thunk.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>

#if !defined(__i386__) && !defined(_M_IX86)
#error "WndProcThunk emits i686 machine code"
#endif

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
static_assert(sizeof(Control) == 16);

// One chunk is one allocation granule: entry code in the first half, the control blocks in the second,
// entry i's code and control block 32 KiB apart.
constexpr std::size_t kChunkBytes = 64 * 1024;
constexpr std::size_t kHalf = kChunkBytes / 2;
constexpr std::size_t kCodeBytes = 16;
constexpr std::size_t kEntriesPerChunk = kHalf / kCodeBytes;
static_assert(sizeof(Control) == kCodeBytes);

LRESULT CALLBACK Enter(Control* c, HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;

// Entry code, 12 bytes and 4 of padding. On entry the stack holds the caller's return address and the
// four window-procedure arguments; Enter is stdcall with five arguments, so its `ret 20` removes the
// control pointer pushed here together with the four arguments, as the caller of a WNDPROC expects.
void WriteCode(uint8_t* code, Control* control) {
    const auto ctl = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(control));
    const auto enter = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&Enter));
    const auto next = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(code + 12));
    const uint32_t rel = enter - next;
    code[0] = 0x58; // pop  eax          ; caller's return address
    code[1] = 0x68; // push imm32        ; the control block, Enter's first argument
    std::memcpy(code + 2, &ctl, 4);
    code[6] = 0x50; // push eax          ; return address back on top
    code[7] = 0xE9; // jmp  rel32        ; Enter, relative to the end of this instruction
    std::memcpy(code + 8, &rel, 4);
    std::memset(code + 12, 0xCC, kCodeBytes - 12); // int3
}

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

LRESULT CALLBACK Enter(Control* c, HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
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

} // namespace

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
