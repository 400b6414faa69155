#include "imaging/png/PngFilters.h"

#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace imaging::png {

// ---- reference: byte by byte, as the rules read

static uint8_t PaethPredictor(int left, int above, int upperLeft) {
    const int p = left + above - upperLeft;
    const int pa = std::abs(p - left), pb = std::abs(p - above), pc = std::abs(p - upperLeft);
    if (pa <= pb && pa <= pc) return static_cast<uint8_t>(left);
    if (pb <= pc) return static_cast<uint8_t>(above);
    return static_cast<uint8_t>(upperLeft);
}

// Bytes from..length of the row; the ones before are already reconstructed.
static void UnfilterBytes(uint8_t type, uint8_t* row, const uint8_t* prev, size_t from, size_t length,
                          size_t d) {
    for (size_t i = from; i < length; ++i) {
        const int left = i >= d ? row[i - d] : 0;
        const int above = prev ? prev[i] : 0;
        const int upperLeft = prev && i >= d ? prev[i - d] : 0;
        int predictor = 0;
        switch (type) {
        case 1:
            predictor = left;
            break;
        case 2:
            predictor = above;
            break;
        case 3:
            predictor = (left + above) / 2;
            break;
        case 4:
            predictor = PaethPredictor(left, above, upperLeft);
            break;
        default:
            break;
        }
        row[i] = static_cast<uint8_t>(row[i] + predictor);
    }
}

bool UnfilterRowReference(uint8_t type, uint8_t* row, const uint8_t* prev, size_t length,
                          int distance) noexcept {
    if (type > 4) return false;
    UnfilterBytes(type, row, prev, 0, length, static_cast<size_t>(distance));
    return true;
}

// ---- fast

namespace {

void Up(uint8_t* row, const uint8_t* prev, size_t length) {
    for (size_t i = 0; i < length; ++i)
        row[i] = static_cast<uint8_t>(row[i] + prev[i]);
}

template <int D> void Sub(uint8_t* row, size_t length) {
    for (size_t i = D; i < length; ++i)
        row[i] = static_cast<uint8_t>(row[i] + row[i - D]);
}

template <int D> void Average(uint8_t* row, const uint8_t* prev, size_t length) {
    const size_t first = length < D ? length : D;
    for (size_t i = 0; i < first; ++i)
        row[i] = static_cast<uint8_t>(row[i] + (prev[i] >> 1));
    for (size_t i = D; i < length; ++i)
        row[i] = static_cast<uint8_t>(row[i] + ((row[i - D] + prev[i]) >> 1));
}

template <int D> void AverageFirstRow(uint8_t* row, size_t length) {
    for (size_t i = D; i < length; ++i)
        row[i] = static_cast<uint8_t>(row[i] + (row[i - D] >> 1));
}

// Branch-free scalar Paeth: the predictor picks by the smallest of three distances, ties in a fixed order.
template <int D> void Paeth(uint8_t* row, const uint8_t* prev, size_t length) {
    const size_t first = length < D ? length : D;
    for (size_t i = 0; i < first; ++i)
        row[i] = static_cast<uint8_t>(row[i] + prev[i]);
    for (size_t i = D; i < length; ++i) {
        const int a = row[i - D], b = prev[i], c = prev[i - D];
        const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
        const int pred = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
        row[i] = static_cast<uint8_t>(row[i] + pred);
    }
}

#if defined(__SSE2__)
// Pixels of D bytes (3 to 8) are worked on in the low 16-bit lanes of a register, loaded and stored as
// W bytes: 4 for D = 3, 8 for D = 6. The W - D bytes past the pixel belong to the next one and are
// stored back as they were read, so whole-word moves replace partial ones.
template <int D> constexpr int kWord = D == 3 ? 4 : D == 6 ? 8 : D;

// A pixel's word as bytes in the low lanes.
template <int D> __m128i LoadBytes(const uint8_t* p) {
    if constexpr (kWord<D> == 4) {
        int32_t x;
        std::memcpy(&x, p, 4);
        return _mm_cvtsi32_si128(x);
    } else {
        return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
    }
}

// Stores the pixel's D bytes of x, and the raw bytes after them unchanged.
template <int D> void StoreBytes(uint8_t* p, __m128i x, __m128i raw) {
    if constexpr (kWord<D> != D) {
        const __m128i keep = _mm_slli_si128(_mm_set1_epi32(-1), D);
        x = _mm_or_si128(_mm_andnot_si128(keep, x), _mm_and_si128(keep, raw));
    }
    if constexpr (kWord<D> == 4) {
        const int32_t v = _mm_cvtsi128_si32(x);
        std::memcpy(p, &v, 4);
    } else {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p), x);
    }
}

