#include "msghook/cHookingThunk.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>

#include "msghook/Thunk.h"
#include "tests/msghook/TestWindow.h"
#include "tests/support/SwallowedErrors.h"

namespace msghook::testing {
namespace {

class HookSink : public IHookingSink {
  public:
    void IHookingSink_Before(bool& bHandled, LRESULT& lReturn, int& nCode, WPARAM& wParam,
                             LPARAM& lParam) override {
        ++befores;
        if (onBefore) onBefore(bHandled, lReturn, nCode, wParam, lParam);
    }
    void IHookingSink_After(LRESULT& lReturn, int nCode, WPARAM wParam, LPARAM lParam) override {
        ++afters;
        if (onAfter) onAfter(lReturn, nCode, wParam, lParam);
    }

    std::function<void(bool&, LRESULT&, int&, WPARAM&, LPARAM&)> onBefore;
    std::function<void(LRESULT&, int, WPARAM, LPARAM)> onAfter;
    int befores = 0;
    int afters = 0;
};

class HookingThunk : public ::testing::Test {
  protected:
    void SetUp() override {
        live0_ = Thunk::LiveCount();
        users0_ = rt::LiveHandles::User();
    }
    void TearDown() override {
        hook_.reset();
        below_.reset();
        EXPECT_EQ(Thunk::LiveCount(), live0_);
        EXPECT_EQ(rt::LiveHandles::User(), users0_);
    }

    std::shared_ptr<HookSink> sink_ = std::make_shared<HookSink>();
    // Installed first, so it is the next hook in the chain after hook_.
    std::shared_ptr<HookSink> belowSink_ = std::make_shared<HookSink>();
    std::unique_ptr<cHookingThunk> below_ = std::make_unique<cHookingThunk>();
    std::unique_ptr<cHookingThunk> hook_ = std::make_unique<cHookingThunk>();
    long live0_ = 0;
    long users0_ = 0;
};

TEST_F(HookingThunk, HooksOnceAndSeesTheCallsOfItsThread) {
    EXPECT_FALSE(hook_->Unhook());
    rt::UniqueWindow wnd = MakeWindow();
    std::vector<::CWPSTRUCT> seen;
    sink_->onAfter = [&](LRESULT&, int code, WPARAM, LPARAM lp) {
        const ::CWPSTRUCT cwp = cHookingThunk::CWPSTRUCT(lp);
        if (code == HC_ACTION && cwp.message == kPing) seen.push_back(cwp);
    };
    ASSERT_TRUE(hook_->Hook(WH_CALLWNDPROC, sink_));
    EXPECT_EQ(hook_->HookType(), WH_CALLWNDPROC);
    auto other = std::make_shared<HookSink>();
    EXPECT_FALSE(hook_->Hook(WH_CBT, other));
    EXPECT_EQ(hook_->HookType(), WH_CALLWNDPROC);
    EXPECT_EQ(other.use_count(), 1);

    EXPECT_EQ(::SendMessageW(wnd.get(), kPing, 7, 0x1234), 107);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].hwnd, wnd.get());
    EXPECT_EQ(seen[0].wParam, 7u);
    EXPECT_EQ(seen[0].lParam, 0x1234);
    EXPECT_EQ(other->befores + other->afters, 0);

    EXPECT_TRUE(hook_->Unhook());
    EXPECT_FALSE(hook_->Unhook());
    EXPECT_EQ(sink_.use_count(), 1);
    ::SendMessageW(wnd.get(), kPing, 7, 0);
    EXPECT_EQ(seen.size(), 1u);
}

// A CBT hook decides whether a window may be created: a non-zero answer refuses it.
struct CbtCase {
    const char* name;
    bool handle;         // the before call answers 1 alone
    bool fail;           // and then throws
    LRESULT afterAnswer; // -1: the after call leaves the chain's answer
    bool created;
    bool belowCalled;
    bool afterCalled;
};

void PrintTo(const CbtCase& c, std::ostream* os) {
    *os << c.name;
}

class HookingThunkCbt : public HookingThunk, public ::testing::WithParamInterface<CbtCase> {};

