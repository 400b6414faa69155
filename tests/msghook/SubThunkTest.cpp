#include "msghook/cSubThunk.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "msghook/Thunk.h"
#include "tests/msghook/TestWindow.h"
#include "tests/support/SwallowedErrors.h"

namespace msghook::testing {
namespace {

// Probe messages A, B, C; the base procedure answers each with 100 + wParam.
UINT Msg(char letter) {
    return WM_APP + 10 + (letter - 'A');
}

std::string Joined(const std::vector<std::string>& log) {
    std::string out;
    for (const auto& s : log)
        out += (out.empty() ? "" : " ") + s;
    return out;
}

class SubThunk : public ::testing::Test {
  protected:
    void SetUp() override {
        Log().clear();
        orig_ = CurrentProc(wnd_.get());
        live0_ = WndProcThunk::LiveCount();
        stale0_ = WndProcThunk::StaleCalls();
    }
    void TearDown() override { EXPECT_EQ(WndProcThunk::StaleCalls(), stale0_); }

    LRESULT Send(UINT msg, WPARAM wp = 0) { return ::SendMessageW(wnd_.get(), msg, wp, 0); }
    void SubclassPing() {
        sub_->AddBeforeMsgs({kPing});
        sub_->AddAfterMsgs({kPing});
        ASSERT_TRUE(sub_->Subclass(wnd_.get(), sink_));
    }

