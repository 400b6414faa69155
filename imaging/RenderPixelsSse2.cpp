// The SSE2 paths of the drawing stages. Each gives exactly the bytes of the reference path: integer
// formulas run in 16-bit lanes where the premultiplied rule bounds them (pixels that break the rule go
// through the reference), and the floating-point ones repeat the same operations in the same order.
#include "RenderPixels.h"

#if defined(__SSE2__)
#include <emmintrin.h>

#include <algorithm>
#include <cstring>

namespace imaging::simd {

namespace {

// x / 255 for any unsigned 16-bit x.
inline __m128i Div255(__m128i x) {
    return _mm_srli_epi16(_mm_mulhi_epu16(x, _mm_set1_epi16(static_cast<int16_t>(0x8081))), 7);
}

// Each pixel's alpha in all four of its bytes.
inline __m128i SpreadAlpha(__m128i px) {
    __m128i a = _mm_srli_epi32(px, 24);
    a = _mm_or_si128(a, _mm_slli_epi32(a, 8));
    return _mm_or_si128(a, _mm_slli_epi32(a, 16));
}

inline __m128i Load(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void Store(uint8_t* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// Rounds to nearest, ties to even, for the duration of a kernel whatever the caller left in MXCSR.
class RoundNearest {
  public:
    RoundNearest() : saved_(_mm_getcsr()) { _mm_setcsr(saved_ & ~0x6000u); }
    ~RoundNearest() { _mm_setcsr(saved_); }
    RoundNearest(const RoundNearest&) = delete;
    RoundNearest& operator=(const RoundNearest&) = delete;

  private:
    unsigned saved_;
};

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

void BlendRow(const uint8_t* src, uint8_t* dst, int32_t count, const BlendMode& mode) {
    const RoundNearest rounding;
    const __m128i zero = _mm_setzero_si128();
    const __m128i alphaByte = _mm_set1_epi32(static_cast<int32_t>(0xFF000000u));
    const __m128i c255 = _mm_set1_epi16(255);
    const __m128i L = _mm_set1_epi16(mode.opacity);
    const __m128 wb = _mm_set1_ps(mode.weights.blue);
    const __m128 wg = _mm_set1_ps(mode.weights.green);
    const __m128 wr = _mm_set1_ps(mode.weights.red);
    // The target bytes the blend must not change: the alpha byte of a DC snapshot.
    const __m128i keep = mode.targetAlpha ? zero : alphaByte;
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const uint8_t* sp = src + static_cast<std::size_t>(i) * 4;
        uint8_t* dp = dst + static_cast<std::size_t>(i) * 4;
        __m128i s = Load(sp);
        const __m128i a32 = _mm_srli_epi32(s, 24);
        const __m128i clear = _mm_cmpeq_epi32(a32, zero);
        if (_mm_movemask_epi8(clear) == 0xFFFF) continue;
        if (mode.gray) {
            const __m128i g = Gray4(s, wb, wg, wr);
            if (_mm_movemask_epi8(_mm_cmpgt_epi32(g, a32)) != 0) {
                imaging::BlendRow(sp, dp, 4, mode, PixelPath::Reference);
                continue;
            }
            s = _mm_or_si128(_mm_or_si128(g, _mm_slli_epi32(g, 8)),
                             _mm_or_si128(_mm_slli_epi32(g, 16), _mm_slli_epi32(a32, 24)));
        }
        const __m128i aSpread = SpreadAlpha(s);
        // A colour byte above its alpha would leave the 16-bit lanes: the reference takes the block.
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_subs_epu8(s, aSpread), zero)) != 0xFFFF) {
            imaging::BlendRow(sp, dp, 4, mode, PixelPath::Reference);
            continue;
        }
        const __m128i d = Load(dp);
        __m128i result;
        if (mode.opacity == 255 && _mm_movemask_epi8(_mm_cmpeq_epi32(a32, _mm_set1_epi32(255))) == 0xFFFF) {
            result = s;
        } else {
            const __m128i aLo = _mm_unpacklo_epi8(aSpread, zero), aHi = _mm_unpackhi_epi8(aSpread, zero);
            const __m128i sLo = _mm_unpacklo_epi8(s, zero), sHi = _mm_unpackhi_epi8(s, zero);
            const __m128i dLo = _mm_unpacklo_epi8(d, zero), dHi = _mm_unpackhi_epi8(d, zero);
            __m128i rLo, rHi;
            if (mode.opacity == 255) {
                rLo = _mm_add_epi16(Div255(_mm_mullo_epi16(dLo, _mm_sub_epi16(c255, aLo))), sLo);
                rHi = _mm_add_epi16(Div255(_mm_mullo_epi16(dHi, _mm_sub_epi16(c255, aHi))), sHi);
            } else {
                const __m128i invLo = _mm_sub_epi16(c255, Div255(_mm_mullo_epi16(aLo, L)));
                const __m128i invHi = _mm_sub_epi16(c255, Div255(_mm_mullo_epi16(aHi, L)));
                rLo = Div255(_mm_add_epi16(_mm_mullo_epi16(dLo, invLo), _mm_mullo_epi16(sLo, L)));
                rHi = Div255(_mm_add_epi16(_mm_mullo_epi16(dHi, invHi), _mm_mullo_epi16(sHi, L)));
            }
            result = _mm_packus_epi16(rLo, rHi);
        }
        const __m128i leave = _mm_or_si128(clear, keep);
        Store(dp, _mm_or_si128(_mm_andnot_si128(leave, result), _mm_and_si128(leave, d)));
    }
    imaging::BlendRow(src + static_cast<std::size_t>(i) * 4, dst + static_cast<std::size_t>(i) * 4, count - i,
                      mode, PixelPath::Reference);
}