// The same pixel in 16-bit lanes.
inline __m128i Widen(__m128i bytes) {
    return _mm_unpacklo_epi8(bytes, _mm_setzero_si128());
}
inline __m128i Narrow(__m128i lanes) {
    return _mm_packus_epi16(_mm_and_si128(lanes, _mm_set1_epi16(0xFF)), _mm_setzero_si128());
}

// Each loop stops where a whole word no longer fits the row; the bytes left are done byte by byte.
// The next pixel's raw word is read before this pixel's word is stored: read after, it would overlap
// the store partly, which stalls store-to-load forwarding.
template <int D, class Step>
[[gnu::always_inline]] inline size_t Pipelined(uint8_t* row, size_t length, Step step) {
    size_t i = 0;
    if (length < kWord<D>) return 0;
    __m128i raw = LoadBytes<D>(row);
    for (;; i += D) {
        const __m128i x = step(i, raw);
        const bool more = i + D + kWord<D> <= length;
        const __m128i next = more ? LoadBytes<D>(row + i + D) : raw;
        StoreBytes<D>(row + i, x, raw);
        if (!more) return i + D;
        raw = next;
    }
}

// Sub and Average work on bytes, sums modulo 256 as the rules have them.
template <int D> size_t SubVector(uint8_t* row, size_t length) {
    __m128i left = _mm_setzero_si128();
    return Pipelined<D>(row, length, [&](size_t, __m128i raw) {
        left = _mm_add_epi8(raw, left);
        return left;
    });
}

// floor((left + above) / 2) = ~avg(~left, ~above), where avg rounds up; carried as ~left, each pixel
// then waits on the one before for an average and a subtraction only.
template <int D> size_t AverageVector(uint8_t* row, const uint8_t* prev, size_t length) {
    const __m128i ones = _mm_set1_epi8(-1);
    __m128i notLeft = ones;
    return Pipelined<D>(row, length, [&](size_t i, __m128i raw) {
        const __m128i notAbove = _mm_xor_si128(LoadBytes<D>(prev + i), ones);
        notLeft = _mm_sub_epi8(_mm_avg_epu8(notLeft, notAbove), raw);
        return _mm_xor_si128(notLeft, ones);
    });
}

