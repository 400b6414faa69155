// Two trampolines and a plain subclass stacked on one window, installed and stopped in every order.
#include "msghook/WndProcTrampoline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>

#include "msghook/Thunk.h"
#include "msghook/cSubThunk.h"
#include "tests/msghook/TestWindow.h"

namespace msghook::testing {
namespace {

using Strings = std::vector<std::string>;

// A classic subclass written the careful way: it restores only while on top and otherwise stays in
// the chain as a pass-through.
struct PlainSubclass {
    static inline WNDPROC prev = nullptr;
    static inline bool active = false;

    static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (active && IsTestMsg(msg)) Log().push_back("P");
        return ::CallWindowProcW(prev, wnd, msg, wp, lp);
    }
    static void Install(HWND wnd) {
        prev = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
        active = true;
    }
    static void Stop(HWND wnd) {
        active = false;
        if (CurrentProc(wnd) == &Proc)
            ::SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(prev));
    }
};

// Layers: 0 = trampoline A, 1 = trampoline B, 2 = the plain subclass P.
using Order = std::array<int, 3>;
const char kNames[] = {'A', 'B', 'P'};

struct StackCase {
    Order install;
    Order stop;
};

std::string Name(const Order& o) {
    return {kNames[o[0]], kNames[o[1]], kNames[o[2]]};
}

void PrintTo(const StackCase& c, std::ostream* os) {
    *os << "install " << Name(c.install) << ", stop " << Name(c.stop);
}

class Stacked : public ::testing::TestWithParam<StackCase> {
  protected:
    void SetUp() override {
        Log().clear();
        live0_ = WndProcThunk::LiveCount();
        stale0_ = WndProcThunk::StaleCalls();
    }

    WNDPROC ProcOf(int layer) const {
        return layer == 2 ? &PlainSubclass::Proc : trampolines_[layer]->Proc(wnd_.get());
    }
    void Install(int layer) {
        if (layer == 2)
            PlainSubclass::Install(wnd_.get());
        else
            ASSERT_TRUE(trampolines_[layer]->Install(wnd_.get(), {kPing}, {kPing}));
    }
    void Stop(int layer) {
        if (layer == 2)
            PlainSubclass::Stop(wnd_.get());
        else
            trampolines_[layer]->Stop();
    }

    // Active layers see the message top first; the trampolines' after-calls run bottom first.
    Strings Expected(const std::vector<int>& activeInInstallOrder) const {
        Strings out;
        for (auto it = activeInInstallOrder.rbegin(); it != activeInInstallOrder.rend(); ++it)
            out.push_back(*it == 2 ? std::string("P") : std::string(1, kNames[*it]) + ".before");
        out.push_back("base");
        for (int layer : activeInInstallOrder)
            if (layer != 2) out.push_back(std::string(1, kNames[layer]) + ".after");
        return out;
    }

    void ExpectFlow(const std::vector<int>& active, const std::string& when) {
        Log().clear();
        EXPECT_EQ(::SendMessageW(wnd_.get(), kPing, 1, 0), 101) << when;
        EXPECT_EQ(Log(), Expected(active)) << when;
    }

    rt::UniqueWindow wnd_ = MakeWindow();
    RecordingSink sinkA_{"A"};
    RecordingSink sinkB_{"B"};
    std::array<std::unique_ptr<cWndProcTrampoline>, 2> trampolines_{
        std::make_unique<cWndProcTrampoline>(sinkA_), std::make_unique<cWndProcTrampoline>(sinkB_)};
    long live0_ = 0;
    long stale0_ = 0;
};

TEST_P(Stacked, RestoresOnlyFromTheTopAndMessagesKeepFlowing) {
    const StackCase& c = GetParam();
    const WNDPROC orig = CurrentProc(wnd_.get());
    std::vector<int> active;
    std::array<WNDPROC, 3> under{};
    for (int layer : c.install) {
        under[layer] = CurrentProc(wnd_.get());
        Install(layer);
        ASSERT_EQ(CurrentProc(wnd_.get()), ProcOf(layer));
        active.push_back(layer);
    }
    ExpectFlow(active, "all installed");

    for (int layer : c.stop) {
        const WNDPROC before = CurrentProc(wnd_.get());
        const bool onTop = before == ProcOf(layer);
        Stop(layer);
        active.erase(std::find(active.begin(), active.end(), layer));
        const std::string when = std::string("after stopping ") + kNames[layer];
        EXPECT_EQ(CurrentProc(wnd_.get()), onTop ? under[layer] : before) << when;
        ExpectFlow(active, when);
    }
    // Stopped in reverse order, every layer was on top and put back what it found.
    const bool lifo = std::equal(c.install.rbegin(), c.install.rend(), c.stop.begin());
    if (lifo) {
        EXPECT_EQ(CurrentProc(wnd_.get()), orig);
    }

    trampolines_ = {};
    ExpectFlow({}, "trampolines destroyed");
    wnd_.reset();
    EXPECT_EQ(WndProcThunk::LiveCount(), live0_);
    EXPECT_EQ(WndProcThunk::StaleCalls(), stale0_);
}

