// The effects' pixel rules and the alpha region scan, on the reference paths.
#include "imaging/pixels/AlphaRegionScan.h"
#include "imaging/pixels/EffectPixels.h"
#include "tests/imaging/pixels/PixelTestImages.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace imaging;
using imaging_test::RandomImage;
using imaging_test::TestImage;

constexpr PixelPath kRef = PixelPath::Reference;

TestImage Blank(int32_t w, int32_t h) {
    return {std::vector<uint8_t>(static_cast<std::size_t>(w) * h * 4), w, h};
}
uint32_t PixelAt(TestImage& img, int32_t x, int32_t y) {
    uint32_t v;
    std::memcpy(&v, img.View().At(x, y), 4);
    return v;
}

TEST(Effects, CheckerBoardSquaresAlternateAndAreCutAtTheEdges) {
    TestImage img = Blank(25, 15);
    FillCheckerBoard(img.View(), 10, 0x0000FF, 0xFF0000); // red, blue
    constexpr uint32_t red = 0xFFFF0000, blue = 0xFF0000FF;
    EXPECT_EQ(PixelAt(img, 0, 0), red);
    EXPECT_EQ(PixelAt(img, 9, 9), red);
    EXPECT_EQ(PixelAt(img, 10, 0), blue);
    EXPECT_EQ(PixelAt(img, 0, 10), blue);
    EXPECT_EQ(PixelAt(img, 24, 14), blue) << "the cut last square of the second row";
    EXPECT_EQ(PixelAt(img, 20, 0), red);
}

TEST(Effects, InverseTwiceRestoresAndKeepsTransparentPixels) {
    TestImage img = RandomImage(9, 7, 3, false);
    const std::vector<uint8_t> before = img.bytes;
    InvertPremultiplied(img.View());
    for (std::size_t i = 0; i < img.bytes.size(); i += 4) {
        const uint8_t a = before[i + 3];
        for (int c = 0; c < 3; ++c)
            ASSERT_EQ(img.bytes[i + c], a == 0 ? 0 : a - before[i + c]);
    }
    InvertPremultiplied(img.View());
    EXPECT_EQ(img.bytes, before);
}

TEST(Effects, ReplacePixelsUsesTheOpaqueKey) {
    EXPECT_EQ(OpaqueKey(0x00112233), 0xFF332211u);
    TestImage img = Blank(3, 1);
    const uint32_t white = OpaqueKey(0xFFFFFF), px[3] = {white, 0x80808080u, white};
    std::memcpy(img.bytes.data(), px, 12);
    EXPECT_EQ(ReplacePixels(img.View(), white, 0), 2);
    EXPECT_EQ(ReplacePixels(img.View(), 0, white), 2);
    EXPECT_EQ(PixelAt(img, 1, 0), 0x80808080u);
}

TEST(DropShadow, BlurZeroKeepsTheAlphaInTheShadowColour) {
    TestImage src = RandomImage(6, 5, 9, false), dst = Blank(6, 5);
    DropShadow(src.View(), 0, 0x000080FF, dst.View(), kRef); // orange: red 255, green 128
    for (std::size_t i = 0; i < src.bytes.size(); i += 4) {
        const uint32_t a = src.bytes[i + 3];
        ASSERT_EQ(dst.bytes[i + 3], a);
        ASSERT_EQ(dst.bytes[i + 2], a); // red 255 premultiplied
        ASSERT_EQ(dst.bytes[i + 1], 128 * a / 255);
        ASSERT_EQ(dst.bytes[i], 0);
    }
}

TEST(DropShadow, BoxSumOverTheWindowEndingAtEachPixel) {
    // One opaque pixel, blur 1: s = 2, a 3 x 3 window, every pixel of the 3 x 3 shadow sees it once.
    TestImage one = Blank(1, 1), out = Blank(3, 3);
    std::memset(one.bytes.data(), 255, 4);
    DropShadow(one.View(), 1, 0xFFFFFF, out.View(), kRef);
    for (std::size_t i = 0; i < out.bytes.size(); ++i)
        ASSERT_EQ(out.bytes[i], 255 / 9);
    // Two opaque pixels side by side, blur 1: columns 1 and 2 of the 4-wide shadow see both.
    TestImage two = Blank(2, 1), wide = Blank(4, 3);
    std::memset(two.bytes.data(), 255, 8);
    DropShadow(two.View(), 1, 0, wide.View(), kRef);
    const uint8_t expect[4] = {28, 56, 56, 28};
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 4; ++x)
            EXPECT_EQ(wide.View().At(x, y)[3], expect[x]) << x << "," << y;
    EXPECT_EQ(ClampBlurDepth(25), 10);
    EXPECT_EQ(ClampBlurDepth(-3), 0);
}

// A 7 x 5 ring: solid border, a transparent 3 x 1 hole in the middle row, a transparent corner.
TestImage Ring() {
    TestImage img = Blank(7, 5);
    for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 7; ++x) {
            const bool hole = y == 2 && x >= 2 && x <= 4;
            const bool corner = x == 6 && y == 0;
            if (!hole && !corner) img.View().At(x, y)[3] = 200;
        }
    return img;
}

TEST(AlphaRegion, StylesFromTheBottomRowUp) {
    TestImage img = Ring();
    EXPECT_EQ(ScanAlphaRects(img.View(), kRegionBounds, kRef), (std::vector<RegionRect>{{0, 0, 7, 5}}));
    const auto spans = ScanAlphaRects(img.View(), kRegionRowSpans, kRef);
    ASSERT_EQ(spans.size(), 5u);
    EXPECT_EQ(spans.front(), (RegionRect{0, 4, 7, 5})) << "bottom row first";
    EXPECT_EQ(spans[2], (RegionRect{0, 2, 7, 3})) << "the hole is filled";
    EXPECT_EQ(spans.back(), (RegionRect{0, 0, 6, 1}));
    const auto runs = ScanAlphaRects(img.View(), kRegionRuns, kRef);
    ASSERT_EQ(runs.size(), 6u);
    EXPECT_EQ(runs[2], (RegionRect{0, 2, 2, 3}));
    EXPECT_EQ(runs[3], (RegionRect{5, 2, 7, 3}));
    TestImage clear = Blank(4, 4);
    EXPECT_TRUE(ScanAlphaRects(clear.View(), kRegionBounds, kRef).empty());
    EXPECT_TRUE(ScanAlphaRects(clear.View(), kRegionRuns, kRef).empty());
}

TEST(AlphaRegion, DataBlockHeader) {
    const RegionRect rects[2] = {{1, 4, 3, 5}, {0, 1, 2, 2}};
    const std::vector<uint8_t> block = RegionDataBlock(rects, 0, 7);
    ASSERT_EQ(block.size(), 32u + 32u);
    int32_t h[8];
    std::memcpy(h, block.data(), 32);
    EXPECT_EQ(h[0], 32);
    EXPECT_EQ(h[1], 1);
    EXPECT_EQ(h[2], 2);
    EXPECT_EQ(h[3], 32);
    EXPECT_EQ((std::vector<int32_t>{h[4], h[5], h[6], h[7]}), (std::vector<int32_t>{0, 1, 7, 5}));
    EXPECT_EQ(std::memcmp(block.data() + 32, rects, 32), 0);
}

} // namespace
