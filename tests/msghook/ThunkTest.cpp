#include "msghook/Thunk.h"

#include <gtest/gtest.h>

#include "TestWindow.h"

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

class Thunk : public ::testing::Test {
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

TEST_F(Thunk, EachEntryPassesItsOwnSelfAndTheArguments) {
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

TEST_F(Thunk, RetiredAtRestIsFreedAndALaterCallIsCaught) {
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

TEST_F(Thunk, RetiredWhileAThunkRunsForwardsUntilTheOutermostReturns) {
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

TEST_F(Thunk, ParkedEntryForwardsUntilNcDestroyPassesThrough) {
    Seen s;
    WndProcThunk t(&Record, &s);
    const WNDPROC proc = t.Proc();
    t.Park(&Forwarded);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(::CallWindowProcW(proc, wnd_.get(), kPing, 1, 0), 1001);
    EXPECT_EQ(WndProcThunk::LiveCount(), live0_ + 1);
    ::CallWindowProcW(proc, wnd_.get(), WM_NCDESTROY, 0, 0);
    EXPECT_EQ(g_forwarded, 4);
    EXPECT_EQ(s.calls, 0);
    EXPECT_EQ(WndProcThunk::LiveCount(), live0_);
    EXPECT_EQ(WndProcThunk::StaleCalls(), stale0_);
}

} // namespace
} // namespace msghook::testing
