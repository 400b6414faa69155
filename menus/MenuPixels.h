#pragma once
// Per-pixel work of the menu drawing: the darkening of drop shadows over what lies behind them and the
// effects that turn an item picture into its normal, disabled and hover images. Pixels are 0x00BBGGRR.
#include <cstdint>
#include <vector>

#include "menus/MenuPalette.h"

namespace menus {

// The transparent colour of item picture images.
constexpr Rgb kMagenta = 0xFF00FF;

// The blend weight of black in a shadow column or row d = 0, 1, 2 away from what casts it: 64 − 64/3 × d
// rounded, so 64, 43 and 21.
int32_t ShadowWeight(int32_t d);
// A weight scaled down over the first and the last 4 pixels of a strip of `length` pixels: the pixel at
// `pos` takes k/5 of it, k being its 1-based distance from the nearer end while that is below 5.
int32_t FadedWeight(int32_t weight, int32_t pos, int32_t length);

// One line of shadow: the pixels from `from` to `to` (exclusive) along a column (vertical, at x = at) or
// a row (at y = at), each blended towards black by `weight`, faded at both ends when `fade` is set.
struct ShadowRun {
    bool vertical = false;
    int32_t at = 0;
    int32_t from = 0;
    int32_t to = 0;
    int32_t weight = 0;
    bool fade = false;
    friend bool operator==(const ShadowRun&, const ShadowRun&) = default;
};

// A rectangle of pixels read from a surface, addressed in the surface's coordinates.
struct PixelGrid {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    std::vector<Rgb> px;

    PixelGrid() = default;
    PixelGrid(int32_t l, int32_t t, int32_t w, int32_t h, Rgb fill = 0);
    bool Contains(int32_t x, int32_t y) const {
        return x >= left && y >= top && x - left < width && y - top < height;
    }
    Rgb& At(int32_t x, int32_t y) { return px[static_cast<size_t>(y - top) * width + (x - left)]; }
    Rgb At(int32_t x, int32_t y) const { return px[static_cast<size_t>(y - top) * width + (x - left)]; }
};

// Darkens the run's pixels that lie in the grid; the fade counts the whole run, inside the grid or not.
void DarkenRun(PixelGrid& grid, const ShadowRun& run);

// Normal image under MenuDrawStyle 2: every picture pixel drawn towards the side bar, blend(side bar, p, 70).
void TintTowardsSideBar(PixelGrid& image, Rgb sideBar);
// Disabled image under MenuDrawStyle 2: picture pixels darker than the side bar become the button shadow
// colour, the others transparent.
void DisabledSilhouette(PixelGrid& image, Rgb sideBar, Rgb btnShadow);
// Hover image under MenuDrawStyle 2: a shadow two pixels down and right of the picture, in
// blend(selection fill, button shadow, 70), on transparent pixels only.
void HoverShadow(PixelGrid& image, Rgb selectionFill, Rgb btnShadow);

} // namespace menus
