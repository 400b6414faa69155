#pragma once
// Small SSE2 helpers the vector pixel paths share.
#if defined(__SSE2__)
#include <emmintrin.h>

#include <cstdint>

#include "runtime/ScopeExit.h"

namespace imaging::simd {

// x \ 255 for any unsigned 16-bit x: (x x 0x8081) >> 23.
inline __m128i Div255(__m128i x) {
    return _mm_srli_epi16(_mm_mulhi_epu16(x, _mm_set1_epi16(static_cast<int16_t>(0x8081))), 7);
}

// Rounds to nearest, ties to even, until the returned guard goes, whatever the caller left in MXCSR.
[[nodiscard]] inline auto RoundNearest() {
    const unsigned saved = _mm_getcsr();
    _mm_setcsr(saved & ~0x6000u);
    return rt::ScopeExit([saved] { _mm_setcsr(saved); });
}

inline __m128i Load(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void Store(uint8_t* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

} // namespace imaging::simd
#endif
