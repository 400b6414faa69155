#pragma once
// The pixel work of the image effects apart from the window system: checkerboard, premultiplied
// inverse, colour-key transparency and the drop shadow. The shadow, the one heavy operation, has the
// reference path and a vector path that gives the same bytes.
#include "imaging/pixels/PixelPath.h"
#include "imaging/pixels/PixelView.h"

#include <cstdint>

namespace imaging {

// Squares of side size from the top-left, alternating first and second colour (0x00BBGGRR) along
// rows and columns, the top-left one first; every alpha 255.
void FillCheckerBoard(const PixelView& img, int32_t size, uint32_t firstColor, uint32_t secondColor);

// Each colour byte c of a pixel with alpha a != 0 becomes a - c.
void InvertPremultiplied(const PixelView& img);

// The opaque pixel of an 0x00BBGGRR colour as a 32-bit pixel value (blue in the low byte).
constexpr uint32_t OpaqueKey(uint32_t color) {
    return 0xFF000000u | ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
}
// Pixels equal to from become to; the number changed.
int64_t ReplacePixels(const PixelView& img, uint32_t from, uint32_t to);

// Clamped to 0...10.
int32_t ClampBlurDepth(int32_t blurDepth);

// The shadow of src into dst, which is s = 2 x blurDepth pixels wider and taller: the alpha at
// column x, row y is the sum of src's alpha over columns x - s ... x and rows y - s ... y (those
// inside src) divided by (s + 1) squared; the colour (0x00BBGGRR) is premultiplied by that alpha.
void DropShadow(const PixelView& src, int32_t blurDepth, uint32_t color, const PixelView& dst,
                PixelPath path = kFastestPath);

namespace simd {
void DropShadow(const PixelView& src, int32_t blurDepth, uint32_t color, const PixelView& dst);
}

// The 256 premultiplied pixels of a colour, one per alpha.
void ShadowPalette(uint32_t color, uint32_t (&palette)[256]);

} // namespace imaging
