#include "msghook/Thunk.h"

#include <gtest/gtest.h>

#include <vector>

#include "runtime/Arch.h"

#include "tests/msghook/TestWindow.h"

namespace msghook::testing {
namespace {

struct Seen {
    void* self = nullptr;
    HWND wnd = nullptr;
    UINT msg = 0;
    WPARAM wp = 0;
    LPARAM lp = 0;
    int calls = 0;
};

LRESULT CALLBACK Record(void* self, HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* seen = static_cast<Seen*>(self);
    *seen = Seen{self, wnd, msg, wp, lp, seen->calls + 1};
    return static_cast<LRESULT>(wp + lp);
}

int g_forwarded = 0;
LRESULT CALLBACK Forwarded(HWND, UINT, WPARAM wp, LPARAM) {
    ++g_forwarded;
    return static_cast<LRESULT>(1000 + wp);
}

class WndProcThunkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_forwarded = 0;
        live0_ = WndProcThunk::LiveCount();
        stale0_ = WndProcThunk::StaleCalls();
    }

    rt::UniqueWindow wnd_ = MakeWindow();
    long live0_ = 0;
    long stale0_ = 0;
};

TEST_F(WndProcThunkTest, EachEntryPassesItsOwnSelfAndTheArguments) {
    Seen a, b;
    WndProcThunk ta(&Record, &a);
    WndProcThunk tb(&Record, &b);
    ASSERT_NE(ta.Proc(), tb.Proc());
    EXPECT_EQ(WndProcThunk::LiveCount(), live0_ + 2);

    EXPECT_EQ(::CallWindowProcW(ta.Proc(), wnd_.get(), kPing, 7, 0x10000), 0x10007);
    EXPECT_EQ(a.self, &a);
    EXPECT_EQ(a.wnd, wnd_.get());
    EXPECT_EQ(a.msg, kPing);
    EXPECT_EQ(a.lp, 0x10000);
    EXPECT_EQ(b.calls, 0);

    // Called directly many times: an unbalanced stack would corrupt this frame long before the end.
    volatile LRESULT sum = 0;
    const WNDPROC direct = tb.Proc();
    for (int i = 0; i < 100000; ++i)
        sum = sum + direct(wnd_.get(), kOther, 1, 2);
    EXPECT_EQ(sum, 300000);
    EXPECT_EQ(b.calls, 100000);
}

TEST_F(WndProcThunkTest, ArgumentsAndResultKeepTheirFullWidth) {
    Seen s;
    WndProcThunk t(&Record, &s);
    // Values that only survive when no register or stack slot on the way is narrower than a pointer.
    const WPARAM wp = static_cast<WPARAM>(~uintptr_t{0} - 0x1234);
    const LPARAM lp = static_cast<LPARAM>(uintptr_t{1} << (sizeof(void*) * 8 - 2)) + 0x5678;
    EXPECT_EQ(t.Proc()(wnd_.get(), 0xC123u, wp, lp), static_cast<LRESULT>(wp + lp));
    EXPECT_EQ(s.wp, wp);
    EXPECT_EQ(s.lp, lp);
    EXPECT_EQ(s.msg, 0xC123u);
}

#if defined(PELMOR_ARCH_X64)
// Walks the stack from here with the unwind data alone, as the system's exception dispatch does.
LRESULT CALLBACK CaptureStack(void* self, HWND, UINT, WPARAM, LPARAM) {
    auto* frames = static_cast<std::vector<DWORD64>*>(self);
    CONTEXT ctx{};
    ::RtlCaptureContext(&ctx);
    for (int i = 0; i < 64 && ctx.Rip; ++i) {
        frames->push_back(ctx.Rip);
        DWORD64 base = 0;
        PRUNTIME_FUNCTION fn = ::RtlLookupFunctionEntry(ctx.Rip, &base, nullptr);
        if (!fn) { // a leaf: the return address is on top
            ctx.Rip = *reinterpret_cast<DWORD64*>(ctx.Rsp);
            ctx.Rsp += 8;
            continue;
        }
        void* handlerData = nullptr;
        DWORD64 establisher = 0;
        ::RtlVirtualUnwind(UNW_FLAG_NHANDLER, base, ctx.Rip, fn, &ctx, &handlerData, &establisher, nullptr);
    }
    return 0;
}

