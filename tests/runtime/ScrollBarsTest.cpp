#include "runtime/ScrollBars.h"

#include <gtest/gtest.h>

#include "tests/support/RaisedError.h"

#include <string>
#include <vector>

#include "runtime/Form.h"

namespace {

class BarForm : public rt::Form {
  public:
    rt::HScrollBar HScroll1;
    rt::VScrollBar VScroll1;

    BarForm() { SetClientSize(300, 200); }

  protected:
    void CreateControls() override {
        // Set before creation: a reversed range, applied when the window is made.
        VScroll1.SetMin(10);
        VScroll1.SetMax(-10);
        VScroll1.SetValue(5);
        Add(HScroll1, L"HScroll1", 10, 10, 250, 17);
        Add(VScroll1, L"VScroll1", 270, 10, 17, 150);
    }
};

SCROLLINFO InfoOf(HWND bar) {
    SCROLLINFO si{};
    si.cbSize = sizeof(si);
    si.fMask = SIF_ALL;
    ::GetScrollInfo(bar, SB_CTL, &si);
    return si;
}

using testsupport::RaisedError;

class ScrollBarsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        form.Show(SW_SHOWNORMAL);
        for (rt::ScrollBar* bar :
             {static_cast<rt::ScrollBar*>(&form.HScroll1), static_cast<rt::ScrollBar*>(&form.VScroll1)}) {
            bar->Change = [this, bar] {
                events.push_back(Name(bar) + "Change " + std::to_string(bar->Value()));
            };
            bar->Scroll = [this, bar] {
                events.push_back(Name(bar) + "Scroll " + std::to_string(bar->Value()));
            };
        }
    }
    void TearDown() override { form.Unload(); }

    std::string Name(const rt::ScrollBar* bar) const { return bar == &form.HScroll1 ? "H " : "V "; }
    // What the system scroll bar sends its parent.
    void Send(rt::ScrollBar& bar, WORD code, WORD position = 0) {
        ::SendMessageW(form.hWnd(), bar.Horizontal() ? WM_HSCROLL : WM_VSCROLL, MAKEWPARAM(code, position),
                       reinterpret_cast<LPARAM>(bar.hWnd()));
    }
    std::vector<std::string> Take() { return std::exchange(events, {}); }

    BarForm form;
    std::vector<std::string> events;
};

TEST_F(ScrollBarsTest, RangeSetBeforeCreationReachesTheSystemControlWithMinAtItsStart) {
    const SCROLLINFO h = InfoOf(form.HScroll1.hWnd());
    EXPECT_EQ(h.nMin, 0);
    EXPECT_EQ(h.nMax, 32767);
    EXPECT_EQ(h.nPos, 0);
    EXPECT_EQ(::GetWindowLongW(form.HScroll1.hWnd(), GWL_STYLE) & SBS_VERT, 0);
    // Min 10, Max -10: the system control runs 0 … 20 from the Min end.
    const SCROLLINFO v = InfoOf(form.VScroll1.hWnd());
    EXPECT_EQ(v.nMax, 20);
    EXPECT_EQ(v.nPos, 5);
    EXPECT_EQ(::GetWindowLongW(form.VScroll1.hWnd(), GWL_STYLE) & SBS_VERT, SBS_VERT);
}

TEST_F(ScrollBarsTest, ArrowAndPageMovesStepTowardTheirEndAndStopThere) {
    rt::HScrollBar& bar = form.HScroll1;
    bar.SetMin(-100);
    bar.SetMax(100);
    bar.SetSmallChange(7);
    bar.SetLargeChange(60);
    Take();
    Send(bar, SB_LINERIGHT);
    Send(bar, SB_PAGERIGHT);
    Send(bar, SB_PAGERIGHT);
    Send(bar, SB_LINELEFT);
    EXPECT_EQ(Take(), (std::vector<std::string>{"H Change 7", "H Change 67", "H Change 100", "H Change 93"}));
    EXPECT_EQ(InfoOf(bar.hWnd()).nPos, 193);
    Send(bar, SB_RIGHT);
    Send(bar, SB_LINERIGHT);
    EXPECT_EQ(Take(), (std::vector<std::string>{"H Change 100"})) << "no Change at the end";
    Send(bar, SB_LEFT);
    EXPECT_EQ(bar.Value(), -100);
}

