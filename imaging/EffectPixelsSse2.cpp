// The SSE2 path of the drop shadow: the same column totals, kept without a ring (the dropped row is
// read again from the source), a prefix sum per row for the horizontal window, and the colour
// premultiplied in 16-bit lanes. The division by the window area is a single-precision division,
// exact here: sums stay below 2^24 and a quotient that is not whole lies at least 1/area from one.
#include "EffectPixels.h"

#if defined(__SSE2__)
#include <emmintrin.h>

#include <vector>

namespace imaging::simd {

namespace {

inline __m128i Div255(__m128i x) {
    return _mm_srli_epi16(_mm_mulhi_epu16(x, _mm_set1_epi16(static_cast<int16_t>(0x8081))), 7);
}

// The alphas of four pixels as 32-bit lanes.
inline __m128i Alphas(const uint8_t* p) {
    return _mm_srli_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), 24);
}

} // namespace

void DropShadow(const PixelView& src, int32_t blurDepth, uint32_t color, const PixelView& dst) {
    const int32_t s = 2 * blurDepth, n = s + 1;
    const int32_t w = src.width, h = src.height, outW = w + s;
    // Totals of the source columns at [s, s + w), zero on both sides; prefix[k] sums totals [0, k).
    std::vector<int32_t> totals(static_cast<std::size_t>(w + 2 * s + 4), 0);
    std::vector<int32_t> prefix(static_cast<std::size_t>(w + 2 * s + 8), 0);
    const __m128 area = _mm_set1_ps(static_cast<float>(n * n));
    const __m128i zero = _mm_setzero_si128();
    const __m128i colour = _mm_set_epi16(255, static_cast<int16_t>(color & 0xFF), static_cast<int16_t>((color >> 8) & 0xFF),
                                         static_cast<int16_t>((color >> 16) & 0xFF), 255,
                                         static_cast<int16_t>(color & 0xFF), static_cast<int16_t>((color >> 8) & 0xFF),
                                         static_cast<int16_t>((color >> 16) & 0xFF));
    int32_t* t = totals.data() + s;
    for (int32_t y = 0; y < h + s; ++y) {
        const uint8_t* in = y < h ? src.At(0, y) : nullptr;
        const uint8_t* out = y - n >= 0 && y - n < h ? src.At(0, y - n) : nullptr;
        int32_t x = 0;
        for (; x + 4 <= w; x += 4) {
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + x));
            if (in) v = _mm_add_epi32(v, Alphas(in + static_cast<std::size_t>(x) * 4));
            if (out) v = _mm_sub_epi32(v, Alphas(out + static_cast<std::size_t>(x) * 4));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(t + x), v);
        }
        for (; x < w; ++x)
            t[x] += (in ? in[static_cast<std::size_t>(x) * 4 + 3] : 0) - (out ? out[static_cast<std::size_t>(x) * 4 + 3] : 0);

        // Prefix sums four at a time: a scan inside the register plus the running total.
        __m128i carry = zero;
        const int32_t span = w + 2 * s;
        for (int32_t k = 0; k < span; k += 4) {
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(totals.data() + k));
            v = _mm_add_epi32(v, _mm_slli_si128(v, 4));
            v = _mm_add_epi32(v, _mm_slli_si128(v, 8));
            v = _mm_add_epi32(v, carry);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(prefix.data() + k + 1), v);
            carry = _mm_shuffle_epi32(v, 0xFF);
        }

        // Window of shadow column x: totals [x, x + s], that is prefix[x + s + 1] - prefix[x].
        uint8_t* row = dst.At(0, y);
        int32_t i = 0;
        for (; i + 4 <= outW; i += 4) {
            const __m128i sum = _mm_sub_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(prefix.data() + i + s + 1)),
                                              _mm_loadu_si128(reinterpret_cast<const __m128i*>(prefix.data() + i)));
            const __m128i q = _mm_cvttps_epi32(_mm_div_ps(_mm_cvtepi32_ps(sum), area));
            const __m128i q16 = _mm_packs_epi32(q, zero);
            const __m128i spread = _mm_unpacklo_epi16(q16, q16);
            const __m128i lo = Div255(_mm_mullo_epi16(_mm_unpacklo_epi32(spread, spread), colour));
            const __m128i hi = Div255(_mm_mullo_epi16(_mm_unpackhi_epi32(spread, spread), colour));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(row + static_cast<std::size_t>(i) * 4), _mm_packus_epi16(lo, hi));
        }
        uint32_t palette[256];
        if (i < outW) ShadowPalette(color, palette);
        for (; i < outW; ++i) {
            const int32_t sum = prefix[static_cast<std::size_t>(i + s + 1)] - prefix[static_cast<std::size_t>(i)];
            const uint32_t px = palette[sum / (n * n)];
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
