#pragma once
// PNG files made by the tests themselves: 8-bit RGB or RGBA rows in stored (uncompressed) deflate
// blocks, with their checksums, so a decoder under test meets exactly known pixels.
#include <cstdint>
#include <functional>
#include <vector>

namespace imaging_test {

struct Rgba {
    uint8_t r, g, b, a;
};
using RgbaFn = std::function<Rgba(int x, int y)>;

// Colour type 6 with alpha, else colour type 2 (the alpha of px is then ignored).
std::vector<uint8_t> MakePng(int width, int height, bool withAlpha, const RgbaFn& px);

} // namespace imaging_test
