#include "imaging/png/PngGeometry.h"

namespace imaging::png {

bool DepthAllowed(uint8_t colourType, uint8_t bitDepth) noexcept {
    switch (colourType) {
    case kColourGray:
        return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8 || bitDepth == 16;
    case kColourIndexed:
        return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8;
    case kColourRGB:
    case kColourGrayAlpha:
    case kColourRGBA:
        return bitDepth == 8 || bitDepth == 16;
    default:
        return false;
    }
}

static int32_t Channels(uint8_t colourType) noexcept {
    switch (colourType) {
    case kColourRGB:
        return 3;
    case kColourGrayAlpha:
        return 2;
    case kColourRGBA:
        return 4;
    default:
        return 1;
    }
}

int32_t BitsPerPixel(uint8_t colourType, uint8_t bitDepth) noexcept {
    return Channels(colourType) * bitDepth;
}

int32_t FilterDistance(uint8_t colourType, uint8_t bitDepth) noexcept {
    if (bitDepth < 8) return 1;
    return Channels(colourType) * (bitDepth / 8);
}

uint64_t RowBytes(int32_t width, int32_t bitsPerPixel) noexcept {
    return (static_cast<uint64_t>(width) * static_cast<uint64_t>(bitsPerPixel) + 7) / 8;
}

int32_t PassWidth(const PngPass& pass, int32_t width) noexcept {
    return width / pass.xStep + (pass.xStart < width % pass.xStep ? 1 : 0);
}

int32_t PassHeight(const PngPass& pass, int32_t height) noexcept {
    return height / pass.yStep + (pass.yStart < height % pass.yStep ? 1 : 0);
}

uint64_t ExpectedSize(const PngHeader& h) noexcept {
    const int32_t bpp = BitsPerPixel(h.colourType, h.bitDepth);
    if (h.interlace == 0) return static_cast<uint64_t>(h.Height) * (RowBytes(h.Width, bpp) + 1);
    uint64_t total = 0;
    for (const PngPass& pass : kAdam7)
        total +=
            static_cast<uint64_t>(PassHeight(pass, h.Height)) * (RowBytes(PassWidth(pass, h.Width), bpp) + 1);
    return total;
}

} // namespace imaging::png
