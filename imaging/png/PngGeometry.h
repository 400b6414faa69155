#pragma once
// The arithmetic of a PNG image's stored rows: bits per pixel, the filter distance, row lengths, the
// Adam7 passes and the decompressed size they add up to. Platform-free.
#include "imaging/png/PngFormat.h"

#include <cstdint>

namespace imaging::png {

struct PngPass {
    int32_t xStart, yStart, xStep, yStep;
};
constexpr PngPass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                               {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
// A non-interlaced image is one pass over every pixel.
constexpr PngPass kWholeImage = {0, 0, 1, 1};

// The bit depths the PNG standard allows for the colour type.
bool DepthAllowed(uint8_t colourType, uint8_t bitDepth) noexcept;
int32_t BitsPerPixel(uint8_t colourType, uint8_t bitDepth) noexcept;
// Bytes between a byte and the one its filter takes as "left": 1 for depths below 8.
int32_t FilterDistance(uint8_t colourType, uint8_t bitDepth) noexcept;
// (width x bits per pixel + 7) \ 8, without the filter byte.
uint64_t RowBytes(int32_t width, int32_t bitsPerPixel) noexcept;

int32_t PassWidth(const PngPass& pass, int32_t width) noexcept;
int32_t PassHeight(const PngPass& pass, int32_t height) noexcept;

// The capacity of the decompression buffer. Interlaced: every pass counts, a pass of width 0 still with
// a filter byte per row, so real data can be shorter. For a header within kMaxPixels.
uint64_t ExpectedSize(const PngHeader& h) noexcept;

} // namespace imaging::png