void AdjustLightness(const PixelView& src, const PixelView& dst, float LightAdjustment) {
    const float d = LightAdjustment / 100.0f * 255.0f;
    // Per alpha: the step added to the three colour bytes (0 to alpha) and the bound held to.
    alignas(16) int16_t add[256][4];
    alignas(16) int16_t bound[256][4];
    for (int a = 0; a < 256; ++a) {
        const int16_t step = a == 0 ? 0 : static_cast<int16_t>(LightnessDelta(LightAdjustment, static_cast<uint8_t>(a)));
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
    const auto pair = [&](const uint8_t* s, int16_t (*table)[4]) {
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

void StretchNearest(const PixelView& src, PixelRect r, const PixelView& dst) {
    const double xRatio = static_cast<double>(r.width) / dst.width;
    const double yRatio = static_cast<double>(r.height) / dst.height;
    std::vector<int32_t> cols(static_cast<std::size_t>(dst.width));
    for (int32_t i = 0; i < dst.width; ++i)
        cols[static_cast<std::size_t>(i)] = r.left + NearestIndex(i, xRatio, r.width);
    for (int32_t j = 0; j < dst.height; ++j) {
        const auto* from = reinterpret_cast<const uint32_t*>(src.At(0, r.top + NearestIndex(j, yRatio, r.height)));
        auto* to = reinterpret_cast<uint32_t*>(dst.At(0, j));
        int32_t i = 0;
        for (; i + 4 <= dst.width; i += 4) {
            const std::size_t k = static_cast<std::size_t>(i);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i),
                             _mm_set_epi32(static_cast<int32_t>(from[cols[k + 3]]), static_cast<int32_t>(from[cols[k + 2]]),
                                           static_cast<int32_t>(from[cols[k + 1]]), static_cast<int32_t>(from[cols[k]])));
        }
        for (; i < dst.width; ++i)
            to[i] = from[cols[static_cast<std::size_t>(i)]];
    }
}

namespace {

// The four bytes of a pixel as two pairs of doubles (blue, green) and (red, alpha).
inline void ToDoubles(const uint8_t* p, __m128d& lo, __m128d& hi) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    const __m128i zero = _mm_setzero_si128();
    const __m128i x = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int32_t>(v)), zero), zero);
    lo = _mm_cvtepi32_pd(x);
    hi = _mm_cvtepi32_pd(_mm_shuffle_epi32(x, 0xEE));
}

} // namespace

