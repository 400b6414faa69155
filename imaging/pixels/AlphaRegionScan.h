#pragma once
// The rectangles of a window region built from an image's alpha, apart from the window system, and the
// region-data blocks that describe them to the system.
#include "imaging/pixels/PixelPath.h"
#include "imaging/pixels/PixelView.h"

#include <cstdint>
#include <span>
#include <vector>

namespace imaging {

// Left, top, right, bottom; right and bottom exclusive. 16 bytes, as a region's rectangle list.
struct RegionRect {
    int32_t left, top, right, bottom;
    bool operator==(const RegionRect&) const = default;
};

// Region styles: 0 the bounding box of the solid pixels, 1 per row from its first to its last solid
// pixel, 2 per row one rectangle per run of solid pixels. A pixel is solid when its alpha is not 0.
enum : int32_t { kRegionBounds = 0, kRegionRowSpans = 1, kRegionRuns = 2 };

// The rectangles of a style, one-pixel-high ones for image row y (from the top) spanning y ... y + 1,
// rows taken from the bottom of the image upwards. Style 0 gives at most one rectangle.
std::vector<RegionRect> ScanAlphaRects(const PixelView& img, int32_t style, PixelPath path = kFastestPath);

namespace simd {
std::vector<RegionRect> ScanAlphaRects(const PixelView& img, int32_t style);
}

// The rectangles are handed to the system in slices of this many.
constexpr std::size_t kRegionSlice = 2000;

// A region-data block: the 32-byte header (size 32, type 1, count, data size count x 16, bounds) and
// the rectangles. The bounds run from left to left + width across and over the rectangles' rows.
std::vector<uint8_t> RegionDataBlock(std::span<const RegionRect> rects, int32_t left, int32_t width);

} // namespace imaging
