#pragma once
// Where each part of an owner-drawn menu item and of a popup's frame image goes, in pixels: popup items
// (gutter, separator, selection and check boxes, check mark, picture, text, submenu triangle, each also
// mirrored), menu-bar items with their shadow, and the frame, join and shadow strips of a popup window.
#include <cstdint>
#include <vector>

#include "menus/MenuPixels.h"
#include "runtime/DpiScale.h"
#include "runtime/Geometry.h"

namespace menus {

// A line as DrawLine draws it: from (x1, y1) up to, not including, (x2, y2).
struct Segment {
    int32_t x1 = 0;
    int32_t y1 = 0;
    int32_t x2 = 0;
    int32_t y2 = 0;
    friend bool operator==(const Segment&, const Segment&) = default;
};

struct PopupItemLayout {
    // The picture gutter, and the rest of the row in the item background.
    rt::Rect gutter;
    rt::Rect rest;
    // Painted in the item background when the item ends its column.
    rt::Rect bottomRow;
    // The line between automatic columns.
    rt::Rect columnLine;
    Segment separator;
    // The selection box, as Rectangle draws it (outline inside the rectangle).
    rt::Rect selectionBox;
    rt::Rect checkBox;
    std::vector<Segment> checkMark;
    // Top left of the (B + 2)-square picture image.
    rt::Point picture;
    // Text and accelerator share one rectangle; the text keeps to the side away from the gutter.
    rt::Rect text;
    bool textRightAligned = false;
    // The submenu triangle, one column per segment, tip first.
    std::vector<Segment> triangle;
};

// `item` from the DRAWITEMSTRUCT, `H` the item height, `B` the picture size, `barItemHeight` the height of
// menu-bar items (it sizes the triangle), all at `dpi`, which scales the fixed offsets. Mirrored puts the
// gutter at the right.
PopupItemLayout LayOutPopupItem(const rt::Rect& item, int32_t H, int32_t B, int32_t barItemHeight,
                                bool mirrored, int32_t dpi = rt::kDesignDpi);

struct BarItemLayout {
    // The bar background, 3 pixels wider than the item so the shadow lies on it; the gradient one more.
    rt::Rect fill;
    rt::Rect gradient;
    // The hot or open item's box and its gradient inside.
    rt::Rect box;
    rt::Rect boxGradient;
    // The open item's shadow: a strip with plain colours, else three columns darkened 64, 43, 21.
    rt::Rect plainShadow;
    std::vector<ShadowRun> shadow;
};

BarItemLayout LayOutBarItem(const rt::Rect& item, int32_t dpi = rt::kDesignDpi);

// How a popup meets the open menu-bar item it drops from.
struct FrameJoin {
    bool present = false;
    // The popup opened above the item, so they meet on the frame's bottom row.
    bool onBottom = false;
    // How far the popup's left edge lies left of the item's; below 2 counts as 0.
    int32_t offset = 0;
    int32_t itemWidth = 0;
    bool rightJustified = false;
};

struct FrameLayout {
    int32_t frameWidth = 0;
    int32_t frameHeight = 0;
    // The flat frame, filled and bordered, and the gutter carried through it.
    rt::Rect frame;
    rt::Rect gutter;
    // The join: on row joinRow, from joinFrom up to joinTo, in the open bar item's fill.
    bool joined = false;
    int32_t joinRow = 0;
    int32_t joinFrom = 0;
    int32_t joinTo = 0;
    // The shadow as 2-pixel strips in the button shadow colour (plain colours), or as darkened runs.
    std::vector<rt::Rect> plainShadow;
    std::vector<ShadowRun> shadow;
};

// For a popup window of w × h with dialog frames `dlgFrame` wide and items `H` high, the frame at its top
// left corner, (w − 2·dlgFrame + 1) × (h − 2·dlgFrame + 3).
FrameLayout LayOutPopupFrame(int32_t w, int32_t h, int32_t dlgFrame, int32_t H, const FrameJoin& join,
                             int32_t dpi = rt::kDesignDpi);
// The same around a given frame rectangle (window coordinates), for a system that outlines the popup's
// client area itself and puts the items `itemInset` pixels inside it: the frame then is that outline,
// and the gutter through it widens by the inset so it still meets the items' gutter.
FrameLayout LayOutPopupFrameAt(const rt::Rect& frame, int32_t H, const FrameJoin& join, int32_t itemInset,
                               int32_t dpi = rt::kDesignDpi);

// The window size a popup needs when the system puts its items away from the client's top left corner
// (`items` in client coordinates) and sized the window as if the client were the whole window: the
// client then gets the margins around the items the system meant. Where the items start at the corner,
// the size the system chose stands.
rt::Point PopupSizeForItems(int32_t w, int32_t h, const rt::Rect& items, int32_t dpi = rt::kDesignDpi);

} // namespace menus
