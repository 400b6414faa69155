#include "PngFilters.h"

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
static void UnfilterBytes(uint8_t type, uint8_t* row, const uint8_t* prev, size_t from, size_t length, size_t d) {
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

bool UnfilterRowReference(uint8_t type, uint8_t* row, const uint8_t* prev, size_t length, int distance) noexcept {
    if (type > 4) return false;
    UnfilterBytes(type, row, prev, 0, length, static_cast<size_t>(distance));
    return true;
}

// ---- fast

namespace {

void Up(uint8_t* row, const uint8_t* prev, size_t length) {
    for (size_t i = 0; i < length; ++i) row[i] = static_cast<uint8_t>(row[i] + prev[i]);
}

template <int D> void Sub(uint8_t* row, size_t length) {
    for (size_t i = D; i < length; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - D]);
}

template <int D> void Average(uint8_t* row, const uint8_t* prev, size_t length) {
    const size_t first = length < D ? length : D;
    for (size_t i = 0; i < first; ++i) row[i] = static_cast<uint8_t>(row[i] + (prev[i] >> 1));
    for (size_t i = D; i < length; ++i) row[i] = static_cast<uint8_t>(row[i] + ((row[i - D] + prev[i]) >> 1));
}

template <int D> void AverageFirstRow(uint8_t* row, size_t length) {
    for (size_t i = D; i < length; ++i) row[i] = static_cast<uint8_t>(row[i] + (row[i - D] >> 1));
}

// Branch-free scalar Paeth: the predictor picks by the smallest of three distances, ties in a fixed order.
template <int D> void Paeth(uint8_t* row, const uint8_t* prev, size_t length) {
    const size_t first = length < D ? length : D;
    for (size_t i = 0; i < first; ++i) row[i] = static_cast<uint8_t>(row[i] + prev[i]);
    for (size_t i = D; i < length; ++i) {
        const int a = row[i - D], b = prev[i], c = prev[i - D];
        const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
        const int pred = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
        row[i] = static_cast<uint8_t>(row[i] + pred);
    }
}

#if defined(__SSE2__)
// One pixel of D bytes (3 to 8) in the low D 16-bit lanes of a register.
template <int D> __m128i LoadPixel(const uint8_t* p) {
    uint64_t v = 0;
    std::memcpy(&v, p, D);
    return _mm_unpacklo_epi8(_mm_cvtsi64_si128(static_cast<long long>(v)), _mm_setzero_si128());
}
template <int D> void StorePixel(uint8_t* p, __m128i x) {
    const __m128i bytes = _mm_packus_epi16(_mm_and_si128(x, _mm_set1_epi16(0xFF)), _mm_setzero_si128());
    const uint64_t v = static_cast<uint64_t>(_mm_cvtsi128_si64(bytes));
    std::memcpy(p, &v, D);
}

template <int D> void SubVector(uint8_t* row, size_t length) {
    __m128i left = _mm_setzero_si128();
    for (size_t i = 0; i + D <= length; i += D) {
        left = _mm_add_epi16(LoadPixel<D>(row + i), left);
        StorePixel<D>(row + i, left);
        left = _mm_and_si128(left, _mm_set1_epi16(0xFF));
    }
}

template <int D> void AverageVector(uint8_t* row, const uint8_t* prev, size_t length) {
    __m128i left = _mm_setzero_si128();
    for (size_t i = 0; i + D <= length; i += D) {
        const __m128i above = LoadPixel<D>(prev + i);
        const __m128i avg = _mm_srli_epi16(_mm_add_epi16(left, above), 1);
        left = _mm_and_si128(_mm_add_epi16(LoadPixel<D>(row + i), avg), _mm_set1_epi16(0xFF));
        StorePixel<D>(row + i, left);
    }
}

inline __m128i Abs16(__m128i x) {
    return _mm_max_epi16(x, _mm_sub_epi16(_mm_setzero_si128(), x));
}

template <int D> void PaethVector(uint8_t* row, const uint8_t* prev, size_t length) {
    __m128i a = _mm_setzero_si128(), c = _mm_setzero_si128();
    for (size_t i = 0; i + D <= length; i += D) {
        const __m128i b = LoadPixel<D>(prev + i);
        const __m128i bc = _mm_sub_epi16(b, c), ac = _mm_sub_epi16(a, c);
        const __m128i pa = Abs16(bc), pb = Abs16(ac), pc = Abs16(_mm_add_epi16(bc, ac));
        const __m128i smallest = _mm_min_epi16(pc, _mm_min_epi16(pa, pb));
        const __m128i useA = _mm_cmpeq_epi16(pa, smallest);
        const __m128i useB = _mm_andnot_si128(useA, _mm_cmpeq_epi16(pb, smallest));
        const __m128i useC = _mm_andnot_si128(_mm_or_si128(useA, useB), _mm_set1_epi16(-1));
        const __m128i pred =
            _mm_or_si128(_mm_or_si128(_mm_and_si128(useA, a), _mm_and_si128(useB, b)), _mm_and_si128(useC, c));
        a = _mm_and_si128(_mm_add_epi16(LoadPixel<D>(row + i), pred), _mm_set1_epi16(0xFF));
        StorePixel<D>(row + i, a);
        c = b;
    }
}
#endif

template <int D> void Unfilter(uint8_t type, uint8_t* row, const uint8_t* prev, size_t length) {
#if defined(__SSE2__)
    if constexpr (D >= 3) {
        switch (type) {
        case 1:
            SubVector<D>(row, length);
            break;
        case 2:
            if (prev) Up(row, prev, length);
            return;
        case 3:
            if (!prev) return AverageFirstRow<D>(row, length);
            AverageVector<D>(row, prev, length);
            break;
        case 4:
            // With the row above read as zeros, Paeth picks the left byte: Sub.
            if (prev)
                PaethVector<D>(row, prev, length);
            else
                SubVector<D>(row, length);
            break;
        default:
            return;
        }
        // Rows of depth 8 and 16 are whole pixels; any other length ends byte by byte.
        const size_t whole = length - length % D;
        if (whole != length) UnfilterBytes(type, row, prev, whole, length, D);
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
