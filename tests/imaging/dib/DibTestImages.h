#pragma once
// Image objects for the Win32 tests of drawing and effects: filled with known premultiplied pixels and
// read back as memory.
#include "imaging/dib/c32bppDIB.h"
#include "tests/imaging/pixels/PixelTestImages.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace imaging_test {

// The image takes the bytes (bottom-up memory) of a test image of the same size.
inline void Load(imaging::c32bppDIB& d, const TestImage& px) {
    ASSERT_TRUE(d.InitializeDIB(px.width, px.height));
    std::memcpy(d.BitsPointer(), px.bytes.data(), px.bytes.size());
}

// Opaque straight colours 0x00RRGGBB of px, counted from the top.
inline TestImage Opaque(int32_t w, int32_t h, const std::function<uint32_t(int32_t, int32_t)>& px) {
    TestImage img{std::vector<uint8_t>(static_cast<std::size_t>(w) * h * 4), w, h};
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t v = px(x, y) | 0xFF000000u;
            std::memcpy(img.View().At(x, y), &v, 4);
        }
    return img;
}

inline TestImage Memory(const imaging::c32bppDIB& d) {
    ::GdiFlush();
    return {{d.BitsPointer(), d.BitsPointer() + static_cast<std::size_t>(d.scanWidth()) * d.Height()},
            d.Width(),
            d.Height()};
}

// Pixel 0xAARRGGBB counted from the top.
inline uint32_t At(TestImage& img, int32_t x, int32_t y) {
    uint32_t v;
    std::memcpy(&v, img.View().At(x, y), 4);
    return v;
}

// Every channel of two 0xAARRGGBB pixels within slack of each other.
inline bool Near(uint32_t a, uint32_t b, int slack) {
    for (int s = 0; s < 32; s += 8)
        if (std::abs(static_cast<int>((a >> s) & 0xFF) - static_cast<int>((b >> s) & 0xFF)) > slack)
            return false;
    return true;
}

// The engine choice comes down to the object's own pipeline.
inline void OwnPipelineOnly(imaging::c32bppDIB& d) {
    d.isGDIplusEnabled(false);
    d.isAlphaBlendFriendly(0);
}

} // namespace imaging_test
