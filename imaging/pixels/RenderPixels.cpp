#include "imaging/pixels/RenderPixels.h"

#include "runtime/Checked.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace imaging {

namespace {

uint8_t Saturate(int32_t v) {
    return static_cast<uint8_t>(std::min(v, 255));
}

void BlendPixel(const uint8_t* s, uint8_t* d, const BlendMode& m) {
    const int32_t a = s[3];
    if (a == 0) return;
    int32_t src[4] = {s[0], s[1], s[2], a};
    if (m.gray) src[0] = src[1] = src[2] = std::min(GrayOf(s, m.weights), 255);
    const int channels = m.targetAlpha ? 4 : 3;
    const int32_t L = m.opacity;
    if (L == 255) {
        for (int c = 0; c < channels; ++c)
            d[c] = a == 255 ? static_cast<uint8_t>(src[c]) : Saturate(d[c] * (255 - a) / 255 + src[c]);
    } else {
        const int32_t inv = 255 - a * L / 255;
        for (int c = 0; c < channels; ++c)
            d[c] = Saturate((d[c] * inv + src[c] * L) / 255);
    }
}

} // namespace

PixelBuffer::PixelBuffer(int32_t width, int32_t height) {
    if (width < 0 || height < 0 || int64_t{width} * height * 4 > std::numeric_limits<int32_t>::max())
        rt::RaiseOverflow();
    bytes_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
    width_ = width;
    height_ = height;
}

void MirrorCopy(const PixelView& src, PixelRect r, bool flipX, bool flipY, const PixelView& dst) {
    for (int32_t y = 0; y < r.height; ++y) {
        const uint8_t* from = src.At(r.left, r.top + (flipY ? r.height - 1 - y : y));
        uint8_t* to = dst.At(0, y);
        if (!flipX) {
            std::memcpy(to, from, static_cast<std::size_t>(r.width) * 4);
            continue;
        }
        for (int32_t x = 0; x < r.width; ++x)
            std::memcpy(to + static_cast<std::size_t>(x) * 4,
                        from + static_cast<std::size_t>(r.width - 1 - x) * 4, 4);
    }
}

int32_t NearestIndex(int32_t i, double ratio, int32_t srcCount) {
    return std::min(static_cast<int32_t>(i * ratio), srcCount - 1);
}

void StretchNearest(const PixelView& src, PixelRect r, const PixelView& dst, PixelPath path) {
    if (UseAvx2(path)) return avx2::StretchNearest(src, r, dst);
    if (UseSimd(path)) return simd::StretchNearest(src, r, dst);
    const double xRatio = static_cast<double>(r.width) / dst.width;
    const double yRatio = static_cast<double>(r.height) / dst.height;
    // Rows in memory order, the bottom row first: walking addresses downwards defeats the prefetcher.
    for (int32_t j = dst.height - 1; j >= 0; --j) {
        const int32_t sy = r.top + NearestIndex(j, yRatio, r.height);
        for (int32_t i = 0; i < dst.width; ++i)
            std::memcpy(dst.At(i, j), src.At(r.left + NearestIndex(i, xRatio, r.width), sy), 4);
    }
}

std::vector<BilinearTap> BilinearTaps(int32_t srcStart, int32_t srcCount, int32_t dstCount) {
    const double ratio = static_cast<double>(srcCount) / dstCount;
    const int32_t last = srcStart + srcCount - 1;
    std::vector<BilinearTap> taps(static_cast<std::size_t>(dstCount));
    for (int32_t i = 0; i < dstCount; ++i) {
        const double s = i * ratio + srcStart;
        const int32_t is = std::min(static_cast<int32_t>(s), last);
        const double f = s - is;
        // The last source index has no neighbour after it: it stands alone with weight 1.
        taps[static_cast<std::size_t>(i)] =
            is >= last ? BilinearTap{is, is, 1.0, 0.0} : BilinearTap{is, is + 1, 1.0 - f, f};
    }
    return taps;
}

void StretchBilinear(const PixelView& src, PixelRect r, const PixelView& dst, PixelPath path) {
    if (UseSimd(path)) return simd::StretchBilinear(src, r, dst, UseAvx2(path));
    const std::vector<BilinearTap> cols = BilinearTaps(r.left, r.width, dst.width);
    const std::vector<BilinearTap> rows = BilinearTaps(r.top, r.height, dst.height);
    // Rows in memory order, the bottom row first: walking addresses downwards defeats the prefetcher.
    for (int32_t j = dst.height - 1; j >= 0; --j) {
        const BilinearTap& ty = rows[static_cast<std::size_t>(j)];
        uint8_t* out = dst.At(0, j);
        for (int32_t i = 0; i < dst.width; ++i, out += 4) {
            const BilinearTap& tx = cols[static_cast<std::size_t>(i)];
            const uint8_t* p00 = src.At(tx.i0, ty.i0);
            const uint8_t* p10 = src.At(tx.i1, ty.i0);
            const uint8_t* p01 = src.At(tx.i0, ty.i1);
            const uint8_t* p11 = src.At(tx.i1, ty.i1);
            for (int c = 0; c < 4; ++c) {
                const double top = tx.w0 * p00[c] + tx.w1 * p10[c];
                const double bottom = tx.w0 * p01[c] + tx.w1 * p11[c];
                const double v = ty.w0 * top + ty.w1 * bottom;
                out[c] = static_cast<uint8_t>(std::min(static_cast<int32_t>(v), 255));
            }
        }
    }
}

int32_t LightnessDelta(float LightAdjustment, uint8_t a) {
    const float d = LightAdjustment / 100.0f * 255.0f;
    const float scaled = d * static_cast<float>(a);
    return rt::RoundToInt32(scaled) / 255;
}

void AdjustLightness(const PixelView& src, const PixelView& dst, float LightAdjustment, PixelPath path) {
    if (UseSimd(path)) return simd::AdjustLightness(src, dst, LightAdjustment);
    const float d = LightAdjustment / 100.0f * 255.0f;
    const std::size_t n = src.ByteCount();
    for (std::size_t i = 0; i < n; i += 4) {
        const uint8_t* s = src.bits + i;
        uint8_t* t = dst.bits + i;
        const uint8_t a = s[3];
        const int32_t delta = a == 0 ? 0 : LightnessDelta(LightAdjustment, a);
        for (int c = 0; c < 3; ++c) {
            int32_t v = s[c];
            if (a != 0) {
                v += delta;
                if (d > 0) v = std::min<int32_t>(v, a);
                if (d < 0) v = std::max(v, 0);
            }
            t[c] = static_cast<uint8_t>(v);
        }
        t[3] = a;
    }
}

int32_t GrayOf(const uint8_t* px, const ModAPI::GrayWeights& w) {
    const float gray = static_cast<float>(px[0]) * w.blue + static_cast<float>(px[1]) * w.green +
                       static_cast<float>(px[2]) * w.red;
    return rt::RoundToInt32(gray);
}

void BlendRow(const uint8_t* src, uint8_t* dst, int32_t count, const BlendMode& mode, PixelPath path) {
    if (UseAvx2(path)) return avx2::BlendRow(src, dst, count, mode);
    if (UseSimd(path)) return simd::BlendRow(src, dst, count, mode);
    for (int32_t i = 0; i < count; ++i)
        BlendPixel(src + static_cast<std::size_t>(i) * 4, dst + static_cast<std::size_t>(i) * 4, mode);
}

} // namespace imaging
