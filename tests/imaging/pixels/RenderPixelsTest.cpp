// The drawing stages' formulas, on the reference path, with values worked out by hand.
#include "imaging/pixels/RenderPixels.h"
#include "imaging/pixels/RotatePixels.h"
#include "tests/imaging/pixels/PixelTestImages.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using namespace imaging;
using imaging_test::TestImage;
using Px = std::array<uint8_t, 4>;

constexpr PixelPath kRef = PixelPath::Reference;

Px Blend(Px s, Px d, int opacity, bool targetAlpha, int gray = -1) {
    const BlendMode mode{static_cast<uint8_t>(opacity), gray >= 0, ModAPI::GrayScaleWeights(gray),
                         targetAlpha};
    BlendRow(s.data(), d.data(), 1, mode, kRef);
    return d;
}

TEST(BlendRow, FullOpacityFormulas) {
    // a = 255 replaces, a = 0 leaves, otherwise d x (255 - a) \ 255 + s.
    EXPECT_EQ(Blend({1, 2, 3, 255}, {200, 100, 50, 77}, 255, false), (Px{1, 2, 3, 77}));
    EXPECT_EQ(Blend({1, 2, 3, 255}, {200, 100, 50, 77}, 255, true), (Px{1, 2, 3, 255}));
    EXPECT_EQ(Blend({0, 0, 0, 0}, {200, 100, 50, 77}, 255, true), (Px{200, 100, 50, 77}));
    // 200 x 127 \ 255 = 99; the host's alpha: 77 x 127 \ 255 + 128 = 166.
    EXPECT_EQ(Blend({100, 0, 128, 128}, {200, 255, 0, 77}, 255, true), (Px{199, 127, 128, 166}));
}

TEST(BlendRow, PartialOpacityFormulas) {
    // L = 127: inv = 255 - 128 x 127 \ 255 = 192; (200 x 192 + 100 x 127) \ 255 = 200.
    EXPECT_EQ(Blend({100, 0, 0, 128}, {200, 0, 255, 10}, 127, false), (Px{200, 0, 192, 10}));
    // Opaque source at L = 127: inv = 128; (0 x 128 + 255 x 127) \ 255 = 127.
    EXPECT_EQ(Blend({255, 255, 255, 255}, {0, 0, 0, 0}, 127, true), (Px{127, 127, 127, 127}));
    EXPECT_EQ(Blend({0, 0, 0, 0}, {9, 8, 7, 6}, 1, true), (Px{9, 8, 7, 6}));
}

TEST(BlendRow, GrayscaleUsesRoundedWeightedSum) {
    // 10 x 0.114 + 20 x 0.587 + 30 x 0.299 = 21.85 -> 22.
    EXPECT_EQ(GrayOf(Px{10, 20, 30, 255}.data(), ModAPI::GrayScaleWeights(0)), 22);
    EXPECT_EQ(Blend({10, 20, 30, 255}, {1, 1, 1, 1}, 255, true, 0), (Px{22, 22, 22, 255}));
    // Formula 9 is formula 0.
    EXPECT_EQ(Blend({10, 20, 30, 255}, {1, 1, 1, 1}, 255, true, 9), (Px{22, 22, 22, 255}));
    // Formula 3 (0.8 red): 30 x 0.8 + 2 + 1 = 27; half-transparent: 50 x 127 \ 255 + 27 = 51.
    EXPECT_EQ(Blend({10, 20, 30, 128}, {50, 50, 50, 50}, 255, false, 3), (Px{51, 51, 51, 50}));
}

TEST(BlendRow, ColourAboveAlphaIsHeldAt255) {
    EXPECT_EQ(Blend({255, 0, 0, 10}, {255, 0, 0, 0}, 255, false), (Px{255, 0, 0, 0}));
}

TEST(AdjustLightness, StepsAndBounds) {
    TestImage img{{100, 50, 0, 255, 100, 50, 0, 128, 7, 7, 7, 0}, 3, 1};
    TestImage out = img;
    // +50: d = 127.5; 127.5 x 255 = 32512.5 rounds to the even 32512, \ 255 = 127. Alpha 128: 64.
    AdjustLightness(img.View(), out.View(), 50.0f, kRef);
    EXPECT_EQ(out.bytes, (std::vector<uint8_t>{227, 177, 127, 255, 128, 114, 64, 128, 7, 7, 7, 0}));
    AdjustLightness(img.View(), out.View(), 100.0f, kRef);
    EXPECT_EQ(out.bytes, (std::vector<uint8_t>{255, 255, 255, 255, 128, 128, 128, 128, 7, 7, 7, 0}));
    AdjustLightness(img.View(), out.View(), -100.0f, kRef);
    EXPECT_EQ(out.bytes, (std::vector<uint8_t>{0, 0, 0, 255, 0, 0, 0, 128, 7, 7, 7, 0}));
}

