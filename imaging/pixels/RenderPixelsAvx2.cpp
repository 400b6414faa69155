// The AVX2 path of the blend, eight pixels a step, chosen at run time on processors that have AVX2.
// Only the functions marked for AVX2 use it, so nothing shared with the other paths is compiled for it.
// Even and odd bytes are weighed in 16-bit lanes in place, with no unpacking: a pixel whose source
// alpha is 0 weighs the target by 255 and adds nothing, which leaves it; the alpha byte of a DC
// snapshot is kept the same way. Grayscale weighs in single precision in the reference's order.
#include "imaging/pixels/RenderPixels.h"
#include "imaging/pixels/Sse2Lanes.h"

#if defined(__SSE2__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>

namespace imaging {

bool CpuHasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

namespace avx2 {

namespace {

#define PELMOR_AVX2 __attribute__((target("avx2")))

// x \ 255 for any unsigned 16-bit x: (x x 0x8081) >> 23.
PELMOR_AVX2 inline __m256i Div255(__m256i x) {
    return _mm256_srli_epi16(_mm256_mulhi_epu16(x, _mm256_set1_epi16(static_cast<int16_t>(0x8081))), 7);
}

// Each pixel's alpha byte in both 16-bit words of the pixel.
PELMOR_AVX2 inline __m256i AlphaWords(__m256i s) {
    const __m256i pick = _mm256_setr_epi8(3, -1, 3, -1, 7, -1, 7, -1, 11, -1, 11, -1, 15, -1, 15, -1, 3, -1,
                                          3, -1, 7, -1, 7, -1, 11, -1, 11, -1, 15, -1, 15, -1);
    return _mm256_shuffle_epi8(s, pick);
}

// Blends a block of 8 pixels. f is the weight of the target's even bytes (blue, red), fOdd of its odd
// ones (green, alpha); s the source bytes, zero where they must add nothing. Full opacity:
// d x f \ 255 + s, held at 255; otherwise (d x f + s x L) \ 255, held at 255 (the 16-bit sum
// saturates only past 65535, whose quotient 257 is held the same).
template <bool kFull>
PELMOR_AVX2 inline __m256i Mix(__m256i d, __m256i s, __m256i f, __m256i fOdd, __m256i L) {
    const __m256i low = _mm256_set1_epi16(0x00FF);
    const __m256i dEven = _mm256_and_si256(d, low), dOdd = _mm256_srli_epi16(d, 8);
    if (kFull) {
        const __m256i even = Div255(_mm256_mullo_epi16(dEven, f));
        const __m256i odd = Div255(_mm256_mullo_epi16(dOdd, fOdd));
        return _mm256_adds_epu8(_mm256_or_si256(even, _mm256_slli_epi16(odd, 8)), s);
    }
    const __m256i even = Div255(
        _mm256_adds_epu16(_mm256_mullo_epi16(dEven, f), _mm256_mullo_epi16(_mm256_and_si256(s, low), L)));
    const __m256i odd = Div255(
        _mm256_adds_epu16(_mm256_mullo_epi16(dOdd, fOdd), _mm256_mullo_epi16(_mm256_srli_epi16(s, 8), L)));
    // Packing holds the quotients at 255 and gives b r b r ... g a g a ... per 16 bytes; interleave them.
    const __m256i order = _mm256_setr_epi8(0, 8, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15, 0, 8, 1, 9,
                                           2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15);
    return _mm256_shuffle_epi8(_mm256_packus_epi16(even, odd), order);
}

// Eight gray values of eight pixels, as the reference weighs them.
PELMOR_AVX2 inline __m256i Gray8(__m256i s, __m256 wb, __m256 wg, __m256 wr) {
    const __m256i byte = _mm256_set1_epi32(0xFF);
    const __m256 b = _mm256_cvtepi32_ps(_mm256_and_si256(s, byte));
    const __m256 g = _mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srli_epi32(s, 8), byte));
    const __m256 r = _mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srli_epi32(s, 16), byte));
    return _mm256_cvtps_epi32(
        _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(b, wb), _mm256_mul_ps(g, wg)), _mm256_mul_ps(r, wr)));
}

