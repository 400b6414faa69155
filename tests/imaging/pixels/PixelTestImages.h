#pragma once
// Images for the pixel-stage tests: random premultiplied pixels with plenty of fully transparent and
// opaque ones, and a few that break the premultiplied rule so that every fallback is exercised.
#include "imaging/pixels/RenderPixels.h"

#include <cstdint>
#include <random>
#include <vector>

namespace imaging_test {

struct TestImage {
    std::vector<uint8_t> bytes;
    int32_t width = 0;
    int32_t height = 0;
    imaging::PixelView View() { return {bytes.data(), width, height}; }
};

inline TestImage RandomImage(int32_t w, int32_t h, uint32_t seed, bool withBroken = true) {
    std::mt19937 rng(seed);
    TestImage img{std::vector<uint8_t>(static_cast<std::size_t>(w) * h * 4), w, h};
    for (std::size_t i = 0; i < img.bytes.size(); i += 4) {
        const uint32_t kind = rng() % 8;
        const uint8_t a = kind == 0 ? 0 : kind == 1 ? 255 : static_cast<uint8_t>(rng());
        for (int c = 0; c < 3; ++c)
            img.bytes[i + c] = static_cast<uint8_t>(a == 0 ? 0 : rng() % (a + 1));
        img.bytes[i + 3] = a;
        if (withBroken && rng() % 97 == 0) img.bytes[i + rng() % 3] = static_cast<uint8_t>(rng());
    }
    return img;
}

// The odd sizes the paths are compared on: tails of every length after the vector blocks.
inline const std::vector<std::pair<int32_t, int32_t>>& OddSizes() {
    static const std::vector<std::pair<int32_t, int32_t>> sizes{{1, 1},  {3, 7},  {5, 2},  {17, 5}, {31, 29},
                                                                {33, 1}, {2, 41}, {63, 9}, {66, 35}};
    return sizes;
}

// Every vector path this processor runs, each to be compared with the reference.
inline std::vector<imaging::PixelPath> FastPaths() {
    std::vector<imaging::PixelPath> paths{imaging::PixelPath::Simd};
    if (imaging::CpuHasAvx2()) paths.push_back(imaging::PixelPath::Avx2);
    return paths;
}

} // namespace imaging_test
