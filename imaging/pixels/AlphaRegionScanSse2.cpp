// The SSE2 path of the alpha region scan: sixteen alphas at a time become a bit mask of solid pixels,
// and runs are found from the mask's bit changes, so wide transparent or solid stretches cost little.
#include "imaging/pixels/AlphaRegionScan.h"

#if defined(__SSE2__)
#include <emmintrin.h>

#include <algorithm>

namespace imaging::simd {

namespace {

// Bit k set when pixel k of the sixteen from p is solid.
inline uint32_t SolidMask(const uint8_t* p) {
    const auto load = [&](int i) {
        return _mm_srli_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i)), 24);
    };
    const __m128i a = _mm_packus_epi16(_mm_packs_epi32(load(0), load(1)), _mm_packs_epi32(load(2), load(3)));
    return ~static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(a, _mm_setzero_si128()))) & 0xFFFFu;
}

} // namespace

std::vector<RegionRect> ScanAlphaRects(const PixelView& img, int32_t style) {
    std::vector<RegionRect> rects;
    RegionRect box{img.width, img.height, 0, 0};
    for (int32_t y = img.height - 1; y >= 0; --y) {
        const uint8_t* row = img.At(0, y);
        int32_t first = -1, last = -1, runStart = -1;
        // Runs are closed at the first transparent pixel after them; `bits` covers `count` pixels from x0.
        const auto chunk = [&](int32_t x0, uint32_t bits, int count) {
            if (bits == 0 && runStart < 0) return;
            if (bits != 0) {
                if (first < 0) first = x0 + __builtin_ctz(bits);
                last = x0 + 31 - __builtin_clz(bits);
            }
            if (style != kRegionRuns) return;
            const uint32_t all = count == 32 ? ~0u : (1u << count) - 1;
            int k = 0;
            while (k < count) {
                const uint32_t from = all & ~((1u << k) - 1);
                if (runStart >= 0) {
                    const uint32_t gaps = ~bits & from;
                    if (!gaps) return;
                    k = __builtin_ctz(gaps);
                    rects.push_back({runStart, y, x0 + k, y + 1});
                    runStart = -1;
                } else {
                    const uint32_t solid = bits & from;
                    if (!solid) return;
                    k = __builtin_ctz(solid);
                    runStart = x0 + k;
                }
            }
        };
        int32_t x = 0;
        for (; x + 16 <= img.width; x += 16)
            chunk(x, SolidMask(row + static_cast<std::size_t>(x) * 4), 16);
        if (x < img.width) {
            uint32_t bits = 0;
            for (int32_t k = 0; x + k < img.width; ++k)
                if (row[static_cast<std::size_t>(x + k) * 4 + 3] != 0) bits |= 1u << k;
            chunk(x, bits, img.width - x);
        }
        if (runStart >= 0) rects.push_back({runStart, y, img.width, y + 1});
        if (first < 0) continue;
        if (style == kRegionRowSpans) rects.push_back({first, y, last + 1, y + 1});
        box = {std::min(box.left, first), std::min(box.top, y), std::max(box.right, last + 1),
               std::max(box.bottom, y + 1)};
    }
    if (style == kRegionBounds && box.right > box.left) rects.push_back(box);
    return rects;
}

} // namespace imaging::simd

#else

namespace imaging::simd {
std::vector<RegionRect> ScanAlphaRects(const PixelView& img, int32_t style) {
    return imaging::ScanAlphaRects(img, style, PixelPath::Reference);
}
} // namespace imaging::simd

#endif
