#pragma once
// The image engine's own rotation, apart from the window system: a square canvas receives a source
// rectangle turned about its centre and scaled, sampled by nearest neighbour or bilinearly.
#include "imaging/pixels/PixelPath.h"
#include "imaging/pixels/PixelView.h"
#include "imaging/pixels/RenderPixels.h"

#include <cstdint>

namespace imaging {

struct Rotation {
    int32_t degrees = 0; // whole degrees; positive turns clockwise on the screen
    double xScale = 1.0; // destination width / source width
    double yScale = 1.0;
    bool bilinear = false;
};

// The side of the canvas that holds a drawing of destWidth x destHeight at any angle:
// CLng(sqrt(destWidth^2 + destHeight^2)).
int32_t RotationCanvasSide(int32_t destWidth, int32_t destHeight);

// canvas (square, rows bottom-up, fully transparent on entry) receives rectangle r of src turned by
// the rotation about the centres of both. Canvas column c, row k counted from the bottom stand for
// u = c - (side - width) \ 2, v = k - (side - height) \ 2 in the rectangle; with theta = -degrees in
// radians and the centre (width \ 2, height \ 2) they sample the rectangle (rows from its bottom) at
//   sx = ((u - cx) cos + (v - cy) sin) / xScale + cx,  sy = ((v - cy) cos - (u - cx) sin) / yScale + cy,
// when 0 <= sx < width and 0 <= sy < height; other canvas pixels stay transparent.
void RotateInto(const PixelView& src, PixelRect r, const Rotation& rotation, const PixelView& canvas,
                PixelPath path = kFastestPath);

namespace simd {
void RotateInto(const PixelView& src, PixelRect r, const Rotation& rotation, const PixelView& canvas);
}

// Internal to both paths: what one canvas pixel receives at a sample position already inside the
// rectangle (sy counted from the rectangle's bottom).
uint32_t SampleRotated(const PixelView& src, PixelRect r, double sx, double sy, bool bilinear);
struct RotationSetup {
    double cosT, sinT;
    int32_t hx, hy, cx, cy;
};
RotationSetup SetUpRotation(PixelRect r, const Rotation& rotation, int32_t side);

} // namespace imaging
