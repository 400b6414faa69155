// The AVX2 path of bilinear stretching for weights that are not multiples of 1/128. It repeats the
// reference's double-precision operations in the same order, a whole pixel (four doubles) at a time,
// and mixes each source row's pair of columns once for every destination row that uses that row.
// Without FMA contraction (AVX2 alone is enabled) each product and sum rounds as the reference's does.
#include "imaging/pixels/RenderPixels.h"

#if defined(__SSE2__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>

#include <cstring>

namespace imaging::avx2 {

namespace {

#define PELMOR_AVX2 __attribute__((target("avx2")))

PELMOR_AVX2 inline __m256d PixelDoubles(const uint8_t* p) {
    int32_t v;
    std::memcpy(&v, p, 4);
    return _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(v)));
}

// w0 x p0 + w1 x p1 per channel, for every destination column of one source row.
PELMOR_AVX2 void MixColumns(const uint8_t* row, const BilinearTap* cols, int32_t count, double* out) {
    for (int32_t i = 0; i < count; ++i, out += 4) {
        const BilinearTap& t = cols[i];
        const __m256d p0 = PixelDoubles(row + static_cast<std::size_t>(t.i0) * 4);
        const __m256d p1 = PixelDoubles(row + static_cast<std::size_t>(t.i1) * 4);
        _mm256_storeu_pd(out, _mm256_add_pd(_mm256_mul_pd(_mm256_set1_pd(t.w0), p0),
                                            _mm256_mul_pd(_mm256_set1_pd(t.w1), p1)));
    }
}

PELMOR_AVX2 inline __m128i MixRows(const double* top, const double* bottom, __m256d w0, __m256d w1) {
    const __m256d v =
        _mm256_add_pd(_mm256_mul_pd(w0, _mm256_loadu_pd(top)), _mm256_mul_pd(w1, _mm256_loadu_pd(bottom)));
    return _mm256_cvttpd_epi32(v);
}

// wy0 x top + wy1 x bottom per channel, truncated and held to a byte.
PELMOR_AVX2 void MixRowPair(const double* top, const double* bottom, double wy0, double wy1, int32_t count,
                            uint8_t* out) {
    const __m256d w0 = _mm256_set1_pd(wy0), w1 = _mm256_set1_pd(wy1);
    const __m128i zero = _mm_setzero_si128();
    int32_t i = 0;
    for (; i + 2 <= count; i += 2, top += 8, bottom += 8, out += 8) {
        const __m128i v = _mm_packs_epi32(MixRows(top, bottom, w0, w1), MixRows(top + 4, bottom + 4, w0, w1));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(v, zero));
    }
    if (i < count) {
        const int32_t px =
            _mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(MixRows(top, bottom, w0, w1), zero), zero));
        std::memcpy(out, &px, 4);
    }
}

// Two source rows' column mixes are kept: the one a destination row shares with the previous is reused.
PELMOR_AVX2 void StretchRows(const PixelView& src, const BilinearTap* cols, const BilinearTap* rows,
                             const PixelView& dst, double* cache) {
    const std::size_t stride = static_cast<std::size_t>(dst.width) * 4;
    double* slot[2] = {cache, cache + stride};
    int32_t held[2] = {-1, -1};
    const auto mixed = [&](int32_t want, int32_t other) PELMOR_AVX2 {
        for (int k = 0; k < 2; ++k)
            if (held[k] == want) return slot[k];
        const int k = held[0] == other ? 1 : 0;
        MixColumns(src.At(0, want), cols, dst.width, slot[k]);
        held[k] = want;
        return slot[k];
    };
    // Rows in memory order, the bottom row first: walking addresses downwards defeats the prefetcher.
    for (int32_t j = dst.height - 1; j >= 0; --j) {
        const BilinearTap& ty = rows[j];
        const double* top = mixed(ty.i0, ty.i1);
        const double* bottom = mixed(ty.i1, ty.i0);
        MixRowPair(top, bottom, ty.w0, ty.w1, dst.width, dst.At(0, j));
    }
}

