#include "drawing/SurfacePixels.h"

#include <cstddef>

namespace drawing {

namespace {

bool Fits(std::size_t size, int32_t w, int32_t h) {
    return w > 0 && h > 0 && size / static_cast<std::size_t>(w) >= static_cast<std::size_t>(h);
}

} // namespace

bool EmbossDisabled(std::span<const uint32_t> src, std::span<uint32_t> dst, int32_t w, int32_t h,
                    uint32_t mask, uint32_t highlight, uint32_t shadow) {
    if (!Fits(src.size(), w, h) || !Fits(dst.size(), w, h)) return false;
    const std::size_t width = static_cast<std::size_t>(w);
    auto inShape = [&](std::size_t x, std::size_t y) {
        const uint32_t px = src[y * width + x] & 0xFFFFFF;
        return px != (mask & 0xFFFFFF) && IsDark(px);
    };
    for (std::size_t y = 0; y + 1 < static_cast<std::size_t>(h); ++y)
        for (std::size_t x = 0; x + 1 < width; ++x)
            if (inShape(x, y)) dst[(y + 1) * width + x + 1] = highlight & 0xFFFFFF;
    for (std::size_t y = 0; y < static_cast<std::size_t>(h); ++y)
        for (std::size_t x = 0; x < width; ++x)
            if (inShape(x, y)) dst[y * width + x] = shadow & 0xFFFFFF;
    return true;
}

IconPlanes SplitIconPlanes(std::span<const uint32_t> pixels, int32_t w, int32_t h, uint32_t key) {
    IconPlanes planes;
    if (!Fits(pixels.size(), w, h)) return planes;
    const std::size_t width = static_cast<std::size_t>(w);
    const std::size_t height = static_cast<std::size_t>(h);
    const std::size_t stride = (width + 15) / 16 * 2;
    planes.mask.assign(stride * height, 0);
    planes.colour.resize(width * height);
    for (std::size_t y = 0; y < height; ++y) {
        for (std::size_t x = 0; x < width; ++x) {
            const uint32_t px = pixels[y * width + x] & 0xFFFFFF;
            const bool transparent = ColorRefOf(px) == key;
            if (transparent) planes.mask[y * stride + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
            planes.colour[y * width + x] = transparent ? 0 : px;
        }
    }
    return planes;
}

} // namespace drawing
