#include "MenuDrawGeometry.h"

#include <gtest/gtest.h>

namespace menus {
namespace {

bool Inside(const rt::Rect& inner, const rt::Rect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

bool Overlap(const rt::Rect& a, const rt::Rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Pixels a DrawLine segment covers, as a rectangle (the end point excluded).
rt::Rect Covered(const Segment& s) {
    return {std::min(s.x1, s.x2), std::min(s.y1, s.y2), std::max(s.x1, s.x2) + (s.x1 == s.x2),
            std::max(s.y1, s.y2) + (s.y1 == s.y2)};
}

struct Metrics {
    int32_t H, B, bar;
};

class PopupItem : public ::testing::TestWithParam<Metrics> {};

TEST_P(PopupItem, EveryPartLiesInItsColumnAndTheMirroredLayoutReflectsIt) {
    const auto [H, B, bar] = GetParam();
    const rt::Rect item{10, 40, 210, 40 + H};
    for (const bool mirrored : {false, true}) {
        SCOPED_TRACE(mirrored ? "mirrored" : "left to right");
        const PopupItemLayout o = LayOutPopupItem(item, H, B, bar, mirrored);
        // The gutter is H + 3 wide at its side; the rest of the row takes all but the last column.
        EXPECT_EQ(o.gutter.right - o.gutter.left, H + 3);
        EXPECT_EQ(mirrored ? o.gutter.right : o.gutter.left, mirrored ? item.right - 1 : item.left);
        EXPECT_EQ(o.rest.right - o.rest.left + H + 3, item.right - item.left - 1);
        EXPECT_FALSE(Overlap(o.gutter, o.rest));
        // Check box, its mark and the picture stay in the gutter, level with the item.
        EXPECT_TRUE(Inside(o.checkBox, o.gutter));
        EXPECT_EQ(o.checkBox.right - o.checkBox.left, B + 4);
        EXPECT_EQ(o.checkBox.bottom - o.checkBox.top, B + 4);
        const rt::Rect picture{o.picture.x, o.picture.y, o.picture.x + B + 2, o.picture.y + B + 2};
        EXPECT_TRUE(Inside(picture, o.checkBox));
        ASSERT_EQ(o.checkMark.size(), 7u);
        for (const Segment& s : o.checkMark)
            EXPECT_TRUE(Inside(Covered(s), o.checkBox));
        // Text, separator and triangle keep out of the gutter; the triangle lies at the far side.
        EXPECT_FALSE(Overlap(o.text, o.gutter));
        EXPECT_FALSE(Overlap(Covered(o.separator), o.gutter));
        EXPECT_EQ(o.separator.y1, (item.top + item.bottom) / 2 - 1);
        ASSERT_EQ(o.triangle.size(), static_cast<size_t>((bar + 3) / 8 + 1));
        for (const Segment& s : o.triangle) {
            EXPECT_TRUE(Inside(Covered(s), o.rest));
            EXPECT_FALSE(Overlap(Covered(s), o.gutter));
        }
        const Segment& last = o.triangle.back();
        EXPECT_EQ(last.y2 - last.y1, 2 * static_cast<int32_t>(o.triangle.size()) - 1);
        EXPECT_EQ(o.textRightAligned, mirrored);
    }
    // Mirrored, each part is the reflection of the other layout within a pixel or two (the formulas
    // keep a one-pixel asymmetry: the rest of a row never takes the item's last column).
    const PopupItemLayout l = LayOutPopupItem(item, H, B, bar, false);
    const PopupItemLayout r = LayOutPopupItem(item, H, B, bar, true);
    const auto reflect = [&](int32_t x) { return item.left + item.right - x; };
    EXPECT_NEAR(reflect(l.checkBox.right), r.checkBox.left, 2);
    EXPECT_NEAR(reflect(l.triangle[0].x1), r.triangle[0].x1, 2);
    EXPECT_NEAR(reflect(l.text.left), r.text.right, 2);
    EXPECT_EQ(l.separator.x1 - item.left, H + 10);
    EXPECT_EQ(item.right - r.separator.x2, H + 11);
}

// Picture sizes 16 and 24 with an 8-point font (text 13 high), and a large font over small pictures.
INSTANTIATE_TEST_SUITE_P(Metrics, PopupItem,
                         ::testing::Values(Metrics{23, 16, 20}, Metrics{31, 24, 20}, Metrics{27, 16, 27}));

TEST(BarItem, TheShadowLiesInTheThreeColumnsRightOfTheItemFromItsFourthRow) {
    const BarItemLayout o = LayOutBarItem({40, 0, 90, 20});
    EXPECT_EQ(o.fill, (rt::Rect{40, 0, 93, 20}));
    EXPECT_EQ(o.boxGradient, (rt::Rect{41, 1, 89, 19}));
    EXPECT_EQ(o.plainShadow, (rt::Rect{90, 3, 92, 20}));
    EXPECT_EQ(o.shadow,
              (std::vector<ShadowRun>{
                  {true, 90, 3, 20, 64, false}, {true, 91, 3, 20, 43, false}, {true, 92, 3, 20, 21, false}}));
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
