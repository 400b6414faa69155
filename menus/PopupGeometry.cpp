#include "menus/PopupGeometry.h"

#include <algorithm>

namespace menus {

rt::Rect PopupClientRect(const rt::Rect& window) {
    return {window.left + 1, window.top + 2, window.right - 4, window.bottom - 2};
}

rt::Rect PopupPaintExclusion(int32_t windowWidth, int32_t windowHeight) {
    return {1, 2, windowWidth - 6, windowHeight - 4};
}

PopupPlacement PlacePopup(const PopupPlacementInput& in) {
    PopupPlacement out;
    out.x = in.x;
    out.y = in.y;
    if (!in.tracked) return out;
    const int32_t popupHeight = in.popup.bottom - in.popup.top;
    if (in.fromMenuBar) {
        if (out.x < in.item.left - 5) {
            out.shiftedLeft = true;
            out.joinOffset = in.item.left - out.x;
        } else if (in.item.left < 0) {
            out.x = in.item.left;
        } else if (out.x > in.popup.left + in.item.left - 1) {
            out.joinOffset = in.popup.left + in.item.left - out.x;
        }
        if (in.item.right > in.screenWidth) out.joinOffset = in.item.left - out.x;
        if (out.y > in.item.bottom - 1) {
            // Overlapping the bar item by one pixel.
            out.y = in.item.bottom - 1;
        } else {
            out.y = in.item.top - popupHeight + 4;
            out.columns = in.autoColumn >= 1;
        }
        out.below = true;
        if (in.itemRightJustified) out.x += 5;
    } else {
        out.y = popupHeight + in.item.top < in.screenHeight ? in.item.top : in.screenHeight - popupHeight;
        if (in.itemRightJustified) out.x += 3;
    }
    out.y = std::max(out.y, 0);
    return out;
}

} // namespace menus