    rt::UniqueWindow wnd_ = MakeWindow();
    std::shared_ptr<SubSink> sink_ = std::make_shared<SubSink>();
    std::unique_ptr<cSubThunk> sub_ = std::make_unique<cSubThunk>();
    WNDPROC orig_ = nullptr;
    long live0_ = 0;
    long stale0_ = 0;
};

// Edits, space-separated: "+AB" AddBeforeMsgs(A, B), "-B" RemoveBeforeMsg(B), ">B" AddAfterMsgs(B),
// "<A" RemoveAfterMsg(A), "*" and "." set and clear AllBeforeMsgs, "@" sets AllAfterMsgs. The result is
// the last Boolean edit's.
bool ApplyEdits(cSubThunk& s, const std::string& edits) {
    bool result = false;
    std::istringstream in(edits);
    for (std::string tok; in >> tok;) {
        const char op = tok[0];
        std::vector<UINT> m;
        for (char letter : tok.substr(1))
            m.push_back(Msg(letter));
        const auto add = [&](std::initializer_list<UINT> l) {
            return op == '+' ? s.AddBeforeMsgs(l) : s.AddAfterMsgs(l);
        };
        if (op == '*' || op == '.')
            s.SetAllBeforeMsgs(op == '*');
        else if (op == '@')
            s.SetAllAfterMsgs(true);
        else if (op == '-' || op == '<')
            result = op == '-' ? s.RemoveBeforeMsg(m[0]) : s.RemoveAfterMsg(m[0]);
        else
            result = m.size() == 1   ? add({m[0]})
                     : m.size() == 2 ? add({m[0], m[1]})
                                     : add({m[0], m[1], m[2]});
    }
    return result;
}

// What reaches each callback when A, B and C are sent after the edits; `has` is HasBeforeMsgs.
struct ListCase {
    const char* name;
    const char* edits;
    bool result;
    const char* before;
    const char* after;
    const char* has;
};

void PrintTo(const ListCase& c, std::ostream* os) {
    *os << c.name;
}

const ListCase kListCases[] = {
    {"OverlappingAddAddsTheRest", "+AB +BC", false, "ABC", "", "ABC"},
    {"AnOverlapIsListedOnce", "+AB +B -B", true, "A", "", "A"},
    {"RemovingTheOnlyMessage", "+B -B", true, "", "", ""},
    {"RemovingAMiddleMessage", "+ABC -B", true, "AC", "", "AC"},
    {"RemovingAnAbsentMessage", "+A -B", false, "A", "", "A"},
    {"AllBeforeOverAnEmptyList", "*", false, "ABC", "", ""},
    {"AllBeforeClearedRestoresTheFilter", "+C * .", true, "C", "", "C"},
    {"AllBeforeLeavesTheAfterListFiltering", "* >B", true, "ABC", "B", ""},
    {"AllAfterOverAnEmptyList", "@ <A", false, "", "ABC", ""},
};

class SubThunkLists : public SubThunk, public ::testing::WithParamInterface<std::tuple<ListCase, bool>> {};

TEST_P(SubThunkLists, EditsDecideWhatEachCallbackSees) {
    const auto& [c, editFirst] = GetParam();
    bool result = editFirst && ApplyEdits(*sub_, c.edits);
    ASSERT_TRUE(sub_->Subclass(wnd_.get(), sink_));
    if (!editFirst) result = ApplyEdits(*sub_, c.edits);
    EXPECT_EQ(result, c.result);
    std::string has, before, after;
    for (char m : std::string("ABC")) {
        EXPECT_EQ(Send(Msg(m), 1), 101);
        if (sub_->HasBeforeMsgs(Msg(m))) has += m;
        for (UINT seen : sink_->befores)
            if (seen == Msg(m)) before += m;
        for (UINT seen : sink_->afters)
            if (seen == Msg(m)) after += m;
    }
    EXPECT_EQ(has, c.has);
    EXPECT_EQ(before, c.before);
    EXPECT_EQ(after, c.after);
}

INSTANTIATE_TEST_SUITE_P(Cases, SubThunkLists,
                         ::testing::Combine(::testing::ValuesIn(kListCases), ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "_BeforeSubclass" : "_AfterSubclass");
                         });

// One kPing with wParam 3 through a sink listing it, and A, both ways; the before call sets what the
// row says, or throws after setting it.
struct DispatchCase {
    const char* name;
    bool handle;
    LRESULT ret;
    UINT msg;
    WPARAM wp;
    bool fail;
    LRESULT result;
    const char* log;
    UINT after; // 0: no after call
};

void PrintTo(const DispatchCase& c, std::ostream* os) {
    *os << c.name;
}

const DispatchCase kDispatchCases[] = {
    {"HandledEndsTheMessage", true, 1, kPing, 3, false, 1, "S.before", 0},
    {"AnUnhandledResultIsReplaced", false, 55, kPing, 3, false, 103, "S.before base S.after", kPing},
    {"ChangedValuesReachTheProcedure", false, 0, kOther, 40, false, 140, "S.before base", 0},
    {"AChangedMessageMeetsTheAfterFilter", false, 0, Msg('A'), 3, false, 103, "S.before base S.after",
     Msg('A')},
    {"AThrowingCallbackLeavesTheMessageAsItCame", true, 9, kOther, 3, true, 103, "S.before base S.after",
     kPing},
};

class SubThunkDispatch : public SubThunk, public ::testing::WithParamInterface<DispatchCase> {};

TEST_P(SubThunkDispatch, TheBeforeCallDecidesWhatFollows) {
    const DispatchCase& c = GetParam();
    if (c.fail) testsupport::ExpectSwallowed(rt::Swallowed::OtherError);
    sub_->AddAfterMsgs({Msg('A')});
    SubclassPing();
    sink_->onBefore = [&](bool& handled, LRESULT& ret, HWND&, UINT& msg, WPARAM& wp, LPARAM&) {
        EXPECT_FALSE(handled);
        EXPECT_EQ(ret, 0);
        handled = c.handle;
        ret = c.ret;
        msg = c.msg;
        wp = c.wp;
        if (c.fail) throw std::runtime_error("sink");
    };
    sink_->onAfter = [](LRESULT& ret, HWND, UINT, WPARAM, LPARAM) { EXPECT_NE(ret, 0); };
    EXPECT_EQ(Send(kPing, 3), c.result);
    EXPECT_EQ(Joined(Log()), c.log);
    EXPECT_EQ(sink_->afters, c.after ? std::vector<UINT>{c.after} : std::vector<UINT>{});
}

INSTANTIATE_TEST_SUITE_P(Cases, SubThunkDispatch, ::testing::ValuesIn(kDispatchCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SubThunk, OneWindowAtATimeAndTheAfterCallHasTheLastWord) {
    EXPECT_FALSE(sub_->Unsubclass());
    EXPECT_EQ(sub_->CallOrigWndProc(kPing, 5, 0), 0);
    EXPECT_FALSE(sub_->Subclass(reinterpret_cast<HWND>(0x7FFF0), sink_));
    SubclassPing();
    EXPECT_EQ(sub_->hWnd(), wnd_.get());
    EXPECT_EQ(CurrentProc(wnd_.get()), sub_->ThunkAddress());
    auto other = std::make_shared<SubSink>();
    EXPECT_FALSE(sub_->Subclass(wnd_.get(), other));
    sink_->onAfter = [](LRESULT& ret, HWND, UINT, WPARAM, LPARAM) { ret += 1000; };
    EXPECT_EQ(Send(kPing, 1), 1101);
    EXPECT_TRUE(other->befores.empty());
    EXPECT_EQ(sub_->CallOrigWndProc(kPing, 5, 0), 105);
    EXPECT_EQ(Joined(Log()), "S.before base S.after base");
    EXPECT_TRUE(sub_->Unsubclass());
    EXPECT_EQ(CurrentProc(wnd_.get()), orig_);
    EXPECT_EQ(WndProcThunk::LiveCount(), live0_);
}

TEST_F(SubThunk, ACountedSinkIsKeptAndAWeakOneIsNot) {
    for (const bool weak : {false, true}) {
        auto sink = std::make_shared<SubSink>();
        std::weak_ptr<SubSink> watch = sink;
        cSubThunk sub;
        sub.AddBeforeMsgs({kPing});
        ASSERT_TRUE(sub.Subclass(wnd_.get(), sink, {.WeakReference = weak}));
        sink.reset();
        EXPECT_EQ(watch.expired(), weak);
        EXPECT_EQ(Send(kPing, 1), 101);
        if (!weak) {
            EXPECT_EQ(watch.lock()->befores, std::vector<UINT>{kPing});
        }
        EXPECT_TRUE(sub.Unsubclass());
        EXPECT_TRUE(watch.expired());
    }
}

// A sink sending to its own window gets a nested dispatch, with the outer callback's edits in force.
TEST_F(SubThunk, EditsInsideACallbackReachTheNestedMessage) {
    SubclassPing();
    sink_->onBefore = [this](bool&, LRESULT&, HWND& wnd, UINT& msg, WPARAM& wp, LPARAM&) {
        if (msg != kPing || wp != 1) return;
        sub_->RemoveAfterMsg(kPing);
        sub_->AddBeforeMsgs({kOther});
        EXPECT_EQ(::SendMessageW(wnd, kPing, 2, 0), 102);
        EXPECT_EQ(::SendMessageW(wnd, kOther, 3, 0), 103);
    };
    EXPECT_EQ(Send(kPing, 1), 101);
    EXPECT_EQ(Joined(Log()), "S.before S.before base S.before base base");
}

// Whatever a callback does to the object, possibly inside a nested message, the message in progress
// completes through the previous procedure without further callbacks, and nothing is freed under it.
class SubThunkInside : public SubThunk, public ::testing::WithParamInterface<std::tuple<bool, bool>> {};

TEST_P(SubThunkInside, UnsubclassOrDestructionKeepsTheEntryUntilItReturns) {
    const auto [destroy, nested] = GetParam();
    SubclassPing();
    const WNDPROC entry = sub_->ThunkAddress();
    sink_->onBefore = [&](bool&, LRESULT&, HWND& wnd, UINT&, WPARAM& wp, LPARAM&) {
        if (nested && wp == 1) {
            ::SendMessageW(wnd, kPing, 2, 0);
            return;
        }
        if (destroy)
            sub_.reset();
        else
            EXPECT_TRUE(sub_->Unsubclass());
        EXPECT_EQ(CurrentProc(wnd), orig_);
        // The entry still leads to the previous procedure for the frames below.
        EXPECT_EQ(::CallWindowProcW(entry, wnd, kOther, 4, 0), 104);
    };
    EXPECT_EQ(Send(kPing, 1), 101);
    EXPECT_EQ(Joined(Log()), nested ? "S.before S.before base base base" : "S.before base base");
    EXPECT_TRUE(sink_->afters.empty());
    EXPECT_EQ(WndProcThunk::LiveCount(), live0_);
}

INSTANTIATE_TEST_SUITE_P(Cases, SubThunkInside, ::testing::Combine(::testing::Bool(), ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param) ? "Destroy" : "Unsubclass") +
                                    (std::get<1>(info.param) ? "Nested" : "");
                         });

