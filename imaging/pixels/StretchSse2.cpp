// The SSE2 paths of stretching. Nearest copies through a table of source columns. Bilinear repeats the
// reference's double-precision operations two channels at a time; when every weight is a multiple of
// 1/128 (halving, doubling, 3:2 and the like) those operations are exact, so the same bytes come from
// integer arithmetic: the two rows are mixed first, then the two columns, in 16-bit and 32-bit lanes.
#include "imaging/pixels/RenderPixels.h"

#if defined(__SSE2__)
#include <emmintrin.h>

#include <cmath>
#include <cstring>

namespace imaging::simd {

void StretchNearest(const PixelView& src, PixelRect r, const PixelView& dst) {
    const double xRatio = static_cast<double>(r.width) / dst.width;
    const double yRatio = static_cast<double>(r.height) / dst.height;
    std::vector<int32_t> cols(static_cast<std::size_t>(dst.width));
    for (int32_t i = 0; i < dst.width; ++i)
        cols[static_cast<std::size_t>(i)] = r.left + NearestIndex(i, xRatio, r.width);
    // Rows in memory order, the bottom row first: walking addresses downwards defeats the prefetcher.
    for (int32_t j = dst.height - 1; j >= 0; --j) {
        const auto* from =
            reinterpret_cast<const uint32_t*>(src.At(0, r.top + NearestIndex(j, yRatio, r.height)));
        auto* to = reinterpret_cast<uint32_t*>(dst.At(0, j));
        int32_t i = 0;
        for (; i + 4 <= dst.width; i += 4) {
            const std::size_t k = static_cast<std::size_t>(i);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i),
                             _mm_set_epi32(static_cast<int32_t>(from[cols[k + 3]]),
                                           static_cast<int32_t>(from[cols[k + 2]]),
                                           static_cast<int32_t>(from[cols[k + 1]]),
                                           static_cast<int32_t>(from[cols[k]])));
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
    const __m128i x =
        _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int32_t>(v)), zero), zero);
    lo = _mm_cvtepi32_pd(x);
    hi = _mm_cvtepi32_pd(_mm_shuffle_epi32(x, 0xEE));
}