// Paeth as thresholds on d = left - upper-left, worked out from the row above before left is known, so
// that each pixel waits on the one before for a subtraction, two compares and two selects only. With
// e = above - upper-left, the three distances are |e|, |d| and |d + e|; then
//   left           when d >= max(e, -2e) or d <= min(e, -2e),
//   else above     when e > 0 and 2d >= -e, or e < 0 and 2d <= -e,
//   else upper-left.
template <int D> size_t PaethVector(uint8_t* row, const uint8_t* prev, size_t length) {
    const __m128i zero = _mm_setzero_si128(), one = _mm_set1_epi16(1), ones = _mm_set1_epi16(-1);
    __m128i a = zero, c = zero;
    return Pipelined<D>(row, length, [&](size_t i, __m128i rawBytes) {
        const __m128i raw = Widen(rawBytes);
        const __m128i b = Widen(LoadBytes<D>(prev + i));
        const __m128i e = _mm_sub_epi16(b, c);
        const __m128i minus2e = _mm_sub_epi16(zero, _mm_add_epi16(e, e));
        const __m128i hiBelow = _mm_sub_epi16(_mm_max_epi16(e, minus2e), one);
        const __m128i loAbove = _mm_add_epi16(_mm_min_epi16(e, minus2e), one);
        const __m128i positive = _mm_cmpgt_epi16(e, zero);
        // Above when d > split: split = -(e >> 1) - 1 for e > 0, (-e) >> 1 otherwise.
        const __m128i splitPositive = _mm_xor_si128(_mm_srai_epi16(e, 1), ones);
        const __m128i splitOther = _mm_srai_epi16(_mm_sub_epi16(zero, e), 1);
        const __m128i split =
            _mm_xor_si128(splitOther, _mm_and_si128(positive, _mm_xor_si128(splitPositive, splitOther)));
        // high = above for e > 0, else upper-left; low is the other one.
        const __m128i bc = _mm_xor_si128(b, c);
        const __m128i swap = _mm_and_si128(positive, bc);
        const __m128i low = _mm_xor_si128(b, swap);

        const __m128i d = _mm_sub_epi16(a, c);
        const __m128i useLeft = _mm_or_si128(_mm_cmpgt_epi16(d, hiBelow), _mm_cmpgt_epi16(loAbove, d));
        const __m128i other = _mm_xor_si128(low, _mm_and_si128(_mm_cmpgt_epi16(d, split), bc));
        const __m128i pred = _mm_or_si128(_mm_and_si128(useLeft, a), _mm_andnot_si128(useLeft, other));
        a = _mm_and_si128(_mm_add_epi16(raw, pred), _mm_set1_epi16(0xFF));
        c = b;
        return Narrow(a);
    });
}

void UpVector(uint8_t* row, const uint8_t* prev, size_t length) {
    size_t i = 0;
    for (; i + 16 <= length; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(prev + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i), _mm_add_epi8(x, y));
    }
    Up(row + i, prev + i, length - i);
}
#endif

template <int D> void Unfilter(uint8_t type, uint8_t* row, const uint8_t* prev, size_t length) {
#if defined(__SSE2__)
    if (type == 2) {
        if (prev) UpVector(row, prev, length);
        return;
    }
    if constexpr (D >= 3) {
        size_t done = 0;
        switch (type) {
        case 1:
            done = SubVector<D>(row, length);
            break;
        case 3:
            if (!prev) return AverageFirstRow<D>(row, length);
            done = AverageVector<D>(row, prev, length);
            break;
        case 4:
            // With the row above read as zeros, Paeth picks the left byte: Sub.
            done = prev ? PaethVector<D>(row, prev, length) : SubVector<D>(row, length);
            break;
        default:
            return;
        }
        if (done < length) UnfilterBytes(type, row, prev, done, length, D);
        return;
    }
#endif
    switch (type) {
    case 1:
        return Sub<D>(row, length);
    case 2:
        if (prev) Up(row, prev, length);
        return;
    case 3:
        if (prev) return Average<D>(row, prev, length);
        return AverageFirstRow<D>(row, length);
    case 4:
        if (prev) return Paeth<D>(row, prev, length);
        return Sub<D>(row, length);
    default:
        return;
    }
}

} // namespace

bool UnfilterRow(uint8_t type, uint8_t* row, const uint8_t* prev, size_t length, int distance) noexcept {
    if (type > 4) return false;
    switch (distance) {
    case 1:
        Unfilter<1>(type, row, prev, length);
        break;
    case 2:
        Unfilter<2>(type, row, prev, length);
        break;
    case 3:
        Unfilter<3>(type, row, prev, length);
        break;
    case 4:
        Unfilter<4>(type, row, prev, length);
        break;
    case 6:
        Unfilter<6>(type, row, prev, length);
        break;
    case 8:
        Unfilter<8>(type, row, prev, length);
        break;
    default:
        return UnfilterRowReference(type, row, prev, length, distance);
    }
    return true;
}

} // namespace imaging::png
