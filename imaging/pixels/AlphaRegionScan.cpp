#include "imaging/pixels/AlphaRegionScan.h"

#include <algorithm>
#include <cstring>

namespace imaging {

namespace {

bool Solid(const PixelView& img, int32_t x, int32_t y) {
    return img.At(x, y)[3] != 0;
}

void PutLE32(uint8_t* p, int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(u >> (8 * i));
}

} // namespace

std::vector<RegionRect> ScanAlphaRects(const PixelView& img, int32_t style, PixelPath path) {
    if (UseSimd(path)) return simd::ScanAlphaRects(img, style);
    std::vector<RegionRect> rects;
    RegionRect box{img.width, img.height, 0, 0};
    for (int32_t y = img.height - 1; y >= 0; --y) {
        int32_t first = -1, last = -1, runStart = -1;
        for (int32_t x = 0; x < img.width; ++x) {
            const bool solid = Solid(img, x, y);
            if (solid) {
                if (first < 0) first = x;
                last = x;
                if (runStart < 0) runStart = x;
            }
            if (runStart >= 0 && (!solid || x + 1 == img.width)) {
                if (style == kRegionRuns) rects.push_back({runStart, y, solid ? x + 1 : x, y + 1});
                runStart = -1;
            }
        }
        if (first < 0) continue;
        if (style == kRegionRowSpans) rects.push_back({first, y, last + 1, y + 1});
        box = {std::min(box.left, first), std::min(box.top, y), std::max(box.right, last + 1),
               std::max(box.bottom, y + 1)};
    }
    if (style == kRegionBounds && box.right > box.left) rects.push_back(box);
    return rects;
}

std::vector<uint8_t> RegionDataBlock(std::span<const RegionRect> rects, int32_t left, int32_t width) {
    constexpr std::size_t kHeader = 32;
    std::vector<uint8_t> block(kHeader + rects.size() * sizeof(RegionRect), 0);
    int32_t top = 0, bottom = 0;
    if (!rects.empty()) {
        top = rects.front().top;
        bottom = rects.front().bottom;
        for (const RegionRect& r : rects) {
            top = std::min(top, r.top);
            bottom = std::max(bottom, r.bottom);
        }
    }
    uint8_t* h = block.data();
    PutLE32(h, static_cast<int32_t>(kHeader));
    PutLE32(h + 4, 1);
    PutLE32(h + 8, static_cast<int32_t>(rects.size()));
    PutLE32(h + 12, static_cast<int32_t>(rects.size() * sizeof(RegionRect)));
    PutLE32(h + 16, left);
    PutLE32(h + 20, top);
    PutLE32(h + 24, left + width);
    PutLE32(h + 28, bottom);
    if (!rects.empty()) std::memcpy(h + kHeader, rects.data(), rects.size() * sizeof(RegionRect));
    return block;
}

} // namespace imaging