__attribute__((noinline)) void CallThrough(WNDPROC proc, HWND wnd) {
    ::CallWindowProcW(proc, wnd, kPing, 0, 0);
    asm volatile(""); // keeps the call from becoming a tail jump
}

// A stack walk from inside a target climbs through the thunk back to its caller: debuggers, crash
// reports and the system's exception dispatch all walk this way.
TEST_F(WndProcThunkTest, StackWalkFromInsideReachesTheCaller) {
    std::vector<DWORD64> frames;
    WndProcThunk t(&CaptureStack, &frames);
    CallThrough(t.Proc(), wnd_.get());

    DWORD64 base = 0;
    const auto* fn = ::RtlLookupFunctionEntry(reinterpret_cast<DWORD64>(&CallThrough), &base, nullptr);
    ASSERT_NE(fn, nullptr);
    bool reached = false;
    for (DWORD64 a : frames)
        reached = reached || (a > base + fn->BeginAddress && a < base + fn->EndAddress);
    EXPECT_TRUE(reached) << frames.size() << " frames walked";
}
#endif

TEST_F(WndProcThunkTest, RetiredAtRestIsFreedAndALaterCallIsCaught) {
    Seen s;
    WndProcThunk t(&Record, &s);
    const WNDPROC proc = t.Proc();
    t.Retire(&Forwarded);
    EXPECT_FALSE(t);
    EXPECT_EQ(WndProcThunk::LiveCount(), live0_);
    // The freed entry never reaches its old target; the call is answered by the default procedure.
    EXPECT_EQ(::CallWindowProcW(proc, wnd_.get(), WM_NULL, 5, 0), 0);
    EXPECT_EQ(s.calls, 0);
    EXPECT_EQ(g_forwarded, 0);
    EXPECT_EQ(WndProcThunk::StaleCalls(), stale0_ + 1);
}

struct RetireWhileRunning {
    WndProcThunk victim;
    WNDPROC victimProc = nullptr;
    long liveDuring = 0;
    LRESULT forwardedResult = 0;
};

LRESULT CALLBACK RetireOther(void* self, HWND wnd, UINT, WPARAM, LPARAM) {
    auto* st = static_cast<RetireWhileRunning*>(self);
    st->victim.Retire(&Forwarded);
    st->liveDuring = WndProcThunk::LiveCount();
    st->forwardedResult = ::CallWindowProcW(st->victimProc, wnd, kPing, 4, 0);
    return 0;
}

TEST_F(WndProcThunkTest, RetiredWhileAThunkRunsForwardsUntilTheOutermostReturns) {
    RetireWhileRunning st;
    Seen unused;
    st.victim = WndProcThunk(&Record, &unused);
    st.victimProc = st.victim.Proc();
    WndProcThunk outer(&RetireOther, &st);
    ::CallWindowProcW(outer.Proc(), wnd_.get(), kPing, 0, 0);
    EXPECT_EQ(st.liveDuring, live0_ + 2);
    EXPECT_EQ(st.forwardedResult, 1004);
    EXPECT_EQ(unused.calls, 0);
    EXPECT_EQ(WndProcThunk::LiveCount(), live0_ + 1);
    EXPECT_EQ(WndProcThunk::StaleCalls(), stale0_);
}

