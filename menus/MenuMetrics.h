#pragma once
// Item heights and widths of owner-drawn menu items, from the measured text and the picture size, at the
// resolution of the window the menus are shown for.
#include <cstdint>

#include "runtime/DpiScale.h"

namespace menus {

struct MenuMetrics {
    int32_t textHeight = 0;
    // Height of the text line of a menu-bar item.
    int32_t barItemHeight = 0;
    // Height of every item that is not a separator.
    int32_t itemHeight = 0;
    // The resolution everything here is measured at, and the picture size there.
    int32_t dpi = rt::kDesignDpi;
    int32_t pictureSize = 0;

    // A 96-DPI design size at this resolution: the one place the menus' fixed pixel sizes scale.
    int32_t Px(int32_t designPixels) const { return rt::ScaleForDpi(designPixels, dpi); }
    // The picture gutter at the side of popup items.
    int32_t SideBarWidth() const { return itemHeight + Px(3); }
};

// From the height of "ABCH" in the item font (already at `dpi`) and the picture size in design pixels.
MenuMetrics ComputeMetrics(int32_t textHeight, int32_t bitmapSize, int32_t dpi = rt::kDesignDpi);

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
