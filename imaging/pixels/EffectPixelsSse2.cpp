// The SSE2 path of the drop shadow: the same column totals, built from the bottom row up and kept
// without a ring (the dropped row is read again from the source), a prefix sum per row for the
// horizontal window, and the colour premultiplied in 16-bit lanes. The division by the window area is
// (sum + 0.5) x (1 / area) in single precision: with sum = k x area + r the exact value lies at least
// 0.5 / area (>= 1/882) inside (k, k + 1), far more than the product's rounding error (sums stay below
// 2^17), so it truncates to k.
#include "imaging/pixels/EffectPixels.h"
#include "imaging/pixels/Sse2Lanes.h"

#if defined(__SSE2__)
#include <emmintrin.h>

#include <algorithm>
#include <vector>

namespace imaging::simd {

namespace {

// The alphas of four pixels as 32-bit lanes.
inline __m128i Alphas(const uint8_t* p) {
    return _mm_srli_epi32(Load(p), 24);
}

} // namespace

void DropShadow(const PixelView& src, int32_t blurDepth, uint32_t color, const PixelView& dst) {
    const int32_t s = 2 * blurDepth, n = s + 1;
    const int32_t w = src.width, h = src.height, outW = w + s;
    // Totals of the source columns at [s, s + w), zero on both sides; prefix[k] sums totals [0, k).
    // Unsigned: across a very wide row the sums wrap around, and the differences of two stay exact.
    std::vector<int32_t> totals(static_cast<std::size_t>(w + 2 * s + 4), 0);
    std::vector<uint32_t> prefix(static_cast<std::size_t>(w + 2 * s + 8), 0);
    const __m128 inverseArea = _mm_set1_ps(1.0f / static_cast<float>(n * n));
    const __m128 half = _mm_set1_ps(0.5f);
    const __m128i zero = _mm_setzero_si128();
    const __m128i colour =
        _mm_set_epi16(255, static_cast<int16_t>(color & 0xFF), static_cast<int16_t>((color >> 8) & 0xFF),
                      static_cast<int16_t>((color >> 16) & 0xFF), 255, static_cast<int16_t>(color & 0xFF),
                      static_cast<int16_t>((color >> 8) & 0xFF), static_cast<int16_t>((color >> 16) & 0xFF));
    int32_t* t = totals.data() + s;
    uint32_t* p = prefix.data();
    uint32_t palette[256];
    ShadowPalette(color, palette);
    // Shadow rows from the bottom up, in memory order: row y's window, source rows y - s ... y, gains
    // row y - s and loses row y + 1 on the way up.
    for (int32_t y = h + s - 1; y >= 0; --y) {
        const uint8_t* in = y - s >= 0 && y - s < h ? src.At(0, y - s) : nullptr;
        const uint8_t* out = y + 1 < h ? src.At(0, y + 1) : nullptr;
        const auto update = [&](int32_t x) {
            t[x] += (in ? in[static_cast<std::size_t>(x) * 4 + 3] : 0) -
                    (out ? out[static_cast<std::size_t>(x) * 4 + 3] : 0);
        };
        // The totals of the source columns brought up to date, with their prefix sums: p[k] sums
        // totals [0, k), so p[0...s] stay 0 and p stays constant after the last source column.
        __m128i carry = zero;
        int32_t x = 0;
        for (; x + 4 <= w; x += 4) {
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + x));
            if (in) v = _mm_add_epi32(v, Alphas(in + static_cast<std::size_t>(x) * 4));
            if (out) v = _mm_sub_epi32(v, Alphas(out + static_cast<std::size_t>(x) * 4));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(t + x), v);
            v = _mm_add_epi32(v, _mm_slli_si128(v, 4));
            v = _mm_add_epi32(v, _mm_slli_si128(v, 8));
            v = _mm_add_epi32(v, carry);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p + s + x + 1), v);
            carry = _mm_shuffle_epi32(v, 0xFF);
        }
        for (; x < w; ++x) {
            update(x);
            p[s + x + 1] = p[s + x] + static_cast<uint32_t>(t[x]);
        }
        std::fill(p + s + w + 1, p + w + 2 * s + 1, p[s + w]);

        // Shadow column i's window, totals [i, i + s], is p[i + s + 1] - p[i].
        uint8_t* row = dst.At(0, y);
        int32_t i = 0;
        for (; i + 4 <= outW; i += 4) {
            const __m128i sum =
                _mm_sub_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + s + 1)),
                              _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)));
            const __m128i q =
                _mm_cvttps_epi32(_mm_mul_ps(_mm_add_ps(_mm_cvtepi32_ps(sum), half), inverseArea));
            const __m128i q16 = _mm_packs_epi32(q, zero);
            const __m128i spread = _mm_unpacklo_epi16(q16, q16);
            const __m128i lo = Div255(_mm_mullo_epi16(_mm_unpacklo_epi32(spread, spread), colour));
            const __m128i hi = Div255(_mm_mullo_epi16(_mm_unpackhi_epi32(spread, spread), colour));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(row + static_cast<std::size_t>(i) * 4),
                             _mm_packus_epi16(lo, hi));
        }
        for (; i < outW; ++i) {
            const uint32_t px = palette[(p[i + s + 1] - p[i]) / static_cast<uint32_t>(n * n)];
            __builtin_memcpy(row + static_cast<std::size_t>(i) * 4, &px, 4);
        }
    }
}

} // namespace imaging::simd

#else

namespace imaging::simd {
void DropShadow(const PixelView& src, int32_t blurDepth, uint32_t color, const PixelView& dst) {
    imaging::DropShadow(src, blurDepth, color, dst, PixelPath::Reference);
}
} // namespace imaging::simd

#endif
