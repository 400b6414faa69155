#include "scrollbars/CLongScroll.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "runtime/Form.h"
#include "runtime/StockControls.h"

namespace {

using scrollbars::CLongScroll;

class LongForm : public rt::Form {
  public:
    rt::HScrollBar HScroll1;
    rt::VScrollBar VScroll1;
    rt::Label Label1;

    LongForm() { SetClientSize(320, 220); }

  protected:
    void CreateControls() override {
        Add(HScroll1, L"HScroll1", 10, 10, 260, 17);
        Add(VScroll1, L"VScroll1", 290, 10, 17, 180);
        Add(Label1, L"Label1", 10, 40, 100, 14);
    }
};

class CLongScrollTest : public ::testing::Test {
  protected:
    void SetUp() override {
        form.Show(SW_SHOWNORMAL);
        ls.Change = [this] { changes.push_back(ls.Value()); };
        ls.Client(&form.HScroll1);
    }
    void TearDown() override { form.Unload(); }

    rt::ScrollBar& Bar() { return *ls.Client(); }
    // What the system scroll bar sends its parent when it is clicked or dragged.
    void Send(WORD code, WORD position = 0) {
        rt::ScrollBar& bar = Bar();
        ::SendMessageW(form.hWnd(), bar.Horizontal() ? WM_HSCROLL : WM_VSCROLL, MAKEWPARAM(code, position),
                       reinterpret_cast<LPARAM>(bar.hWnd()));
    }
    void Drag(WORD position) {
        Send(SB_THUMBTRACK, position);
        Send(SB_THUMBPOSITION, position);
        Send(SB_ENDSCROLL);
    }
    int ThumbPosition() { return ::GetScrollPos(Bar().hWnd(), SB_CTL); }
    std::vector<int32_t> Take() { return std::exchange(changes, {}); }

