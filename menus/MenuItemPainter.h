#pragma once
// Paints one owner-drawn menu item into a drawing surface whose coordinates are the menu's: a menu-bar
// item (background, hot or open box, caption, shadow) or a popup item (gutter, separator, selection and
// check boxes, check mark, picture, text, accelerator and submenu triangle).
#include <string_view>

#include "drawing/cMemDC.h"
#include "menus/MenuColours.h"
#include "menus/MenuDrawGeometry.h"

namespace menus {

struct BarItemLook {
    rt::Rect item;
    // The whole caption, drawn centred.
    std::wstring_view caption;
    bool grayed = false;
    // Its popup is open.
    bool selected = false;
    bool hot = false;
    // The text colour of an item in no other state.
    Rgb foreColour = 0;
    // The open item casts a shadow to its right.
    bool shadow = false;
    bool plainColours = false;
    // The resolution of the menu's window.
    int32_t dpi = rt::kDesignDpi;
};

void DrawBarItem(drawing::cMemDC& dc, const BarItemLook& look, const MenuColours& colours);

struct PopupItemLook {
    rt::Rect item;
    // Item height, picture size and bar item height of the control's metrics.
    int32_t H = 0;
    int32_t B = 0;
    int32_t barItemHeight = 0;
    int32_t dpi = rt::kDesignDpi;
    bool mirrored = false;
    bool separator = false;
    // Last of its menu or of its column: the bottom row is the item background.
    bool endsColumn = false;
    // The menu runs in automatic columns, divided by a line at each item's right edge.
    bool columnLine = false;
    bool grayed = false;
    bool checked = false;
    bool submenu = false;
    bool selected = false;
    bool selectDisabled = true;
    std::wstring_view text;
    std::wstring_view accelerator;
    Rgb foreColour = 0;
    // The selected item's text, box fill and box border.
    Rgb selectedText = 0;
    Rgb selectedFill = 0;
    Rgb selectedBorder = 0;
    // The picture image of the item's state, (B + 2) square or larger, magenta transparent; null for none.
    const drawing::cMemDC* picture = nullptr;
};

void DrawPopupItem(drawing::cMemDC& dc, const PopupItemLook& look, const MenuColours& colours);

// Darkens the runs over what the surface holds there.
void DarkenRuns(drawing::cMemDC& dc, const std::vector<ShadowRun>& runs);

} // namespace menus
