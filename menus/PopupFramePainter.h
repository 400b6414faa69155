#pragma once
// The frame image of a popup menu window: a flat frame in the menu border colour over the item
// background, the gutter carried through it, the join with the open menu-bar item and the drop shadow
// over the captured background.
#include "drawing/cMemDC.h"
#include "menus/MenuColours.h"
#include "menus/MenuDrawGeometry.h"

namespace menus {

struct FrameLook {
    // The open bar item's fill, which the join continues.
    Rgb joinColour = 0;
    bool shadow = true;
    bool plainColours = false;
};

// `image` is the popup's window size and holds what lies behind the popup.
void PaintPopupFrame(drawing::cMemDC& image, const FrameLayout& layout, const FrameLook& look,
                     const MenuColours& colours);

} // namespace menus