// The menu engine's way (counted, DontFree): the entry lets go on the window's last message, also when
// the sink unsubclasses there; the object names the ended window until Unsubclass.
TEST_F(SubThunk, AnEndedWindowIsReportedUntilUnsubclass) {
    for (const bool unsubclassInside : {false, true}) {
        SCOPED_TRACE(unsubclassInside ? "unsubclassed inside WM_NCDESTROY" : "left subclassed");
        rt::UniqueWindow w = MakeWindow();
        cSubThunk sub;
        sub.AddBeforeMsgs({WM_NCDESTROY});
        ASSERT_TRUE(sub.Subclass(w.get(), sink_, {.DontFree = true}));
        sink_->onBefore = [&](bool&, LRESULT&, HWND&, UINT&, WPARAM&, LPARAM&) {
            EXPECT_TRUE(!unsubclassInside || sub.Unsubclass());
        };
        const HWND gone = w.get();
        w.reset();
        if (!unsubclassInside) {
            EXPECT_EQ(sub.hWnd(), gone);
            EXPECT_FALSE(sub.Subclass(wnd_.get(), sink_));
            EXPECT_EQ(sub.CallOrigWndProc(kPing, 1, 0), 0);
            EXPECT_TRUE(sub.Unsubclass());
        }
        EXPECT_FALSE(sub.Unsubclass());
        ASSERT_TRUE(sub.Subclass(wnd_.get(), sink_));
        EXPECT_EQ(sub.CallOrigWndProc(kPing, 1, 0), 101);
        EXPECT_TRUE(sub.Unsubclass());
        MakeAThunk();
        EXPECT_EQ(WndProcThunk::LiveCount(), live0_);
    }
}

