#pragma once
// The per-pixel stages of drawing an image, apart from the window system: mirroring, nearest and
// bilinear stretching, lightness and the blend into a target. Every stage has the plain reference
// path and a vector path that gives the same bytes (PixelPath).
#include "imaging/pixels/PixelMath.h"
#include "imaging/pixels/PixelPath.h"
#include "imaging/pixels/PixelView.h"

#include <cstdint>
#include <vector>

namespace imaging {

// A rectangle of an image counted from its top-left.
struct PixelRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// The working buffer between the stages: premultiplied 4-byte pixels, rows bottom-up like an image.
class PixelBuffer {
  public:
    PixelBuffer() = default;
    // Zeroed; a byte count that leaves 32-bit arithmetic raises the overflow error.
    PixelBuffer(int32_t width, int32_t height);

    PixelView View() { return {bytes_.data(), width_, height_}; }
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    bool Empty() const { return bytes_.empty(); }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

  private:
    std::vector<uint8_t> bytes_;
    int32_t width_ = 0;
    int32_t height_ = 0;
};

// dst (the rectangle's size) receives the rectangle of src, reversed left-to-right with flipX and
// top-to-bottom with flipY.
void MirrorCopy(const PixelView& src, PixelRect r, bool flipX, bool flipY, const PixelView& dst);

// dst receives the rectangle of src scaled to dst's size. Nearest: column i takes source column
// Int(i x width / dst width) of the rectangle, rows likewise from its top.
void StretchNearest(const PixelView& src, PixelRect r, const PixelView& dst, PixelPath path = kFastestPath);
// Bilinear: column i samples at sx = i x width / dst width + left (double); columns Int(sx) and the
// next one weigh 1 - fx and fx, or the last column alone weighs 1; rows likewise from the rectangle's
// top. Each byte is Int(wy0 x (wx0 x p00 + wx1 x p10) + wy1 x (wx0 x p01 + wx1 x p11)).
void StretchBilinear(const PixelView& src, PixelRect r, const PixelView& dst, PixelPath path = kFastestPath);

// dst (src's size; may be src itself) receives src with every colour byte moved by
// CLng(d x alpha) \ 255, d = LightAdjustment / 100 x 255 in single precision: held at the alpha when
// lightening, at 0 when darkening. Transparent pixels and alpha bytes are copied.
void AdjustLightness(const PixelView& src, const PixelView& dst, float LightAdjustment,
                     PixelPath path = kFastestPath);
// The step of one colour byte for a pixel of alpha a.
int32_t LightnessDelta(float LightAdjustment, uint8_t a);

struct BlendMode {
    uint8_t opacity = 255; // L, 0...255
    bool gray = false;
    ModAPI::GrayWeights weights{};
    // A host image: its alpha byte is blended like a colour byte with the source alpha as source.
    // Otherwise (a DC snapshot) the target's alpha byte is left alone.
    bool targetAlpha = false;
};

// The gray value of a premultiplied pixel: blue, green and red weighed in single precision in that
// order, rounded half to even.
int32_t GrayOf(const uint8_t* px, const ModAPI::GrayWeights& w);

// Blends count source pixels over count target pixels (both 4 bytes each) by the mode's formulas.
// A transparent source pixel leaves the target; results above 255 (only from colours above their
// alpha) are held at 255.
void BlendRow(const uint8_t* src, uint8_t* dst, int32_t count, const BlendMode& mode,
              PixelPath path = kFastestPath);

namespace simd {
void StretchNearest(const PixelView& src, PixelRect r, const PixelView& dst);
// With avx2, weights that are not multiples of 1/128 take the AVX2 path.
void StretchBilinear(const PixelView& src, PixelRect r, const PixelView& dst, bool avx2 = false);
void AdjustLightness(const PixelView& src, const PixelView& dst, float LightAdjustment);
void BlendRow(const uint8_t* src, uint8_t* dst, int32_t count, const BlendMode& mode);
} // namespace simd

// The sampling tables both paths share: per destination column (or row) the two source indices and
// their weights, computed in double precision as the bilinear rule states.
struct BilinearTap {
    int32_t i0, i1;
    double w0, w1;
};
std::vector<BilinearTap> BilinearTaps(int32_t srcStart, int32_t srcCount, int32_t dstCount);
int32_t NearestIndex(int32_t i, double ratio, int32_t srcCount);

namespace avx2 {
void StretchNearest(const PixelView& src, PixelRect r, const PixelView& dst);
void BlendRow(const uint8_t* src, uint8_t* dst, int32_t count, const BlendMode& mode);
void StretchBilinearDouble(const PixelView& src, const std::vector<BilinearTap>& cols,
                           const std::vector<BilinearTap>& rows, const PixelView& dst);
// The first blocks of 8 pixels of two rows mixed with weights in 1/128, 16 bits a byte; answers how many.
int32_t MixRowsDyadic(const uint8_t* top, const uint8_t* bottom, int16_t w0, int16_t w1, int32_t width,
                      int16_t* mixed);
} // namespace avx2

} // namespace imaging
