#include "imaging/dib/ModAPIRegions.h"

#include "imaging/dib/c32bppDIB.h"

#include <algorithm>

namespace imaging::ModAPI {

rt::UniqueRgn CreateAlphaRegion(const c32bppDIB& image, int32_t regionStyle) {
    if (!image.Alpha()) return rt::UniqueRgn(::CreateRectRgn(0, 0, image.Width(), image.Height()));
    ::GdiFlush();
    const PixelView pixels{image.BitsPointer(), image.Width(), image.Height()};
    const std::vector<RegionRect> rects = ScanAlphaRects(pixels, regionStyle);
    if (rects.empty()) return {};
    if (regionStyle == kRegionBounds) {
        const RegionRect& b = rects.front();
        return rt::UniqueRgn(::CreateRectRgn(b.left, b.top, b.right, b.bottom));
    }
    return RegionFromRectList(rects, 0, image.Width());
}

rt::UniqueRgn RegionFromRectList(std::span<const RegionRect> list, int32_t left, int32_t width) {
    rt::UniqueRgn region;
    for (std::size_t first = 0; first < list.size(); first += kRegionSlice) {
        const std::size_t count = std::min(kRegionSlice, list.size() - first);
        rt::UniqueRgn slice = RegionFromRects(list.subspan(first, count), left, width);
        if (!slice) return {};
        if (!region) {
            region = std::move(slice);
        } else if (::CombineRgn(region.get(), region.get(), slice.get(), RGN_OR) == ERROR) {
            return {};
        }
    }
    return region;
}

rt::UniqueRgn RegionFromRects(std::span<const RegionRect> slice, int32_t left, int32_t width) {
    const std::vector<uint8_t> block = RegionDataBlock(slice, left, width);
    return rt::UniqueRgn(::ExtCreateRegion(nullptr, static_cast<DWORD>(block.size()),
                                           reinterpret_cast<const RGNDATA*>(block.data())));
}

} // namespace imaging::ModAPI