// A classic subclass, installed by hand.
struct Over {
    static inline WNDPROC prev = nullptr;
    static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (IsTestMsg(msg)) Log().push_back("P");
        return ::CallWindowProcW(prev, wnd, msg, wp, lp);
    }
};

// Under a second subclasser the chain cannot be unwound: the entry stays in it as a pass-through until
// the window ends. DontFree keeps an unwound entry answering at its address until then too.
TEST_F(SubThunk, APassThroughForwardsUntilItsWindowEnds) {
    for (const bool dontFree : {false, true}) {
        SCOPED_TRACE(dontFree ? "DontFree" : "free");
        rt::UniqueWindow w = MakeWindow();
        cSubThunk sub;
        sub.AddBeforeMsgs({kPing});
        ASSERT_TRUE(sub.Subclass(w.get(), sink_, {.DontFree = dontFree}));
        const WNDPROC first = sub.ThunkAddress();
        Over::prev = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(w.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Over::Proc)));
        ASSERT_EQ(Over::prev, first);
        ASSERT_TRUE(sub.Unsubclass());
        EXPECT_EQ(CurrentProc(w.get()), &Over::Proc);
        Log().clear();
        EXPECT_EQ(::SendMessageW(w.get(), kPing, 1, 0), 101);
        // Subclassed again, the object takes a new entry on top.
        ASSERT_TRUE(sub.Subclass(w.get(), sink_, {.DontFree = dontFree}));
        const WNDPROC second = sub.ThunkAddress();
        EXPECT_NE(second, first);
        EXPECT_EQ(::SendMessageW(w.get(), kPing, 2, 0), 102);
        EXPECT_EQ(Joined(Log()), "P base S.before P base");
        ASSERT_TRUE(sub.Unsubclass());
        EXPECT_EQ(CurrentProc(w.get()), &Over::Proc);
        EXPECT_EQ(WndProcThunk::LiveCount(), live0_ + (dontFree ? 2 : 1));
        if (dontFree) {
            EXPECT_EQ(::CallWindowProcW(second, w.get(), kPing, 3, 0), 103);
        }
        w.reset();
        MakeAThunk();
        EXPECT_EQ(WndProcThunk::LiveCount(), live0_);
    }
}

TEST_F(SubThunk, TenThousandCyclesLeaveNoThunks) {
    sub_->AddBeforeMsgs({kPing});
    for (int i = 0; i < 10000; ++i) {
        ASSERT_TRUE(sub_->Subclass(wnd_.get(), sink_, {.WeakReference = i % 2 == 0}));
        if (i % 100 == 0) Send(kPing);
        ASSERT_TRUE(sub_->Unsubclass());
    }
    EXPECT_EQ(sink_->befores.size(), 100u);
    EXPECT_EQ(CurrentProc(wnd_.get()), orig_);
    EXPECT_EQ(WndProcThunk::LiveCount(), live0_);
    EXPECT_EQ(sink_.use_count(), 1);
}

} // namespace
} // namespace msghook::testing
