#include "menus/MenuMetrics.h"

#include <algorithm>

namespace menus {

MenuMetrics ComputeMetrics(int32_t textHeight, int32_t bitmapSize, int32_t dpi) {
    MenuMetrics m;
    m.dpi = dpi;
    m.textHeight = textHeight;
    m.pictureSize = m.Px(bitmapSize);
    m.barItemHeight = textHeight + m.Px(7);
    m.itemHeight = std::max(textHeight, m.pictureSize) + m.Px(7);
    return m;
}

ItemSize MeasureItem(const MenuMetrics& m, int32_t textWidth, bool menuBarItem, bool separator) {
    ItemSize s;
    s.height = separator ? m.Px(kSeparatorHeight) : m.itemHeight;
    s.width = menuBarItem ? textWidth + m.Px(2) : textWidth + 2 * m.itemHeight + m.Px(8);
    return s;
}

} // namespace menus
