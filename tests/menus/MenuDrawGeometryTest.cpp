#include "menus/MenuDrawGeometry.h"

#include <gtest/gtest.h>

namespace menus {
namespace {

TEST(BarItem, TheShadowLiesInTheThreeColumnsRightOfTheItemFromItsFourthRow) {
    const BarItemLayout o = LayOutBarItem({40, 0, 90, 20});
    EXPECT_EQ(o.fill, (rt::Rect{40, 0, 93, 20}));
    EXPECT_EQ(o.boxGradient, (rt::Rect{41, 1, 89, 19}));
    EXPECT_EQ(o.plainShadow, (rt::Rect{90, 3, 92, 20}));
    EXPECT_EQ(o.shadow,
              (std::vector<ShadowRun>{
                  {true, 90, 3, 20, 64, false}, {true, 91, 3, 20, 43, false}, {true, 92, 3, 20, 21, false}}));
    // Five columns from the sixth row at 144 DPI, six at 192, each weighted as the design column it covers.
    EXPECT_EQ(LayOutBarItem({40, 0, 90, 20}, 144).shadow.at(3), (ShadowRun{true, 93, 5, 20, 43, false}));
    EXPECT_EQ(LayOutBarItem({40, 0, 90, 20}, 192).shadow.back(), (ShadowRun{true, 95, 6, 20, 21, false}));
}

// Items 200 wide at 144 DPI (47 high, pictures 36, bar items 31) and at 192 (62, 48, 40).
TEST(PopupItem, OffsetsAndTheCheckMarkScaleWithTheResolution) {
    PopupItemLayout o = LayOutPopupItem({0, 0, 200, 47}, 47, 36, 31, false, 144);
    EXPECT_EQ(o.checkBox, (rt::Rect{4, 1, 46, 43}));
    EXPECT_EQ(o.checkMark.size(), 11u);
    EXPECT_EQ(o.checkMark.back(), (Segment{30, 18, 30, 21}));
    o = LayOutPopupItem({0, 0, 200, 62}, 62, 48, 40, false, 192);
    EXPECT_EQ(o.checkMark.back(), (Segment{40, 25, 40, 29}));
}

// A 300 × 400 popup window with dialog frames 3 wide: the frame is 295 × 397, and its shadow fills the
// window's last three columns and rows but two.
TEST(PopupFrame, ShadowStripsRunRightOfAndBelowTheFrame) {
    const FrameLayout o = LayOutPopupFrame(300, 400, 3, 23, {});
    EXPECT_EQ(o.frame, (rt::Rect{0, 0, 295, 397}));
    EXPECT_EQ(o.gutter, (rt::Rect{1, 2, 27, 395}));
    EXPECT_FALSE(o.joined);
    EXPECT_EQ(o.shadow, (std::vector<ShadowRun>{{true, 295, 3, 397, 64, true},
                                                {true, 296, 3, 397, 43, true},
                                                {true, 297, 3, 397, 21, true},
                                                {false, 397, 3, 298, 64, true},
                                                {false, 398, 3, 298, 43, true},
                                                {false, 399, 3, 298, 21, true}}));
    EXPECT_EQ(o.plainShadow, (std::vector<rt::Rect>{{295, 3, 297, 397}, {3, 397, 297, 399}}));
    // At 144 DPI, dialog frames 5 wide, items 35 high: five shadow columns and rows.
    const FrameLayout at144 = LayOutPopupFrame(300, 400, 5, 35, {}, 144);
    EXPECT_EQ(at144.frame, (rt::Rect{0, 0, 292, 394}));
    EXPECT_EQ(at144.shadow.back(), (ShadowRun{false, 398, 5, 297, 21, true}));
}

TEST(PopupFrame, TheJoinOpensTheEdgeNextToTheBarItemAndTheBottomShadowGoesRoundIt) {
    // Below the item: row 0 opens inside the item's two edges; the bottom shadow is whole.
    FrameJoin below{.present = true, .onBottom = false, .offset = 12, .itemWidth = 40};
    FrameLayout o = LayOutPopupFrame(300, 400, 3, 23, below);
    EXPECT_TRUE(o.joined);
    EXPECT_EQ(o.joinRow, 0);
    EXPECT_EQ(o.joinFrom, 13);
    EXPECT_EQ(o.joinTo, 51);
    EXPECT_EQ(o.shadow[3], (ShadowRun{false, 397, 3, 298, 64, true}));
    // An offset of 1 counts as none.
    below.offset = 1;
    EXPECT_EQ(LayOutPopupFrame(300, 400, 3, 23, below).joinFrom, 1);

    // Above the item: the bottom row opens, and the shadow below leaves out the item, edges and all,
    // so it runs in two pieces that each fade at their ends.
    const FrameJoin above{.present = true, .onBottom = true, .offset = 12, .itemWidth = 40};
    o = LayOutPopupFrame(300, 400, 3, 23, above);
    EXPECT_EQ(o.joinRow, 396);
    EXPECT_EQ(o.joinFrom, 13);
    EXPECT_EQ(o.joinTo, 51);
    EXPECT_EQ(o.shadow.size(), 9u);
    EXPECT_EQ(o.shadow[3], (ShadowRun{false, 397, 3, 12, 64, true}));
    EXPECT_EQ(o.shadow[4], (ShadowRun{false, 397, 52, 298, 64, true}));
    EXPECT_EQ(o.plainShadow,
              (std::vector<rt::Rect>{{295, 3, 297, 397}, {3, 397, 12, 399}, {52, 397, 297, 399}}));

    // A right-justified item: the opening ends one short of the frame's right edge.
    const FrameJoin right{
        .present = true, .onBottom = false, .offset = 0, .itemWidth = 40, .rightJustified = true};
    o = LayOutPopupFrame(300, 400, 3, 23, right);
    EXPECT_EQ(o.joinFrom, 255);
    EXPECT_EQ(o.joinTo, 294);
}

// Under Wine the system sizes a popup as if its client were the whole window, outlines the client itself
// and puts the items 3 pixels inside: the window grows so the client keeps those margins, and the frame
// is the client's outline.
TEST(PopupFrame, ASystemThatInsetsItsItemsGetsTheClientAsFrame) {
    // Items of 154 × 142 at (3, 3) of the client, in a window made 160 × 148.
    EXPECT_EQ(PopupSizeForItems(160, 148, {3, 3, 157, 145}), (rt::Point{165, 152}));
    // Items at the client's corner: the system's size stands.
    EXPECT_EQ(PopupSizeForItems(160, 148, {0, 0, 154, 142}), (rt::Point{160, 148}));

    // The client of the 165 × 152 window, in window coordinates.
    const FrameLayout o = LayOutPopupFrameAt({1, 2, 161, 150}, 23, {}, 3);
    EXPECT_EQ(o.frame, (rt::Rect{1, 2, 161, 150}));
    EXPECT_EQ(o.gutter, (rt::Rect{2, 4, 31, 148}));
    EXPECT_EQ(o.shadow.front(), (ShadowRun{true, 161, 5, 150, 64, true}));
    EXPECT_EQ(o.shadow.back(), (ShadowRun{false, 152, 4, 164, 21, true}));
}

} // namespace
} // namespace menus