    LongForm form;
    CLongScroll ls;
    std::vector<int32_t> changes;
};

TEST_F(CLongScrollTest, AnyClientButAScrollBarIsRefusedWithTheClassError) {
    try {
        ls.Client(&form.Label1);
        FAIL() << "no error";
    } catch (const rt::RtError& e) {
        EXPECT_EQ(e.Number(), static_cast<int32_t>(0x80040201));
        EXPECT_EQ(e.Source(), L"CLongScroll");
        EXPECT_EQ(e.Description(), L"Client object must be a scrollbar.");
    }
    EXPECT_EQ(ls.Client(), &form.HScroll1) << "the client in place stays";
    ls.Client(nullptr);
    EXPECT_EQ(ls.Client(), nullptr);
}

TEST_F(CLongScrollTest, TakingAClientSetsItsSixteenBitRangeWithoutMovingTheValue) {
    ls.Client(nullptr);
    ls.Max(1'000'000);
    ls.Value(700'000);
    Take();
    form.VScroll1.SetMin(-50);
    form.VScroll1.SetValue(-20);
    form.VScroll1.SetLargeChange(3);
    int clientChanges = 0;
    form.VScroll1.Change = [&] { ++clientChanges; };
    ls.Client(&form.VScroll1);
    EXPECT_EQ(form.VScroll1.Min(), 0);
    EXPECT_EQ(form.VScroll1.Max(), 32767);
    EXPECT_EQ(form.VScroll1.SmallChange(), 1);
    EXPECT_EQ(form.VScroll1.LargeChange(), 10);
    EXPECT_EQ(form.VScroll1.Value(), 0);
    EXPECT_GT(clientChanges, 0) << "the client's own handlers still hear it";
    EXPECT_EQ(ls.Value(), 700'000);
    EXPECT_TRUE(Take().empty()) << "the wrapper raises no Change for its own set-up";
}

TEST_F(CLongScrollTest, EveryArrowAndPageClickStepsByTheWrappersOwnChanges) {
    ls.Max(1'000'000);
    ls.SmallChange(250);
    ls.LargeChange(40'000);
    Take();
    Send(SB_LINERIGHT);
    Send(SB_LINERIGHT);
    Send(SB_LINERIGHT);
    Send(SB_PAGERIGHT);
    Send(SB_PAGELEFT);
    Send(SB_LINELEFT);
    EXPECT_EQ(Take(), (std::vector<int32_t>{250, 500, 750, 40'750, 750, 500}));
    EXPECT_EQ(ThumbPosition(), 16) << "500 / 1,000,000 of 32767 = 16.38";
}

TEST_F(CLongScrollTest, DraggingTheThumbMapsItsPositionAndReachesMaxOnlyAtTheEnd) {
    ls.Min(-1000);
    ls.Max(1'000'000);
    int scrolls = 0;
    Bar().Scroll = [&] { ++scrolls; };
    Take();
    Send(SB_THUMBTRACK, 16384);
    Send(SB_THUMBTRACK, 32767);
    Send(SB_THUMBPOSITION, 32767);
    Send(SB_ENDSCROLL);
    EXPECT_EQ(scrolls, 2);
    // Scroll, Scroll and the Change that ends the drag.
    EXPECT_EQ(Take(), (std::vector<int32_t>{499'515, 1'000'000, 1'000'000}));
    Drag(0);
    EXPECT_EQ(ls.Value(), -1000);
}

TEST_F(CLongScrollTest, DragReleaseWhereTheWrapperMovedTheThumbIsNoStep) {
    // 3277 values over 32767 positions: a thumb position rarely maps back onto itself.
    ls.Max(3277);
    Take();
    Send(SB_THUMBTRACK, 5001);
    EXPECT_EQ(ls.Value(), 500);
    EXPECT_EQ(ThumbPosition(), 5000);
    // One position from where the wrapper put the thumb, yet the end of a drag, not an arrow click.
    Send(SB_THUMBPOSITION, 5001);
    Send(SB_ENDSCROLL);
    EXPECT_EQ(Take(), (std::vector<int32_t>{500, 500}));
    Send(SB_LINELEFT);
    EXPECT_EQ(ls.Value(), 499);
}

TEST_F(CLongScrollTest, WholeThirtyTwoBitRangeThroughTheRealControl) {
    ls.Min(INT32_MIN);
    ls.Max(INT32_MAX);
    ls.SmallChange(INT32_MAX);
    ls.Value(INT32_MAX - 1);
    EXPECT_EQ(ThumbPosition(), 32766);
    Send(SB_LINERIGHT);
    EXPECT_EQ(ls.Value(), INT32_MAX);
    EXPECT_EQ(ThumbPosition(), 32767);
    Drag(16384);
    EXPECT_EQ(ls.Value(), 65538);
    Send(SB_LINELEFT);
    Send(SB_LINELEFT);
    EXPECT_EQ(ls.Value(), INT32_MIN);
    EXPECT_EQ(ThumbPosition(), 0);
}

TEST_F(CLongScrollTest, ReversedRangeRunsFromMinAtTheStartAndKeepsItsOwnClampRules) {
    ls.Max(1'000'000);
    ls.Value(300'000);
    Take();
    // Min above Max: a value below Max goes to the new Min.
    ls.Min(2'000'000);
    EXPECT_EQ(ls.Value(), 2'000'000);
    EXPECT_EQ(ThumbPosition(), 0) << "Min sits at the start";
    ls.Value(1'500'000);
    EXPECT_EQ(ThumbPosition(), 16384);
    // 1,000,000 … 1,200,000: the value above the range is left until the next assignment.
    ls.Min(1'200'000);
    EXPECT_EQ(ls.Value(), 1'500'000);
    // Max below Min: a value above Min goes to Min.
    ls.Max(1'100'000);
    EXPECT_EQ(ls.Value(), 1'200'000);
    ls.Value(1'150'000);
    // 1,180,000 … 1,200,000: the value below the range is left.
    ls.Max(1'180'000);
    EXPECT_EQ(ls.Value(), 1'150'000);
    EXPECT_EQ(Take(), (std::vector<int32_t>{2'000'000, 1'500'000, 1'200'000, 1'150'000}));

    // Toward Max is to the right: an arrow click there lowers the value.
    ls.Max(0);
    ls.Value(1'080'000);
    EXPECT_EQ(ThumbPosition(), 3277) << "1,200,000 … 0";
    ls.SmallChange(10);
    Take();
    Send(SB_LINERIGHT);
    EXPECT_EQ(Take(), (std::vector<int32_t>{1'079'990}));
}

TEST_F(CLongScrollTest, ChangingTheRangeMovesTheThumbWithoutAChangeAndValueBeyondMaxStoresMax) {
    ls.Max(1'000'000);
    ls.Value(500'000);
    EXPECT_EQ(ThumbPosition(), 16384);
    Take();
    ls.Max(2'000'000);
    EXPECT_EQ(ThumbPosition(), 8192);
    ls.Min(-2'000'000);
    EXPECT_EQ(ThumbPosition(), 20479) << "2.5 of 4 million";
    EXPECT_TRUE(Take().empty());
    ls.Value(3'000'000);
    EXPECT_EQ(ls.Value(), 2'000'000);
    EXPECT_EQ(ThumbPosition(), 32767);
    EXPECT_EQ(Take(), (std::vector<int32_t>{2'000'000}));
}

TEST_F(CLongScrollTest, FollowsOnlyItsCurrentClientAndForgetsOneThatGoes) {
    ls.Max(100);
    ls.Client(&form.VScroll1);
    Take();
    ::SendMessageW(form.hWnd(), WM_HSCROLL, SB_LINERIGHT, reinterpret_cast<LPARAM>(form.HScroll1.hWnd()));
    EXPECT_TRUE(Take().empty());
    Send(SB_LINEDOWN);
    EXPECT_EQ(Take(), (std::vector<int32_t>{1}));

    auto spare = std::make_unique<rt::HScrollBar>();
    ls.Client(spare.get());
    spare.reset();
    EXPECT_EQ(ls.Client(), nullptr);
    ls.Value(50);
    EXPECT_EQ(ls.Value(), 50);

    // A client destroyed by its own Change handler while the wrapper sets it up, or while it moves it.
    for (const bool inSetUp : {true, false}) {
        spare = std::make_unique<rt::HScrollBar>();
        spare->SetMin(-10);
        spare->SetMax(-5);
        spare->SetValue(-10);
        if (!inSetUp) ls.Client(spare.get());
        spare->Change = [&] { spare.reset(); };
        if (inSetUp)
            ls.Client(spare.get()); // Min 0 moves the value to -5
        else
            ls.Value(60);
        EXPECT_EQ(spare, nullptr);
        EXPECT_EQ(ls.Client(), nullptr);
    }
    EXPECT_EQ(ls.Value(), 60);
}

} // namespace
