#include "menus/PopupFramePainter.h"

#include "menus/MenuItemPainter.h"

namespace menus {

void PaintPopupFrame(drawing::cMemDC& image, const FrameLayout& layout, const FrameLook& look,
                     const MenuColours& c) {
    const rt::Rect& f = layout.frame;
    image.Rectangle(f.left, f.top, f.right, f.bottom, c.itemBack, nullptr, c.menuBorder);
    const rt::Rect& g = layout.gutter;
    // The items' gutter runs on through the frame: as a gradient where the items paint one.
    if (c.sideBarGradient)
        image.FillGradient(g.left, g.top, g.right, g.bottom, c.gradientOne, c.gradientTwo, false);
    else
        image.FillRect(g.left, g.top, g.right, g.bottom, c.sideBar);
    if (layout.joined)
        image.FillRect(layout.joinFrom, layout.joinRow, layout.joinTo, layout.joinRow + 1, look.joinColour);
    if (!look.shadow) return;
    if (look.plainColours) {
        for (const rt::Rect& r : layout.plainShadow)
            image.FillRect(r.left, r.top, r.right, r.bottom, c.btnShadow);
    } else {
        DarkenRuns(image, layout.shadow);
    }
}

} // namespace menus
