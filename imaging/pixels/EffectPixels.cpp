#include "imaging/pixels/EffectPixels.h"

#include "imaging/pixels/PixelMath.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace imaging {

void FillCheckerBoard(const PixelView& img, int32_t size, uint32_t firstColor, uint32_t secondColor) {
    const uint32_t colors[2] = {OpaqueKey(firstColor), OpaqueKey(secondColor)};
    for (int32_t y = 0; y < img.height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(img.At(0, y));
        const int32_t band = y / size;
        for (int32_t x = 0; x < img.width; ++x)
            row[x] = colors[(band + x / size) & 1];
    }
}

void InvertPremultiplied(const PixelView& img) {
    const std::size_t n = img.ByteCount();
    for (std::size_t i = 0; i < n; i += 4) {
        uint8_t* p = img.bits + i;
        const uint8_t a = p[3];
        if (a == 0) continue;
        for (int c = 0; c < 3; ++c)
            p[c] = static_cast<uint8_t>(a - p[c]);
    }
}

int64_t ReplacePixels(const PixelView& img, uint32_t from, uint32_t to) {
    int64_t changed = 0;
    const std::size_t n = img.ByteCount() / 4;
    auto* px = reinterpret_cast<uint32_t*>(img.bits);
    for (std::size_t i = 0; i < n; ++i)
        if (px[i] == from) {
            px[i] = to;
            ++changed;
        }
    return changed;
}

int32_t ClampBlurDepth(int32_t blurDepth) {
    return std::clamp(blurDepth, 0, 10);
}

void ShadowPalette(uint32_t color, uint32_t (&palette)[256]) {
    const auto r = static_cast<uint8_t>(color), g = static_cast<uint8_t>(color >> 8),
               b = static_cast<uint8_t>(color >> 16);
    for (uint32_t a = 0; a < 256; ++a) {
        const auto alpha = static_cast<uint8_t>(a);
        palette[a] = a == 255 ? OpaqueKey(color)
                     : a == 0 ? 0
                              : uint32_t{Premultiply(b, alpha)} | uint32_t{Premultiply(g, alpha)} << 8 |
                                    uint32_t{Premultiply(r, alpha)} << 16 | a << 24;
    }
}

void DropShadow(const PixelView& src, int32_t blurDepth, uint32_t color, const PixelView& dst,
                PixelPath path) {
    blurDepth = ClampBlurDepth(blurDepth);
    if (UseSimd(path)) return simd::DropShadow(src, blurDepth, color, dst);
    const int32_t s = 2 * blurDepth, n = s + 1, area = n * n;
    const int32_t w = src.width, h = src.height;
    uint32_t palette[256];
    ShadowPalette(color, palette);
    // Column totals over the last n source rows; the ring holds those rows' alphas to drop them again.
    std::vector<int32_t> totals(static_cast<std::size_t>(w), 0);
    std::vector<uint8_t> ring(static_cast<std::size_t>(w) * static_cast<std::size_t>(n), 0);
    for (int32_t y = 0; y < h + s; ++y) {
        uint8_t* slot = ring.data() + static_cast<std::size_t>(y % n) * static_cast<std::size_t>(w);
        for (int32_t x = 0; x < w; ++x) {
            const uint8_t incoming = y < h ? src.At(x, y)[3] : 0;
            totals[static_cast<std::size_t>(x)] += incoming - slot[x];
            slot[x] = incoming;
        }
        auto* out = reinterpret_cast<uint32_t*>(dst.At(0, y));
        for (int32_t x = 0; x < w + s; ++x) {
            int32_t sum = 0;
            for (int32_t c = std::max(0, x - s); c <= std::min(w - 1, x); ++c)
                sum += totals[static_cast<std::size_t>(c)];
            out[x] = palette[sum / area];
        }
    }
}

} // namespace imaging
