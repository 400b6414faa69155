// The SSE2 path of the own rotation: sample positions of two canvas pixels at a time, by the same
// double-precision operations in the same order as the reference, then the shared sampler.
#include "imaging/pixels/RotatePixels.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace imaging::simd {

void RotateInto(const PixelView& src, PixelRect r, const Rotation& rotation, const PixelView& canvas) {
    const RotationSetup g = SetUpRotation(r, rotation, canvas.width);
    const __m128d cosT = _mm_set1_pd(g.cosT), sinT = _mm_set1_pd(g.sinT);
    const __m128d xScale = _mm_set1_pd(rotation.xScale), yScale = _mm_set1_pd(rotation.yScale);
    const __m128d cx = _mm_set1_pd(g.cx), cy = _mm_set1_pd(g.cy);
    const __m128d zero = _mm_setzero_pd();
    const __m128d width = _mm_set1_pd(r.width), height = _mm_set1_pd(r.height);
    for (int32_t k = 0; k < canvas.height; ++k) {
        auto* out = reinterpret_cast<uint32_t*>(canvas.bits + static_cast<std::size_t>(k) * canvas.width * 4);
        const __m128d dv = _mm_set1_pd(static_cast<double>(k - g.hy - g.cy));
        const __m128d dvSin = _mm_mul_pd(dv, sinT), dvCos = _mm_mul_pd(dv, cosT);
        int32_t c = 0;
        for (; c + 2 <= canvas.width; c += 2) {
            const __m128d du =
                _mm_set_pd(static_cast<double>(c + 1 - g.hx - g.cx), static_cast<double>(c - g.hx - g.cx));
            const __m128d sx = _mm_add_pd(_mm_div_pd(_mm_add_pd(_mm_mul_pd(du, cosT), dvSin), xScale), cx);
            const __m128d sy = _mm_add_pd(_mm_div_pd(_mm_sub_pd(dvCos, _mm_mul_pd(du, sinT)), yScale), cy);
            const __m128d inside = _mm_and_pd(_mm_and_pd(_mm_cmpge_pd(sx, zero), _mm_cmplt_pd(sx, width)),
                                              _mm_and_pd(_mm_cmpge_pd(sy, zero), _mm_cmplt_pd(sy, height)));
            const int mask = _mm_movemask_pd(inside);
            if (mask == 0) continue;
            alignas(16) double xs[2], ys[2];
            _mm_store_pd(xs, sx);
            _mm_store_pd(ys, sy);
            for (int l = 0; l < 2; ++l)
                if (mask & (1 << l)) out[c + l] = SampleRotated(src, r, xs[l], ys[l], rotation.bilinear);
        }
        if (c < canvas.width) {
            const double du = static_cast<double>(c - g.hx - g.cx);
            const double dvd = static_cast<double>(k - g.hy - g.cy);
            const double sx = (du * g.cosT + dvd * g.sinT) / rotation.xScale + g.cx;
            const double sy = (dvd * g.cosT - du * g.sinT) / rotation.yScale + g.cy;
            if (sx >= 0 && sx < r.width && sy >= 0 && sy < r.height)
                out[c] = SampleRotated(src, r, sx, sy, rotation.bilinear);
        }
    }
}

} // namespace imaging::simd

#else

namespace imaging::simd {
void RotateInto(const PixelView& src, PixelRect r, const Rotation& rotation, const PixelView& canvas) {
    imaging::RotateInto(src, r, rotation, canvas, PixelPath::Reference);
}
} // namespace imaging::simd

#endif