// One row of pixels whose blue byte is the value given, alpha 255.
TestImage Row(std::initializer_list<uint8_t> blues) {
    TestImage img{{}, static_cast<int32_t>(blues.size()), 1};
    for (uint8_t b : blues)
        img.bytes.insert(img.bytes.end(), {b, 0, 0, 255});
    return img;
}
std::vector<uint8_t> Blues(const TestImage& img) {
    std::vector<uint8_t> out;
    for (std::size_t i = 0; i < img.bytes.size(); i += 4)
        out.push_back(img.bytes[i]);
    return out;
}

TEST(Stretch, NearestTakesIntOfTheScaledIndex) {
    TestImage src = Row({10, 20, 30});
    TestImage two{std::vector<uint8_t>(8), 2, 1}, five{std::vector<uint8_t>(20), 5, 1};
    StretchNearest(src.View(), {0, 0, 3, 1}, two.View(), kRef);
    EXPECT_EQ(Blues(two), (std::vector<uint8_t>{10, 20}));
    StretchNearest(src.View(), {1, 0, 2, 1}, five.View(), kRef);
    EXPECT_EQ(Blues(five), (std::vector<uint8_t>{20, 20, 20, 30, 30}));
}

TEST(Stretch, BilinearWeighsNeighboursAndTruncates) {
    TestImage src = Row({0, 255});
    TestImage four{std::vector<uint8_t>(16), 4, 1};
    // sx = 0, 0.5, 1, 1.5; the last column stands alone.
    StretchBilinear(src.View(), {0, 0, 2, 1}, four.View(), kRef);
    EXPECT_EQ(Blues(four), (std::vector<uint8_t>{0, 127, 255, 255}));
    // Vertically: rows counted from the rectangle's top, the top row first.
    TestImage col{{0, 0, 0, 255, 90, 0, 0, 255}, 1, 2}; // memory row 0 is the bottom: 0 below, 90 above
    TestImage tall{std::vector<uint8_t>(16), 1, 4};
    StretchBilinear(col.View(), {0, 0, 1, 2}, tall.View(), kRef);
    EXPECT_EQ(Blues(tall), (std::vector<uint8_t>{0, 0, 45, 90})) << "bottom-up memory: bottom row first";
}

TEST(Mirror, FlipsEitherAxis) {
    TestImage src{{1, 0, 0, 255, 2, 0, 0, 255, 3, 0, 0, 255, 4, 0, 0, 255}, 2, 2}; // bottom row 1 2, top 3 4
    TestImage out{std::vector<uint8_t>(16), 2, 2};
    MirrorCopy(src.View(), {0, 0, 2, 2}, true, false, out.View());
    EXPECT_EQ(Blues(out), (std::vector<uint8_t>{2, 1, 4, 3}));
    MirrorCopy(src.View(), {0, 0, 2, 2}, false, true, out.View());
    EXPECT_EQ(Blues(out), (std::vector<uint8_t>{3, 4, 1, 2}));
    MirrorCopy(src.View(), {0, 0, 2, 2}, true, true, out.View());
    EXPECT_EQ(Blues(out), (std::vector<uint8_t>{4, 3, 2, 1}));
}

TEST(Rotation, QuarterTurnClockwiseAndCanvasSide) {
    EXPECT_EQ(RotationCanvasSide(3, 4), 5);
    EXPECT_EQ(RotationCanvasSide(2, 1), 2); // sqrt(5) = 2.236
    // 3 x 1 source (blues 1 2 3 from the left) in a 3 x 3 canvas: a quarter turn clockwise stands it
    // upright with its left end at the top.
    TestImage src = Row({1, 2, 3});
    TestImage canvas{std::vector<uint8_t>(36), 3, 3};
    RotateInto(src.View(), {0, 0, 3, 1}, {90, 1.0, 1.0, false}, canvas.View(), kRef);
    // Memory rows bottom-up: the middle column holds 3 (bottom), 2, 1 (top).
    EXPECT_EQ(Blues(canvas), (std::vector<uint8_t>{0, 3, 0, 0, 2, 0, 0, 1, 0}));
    // A part of a larger image turns about its own centre.
    TestImage wide = Row({9, 9, 1, 2, 3});
    std::fill(canvas.bytes.begin(), canvas.bytes.end(), 0);
    RotateInto(wide.View(), {2, 0, 3, 1}, {90, 1.0, 1.0, false}, canvas.View(), kRef);
    EXPECT_EQ(Blues(canvas), (std::vector<uint8_t>{0, 3, 0, 0, 2, 0, 0, 1, 0}));
}

} // namespace