template <bool kFull, bool kTargetAlpha, bool kGray>
PELMOR_AVX2 int32_t BlendBlocks(const uint8_t* src, uint8_t* dst, int32_t count, const BlendMode& mode) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i alpha = _mm256_set1_epi32(static_cast<int32_t>(0xFF000000u));
    const __m256i c255 = _mm256_set1_epi16(255);
    const __m256i L = _mm256_set1_epi16(mode.opacity);
    const __m256 wb = _mm256_set1_ps(mode.weights.blue);
    const __m256 wg = _mm256_set1_ps(mode.weights.green);
    const __m256 wr = _mm256_set1_ps(mode.weights.red);
    // A DC snapshot's alpha byte: weighed by 255 with nothing added.
    const __m256i keepWeight = _mm256_set1_epi32(kTargetAlpha ? 0 : 0x00FF0000);
    const __m256i keepByte = kTargetAlpha ? zero : alpha;
    int32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const std::size_t at = static_cast<std::size_t>(i) * 4;
        __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + at));
        if (_mm256_testz_si256(s, alpha)) continue;
        // Gray values never exceed the largest colour byte (the weights sum to at most 1 + 2^-16).
        if (kGray) {
            const __m256i g = Gray8(s, wb, wg, wr);
            s = _mm256_or_si256(_mm256_or_si256(g, _mm256_slli_epi32(g, 8)),
                                _mm256_or_si256(_mm256_slli_epi32(g, 16), _mm256_and_si256(s, alpha)));
        }
        __m256i* dp = reinterpret_cast<__m256i*>(dst + at);
        if (kFull && kTargetAlpha && _mm256_testc_si256(s, alpha)) {
            _mm256_storeu_si256(dp, s);
            continue;
        }
        const __m256i a = AlphaWords(s);
        const __m256i clear = _mm256_cmpeq_epi32(a, zero);
        s = _mm256_andnot_si256(_mm256_or_si256(clear, keepByte), s);
        const __m256i f =
            kFull ? _mm256_sub_epi16(c255, a) : _mm256_sub_epi16(c255, Div255(_mm256_mullo_epi16(a, L)));
        const __m256i fOdd = kTargetAlpha ? f : _mm256_or_si256(f, keepWeight);
        _mm256_storeu_si256(dp, Mix<kFull>(_mm256_loadu_si256(dp), s, f, fOdd, L));
    }
    return i;
}

template <bool kFull, bool kTargetAlpha>
int32_t BlendBlocks(const uint8_t* src, uint8_t* dst, int32_t count, const BlendMode& mode) {
    if (!mode.gray) return BlendBlocks<kFull, kTargetAlpha, false>(src, dst, count, mode);
    const auto rounding = simd::RoundNearest();
    return BlendBlocks<kFull, kTargetAlpha, true>(src, dst, count, mode);
}

} // namespace

void BlendRow(const uint8_t* src, uint8_t* dst, int32_t count, const BlendMode& mode) {
    const bool full = mode.opacity == 255;
    const int32_t done = full ? (mode.targetAlpha ? BlendBlocks<true, true>(src, dst, count, mode)
                                                  : BlendBlocks<true, false>(src, dst, count, mode))
                              : (mode.targetAlpha ? BlendBlocks<false, true>(src, dst, count, mode)
                                                  : BlendBlocks<false, false>(src, dst, count, mode));
    const std::size_t at = static_cast<std::size_t>(done) * 4;
    simd::BlendRow(src + at, dst + at, count - done, mode);
}

} // namespace avx2
} // namespace imaging

#else

namespace imaging {
bool CpuHasAvx2() {
    return false;
}
namespace avx2 {
void BlendRow(const uint8_t* src, uint8_t* dst, int32_t count, const BlendMode& mode) {
    imaging::BlendRow(src, dst, count, mode, PixelPath::Reference);
}
} // namespace avx2
} // namespace imaging

#endif
