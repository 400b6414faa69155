#include "PopupGeometry.h"

#include <gtest/gtest.h>

namespace menus {
namespace {

TEST(PopupGeometry, ClientSitsInsideTheFlatFrameAndShadow) {
    EXPECT_EQ(PopupClientRect({100, 50, 300, 250}), (rt::Rect{101, 52, 296, 248}));
    EXPECT_EQ(PopupPaintExclusion(200, 120), (rt::Rect{1, 2, 194, 116}));
}

// A bar item at (40, 20)-(90, 40) on a 1024 × 768 screen, a popup 150 × 200 created at (0, 0).
PopupPlacementInput BarDrop(int32_t x, int32_t y) {
    PopupPlacementInput in;
    in.x = x;
    in.y = y;
    in.popup = {0, 0, 150, 200};
    in.item = {40, 20, 90, 40};
    in.tracked = true;
    in.fromMenuBar = true;
    in.screenWidth = 1024;
    in.screenHeight = 768;
    return in;
}

TEST(PlacePopup, BelowABarItemOverlapsItByOnePixel) {
    const PopupPlacement p = PlacePopup(BarDrop(40, 40));
    EXPECT_EQ(p, (PopupPlacement{40, 39, 0, false, true, false}));
}

TEST(PlacePopup, PushedLeftByTheScreenEdgeRemembersTheJoinOffset) {
    const PopupPlacement p = PlacePopup(BarDrop(20, 40));
    EXPECT_EQ(p.x, 20);
    EXPECT_TRUE(p.shiftedLeft);
    EXPECT_EQ(p.joinOffset, 20);
    // An item running past the screen's right edge measures the offset from the item all the same.
    PopupPlacementInput in = BarDrop(998, 40);
    in.item = {1000, 20, 1040, 40};
    EXPECT_EQ(PlacePopup(in).joinOffset, 2);
    EXPECT_FALSE(PlacePopup(in).shiftedLeft);
}

TEST(PlacePopup, AnItemLeftOfTheScreenPullsThePopupToIt) {
    PopupPlacementInput in = BarDrop(0, 40);
    in.item = {-10, 20, 30, 40};
    EXPECT_EQ(PlacePopup(in).x, -10);
}

TEST(PlacePopup, AboveABarItemWhenThereIsNoRoomBelow) {
    PopupPlacementInput in = BarDrop(40, 500);
    in.item = {40, 740, 90, 760};
    in.y = 540;
    in.autoColumn = 3;
    const PopupPlacement p = PlacePopup(in);
    EXPECT_EQ(p.y, 740 - 200 + 4);
    EXPECT_TRUE(p.below);
    EXPECT_TRUE(p.columns);
    in.autoColumn = 0;
    EXPECT_FALSE(PlacePopup(in).columns);
}

TEST(PlacePopup, RightJustifiedItemsMoveThePopupRight) {
    PopupPlacementInput bar = BarDrop(40, 40);
    bar.itemRightJustified = true;
    EXPECT_EQ(PlacePopup(bar).x, 45);
    PopupPlacementInput sub = BarDrop(200, 300);
    sub.fromMenuBar = false;
    sub.itemRightJustified = true;
    EXPECT_EQ(PlacePopup(sub).x, 203);
}

TEST(PlacePopup, SubmenusAlignWithTheirItemButStayOnScreen) {
    PopupPlacementInput in = BarDrop(200, 300);
    in.fromMenuBar = false;
    in.item = {60, 310, 190, 333};
    EXPECT_EQ(PlacePopup(in), (PopupPlacement{200, 310, 0, false, false, false}));
    in.item = {60, 600, 190, 623};
    EXPECT_EQ(PlacePopup(in).y, 768 - 200);
    in.screenHeight = 100; // a popup taller than the screen still starts on it
    EXPECT_EQ(PlacePopup(in).y, 0);
}

TEST(PlacePopup, TheSystemMenuKeepsTheSystemsPosition) {
    PopupPlacementInput in = BarDrop(-30, -40);
    in.tracked = false;
    EXPECT_EQ(PlacePopup(in), (PopupPlacement{-30, -40, 0, false, false, false}));
}

TEST(MenuProtocol, ForwardedMenuSelectAndInitMenuWords) {
    // Item 3 of the system menu, highlighted and a popup: only the item and the system flag go on.
    EXPECT_EQ(ForwardedMenuSelectWParam(0x2090'0003), 0x2200'0003u);
    EXPECT_EQ(ForwardedMenuSelectWParam(0x0080'FFFF), 0x0200'FFFFu);
    EXPECT_EQ(InitMenuWParam(InitMenuCommand::MenuChar, L'f'), 0x0066'0005u);
    EXPECT_EQ(InitMenuWParam(InitMenuCommand::InitMenuBar), 1u);
}

} // namespace
} // namespace menus
