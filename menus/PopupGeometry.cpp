#include "menus/PopupGeometry.h"

#include <algorithm>

namespace menus {

rt::Rect PopupFrameInsets(int32_t dpi) {
    const auto px = [dpi](int32_t v) { return rt::ScaleForDpi(v, dpi); };
    return {px(1), px(2), px(4), px(2)};
}

rt::Rect PopupClientRect(const rt::Rect& window, int32_t dpi) {
    const rt::Rect in = PopupFrameInsets(dpi);
    return {window.left + in.left, window.top + in.top, window.right - in.right, window.bottom - in.bottom};
}

rt::Rect PopupPaintExclusion(int32_t windowWidth, int32_t windowHeight, int32_t dpi) {
    const auto px = [dpi](int32_t v) { return rt::ScaleForDpi(v, dpi); };
    return {px(1), px(2), windowWidth - px(6), windowHeight - px(4)};
}

PopupPlacement PlacePopup(const PopupPlacementInput& in) {
    const auto px = [&in](int32_t v) { return rt::ScaleForDpi(v, in.dpi); };
    PopupPlacement out;
    out.x = in.x;
    out.y = in.y;
    if (!in.tracked) return out;
    const int32_t popupHeight = in.popup.bottom - in.popup.top;
    if (in.fromMenuBar) {
        if (out.x < in.item.left - px(5)) {
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
            // The frame's bottom outline on the item's top row.
            out.y = in.item.top - popupHeight + 2 * in.dlgFrame - px(2);
            out.columns = in.autoColumn >= 1;
        }
        out.below = true;
        if (in.itemRightJustified) out.x += px(5);
    } else {
        out.y = popupHeight + in.item.top < in.screenHeight ? in.item.top : in.screenHeight - popupHeight;
        if (in.itemRightJustified) out.x += px(3);
    }
    out.y = std::max(out.y, 0);
    return out;
}

} // namespace menus
