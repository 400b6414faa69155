#include "imaging/pixels/RotatePixels.h"

#include "runtime/Checked.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace imaging {

int32_t RotationCanvasSide(int32_t destWidth, int32_t destHeight) {
    const double w = destWidth, h = destHeight;
    return rt::RoundToInt32(std::sqrt(w * w + h * h));
}

RotationSetup SetUpRotation(PixelRect r, const Rotation& rotation, int32_t side) {
    const double pi = 4.0 * std::atan(1.0);
    const double theta = -static_cast<double>(rotation.degrees) * pi / 180.0;
    double cosT = std::cos(theta), sinT = std::sin(theta);
    // Quarter turns take their exact values: cos(pi / 2) in doubles is 6e-17, which puts sample
    // positions that fall on pixel edges into the wrong pixel.
    if (rotation.degrees % 90 == 0) {
        cosT = std::round(cosT);
        sinT = std::round(sinT);
    }
    return {cosT, sinT, (side - r.width) / 2, (side - r.height) / 2, r.width / 2, r.height / 2};
}

uint32_t SampleRotated(const PixelView& src, PixelRect r, double sx, double sy, bool bilinear) {
    const int32_t ix = static_cast<int32_t>(sx), iy = static_cast<int32_t>(sy);
    // Rows of the rectangle counted from its bottom, as the canvas counts them.
    const auto at = [&](int32_t x, int32_t yUp) { return src.At(r.left + x, r.top + r.height - 1 - yUp); };
    uint32_t out;
    if (!bilinear) {
        std::memcpy(&out, at(ix, iy), 4);
        return out;
    }
    const double fx = sx - ix, fy = sy - iy;
    const bool lastX = ix >= r.width - 1, lastY = iy >= r.height - 1;
    const double wx0 = lastX ? 1.0 : 1.0 - fx, wx1 = lastX ? 0.0 : fx;
    const double wy0 = lastY ? 1.0 : 1.0 - fy, wy1 = lastY ? 0.0 : fy;
    const int32_t ix1 = lastX ? ix : ix + 1, iy1 = lastY ? iy : iy + 1;
    const uint8_t *p00 = at(ix, iy), *p10 = at(ix1, iy), *p01 = at(ix, iy1), *p11 = at(ix1, iy1);
    uint8_t bytes[4];
    for (int c = 0; c < 4; ++c) {
        const double v = wy0 * (wx0 * p00[c] + wx1 * p10[c]) + wy1 * (wx0 * p01[c] + wx1 * p11[c]);
        bytes[c] = static_cast<uint8_t>(std::min(static_cast<int32_t>(v), 255));
    }
    std::memcpy(&out, bytes, 4);
    return out;
}

void RotateInto(const PixelView& src, PixelRect r, const Rotation& rotation, const PixelView& canvas,
                PixelPath path) {
    if (UseSimd(path)) return simd::RotateInto(src, r, rotation, canvas);
    const RotationSetup g = SetUpRotation(r, rotation, canvas.width);
    for (int32_t k = 0; k < canvas.height; ++k) {
        // Memory rows are bottom-up: row k from the bottom is memory row k.
        auto* out = reinterpret_cast<uint32_t*>(canvas.bits + static_cast<std::size_t>(k) * canvas.width * 4);
        const double dv = static_cast<double>(k - g.hy - g.cy);
        for (int32_t c = 0; c < canvas.width; ++c) {
            const double du = static_cast<double>(c - g.hx - g.cx);
            const double sx = (du * g.cosT + dv * g.sinT) / rotation.xScale + g.cx;
            const double sy = (dv * g.cosT - du * g.sinT) / rotation.yScale + g.cy;
            if (sx >= 0 && sx < r.width && sy >= 0 && sy < r.height)
                out[c] = SampleRotated(src, r, sx, sy, rotation.bilinear);
        }
    }
}

} // namespace imaging