TEST_P(HookingThunkCbt, BeforeAndAfterDecideTheAnswer) {
    const CbtCase& c = GetParam();
    if (c.fail) testsupport::ExpectSwallowed(rt::Swallowed::OtherError);
    ASSERT_TRUE(below_->Hook(WH_CBT, belowSink_));
    std::wstring title;
    int width = 0;
    sink_->onBefore = [&](bool& handled, LRESULT& ret, int& code, WPARAM&, LPARAM& lp) {
        if (code != HCBT_CREATEWND) return;
        // The first is ours; the system may add windows of its own after it.
        if (!width) {
            const ::CBT_CREATEWNDW cbt = cHookingThunk::CBT_CREATEWND(lp);
            const ::CREATESTRUCTW cs = cHookingThunk::CREATESTRUCT(reinterpret_cast<LPARAM>(cbt.lpcs));
            title = cHookingThunk::STR(cs.lpszName);
            width = cs.cx;
        }
        handled = c.handle;
        ret = 1;
        if (c.fail) throw std::runtime_error("sink");
    };
    sink_->onAfter = [&](LRESULT& ret, int code, WPARAM, LPARAM) {
        if (code == HCBT_CREATEWND && c.afterAnswer >= 0) ret = c.afterAnswer;
    };
    ASSERT_TRUE(hook_->Hook(WH_CBT, sink_));
    rt::UniqueWindow made(::CreateWindowExW(0, L"STATIC", L"钩子", WS_POPUP, 0, 0, 123, 45, nullptr, nullptr,
                                            ::GetModuleHandleW(nullptr), nullptr));
    EXPECT_EQ(static_cast<bool>(made), c.created);
    EXPECT_EQ(title, L"钩子");
    EXPECT_EQ(width, 123);
    EXPECT_EQ(belowSink_->befores > 0, c.belowCalled);
    EXPECT_EQ(sink_->afters > 0, c.afterCalled);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HookingThunkCbt,
    ::testing::Values(CbtCase{"HandledAnswersAlone", true, false, -1, false, false, false},
                      CbtCase{"UnhandledGoesDownTheChain", false, false, -1, true, true, true},
                      CbtCase{"AfterReplacesTheAnswer", false, false, 1, false, true, true},
                      CbtCase{"AThrowingBeforeLeavesItToTheChain", true, true, -1, true, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HookingThunk, NegativeCodesReachTheBeforeCall) {
    std::vector<int> codes;
    sink_->onBefore = [&](bool&, LRESULT&, int& code, WPARAM&, LPARAM&) { codes.push_back(code); };
    ASSERT_TRUE(hook_->Hook(WH_CALLWNDPROC, sink_));
    const HOOKPROC proc = hook_->ThunkAddress();
    ASSERT_NE(proc, nullptr);
    proc(-1, 0, 0);
    proc(-7, 1, 2);
    EXPECT_EQ(codes, (std::vector<int>{-1, -7}));
    EXPECT_EQ(sink_->afters, 2);
    EXPECT_EQ(hook_->ThunkAddress(), proc);
}

// The sink lets go of the hook from inside its before call: the call in progress still goes down the
// chain, no after call follows, and nothing is freed under it.
TEST_F(HookingThunk, UnhookOrDestructionInsideACallbackIsSafe) {
    rt::UniqueWindow wnd = MakeWindow();
    for (const bool destroy : {false, true}) {
        SCOPED_TRACE(destroy ? "destroyed" : "unhooked");
        ASSERT_TRUE(below_->Hook(WH_CALLWNDPROC, belowSink_));
        if (!hook_) hook_ = std::make_unique<cHookingThunk>();
        ASSERT_TRUE(hook_->Hook(WH_CALLWNDPROC, sink_));
        sink_->afters = 0;
        belowSink_->befores = 0;
        sink_->onBefore = [&](bool&, LRESULT&, int&, WPARAM&, LPARAM&) {
            if (destroy)
                hook_.reset();
            else
                EXPECT_TRUE(hook_->Unhook());
        };
        EXPECT_EQ(::SendMessageW(wnd.get(), kPing, 1, 0), 101);
        EXPECT_EQ(sink_->afters, 0);
        EXPECT_EQ(belowSink_->befores, 1);
        EXPECT_TRUE(below_->Unhook());
        EXPECT_EQ(Thunk::LiveCount(), live0_ + (destroy ? 1 : 2));
    }
}

TEST_F(HookingThunk, RecordsAreCopiesAndNullReadsAsEmpty) {
    ::RECT r{1, -2, 3, 40000};
    const ::RECT copy = cHookingThunk::RECT(reinterpret_cast<LPARAM>(&r));
    r.left = 9;
    EXPECT_EQ(copy.left, 1);
    EXPECT_EQ(copy.bottom, 40000);
    const ::MSG none = cHookingThunk::MSG(0);
    EXPECT_EQ(none.hwnd, nullptr);
    EXPECT_EQ(none.message, 0u);
    EXPECT_EQ(cHookingThunk::STR(static_cast<const char*>(nullptr)), L"");
    EXPECT_EQ(cHookingThunk::STR(static_cast<const wchar_t*>(nullptr)), L"");
    EXPECT_EQ(cHookingThunk::STR("Menu 1"), L"Menu 1");
    EXPECT_EQ(cHookingThunk::STR(MAKEINTATOM(32768)), L"#32768");
}

TEST_F(HookingThunk, ThousandCyclesLeaveNoThunksOrHooks) {
    hook_->ThunkAddress();
    const long live = Thunk::LiveCount();
    for (int i = 0; i < 500; ++i) {
        ASSERT_TRUE(hook_->Hook(i % 2 ? WH_CALLWNDPROC : WH_CBT, sink_));
        ASSERT_TRUE(hook_->Unhook());
    }
    for (int i = 0; i < 500; ++i) {
        cHookingThunk h;
        ASSERT_TRUE(h.Hook(WH_GETMESSAGE, sink_));
    }
    EXPECT_EQ(Thunk::LiveCount(), live);
    EXPECT_EQ(rt::LiveHandles::User(), users0_);
    EXPECT_EQ(sink_.use_count(), 1);
}

} // namespace
} // namespace msghook::testing