std::vector<StackCase> AllCases() {
    std::vector<Order> orders;
    Order o{0, 1, 2};
    do
        orders.push_back(o);
    while (std::next_permutation(o.begin(), o.end()));
    std::vector<StackCase> cases;
    for (const Order& install : orders)
        for (const Order& stop : orders)
            cases.push_back({install, stop});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(EveryOrder, Stacked, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<StackCase>& info) {
                             return "install" + Name(info.param.install) + "_stop" + Name(info.param.stop);
                         });

// The upper trampoline unhooks itself and then the lower one before passing the message on: the lower
// entry it is about to call must still lead to the window's own procedure.
TEST(StackedTrampolines, LowerStoppedFromUpperHandlerBeforeForwarding) {
    Log().clear();
    const long live0 = WndProcThunk::LiveCount();
    const long stale0 = WndProcThunk::StaleCalls();
    rt::UniqueWindow wnd = MakeWindow();
    const WNDPROC orig = CurrentProc(wnd.get());
    RecordingSink lowerSink{"A"};
    RecordingSink upperSink{"B"};
    cWndProcTrampoline lower(lowerSink);
    cWndProcTrampoline upper(upperSink);
    ASSERT_TRUE(lower.Install(wnd.get(), {kPing}, {kPing}));
    ASSERT_TRUE(upper.Install(wnd.get(), {kPing}, {kPing}));
    upperSink.onBefore = [&](HWND, UINT, WPARAM, LPARAM, bool&, LRESULT&) {
        upper.Stop();
        lower.Stop();
    };
    EXPECT_EQ(::SendMessageW(wnd.get(), kPing, 1, 0), 101);
    EXPECT_EQ(Log(), (Strings{"B.before", "base"}));
    EXPECT_EQ(CurrentProc(wnd.get()), orig);
    EXPECT_EQ(WndProcThunk::LiveCount(), live0);
    EXPECT_EQ(WndProcThunk::StaleCalls(), stale0);
}

// The skin's trampoline and the menu engine's cSubThunk on one window: (cSubThunk installed first,
// cSubThunk removed first).
class TrampolineAndSubThunk : public ::testing::TestWithParam<std::tuple<bool, bool>> {};

TEST_P(TrampolineAndSubThunk, BothSeeTheMessageAndEitherComesOff) {
    const auto [subFirst, subOffFirst] = GetParam();
    Log().clear();
    const long live0 = WndProcThunk::LiveCount();
    const long stale0 = WndProcThunk::StaleCalls();
    rt::UniqueWindow wnd = MakeWindow();
    const WNDPROC orig = CurrentProc(wnd.get());
    RecordingSink skinSink{"A"};
    cWndProcTrampoline skin(skinSink);
    auto sink = std::make_shared<SubSink>();
    cSubThunk sub;
    sub.AddBeforeMsgs({kPing});
    sub.AddAfterMsgs({kPing});
    const auto flow = [&](const std::vector<std::string>& topFirst, const char* when) {
        Log().clear();
        EXPECT_EQ(::SendMessageW(wnd.get(), kPing, 1, 0), 101) << when;
        Strings expected;
        for (const auto& name : topFirst)
            expected.push_back(name + ".before");
        expected.push_back("base");
        for (auto it = topFirst.rbegin(); it != topFirst.rend(); ++it)
            expected.push_back(*it + ".after");
        EXPECT_EQ(Log(), expected) << when;
    };

    for (const bool installSub : {subFirst, !subFirst}) {
        if (installSub) {
            ASSERT_TRUE(sub.Subclass(wnd.get(), sink, {.DontFree = true}));
        } else {
            ASSERT_TRUE(skin.Install(wnd.get(), {kPing}, {kPing}));
        }
    }
    flow(subFirst ? Strings{"A", "S"} : Strings{"S", "A"}, "both installed");
    if (subOffFirst) {
        EXPECT_TRUE(sub.Unsubclass());
        flow({"A"}, "cSubThunk off");
        skin.Stop();
    } else {
        skin.Stop();
        flow({"S"}, "trampoline off");
        EXPECT_TRUE(sub.Unsubclass());
    }
    flow({}, "both off");
    if (subFirst != subOffFirst) {
        EXPECT_EQ(CurrentProc(wnd.get()), orig);
    }
    wnd.reset();
    MakeAThunk();
    EXPECT_EQ(WndProcThunk::LiveCount(), live0);
    EXPECT_EQ(WndProcThunk::StaleCalls(), stale0);
}

INSTANTIATE_TEST_SUITE_P(EveryOrder, TrampolineAndSubThunk,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()), [](const auto& info) {
                             return std::string(std::get<0>(info.param) ? "SubFirst" : "SkinFirst") +
                                    (std::get<1>(info.param) ? "_SubOffFirst" : "_SkinOffFirst");
                         });

} // namespace
} // namespace msghook::testing