TEST_F(ScrollBarsTest, ReversedBarMovesTowardMaxToTheRight) {
    rt::VScrollBar& bar = form.VScroll1;
    bar.SetLargeChange(10);
    Send(bar, SB_LINEDOWN);
    Send(bar, SB_PAGEDOWN);
    EXPECT_EQ(Take(), (std::vector<std::string>{"V Change 4", "V Change -6"}));
    EXPECT_EQ(InfoOf(bar.hWnd()).nPos, 16);
    // Horizontal messages are not for a vertical bar.
    Send(form.HScroll1, SB_LINERIGHT);
    ::SendMessageW(form.hWnd(), WM_HSCROLL, SB_LINERIGHT, reinterpret_cast<LPARAM>(bar.hWnd()));
    EXPECT_EQ(bar.Value(), -6);
}

TEST_F(ScrollBarsTest, ThumbDragRaisesScrollPerMoveAndOneChangeAtTheEnd) {
    rt::HScrollBar& bar = form.HScroll1;
    Send(bar, SB_THUMBTRACK, 0);
    Send(bar, SB_THUMBTRACK, 1200);
    Send(bar, SB_THUMBTRACK, 1200);
    Send(bar, SB_THUMBTRACK, 30000);
    Send(bar, SB_THUMBPOSITION, 30000);
    Send(bar, SB_ENDSCROLL);
    EXPECT_EQ(Take(), (std::vector<std::string>{"H Scroll 1200", "H Scroll 30000", "H Change 30000"}));
    // Let go where it was picked up: nothing happened.
    Send(bar, SB_THUMBTRACK, 30000);
    Send(bar, SB_THUMBPOSITION, 30000);
    EXPECT_TRUE(Take().empty());
    // The drag position is 16 bits unsigned: a reversed full range reaches its far end.
    bar.SetMin(32767);
    bar.SetMax(-32768);
    Take();
    Send(bar, SB_THUMBTRACK, 65535);
    Send(bar, SB_THUMBPOSITION, 65535);
    EXPECT_EQ(Take(), (std::vector<std::string>{"H Scroll -32768", "H Change -32768"}));
}

TEST_F(ScrollBarsTest, ValueOutsideTheRangeAndStepsBelowOneAreInvalidPropertyValues) {
    rt::HScrollBar& bar = form.HScroll1;
    bar.SetMax(50);
    EXPECT_EQ(RaisedError([&] { bar.SetValue(51); }), 380);
    EXPECT_EQ(RaisedError([&] { bar.SetValue(-1); }), 380);
    EXPECT_EQ(RaisedError([&] { bar.SetSmallChange(0); }), 380);
    EXPECT_EQ(RaisedError([&] { bar.SetLargeChange(-3); }), 380);
    EXPECT_EQ(bar.SmallChange(), 1);
    Take();
    bar.SetValue(50);
    bar.SetValue(50);
    EXPECT_EQ(Take(), (std::vector<std::string>{"H Change 50"})) << "Change only when the value changes";
}

TEST_F(ScrollBarsTest, NarrowingTheRangeBringsTheValueInsideWithChange) {
    rt::HScrollBar& bar = form.HScroll1;
    bar.SetValue(300);
    Take();
    bar.SetMax(200);
    bar.SetMin(250);
    EXPECT_EQ(Take(), (std::vector<std::string>{"H Change 200"})) << "250 … 200 still holds 200";
    bar.SetMin(-5);
    bar.SetMax(-20);
    EXPECT_EQ(Take(), (std::vector<std::string>{"H Change -5"}));
    const SCROLLINFO si = InfoOf(bar.hWnd());
    EXPECT_EQ(si.nMax, 15);
    EXPECT_EQ(si.nPos, 0);
}

} // namespace
