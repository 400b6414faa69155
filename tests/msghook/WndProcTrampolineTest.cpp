#include "msghook/WndProcTrampoline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <memory>
#include <stdexcept>
#include <thread>

#include "msghook/Thunk.h"
#include "tests/msghook/TestWindow.h"
#include "tests/support/SwallowedErrors.h"

namespace msghook::testing {
namespace {

using Strings = std::vector<std::string>;

bool Saw(const std::vector<UINT>& msgs, UINT m) {
    return std::find(msgs.begin(), msgs.end(), m) != msgs.end();
}

class Trampoline : public ::testing::Test {
  protected:
    void SetUp() override {
        Log().clear();
        ASSERT_TRUE(wnd_);
        orig_ = CurrentProc(wnd_.get());
        live0_ = WndProcThunk::LiveCount();
        stale0_ = WndProcThunk::StaleCalls();
    }
    void TearDown() override { EXPECT_EQ(WndProcThunk::StaleCalls(), stale0_); }

    LRESULT Send(UINT msg, WPARAM wp = 0) { return ::SendMessageW(wnd_.get(), msg, wp, 0); }
    void InstallPing() { ASSERT_TRUE(tramp_->Install(wnd_.get(), {kPing}, {kPing})); }

    rt::UniqueWindow wnd_ = MakeWindow();
    RecordingSink sink_{"A"};
    std::unique_ptr<cWndProcTrampoline> tramp_ = std::make_unique<cWndProcTrampoline>(sink_);
    WNDPROC orig_ = nullptr;
    long live0_ = 0;
    long stale0_ = 0;
};

TEST_F(Trampoline, HandledBeforeEndsTheMessageWithItsResult) {
    InstallPing();
    sink_.onBefore = [](HWND, UINT, WPARAM, LPARAM, bool& handled, LRESULT& result) {
        EXPECT_FALSE(handled);
        EXPECT_EQ(result, 0);
        handled = true;
        result = 7;
    };
    EXPECT_EQ(Send(kPing, 3), 7);
    EXPECT_EQ(Log(), (Strings{"A.before"}));
}

TEST_F(Trampoline, UnhandledBeforeResultIsReplacedAndAfterMayChangeIt) {
    InstallPing();
    sink_.onBefore = [](HWND, UINT, WPARAM, LPARAM, bool&, LRESULT& result) { result = 5; };
    sink_.onAfter = [](HWND, UINT, WPARAM wp, LPARAM, LRESULT& result) {
        EXPECT_EQ(result, static_cast<LRESULT>(100 + wp));
        result = 42;
    };
    EXPECT_EQ(Send(kPing, 3), 42);
    EXPECT_EQ(Log(), (Strings{"A.before", "base", "A.after"}));
}

TEST_F(Trampoline, MessagesOutsideTheListsPassUntouched) {
    InstallPing();
    EXPECT_EQ(Send(kOther, 1), 101);
    EXPECT_EQ(Log(), (Strings{"base"}));
    EXPECT_FALSE(Saw(sink_.befores, kOther));
    EXPECT_FALSE(Saw(sink_.afters, kOther));
}

TEST_F(Trampoline, ListsOfMinusOneSeeEveryMessage) {
    ASSERT_TRUE(tramp_->Install(wnd_.get(), MessageList::All(), MessageList::All()));
    Send(WM_NULL);
    Send(WM_USER + 5);
    EXPECT_EQ(Send(kOther, 2), 102);
    for (UINT m : {static_cast<UINT>(WM_NULL), static_cast<UINT>(WM_USER + 5), kOther}) {
        EXPECT_TRUE(Saw(sink_.befores, m)) << m;
        EXPECT_TRUE(Saw(sink_.afters, m)) << m;
    }
    EXPECT_EQ(Log(), (Strings{"A.before", "base", "A.after"}));
}

TEST_F(Trampoline, WindowProcedureIsTheThunkUntilStopRestoresIt) {
    InstallPing();
    EXPECT_TRUE(tramp_->IsInstalled(wnd_.get()));
    EXPECT_EQ(CurrentProc(wnd_.get()), tramp_->Proc(wnd_.get()));
    EXPECT_NE(CurrentProc(wnd_.get()), orig_);
    EXPECT_EQ(WndProcThunk::LiveCount(), live0_ + 1);
    tramp_->Stop();
    EXPECT_EQ(CurrentProc(wnd_.get()), orig_);
    EXPECT_EQ(tramp_->Count(), 0u);
    EXPECT_EQ(WndProcThunk::LiveCount(), live0_);
    EXPECT_EQ(Send(kPing, 1), 101);
    EXPECT_EQ(Log(), (Strings{"base"}));
}

TEST_F(Trampoline, InstallRefusesWhatItCannotIntercept) {
    EXPECT_FALSE(tramp_->Install(nullptr, {}, {}));
    EXPECT_FALSE(tramp_->Install(reinterpret_cast<HWND>(0x7FFF0), {}, {}));
    InstallPing();
    EXPECT_FALSE(tramp_->Install(wnd_.get(), {kOther}, {}));

    std::promise<HWND> made;
    std::promise<void> done;
    std::thread other([&] {
        rt::UniqueWindow w = MakeWindow();
        made.set_value(w.get());
        done.get_future().wait();
    });
    const HWND foreign = made.get_future().get();
    EXPECT_FALSE(tramp_->Install(foreign, {kPing}, {}));
    done.set_value();
    other.join();
    EXPECT_EQ(tramp_->Count(), 1u);
}

TEST_F(Trampoline, CallPreviousReachesTheProcedureUnderneath) {
    EXPECT_EQ(tramp_->CallPrevious(wnd_.get(), kPing, 5, 0), 0);
    InstallPing();
    EXPECT_EQ(tramp_->CallPrevious(wnd_.get(), kPing, 5, 0), 105);
    EXPECT_EQ(Log(), (Strings{"base"}));
}

TEST_F(Trampoline, RemoveStopsOneWindowAndKeepsTheOthers) {
    rt::UniqueWindow second = MakeWindow();
    InstallPing();
    ASSERT_TRUE(tramp_->Install(second.get(), {kPing}, {}));
    EXPECT_TRUE(tramp_->Remove(wnd_.get()));
    EXPECT_FALSE(tramp_->Remove(wnd_.get()));
    EXPECT_EQ(CurrentProc(wnd_.get()), orig_);
    Send(kPing);
    ::SendMessageW(second.get(), kPing, 0, 0);
    EXPECT_EQ(Log(), (Strings{"base", "A.before", "base"}));
}

TEST_F(Trampoline, StopInsideBeforeLetsTheMessageFinishWithoutAfter) {
    InstallPing();
    sink_.onBefore = [this](HWND, UINT, WPARAM, LPARAM, bool&, LRESULT&) { tramp_->Stop(); };
    EXPECT_EQ(Send(kPing, 1), 101);
    EXPECT_EQ(Log(), (Strings{"A.before", "base"}));
    EXPECT_EQ(CurrentProc(wnd_.get()), orig_);
    EXPECT_EQ(WndProcThunk::LiveCount(), live0_);
}

TEST_F(Trampoline, DestroyingTheTrampolineInsideItsHandlerIsSafe) {
    InstallPing();
    sink_.onBefore = [this](HWND, UINT, WPARAM, LPARAM, bool& handled, LRESULT& result) {
        tramp_.reset();
        handled = true;
        result = 9;
    };
    EXPECT_EQ(Send(kPing), 9);
    EXPECT_EQ(CurrentProc(wnd_.get()), orig_);
    EXPECT_EQ(WndProcThunk::LiveCount(), live0_);
}

TEST_F(Trampoline, NestedMessagesToTheSameWindowDispatchInTurn) {
    InstallPing();
    std::vector<LRESULT> inner;
    sink_.onBefore = [&](HWND wnd, UINT, WPARAM wp, LPARAM, bool&, LRESULT&) {
        if (wp < 3) inner.push_back(::SendMessageW(wnd, kPing, wp + 1, 0));
    };
    sink_.onAfter = [](HWND, UINT, WPARAM, LPARAM, LRESULT& result) { result += 1000; };
    EXPECT_EQ(Send(kPing, 1), 1101);
    EXPECT_EQ(inner, (std::vector<LRESULT>{1103, 1102}));
    EXPECT_EQ(Log(), (Strings{"A.before", "A.before", "A.before", "base", "A.after", "base", "A.after",
                              "base", "A.after"}));
}

TEST_F(Trampoline, StopInsideANestedMessageLetsTheOuterOneFinish) {
    InstallPing();
    sink_.onBefore = [&](HWND wnd, UINT, WPARAM wp, LPARAM, bool&, LRESULT&) {
        if (wp == 1)
            ::SendMessageW(wnd, kPing, 2, 0);
        else
            tramp_->Stop();
    };
    EXPECT_EQ(Send(kPing, 1), 101);
    EXPECT_EQ(Log(), (Strings{"A.before", "A.before", "base", "base"}));
    EXPECT_EQ(CurrentProc(wnd_.get()), orig_);
    EXPECT_EQ(WndProcThunk::LiveCount(), live0_);
}

TEST_F(Trampoline, ThrowingHandlersAreContained) {
    testsupport::ExpectSwallowed(rt::Swallowed::OtherError);
    testsupport::ExpectSwallowed(rt::Swallowed::Foreign);
    InstallPing();
    sink_.onBefore = [](HWND, UINT, WPARAM, LPARAM, bool& handled, LRESULT& result) {
        handled = true;
        result = 5;
        throw std::runtime_error("before");
    };
    EXPECT_EQ(Send(kPing, 1), 101);
    EXPECT_EQ(Log(), (Strings{"A.before", "base", "A.after"}));

    Log().clear();
    sink_.onBefore = nullptr;
    sink_.onAfter = [](HWND, UINT, WPARAM, LPARAM, LRESULT& result) {
        result = 7;
        throw 42;
    };
    EXPECT_EQ(Send(kPing, 2), 102);
    EXPECT_EQ(Log(), (Strings{"A.before", "base", "A.after"}));
    EXPECT_TRUE(tramp_->IsInstalled(wnd_.get()));
}

TEST_F(Trampoline, DestroyedWindowLeavesNothingBehind) {
    ASSERT_TRUE(tramp_->Install(wnd_.get(), {}, {WM_NCDESTROY}));
    const HWND gone = wnd_.get();
    wnd_.reset();
    EXPECT_TRUE(Saw(sink_.afters, WM_NCDESTROY));
    EXPECT_FALSE(tramp_->IsInstalled(gone));
    EXPECT_EQ(tramp_->Count(), 0u);
    EXPECT_EQ(WndProcThunk::LiveCount(), live0_);
    EXPECT_FALSE(tramp_->Remove(gone));
    tramp_->Stop();
}

// Many windows come and go, stopped in every way, some with a second trampoline stacked over the first.
TEST_F(Trampoline, ThousandCyclesLeaveNoHandlesAndBoundedCode) {
    RecordingSink upperSink{"B"};
    cWndProcTrampoline upper(upperSink);
    // The first entry ever taken reserves the allocator's first chunk; measure after it.
    InstallPing();
    tramp_->Stop();
    const long users0 = rt::LiveHandles::User();
    const std::size_t reserved0 = WndProcThunk::ReservedBytes();
    for (int i = 0; i < 1000; ++i) {
        rt::UniqueWindow w = MakeWindow();
        ASSERT_TRUE(tramp_->Install(w.get(), {kPing}, {kPing}));
        const bool stacked = i % 3 == 0;
        if (stacked) {
            ASSERT_TRUE(upper.Install(w.get(), {kPing}, {}));
        }
        ASSERT_EQ(::SendMessageW(w.get(), kPing, 1, 0), 101);
        if (i % 2 == 0) tramp_->Remove(w.get()); // under `upper` this parks the entry
        if (stacked && i % 4 == 0) upper.Remove(w.get());
        w.reset();
        ASSERT_EQ(tramp_->Count(), 0u);
        ASSERT_EQ(upper.Count(), 0u);
    }
    EXPECT_EQ(rt::LiveHandles::User(), users0);
    EXPECT_EQ(WndProcThunk::LiveCount(), live0_);
    EXPECT_EQ(WndProcThunk::ReservedBytes(), reserved0);
}

} // namespace
} // namespace msghook::testing