void StretchBilinearDouble(const PixelView& src, const std::vector<BilinearTap>& cols,
                           const std::vector<BilinearTap>& rows, const PixelView& dst) {
    const __m128i zero = _mm_setzero_si128();
    // Rows in memory order, the bottom row first: walking addresses downwards defeats the prefetcher.
    for (int32_t j = dst.height - 1; j >= 0; --j) {
        const BilinearTap& ty = rows[static_cast<std::size_t>(j)];
        const uint8_t* row0 = src.At(0, ty.i0);
        const uint8_t* row1 = src.At(0, ty.i1);
        const __m128d wy0 = _mm_set1_pd(ty.w0), wy1 = _mm_set1_pd(ty.w1);
        uint8_t* out = dst.At(0, j);
        for (int32_t i = 0; i < dst.width; ++i, out += 4) {
            const BilinearTap& tx = cols[static_cast<std::size_t>(i)];
            const __m128d wx0 = _mm_set1_pd(tx.w0), wx1 = _mm_set1_pd(tx.w1);
            const std::size_t c0 = static_cast<std::size_t>(tx.i0) * 4,
                              c1 = static_cast<std::size_t>(tx.i1) * 4;
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

// Weights as multiples of 1/128, when they all are.
bool DyadicWeights(const std::vector<BilinearTap>& taps, std::vector<int16_t>& w0, std::vector<int16_t>& w1) {
    w0.resize(taps.size());
    w1.resize(taps.size());
    for (std::size_t i = 0; i < taps.size(); ++i) {
        const double a = taps[i].w0 * 128.0, b = taps[i].w1 * 128.0;
        if (a != std::floor(a) || b != std::floor(b)) return false;
        w0[i] = static_cast<int16_t>(a);
        w1[i] = static_cast<int16_t>(b);
    }
    return true;
}

// Each byte is (wx0 x (wy0 x p00 + wy1 x p01) + wx1 x (wy0 x p10 + wy1 x p11)) >> 14 with the weights
// in 1/128: the exact value the double-precision sum reaches, truncated.
void StretchBilinearDyadic(const PixelView& src, PixelRect r, const std::vector<BilinearTap>& cols,
                           const std::vector<int16_t>& cw0, const std::vector<int16_t>& cw1,
                           const std::vector<BilinearTap>& rows, const std::vector<int16_t>& rw0,
                           const std::vector<int16_t>& rw1, const PixelView& dst, bool avx2) {
    const __m128i zero = _mm_setzero_si128();
    // Per destination column: where its two mixed pixels lie and their weights as one pair of 16 bits.
    struct ColumnTap {
        std::size_t a, b;
        int32_t weights;
    };
    std::vector<ColumnTap> columns(cols.size());
    for (std::size_t i = 0; i < cols.size(); ++i)
        columns[i] = {static_cast<std::size_t>(cols[i].i0 - r.left) * 4,
                      static_cast<std::size_t>(cols[i].i1 - r.left) * 4,
                      static_cast<int32_t>(static_cast<uint16_t>(cw0[i])) | static_cast<int32_t>(cw1[i])
                                                                                << 16};
    // The two source rows mixed, 4 x 16 bits per source pixel of the rectangle (plus room for one block).
    std::vector<int16_t> mixed(static_cast<std::size_t>(r.width + 4) * 4);
    // Rows in memory order, the bottom row first: walking addresses downwards defeats the prefetcher.
    for (int32_t j = dst.height - 1; j >= 0; --j) {
        const std::size_t jj = static_cast<std::size_t>(j);
        const uint8_t* top = src.At(r.left, rows[jj].i0);
        const uint8_t* bottom = src.At(r.left, rows[jj].i1);
        const __m128i wy0 = _mm_set1_epi16(rw0[jj]), wy1 = _mm_set1_epi16(rw1[jj]);
        int32_t x = avx2 ? avx2::MixRowsDyadic(top, bottom, rw0[jj], rw1[jj], r.width, mixed.data()) : 0;
        for (; x + 4 <= r.width; x += 4) {
            const __m128i t =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(top + static_cast<std::size_t>(x) * 4));
            const __m128i b =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom + static_cast<std::size_t>(x) * 4));
            const __m128i lo = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(t, zero), wy0),
                                             _mm_mullo_epi16(_mm_unpacklo_epi8(b, zero), wy1));
            const __m128i hi = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(t, zero), wy0),
                                             _mm_mullo_epi16(_mm_unpackhi_epi8(b, zero), wy1));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(&mixed[static_cast<std::size_t>(x) * 4]), lo);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(&mixed[static_cast<std::size_t>(x) * 4 + 8]), hi);
        }
        for (; x < r.width; ++x)
            for (int c = 0; c < 4; ++c) {
                const std::size_t k = static_cast<std::size_t>(x) * 4 + static_cast<std::size_t>(c);
                mixed[k] = static_cast<int16_t>(rw0[jj] * top[k] + rw1[jj] * bottom[k]);
            }

        uint8_t* out = dst.At(0, j);
        const auto pixel = [&](int32_t i) {
            const ColumnTap& c = columns[static_cast<std::size_t>(i)];
            const __m128i pair =
                _mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(&mixed[c.a])),
                                   _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&mixed[c.b])));
            return _mm_srli_epi32(_mm_madd_epi16(pair, _mm_set1_epi32(c.weights)), 14);
        };
        int32_t i = 0;
        for (; i + 2 <= dst.width; i += 2) {
            const __m128i v = _mm_packs_epi32(pixel(i), pixel(i + 1));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + static_cast<std::size_t>(i) * 4),
                             _mm_packus_epi16(v, zero));
        }
        if (i < dst.width) {
            const int32_t px = _mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(pixel(i), zero), zero));
            std::memcpy(out + static_cast<std::size_t>(i) * 4, &px, 4);
        }
    }
}

} // namespace

void StretchBilinear(const PixelView& src, PixelRect r, const PixelView& dst, bool avx2) {
    const std::vector<BilinearTap> cols = BilinearTaps(r.left, r.width, dst.width);
    const std::vector<BilinearTap> rows = BilinearTaps(r.top, r.height, dst.height);
    std::vector<int16_t> cw0, cw1, rw0, rw1;
    if (DyadicWeights(cols, cw0, cw1) && DyadicWeights(rows, rw0, rw1))
        return StretchBilinearDyadic(src, r, cols, cw0, cw1, rows, rw0, rw1, dst, avx2);
    if (avx2) return avx2::StretchBilinearDouble(src, cols, rows, dst);
    StretchBilinearDouble(src, cols, rows, dst);
}

} // namespace imaging::simd

#else

namespace imaging::simd {
void StretchNearest(const PixelView& src, PixelRect r, const PixelView& dst) {
    imaging::StretchNearest(src, r, dst, PixelPath::Reference);
}
void StretchBilinear(const PixelView& src, PixelRect r, const PixelView& dst, bool) {
    imaging::StretchBilinear(src, r, dst, PixelPath::Reference);
}
} // namespace imaging::simd

#endif