TEST_F(WndProcThunkTest, ParkedEntryForwardsUntilNcDestroyPassesThrough) {
    Seen s;
    WndProcThunk t(&Record, &s);
    const WNDPROC proc = t.Proc();
    t.Park(wnd_.get(), &Forwarded);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(::CallWindowProcW(proc, wnd_.get(), kPing, 1, 0), 1001);
    EXPECT_EQ(WndProcThunk::LiveCount(), live0_ + 1);
    ::CallWindowProcW(proc, wnd_.get(), WM_NCDESTROY, 0, 0);
    EXPECT_EQ(g_forwarded, 4);
    EXPECT_EQ(s.calls, 0);
    EXPECT_EQ(WndProcThunk::LiveCount(), live0_);
    EXPECT_EQ(WndProcThunk::StaleCalls(), stale0_);
}

// Taken out of its window's chain, a parked entry cannot see WM_NCDESTROY: it goes once a later thunk
// finds its window gone.
TEST_F(WndProcThunkTest, ParkedEntryOutOfTheChainGoesAfterItsWindow) {
    rt::UniqueWindow other = MakeWindow();
    WndProcThunk t(&Record, nullptr), u(&Record, nullptr);
    const WNDPROC proc = t.Proc();
    t.Park(other.get(), &Forwarded);
    u.Park(wnd_.get(), &Forwarded);
    MakeAThunk();
    EXPECT_EQ(WndProcThunk::LiveCount(), live0_ + 2);
    EXPECT_EQ(::CallWindowProcW(proc, other.get(), kPing, 2, 0), 1002);
    other.reset();
    MakeAThunk();
    EXPECT_EQ(WndProcThunk::LiveCount(), live0_ + 1);
    EXPECT_EQ(WndProcThunk::StaleCalls(), stale0_);
    wnd_.reset();
    MakeAThunk();
    EXPECT_EQ(WndProcThunk::LiveCount(), live0_);
}

struct HookSeen {
    int code = 0;
    WPARAM wp = 0;
    LPARAM lp = 0;
    int calls = 0;
};

LRESULT CALLBACK RecordHook(void* self, int code, WPARAM wp, LPARAM lp) {
    auto* seen = static_cast<HookSeen*>(self);
    *seen = HookSeen{code, wp, lp, seen->calls + 1};
    return static_cast<LRESULT>(wp - lp);
}

// Hook entries come from the same pool: three arguments of full width, and many direct calls leave the
// stack balanced (a stdcall entry removing four arguments instead of three would not).
TEST_F(WndProcThunkTest, HookEntriesPassTheirSelfAndThreeArguments) {
    HookSeen a, b;
    HookProcThunk ta(&RecordHook, &a);
    HookProcThunk tb(&RecordHook, &b);
    WndProcThunk w(&Record, nullptr);
    EXPECT_EQ(WndProcThunk::LiveCount(), live0_ + 3);
    const WPARAM wp = static_cast<WPARAM>(~uintptr_t{0} - 7);
    const LPARAM lp = static_cast<LPARAM>(uintptr_t{1} << (sizeof(void*) * 8 - 2));
    EXPECT_EQ(ta.Proc()(-3, wp, lp), static_cast<LRESULT>(wp - lp));
    EXPECT_EQ(a.code, -3);
    EXPECT_EQ(a.wp, wp);
    EXPECT_EQ(a.lp, lp);
    EXPECT_EQ(b.calls, 0);
    volatile LRESULT sum = 0;
    const HOOKPROC direct = tb.Proc();
    for (int i = 0; i < 100000; ++i)
        sum = sum + direct(i, 5, 2);
    EXPECT_EQ(sum, 300000);
    EXPECT_EQ(b.code, 99999);
}

// A retired hook entry hands a late call on to the rest of the chain instead of its old target.
TEST_F(WndProcThunkTest, RetiredHookEntryNeverReachesItsTarget) {
    HookSeen s;
    HookProcThunk t(&RecordHook, &s);
    const HOOKPROC proc = t.Proc();
    t.Retire();
    EXPECT_FALSE(t);
    EXPECT_EQ(WndProcThunk::LiveCount(), live0_);
    proc(0, 1, 2);
    EXPECT_EQ(s.calls, 0);
    EXPECT_EQ(WndProcThunk::StaleCalls(), stale0_ + 1);
}

} // namespace
} // namespace msghook::testing
