#include "menus/SurfacePixelIO.h"

#include "drawing/PixelDib.h"
#include "drawing/SurfacePixels.h"

namespace menus {

PixelGrid ReadPixels(HDC dc, int32_t x, int32_t y, int32_t w, int32_t h) {
    if (!dc || w <= 0 || h <= 0) return {};
    const drawing::PixelDib buffer(w, h);
    if (!buffer.ok() || !::BitBlt(buffer.dc(), 0, 0, w, h, dc, x, y, SRCCOPY)) return {};
    PixelGrid grid(x, y, w, h);
    const std::span<const uint32_t> bits = buffer.pixels();
    for (size_t i = 0; i < grid.px.size(); ++i)
        grid.px[i] = drawing::ColorRefOf(bits[i] & 0xFFFFFF);
    return grid;
}

void WritePixels(HDC dc, const PixelGrid& grid) {
    if (!dc || grid.px.empty()) return;
    const drawing::PixelDib buffer(grid.width, grid.height);
    const std::span<uint32_t> bits = buffer.pixels();
    if (bits.empty()) return;
    for (size_t i = 0; i < grid.px.size(); ++i)
        bits[i] = drawing::PixelOf(grid.px[i]);
    ::BitBlt(dc, grid.left, grid.top, grid.width, grid.height, buffer.dc(), 0, 0, SRCCOPY);
}

} // namespace menus
