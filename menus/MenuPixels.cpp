#include "menus/MenuPixels.h"

#include <algorithm>

namespace menus {

int32_t ShadowWeight(int32_t d) {
    // (192 − 64d) / 3 to the nearest: the thirds never fall half-way.
    return (192 - 64 * d + 1) / 3;
}

int32_t FadedWeight(int32_t weight, int32_t pos, int32_t length) {
    if (pos < 0 || pos >= length) return 0;
    const int32_t k = std::min({pos + 1, length - pos, 5});
    // Fifths of an integer are never half-way either.
    return (weight * k + 2) / 5;
}

PixelGrid::PixelGrid(int32_t l, int32_t t, int32_t w, int32_t h, Rgb fill)
    : left(l), top(t), width(std::max(w, 0)), height(std::max(h, 0)),
      px(static_cast<size_t>(std::max(w, 0)) * static_cast<size_t>(std::max(h, 0)), fill) {}

void DarkenRun(PixelGrid& grid, const ShadowRun& run) {
    const int32_t length = run.to - run.from;
    for (int32_t i = 0; i < length; ++i) {
        const int32_t x = run.vertical ? run.at : run.from + i;
        const int32_t y = run.vertical ? run.from + i : run.at;
        if (!grid.Contains(x, y)) continue;
        const int32_t w = run.fade ? FadedWeight(run.weight, i, length) : run.weight;
        grid.At(x, y) = Blend(0, grid.At(x, y), w);
    }
}

void TintTowardsSideBar(PixelGrid& image, Rgb sideBar) {
    for (Rgb& p : image.px)
        if (p != kMagenta) p = Blend(sideBar, p, 70);
}

void DisabledSilhouette(PixelGrid& image, Rgb sideBar, Rgb btnShadow) {
    const int32_t threshold = Luminance(sideBar);
    for (Rgb& p : image.px)
        if (p != kMagenta) p = Luminance(p) < threshold ? btnShadow : kMagenta;
}

void HoverShadow(PixelGrid& image, Rgb selectionFill, Rgb btnShadow) {
    const Rgb shade = Blend(selectionFill, btnShadow, 70);
    // From the bottom right up to (2, 2): each pixel looks at one not yet visited, so the shadow is cast
    // by the picture alone and never by shadow pixels already set.
    for (int32_t y = image.height - 1; y >= 2; --y)
        for (int32_t x = image.width - 1; x >= 2; --x) {
            const int32_t ax = image.left + x, ay = image.top + y;
            if (image.At(ax, ay) == kMagenta && image.At(ax - 2, ay - 2) != kMagenta)
                image.At(ax, ay) = shade;
        }
}

} // namespace menus
