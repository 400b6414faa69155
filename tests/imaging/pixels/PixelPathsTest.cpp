// The vector paths give exactly the bytes of the reference paths, on random images of odd sizes.
#include "imaging/pixels/AlphaRegionScan.h"
#include "imaging/pixels/EffectPixels.h"
#include "imaging/pixels/RenderPixels.h"
#include "imaging/pixels/RotatePixels.h"
#include "tests/imaging/pixels/PixelTestImages.h"

#include <gtest/gtest.h>

namespace {

using namespace imaging;
using imaging_test::FastPaths;
using imaging_test::OddSizes;
using imaging_test::RandomImage;
using imaging_test::TestImage;

constexpr PixelPath kRef = PixelPath::Reference;
// The stages without an AVX2 path have the SSE2 path alone.
constexpr PixelPath kSimd = PixelPath::Simd;

TEST(PixelPaths, BlendRowMatchesInEveryMode) {
    uint32_t seed = 1;
    for (const PixelPath fast : FastPaths())
        for (const auto& [w, h] : OddSizes())
            for (const int opacity : {255, 254, 127, 1, 0})
                for (const int gray : {-1, 0, 1, 2, 3, 7})
                    for (const bool targetAlpha : {false, true}) {
                        TestImage src = RandomImage(w, h, ++seed), dst = RandomImage(w, h, ++seed);
                        // Runs of transparent pixels (colour bytes left, which must not count) and of opaque
                        // ones, long enough to fill whole vector blocks.
                        for (std::size_t i = 0; i < src.bytes.size(); i += 4)
                            if ((i / 4) % 37 < 24) src.bytes[i + 3] = (i / 4) % 37 < 12 ? 0 : 255;
                        TestImage ref = dst;
                        BlendMode mode{static_cast<uint8_t>(opacity), gray >= 0,
                                       ModAPI::GrayScaleWeights(gray), targetAlpha};
                        const int32_t n = w * h;
                        BlendRow(src.bytes.data(), ref.bytes.data(), n, mode, kRef);
                        BlendRow(src.bytes.data(), dst.bytes.data(), n, mode, fast);
                        ASSERT_EQ(dst.bytes, ref.bytes)
                            << "path " << static_cast<int>(fast) << " " << w << "x" << h << " L " << opacity
                            << " gray " << gray << " alpha " << targetAlpha;
                    }
}

TEST(PixelPaths, LightnessMatches) {
    uint32_t seed = 100;
    for (const auto& [w, h] : OddSizes())
        for (const float light : {-100.0f, -50.0f, -0.3f, 0.0f, 12.5f, 50.0f, 99.9f, 100.0f}) {
            TestImage src = RandomImage(w, h, ++seed);
            TestImage a = src, b = src;
            AdjustLightness(src.View(), a.View(), light, kRef);
            AdjustLightness(src.View(), b.View(), light, kSimd);
            ASSERT_EQ(a.bytes, b.bytes) << w << "x" << h << " " << light;
            AdjustLightness(src.View(), src.View(), light, kSimd);
            ASSERT_EQ(src.bytes, a.bytes) << "in place";
        }
}

TEST(PixelPaths, StretchingMatches) {
    uint32_t seed = 200;
    for (const PixelPath fast : FastPaths())
        for (const auto& [w, h] : OddSizes()) {
            // Odd ratios take the double-precision path; halving, doubling and 3:2 the integer one. A
            // ratio near 16:7 spreads blocks of 8 nearest columns over 16 or 17 source pixels.
            const std::pair<int32_t, int32_t> targets[] = {{1, 1},
                                                           {7, 3},
                                                           {19, 23},
                                                           {40, 9},
                                                           {3, 61},
                                                           {2 * w, h},
                                                           {w, 4 * h},
                                                           {2 * w, 2 * h},
                                                           {w * 2 / 3 + 1, (h + 1) / 2},
                                                           {w * 3 / 7 + 1, h}};
            for (const auto& [tw, th] : targets) {
                TestImage src = RandomImage(w + 3, h + 2, ++seed);
                const PixelRect r{1, 2, w, h};
                TestImage a{std::vector<uint8_t>(static_cast<std::size_t>(tw) * th * 4), tw, th},
                    b = a, c = a, d = a;
                StretchNearest(src.View(), r, a.View(), kRef);
                StretchNearest(src.View(), r, b.View(), fast);
                ASSERT_EQ(a.bytes, b.bytes) << "nearest " << w << "x" << h << " -> " << tw << "x" << th;
                StretchBilinear(src.View(), r, c.View(), kRef);
                StretchBilinear(src.View(), r, d.View(), fast);
                ASSERT_EQ(c.bytes, d.bytes) << "bilinear path " << static_cast<int>(fast) << " " << w << "x"
                                            << h << " -> " << tw << "x" << th;
            }
        }
}

TEST(PixelPaths, RotationMatches) {
    uint32_t seed = 300;
    for (const auto& [w, h] : OddSizes())
        for (const int degrees : {30, 90, -45, 181})
            for (const bool bilinear : {false, true}) {
                TestImage src = RandomImage(w + 2, h + 1, ++seed);
                const PixelRect r{2, 0, w, h};
                const Rotation rot{degrees, 1.3, 0.7, bilinear};
                const int32_t side = RotationCanvasSide(w * 13 / 10 + 1, h * 7 / 10 + 1);
                TestImage a{std::vector<uint8_t>(static_cast<std::size_t>(side) * side * 4), side, side},
                    b = a;
                RotateInto(src.View(), r, rot, a.View(), kRef);
                RotateInto(src.View(), r, rot, b.View(), kSimd);
                ASSERT_EQ(a.bytes, b.bytes) << w << "x" << h << " " << degrees << " " << bilinear;
            }
}

TEST(PixelPaths, DropShadowMatches) {
    uint32_t seed = 400;
    for (const auto& [w, h] : OddSizes())
        for (const int blur : {0, 1, 3, 10}) {
            TestImage src = RandomImage(w, h, ++seed);
            const int32_t s = 2 * blur;
            TestImage a{std::vector<uint8_t>(static_cast<std::size_t>(w + s) * (h + s) * 4), w + s, h + s},
                b = a;
            DropShadow(src.View(), blur, 0x00336699, a.View(), kRef);
            DropShadow(src.View(), blur, 0x00336699, b.View(), kSimd);
            ASSERT_EQ(a.bytes, b.bytes) << w << "x" << h << " blur " << blur;
        }
    // An opaque row so wide that its running alpha total passes 2^31 in the last, unvectorised columns.
    const int32_t wide = 8'421'507;
    TestImage row{std::vector<uint8_t>(static_cast<std::size_t>(wide) * 4, 255), wide, 1}, a = row, b = row;
    DropShadow(row.View(), 0, 0x00336699, a.View(), kRef);
    DropShadow(row.View(), 0, 0x00336699, b.View(), kSimd);
    ASSERT_EQ(a.bytes, b.bytes);
}

TEST(PixelPaths, RegionScanMatches) {
    uint32_t seed = 500;
    for (const auto& [w, h] : OddSizes())
        for (const int32_t style : {0, 1, 2}) {
            TestImage src = RandomImage(w, h, ++seed);
            // Long transparent and solid stretches as well as single pixels.
            for (std::size_t i = 0; i < src.bytes.size(); i += 4)
                if ((i / 4) % 37 < 20) src.bytes[i + 3] = (i / 4) % 37 < 10 ? 0 : 255;
            EXPECT_EQ(ScanAlphaRects(src.View(), style, kRef), ScanAlphaRects(src.View(), style, kSimd))
                << w << "x" << h << " style " << style;
        }
}

} // namespace
