// The SSE2 paths of the blend and of lightness. Each gives exactly the bytes of the reference path:
// the integer formulas run in 16-bit lanes, whose bounds the comments show, and the grayscale weighing
// repeats the reference's single-precision operations in the same order.
#include "imaging/pixels/RenderPixels.h"
#include "imaging/pixels/Sse2Lanes.h"

#if defined(__SSE2__)
#include <emmintrin.h>

#include <algorithm>
#include <cstring>

namespace imaging::simd {

namespace {

// Four gray values of four pixels, as the reference weighs them.
inline __m128i Gray4(__m128i s, __m128 wb, __m128 wg, __m128 wr) {
    const __m128i byte = _mm_set1_epi32(0xFF);
    const __m128 b = _mm_cvtepi32_ps(_mm_and_si128(s, byte));
    const __m128 g = _mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(s, 8), byte));
    const __m128 r = _mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(s, 16), byte));
    const __m128 gray = _mm_add_ps(_mm_add_ps(_mm_mul_ps(b, wb), _mm_mul_ps(g, wg)), _mm_mul_ps(r, wr));
    return _mm_cvtps_epi32(gray);
}

} // namespace

namespace {

// The blend, 4 pixels a step, the gray value standing for the colour bytes with kGray. Even and odd bytes are
// weighed in 16-bit lanes in place, with no unpacking: a pixel whose source alpha is 0 weighs the target by
// 255 and adds nothing, which leaves it; the alpha byte of a DC snapshot is kept the same way. Full opacity:
// d x (255 - a) \ 255 + s, held at 255; otherwise (d x inv + s x L) \ 255, held at 255 (the 16-bit sum
// saturates only past 65535, whose quotient 257 is held the same). Answers the pixels done.
template <bool kFull, bool kTargetAlpha, bool kGray>
int32_t BlendBlocks(const uint8_t* src, uint8_t* dst, int32_t count, const BlendMode& mode) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i alpha = _mm_set1_epi32(static_cast<int32_t>(0xFF000000u));
    const __m128i low = _mm_set1_epi16(0x00FF);
    const __m128i L = _mm_set1_epi16(mode.opacity);
    const __m128 wb = _mm_set1_ps(mode.weights.blue);
    const __m128 wg = _mm_set1_ps(mode.weights.green);
    const __m128 wr = _mm_set1_ps(mode.weights.red);
    const __m128i keepWeight = _mm_set1_epi32(kTargetAlpha ? 0 : 0x00FF0000);
    const __m128i keepByte = kTargetAlpha ? zero : alpha;
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const std::size_t at = static_cast<std::size_t>(i) * 4;
        __m128i s = Load(src + at);
        const __m128i a32 = _mm_srli_epi32(s, 24);
        const __m128i clear = _mm_cmpeq_epi32(a32, zero);
        const int clearMask = _mm_movemask_epi8(clear);
        if (clearMask == 0xFFFF) continue;
        // Gray values never exceed the largest colour byte (the weights sum to at most 1 + 2^-16).
        if (kGray) {
            const __m128i g = Gray4(s, wb, wg, wr);
            s = _mm_or_si128(_mm_or_si128(g, _mm_slli_epi32(g, 8)),
                             _mm_or_si128(_mm_slli_epi32(g, 16), _mm_slli_epi32(a32, 24)));
        }
        if (kFull && kTargetAlpha &&
            (_mm_movemask_epi8(_mm_cmpeq_epi32(a32, _mm_set1_epi32(255))) == 0xFFFF)) {
            Store(dst + at, s);
            continue;
        }
        s = _mm_andnot_si128(_mm_or_si128(clear, keepByte), s);
        const __m128i a = _mm_or_si128(a32, _mm_slli_epi32(a32, 16));
        const __m128i f = kFull ? _mm_sub_epi16(low, a) : _mm_sub_epi16(low, Div255(_mm_mullo_epi16(a, L)));
        const __m128i fOdd = kTargetAlpha ? f : _mm_or_si128(f, keepWeight);
        const __m128i d = Load(dst + at);
        const __m128i dEven = _mm_and_si128(d, low), dOdd = _mm_srli_epi16(d, 8);
        __m128i result;
        if (kFull) {
            const __m128i even = Div255(_mm_mullo_epi16(dEven, f));
            const __m128i odd = Div255(_mm_mullo_epi16(dOdd, fOdd));
            result = _mm_adds_epu8(_mm_or_si128(even, _mm_slli_epi16(odd, 8)), s);
        } else {
            const __m128i even =
                Div255(_mm_adds_epu16(_mm_mullo_epi16(dEven, f), _mm_mullo_epi16(_mm_and_si128(s, low), L)));
            const __m128i odd =
                Div255(_mm_adds_epu16(_mm_mullo_epi16(dOdd, fOdd), _mm_mullo_epi16(_mm_srli_epi16(s, 8), L)));
            // Packing holds the quotients at 255 and gives b r b r ... g a g a ...; interleave the halves.
            const __m128i packed = _mm_packus_epi16(even, odd);
            result = _mm_unpacklo_epi8(packed, _mm_srli_si128(packed, 8));
        }
        Store(dst + at, result);
    }
    return i;
}

} // namespace

