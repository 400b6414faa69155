#pragma once
// Item heights and widths of owner-drawn menu items, from the measured text and the picture size.
#include <cstdint>

namespace menus {

struct MenuMetrics {
    int32_t textHeight = 0;
    // Height of the text line of a menu-bar item.
    int32_t barItemHeight = 0;
    // Height of every item that is not a separator.
    int32_t itemHeight = 0;

    // The picture gutter at the side of popup items.
    int32_t SideBarWidth() const { return itemHeight + 3; }
};

// From the height of "ABCH" in the item font.
MenuMetrics ComputeMetrics(int32_t textHeight, int32_t bitmapSize);

constexpr int32_t kSeparatorHeight = 2;

struct ItemSize {
    int32_t width = 0;
    int32_t height = 0;
    friend bool operator==(const ItemSize&, const ItemSize&) = default;
};

// The answer to WM_MEASUREITEM for one of our items; textWidth is the whole caption's, accelerator
// included.
ItemSize MeasureItem(const MenuMetrics& m, int32_t textWidth, bool menuBarItem, bool separator);

} // namespace menus
