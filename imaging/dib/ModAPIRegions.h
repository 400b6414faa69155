#pragma once
// Window regions from an image's alpha: the region helpers of ModAPI. The caller owns the regions.
#include <windows.h>

#include "imaging/pixels/AlphaRegionScan.h"
#include "runtime/Handles.h"

#include <cstdint>
#include <span>

namespace imaging {
class c32bppDIB;
}

namespace imaging::ModAPI {

// The image's whole rectangle without alpha; otherwise its solid pixels in the style (0, 1, 2). Empty
// when nothing is solid or the region cannot be made.
rt::UniqueRgn CreateAlphaRegion(const c32bppDIB& image, int32_t regionStyle);
// The rectangles in slices of 2,000, each made by RegionFromRects and merged into the first.
rt::UniqueRgn RegionFromRectList(std::span<const RegionRect> list, int32_t left, int32_t width);
rt::UniqueRgn RegionFromRects(std::span<const RegionRect> slice, int32_t left, int32_t width);

} // namespace imaging::ModAPI