void BlendRow(const uint8_t* src, uint8_t* dst, int32_t count, const BlendMode& mode) {
    const auto rounding = RoundNearest();
    const int kind = (mode.opacity == 255 ? 4 : 0) | (mode.targetAlpha ? 2 : 0) | (mode.gray ? 1 : 0);
    using Blocks = int32_t (*)(const uint8_t*, uint8_t*, int32_t, const BlendMode&);
    static constexpr Blocks kBlocks[8] = {BlendBlocks<false, false, false>, BlendBlocks<false, false, true>,
                                          BlendBlocks<false, true, false>,  BlendBlocks<false, true, true>,
                                          BlendBlocks<true, false, false>,  BlendBlocks<true, false, true>,
                                          BlendBlocks<true, true, false>,   BlendBlocks<true, true, true>};
    const int32_t done = kBlocks[kind](src, dst, count, mode);
    const std::size_t at = static_cast<std::size_t>(done) * 4;
    imaging::BlendRow(src + at, dst + at, count - done, mode, PixelPath::Reference);
}

void AdjustLightness(const PixelView& src, const PixelView& dst, float LightAdjustment) {
    const float d = LightAdjustment / 100.0f * 255.0f;
    // Per alpha: the step added to the three colour bytes (0 to alpha) and the bound held to.
    alignas(16) int16_t add[256][4];
    alignas(16) int16_t bound[256][4];
    for (int a = 0; a < 256; ++a) {
        const int16_t step =
            a == 0 ? 0 : static_cast<int16_t>(LightnessDelta(LightAdjustment, static_cast<uint8_t>(a)));
        const int16_t top = a == 0 ? 255 : static_cast<int16_t>(a);
        for (int c = 0; c < 3; ++c) {
            add[a][c] = step;
            bound[a][c] = top;
        }
        add[a][3] = 0;
        bound[a][3] = 255;
    }
    const bool lighten = d > 0;
    const __m128i zero = _mm_setzero_si128();
    const std::size_t n = src.ByteCount();
    const auto pair = [&](const uint8_t* s, int16_t(*table)[4]) {
        return _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(table[s[3]])),
                                  _mm_loadl_epi64(reinterpret_cast<const __m128i*>(table[s[7]])));
    };
    const auto two = [&](const uint8_t* s, __m128i px) {
        const __m128i v = _mm_add_epi16(px, pair(s, add));
        return lighten ? _mm_min_epi16(v, pair(s, bound)) : _mm_max_epi16(v, zero);
    };
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const uint8_t* s = src.bits + i;
        const __m128i px = Load(s);
        const __m128i lo = two(s, _mm_unpacklo_epi8(px, zero));
        const __m128i hi = two(s + 8, _mm_unpackhi_epi8(px, zero));
        Store(dst.bits + i, _mm_packus_epi16(lo, hi));
    }
    for (; i < n; i += 4) {
        const PixelView one{src.bits + i, 1, 1};
        imaging::AdjustLightness(one, {dst.bits + i, 1, 1}, LightAdjustment, PixelPath::Reference);
    }
}

} // namespace imaging::simd

#else

namespace imaging::simd {
void AdjustLightness(const PixelView& src, const PixelView& dst, float LightAdjustment) {
    imaging::AdjustLightness(src, dst, LightAdjustment, PixelPath::Reference);
}
void BlendRow(const uint8_t* src, uint8_t* dst, int32_t count, const BlendMode& mode) {
    imaging::BlendRow(src, dst, count, mode, PixelPath::Reference);
}
} // namespace imaging::simd

#endif
