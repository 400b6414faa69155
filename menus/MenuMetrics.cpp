#include "menus/MenuMetrics.h"

#include <algorithm>

namespace menus {

MenuMetrics ComputeMetrics(int32_t textHeight, int32_t bitmapSize) {
    MenuMetrics m;
    m.textHeight = textHeight;
    m.barItemHeight = textHeight + 7;
    m.itemHeight = std::max(textHeight + 7, bitmapSize + 7);
    return m;
}

ItemSize MeasureItem(const MenuMetrics& m, int32_t textWidth, bool menuBarItem, bool separator) {
    ItemSize s;
    s.height = separator ? kSeparatorHeight : m.itemHeight;
    s.width = menuBarItem ? textWidth + 2 : textWidth + 2 * m.itemHeight + 8;
    return s;
}

} // namespace menus