void StretchBilinear(const PixelView& src, PixelRect r, const PixelView& dst) {
    const std::vector<BilinearTap> cols = BilinearTaps(r.left, r.width, dst.width);
    const std::vector<BilinearTap> rows = BilinearTaps(r.top, r.height, dst.height);
    const __m128i zero = _mm_setzero_si128();
    for (int32_t j = 0; j < dst.height; ++j) {
        const BilinearTap& ty = rows[static_cast<std::size_t>(j)];
        const uint8_t* row0 = src.At(0, ty.i0);
        const uint8_t* row1 = src.At(0, ty.i1);
        const __m128d wy0 = _mm_set1_pd(ty.w0), wy1 = _mm_set1_pd(ty.w1);
        uint8_t* out = dst.At(0, j);
        for (int32_t i = 0; i < dst.width; ++i, out += 4) {
            const BilinearTap& tx = cols[static_cast<std::size_t>(i)];
            const __m128d wx0 = _mm_set1_pd(tx.w0), wx1 = _mm_set1_pd(tx.w1);
            const std::size_t c0 = static_cast<std::size_t>(tx.i0) * 4, c1 = static_cast<std::size_t>(tx.i1) * 4;
            __m128d p00l, p00h, p10l, p10h, p01l, p01h, p11l, p11h;
            ToDoubles(row0 + c0, p00l, p00h);
            ToDoubles(row0 + c1, p10l, p10h);
            ToDoubles(row1 + c0, p01l, p01h);
            ToDoubles(row1 + c1, p11l, p11h);
            const __m128d topL = _mm_add_pd(_mm_mul_pd(wx0, p00l), _mm_mul_pd(wx1, p10l));
            const __m128d topH = _mm_add_pd(_mm_mul_pd(wx0, p00h), _mm_mul_pd(wx1, p10h));
            const __m128d botL = _mm_add_pd(_mm_mul_pd(wx0, p01l), _mm_mul_pd(wx1, p11l));
            const __m128d botH = _mm_add_pd(_mm_mul_pd(wx0, p01h), _mm_mul_pd(wx1, p11h));
            const __m128d vL = _mm_add_pd(_mm_mul_pd(wy0, topL), _mm_mul_pd(wy1, botL));
            const __m128d vH = _mm_add_pd(_mm_mul_pd(wy0, topH), _mm_mul_pd(wy1, botH));
            const __m128i v = _mm_unpacklo_epi64(_mm_cvttpd_epi32(vL), _mm_cvttpd_epi32(vH));
            const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(v, zero), zero);
            const int32_t px = _mm_cvtsi128_si32(packed);
            std::memcpy(out, &px, 4);
        }
    }
}

} // namespace imaging::simd

#else

namespace imaging::simd {
void StretchNearest(const PixelView& src, PixelRect r, const PixelView& dst) {
    imaging::StretchNearest(src, r, dst, PixelPath::Reference);
}
void StretchBilinear(const PixelView& src, PixelRect r, const PixelView& dst) {
    imaging::StretchBilinear(src, r, dst, PixelPath::Reference);
}
void AdjustLightness(const PixelView& src, const PixelView& dst, float LightAdjustment) {
    imaging::AdjustLightness(src, dst, LightAdjustment, PixelPath::Reference);
}
void BlendRow(const uint8_t* src, uint8_t* dst, int32_t count, const BlendMode& mode) {
    imaging::BlendRow(src, dst, count, mode, PixelPath::Reference);
}
} // namespace imaging::simd

#endif
