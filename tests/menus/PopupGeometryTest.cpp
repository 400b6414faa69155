#include "menus/PopupGeometry.h"

#include <gtest/gtest.h>

namespace menus {
namespace {

TEST(PopupGeometry, ClientSitsInsideTheFlatFrameAndShadow) {
    EXPECT_EQ(PopupClientRect({100, 50, 300, 250}), (rt::Rect{101, 52, 296, 248}));
    EXPECT_EQ(PopupPaintExclusion(200, 120), (rt::Rect{1, 2, 194, 116}));
    // The insets are 2, 3, 6, 3 at 144 DPI and 2, 4, 8, 4 at 192.
    EXPECT_EQ(PopupClientRect({100, 50, 300, 250}, 144), (rt::Rect{102, 53, 294, 247}));
    EXPECT_EQ(PopupClientRect({100, 50, 300, 250}, 192), (rt::Rect{102, 54, 292, 246}));
}

// A bar item at (40, 20)-(90, 40) on a 1024 × 768 screen, a popup 150 × 200 created at (0, 0).
PopupPlacementInput Drop(int32_t x, int32_t y, rt::Rect item = {40, 20, 90, 40}, bool fromBar = true) {
    return {.x = x,
            .y = y,
            .popup = {0, 0, 150, 200},
            .item = item,
            .tracked = true,
            .fromMenuBar = fromBar,
            .screenWidth = 1024,
            .screenHeight = 768};
}

TEST(PlacePopup, FromABarItem) {
    // Below it, overlapping it by one pixel.
    EXPECT_EQ(PlacePopup(Drop(40, 40)), (PopupPlacement{40, 39, 0, false, true, false}));
    // Pushed left by the screen's edge: the join offset remembers how far.
    EXPECT_EQ(PlacePopup(Drop(20, 40)), (PopupPlacement{20, 39, 20, true, true, false}));
    // An item running past the screen's right edge measures the offset from the item.
    EXPECT_EQ(PlacePopup(Drop(998, 40, {1000, 20, 1040, 40})).joinOffset, 2);
    // An item left of the screen pulls the popup to it.
    EXPECT_EQ(PlacePopup(Drop(0, 40, {-10, 20, 30, 40})).x, -10);
    // No room below: above it, and in columns when the popup has them.
    PopupPlacementInput above = Drop(40, 540, {40, 740, 90, 760});
    above.autoColumn = 3;
    EXPECT_EQ(PlacePopup(above), (PopupPlacement{40, 544, 0, false, true, true}));
    above.itemRightJustified = true;
    EXPECT_EQ(PlacePopup(above).x, 45);
    // At 144 DPI, with dialog frames 5 wide, the frame's bottom outline still lies on the item's top row.
    above.dpi = 144;
    above.dlgFrame = 5;
    EXPECT_EQ(PlacePopup(above), (PopupPlacement{48, 547, 0, false, true, true}));
}

TEST(PlacePopup, ASubmenuAlignsWithItsItemButStaysOnScreen) {
    EXPECT_EQ(PlacePopup(Drop(200, 300, {60, 310, 190, 333}, false)),
              (PopupPlacement{200, 310, 0, false, false, false}));
    EXPECT_EQ(PlacePopup(Drop(200, 300, {60, 600, 190, 623}, false)).y, 768 - 200);
    PopupPlacementInput tall = Drop(200, 300, {60, 600, 190, 623}, false);
    tall.screenHeight = 100;
    tall.itemRightJustified = true;
    EXPECT_EQ(PlacePopup(tall).y, 0);
    EXPECT_EQ(PlacePopup(tall).x, 203);
    // After a system-menu selection nothing is tracked: the system's position stands.
    PopupPlacementInput system = Drop(-30, -40);
    system.tracked = false;
    EXPECT_EQ(PlacePopup(system), (PopupPlacement{-30, -40, 0, false, false, false}));
}

TEST(MenuProtocol, ForwardedMenuSelectAndInitMenuWords) {
    // Item 3 of the system menu, highlighted and a popup: only the item and the system flag go on.
    EXPECT_EQ(ForwardedMenuSelectWParam(0x2090'0003), 0x2200'0003u);
    EXPECT_EQ(ForwardedMenuSelectWParam(0x0080'FFFF), 0x0200'FFFFu);
    EXPECT_EQ(InitMenuWParam(InitMenuCommand::MenuChar, L'f'), 0x0066'0005u);
}

} // namespace
} // namespace menus