// Nearest: each block of 8 destination columns whose sources lie within 16 pixels of its first
// (base >= 0) picks them from two loads by permutation; other blocks and the tail copy one by one.
PELMOR_AVX2 void PickRows(const PixelView& src, PixelRect r, const PixelView& dst, const int32_t* cols,
                          const int32_t* base, const int32_t* index) {
    const double yRatio = static_cast<double>(r.height) / dst.height;
    const __m256i seven = _mm256_set1_epi32(7);
    const int32_t blocks = dst.width / 8;
    // Rows in memory order, the bottom row first: walking addresses downwards defeats the prefetcher.
    for (int32_t j = dst.height - 1; j >= 0; --j) {
        const uint8_t* from = src.At(0, r.top + NearestIndex(j, yRatio, r.height));
        uint8_t* to = dst.At(0, j);
        for (int32_t k = 0; k < blocks; ++k, to += 32) {
            if (base[k] < 0) {
                for (int32_t i = 0; i < 8; ++i)
                    std::memcpy(to + i * 4, from + static_cast<std::size_t>(cols[k * 8 + i]) * 4, 4);
                continue;
            }
            const uint8_t* at = from + static_cast<std::size_t>(base[k]) * 4;
            const __m256i pick = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(index + k * 8));
            const __m256i lo =
                _mm256_permutevar8x32_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at)), pick);
            const __m256i hi = _mm256_permutevar8x32_epi32(
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 32)), pick);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(to),
                                _mm256_blendv_epi8(lo, hi, _mm256_cmpgt_epi32(pick, seven)));
        }
        for (int32_t i = blocks * 8; i < dst.width; ++i, to += 4)
            std::memcpy(to, from + static_cast<std::size_t>(cols[i]) * 4, 4);
    }
}

} // namespace

void StretchNearest(const PixelView& src, PixelRect r, const PixelView& dst) {
    const double xRatio = static_cast<double>(r.width) / dst.width;
    const std::size_t width = static_cast<std::size_t>(dst.width);
    std::vector<int32_t> cols(width), base(width / 8), index(width / 8 * 8);
    for (int32_t i = 0; i < dst.width; ++i)
        cols[static_cast<std::size_t>(i)] = r.left + NearestIndex(i, xRatio, r.width);
    for (std::size_t k = 0; k < base.size(); ++k) {
        const int32_t first = cols[k * 8];
        // Both loads must stay inside the source row.
        const bool near = cols[k * 8 + 7] - first < 16 && first + 16 <= src.width;
        base[k] = near ? first : -1;
        for (std::size_t i = 0; i < 8; ++i)
            index[k * 8 + i] = cols[k * 8 + i] - first;
    }
    PickRows(src, r, dst, cols.data(), base.data(), index.data());
}

PELMOR_AVX2 int32_t MixRowsDyadic(const uint8_t* top, const uint8_t* bottom, int16_t w0, int16_t w1,
                                  int32_t width, int16_t* mixed) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i wy0 = _mm256_set1_epi16(w0), wy1 = _mm256_set1_epi16(w1);
    int32_t x = 0;
    for (; x + 8 <= width; x += 8) {
        const std::size_t at = static_cast<std::size_t>(x) * 4;
        // Lane-wise unpacking keeps pixels 0-1 and 4-5 in lo, 2-3 and 6-7 in hi; the permutes restore order.
        const __m256i t = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(top + at));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bottom + at));
        const __m256i lo = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(t, zero), wy0),
                                            _mm256_mullo_epi16(_mm256_unpacklo_epi8(b, zero), wy1));
        const __m256i hi = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(t, zero), wy0),
                                            _mm256_mullo_epi16(_mm256_unpackhi_epi8(b, zero), wy1));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(mixed + at), _mm256_permute2x128_si256(lo, hi, 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(mixed + at + 16),
                            _mm256_permute2x128_si256(lo, hi, 0x31));
    }
    return x;
}

void StretchBilinearDouble(const PixelView& src, const std::vector<BilinearTap>& cols,
                           const std::vector<BilinearTap>& rows, const PixelView& dst) {
    std::vector<double> cache(static_cast<std::size_t>(dst.width) * 8);
    StretchRows(src, cols.data(), rows.data(), dst, cache.data());
}

} // namespace imaging::avx2

#else

namespace imaging::avx2 {
void StretchNearest(const PixelView& src, PixelRect r, const PixelView& dst) {
    imaging::StretchNearest(src, r, dst, PixelPath::Reference);
}
} // namespace imaging::avx2

#endif
