#include "imaging/pixels/PixelMath.h"

#include "runtime/RtError.h"

#include <gtest/gtest.h>

#include "tests/support/RaisedError.h"

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace {

using namespace imaging;
using namespace imaging::ModAPI;

using testsupport::RaisesOverflow;

TEST(SwapLongBytes, ReversesBytesAndTakesSignFromNewTopByte) {
    EXPECT_EQ(SwapLongBytes(0x11223344), 0x44332211);
    EXPECT_EQ(SwapLongBytes(0x000000FF), static_cast<int32_t>(0xFF000000));
    EXPECT_LT(SwapLongBytes(0x000000FF), 0);
    EXPECT_EQ(SwapLongBytes(static_cast<int32_t>(0x80000000)), 0x80);
}

TEST(ScanlineBytes, RowsAreWholeDwordsAndOverflowRaises) {
    EXPECT_EQ(ScanlineBytes(24, 3), 12);
    EXPECT_EQ(ScanlineBytes(32, 3), 12);
    EXPECT_EQ(ScanlineBytes(1, 33), 8);
    EXPECT_EQ(ScanlineBytes(1, 32), 4);
    // 32 x 67,108,863 + 31 is exactly the largest Long.
    EXPECT_EQ(ScanlineBytes(32, 67108863), 268435452);
    EXPECT_TRUE(RaisesOverflow([] { ScanlineBytes(32, 67108864); }));
    EXPECT_TRUE(RaisesOverflow([] { ScanlineBytes(1, std::numeric_limits<int32_t>::max() - 30); }));
}

TEST(OffsetPointer, AddsOrGivesZeroWhenLeavingTheAddressRange) {
    constexpr uintptr_t kTop = std::numeric_limits<uintptr_t>::max();
    EXPECT_EQ(OffsetPointer(0x1000, 0), 0x1000u);
    EXPECT_EQ(OffsetPointer(0x1000, -0x10), 0xFF0u);
    EXPECT_EQ(OffsetPointer(0x1000, -0x1001), 0u);
    EXPECT_EQ(OffsetPointer(kTop - 4, 4), kTop);
    EXPECT_EQ(OffsetPointer(kTop - 4, 5), 0u);
    EXPECT_EQ(OffsetPointer(kTop, std::numeric_limits<intptr_t>::min()), kTop / 2);
}

TEST(GrayScaleWeights, EveryFormulaKeepsWhiteWhiteAndUnknownOnesAreTheFirst) {
    for (int32_t f = 0; f <= 7; ++f) {
        const GrayWeights w = GrayScaleWeights(f);
        EXPECT_NEAR(w.red + w.green + w.blue, 1.0f, 1e-6f) << "formula " << f;
    }
    EXPECT_FLOAT_EQ(GrayScaleWeights(9).red, 0.299f);
    EXPECT_FLOAT_EQ(GrayScaleWeights(9).blue, GrayScaleWeights(0).blue);
    EXPECT_FLOAT_EQ(GrayScaleWeights(1).green, 0.715f);
    EXPECT_FLOAT_EQ(GrayScaleWeights(-1).green, 1.0f);
}

struct Px {
    uint8_t b, g, r, a;
};

std::vector<uint8_t> Bytes(const std::vector<Px>& px) {
    std::vector<uint8_t> v;
    for (const Px& p : px)
        v.insert(v.end(), {p.b, p.g, p.r, p.a});
    return v;
}

struct AlphaCase {
    const char* name;
    std::vector<Px> in;
    int32_t kindIn;
    bool premultiply;
    int32_t kind;
    bool hasAlpha;
    std::vector<Px> out;
};

class AnalyzeAlphaTable : public ::testing::TestWithParam<AlphaCase> {};

TEST_P(AnalyzeAlphaTable, ClassifiesAndConverts) {
    const AlphaCase& c = GetParam();
    std::vector<uint8_t> buf = Bytes(c.in);
    bool hasAlpha = !c.hasAlpha;
    int32_t kind = c.kindIn;
    AnalyzeAlpha(buf, c.premultiply, hasAlpha, kind);
    EXPECT_EQ(kind, c.kind);
    EXPECT_EQ(hasAlpha, c.hasAlpha);
    EXPECT_EQ(buf, Bytes(c.out));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AnalyzeAlphaTable,
    ::testing::Values(
        AlphaCase{"AllZeroAlphaIsOpaqueAndMadeSo",
                  {{1, 2, 3, 0}, {0, 0, 0, 0}},
                  0,
                  true,
                  1,
                  false,
                  {{1, 2, 3, 255}, {0, 0, 0, 255}}},
        AlphaCase{"AllOpaque",
                  {{9, 8, 7, 255}, {255, 255, 255, 255}},
                  0,
                  true,
                  1,
                  false,
                  {{9, 8, 7, 255}, {255, 255, 255, 255}}},
        AlphaCase{"KindMinusOneCountsAsOpaque", {{10, 10, 10, 100}}, -1, true, 1, false, {{10, 10, 10, 255}}},
        AlphaCase{"PremultipliedStaysAsItIs",
                  {{50, 60, 70, 128}, {0, 0, 0, 0}, {1, 2, 3, 255}},
                  0,
                  true,
                  7,
                  true,
                  {{50, 60, 70, 128}, {0, 0, 0, 0}, {1, 2, 3, 255}}},
        AlphaCase{"TransparentBlackBesideOpaqueIsPremultiplied",
                  {{0, 0, 0, 0}, {5, 6, 7, 255}},
                  0,
                  true,
                  7,
                  true,
                  {{0, 0, 0, 0}, {5, 6, 7, 255}}},
        // Green 200 over alpha 100 cannot be premultiplied; every partial pixel is converted.
        AlphaCase{"ColourAboveAlphaIsStraight",
                  {{50, 60, 70, 128}, {100, 200, 30, 100}, {9, 9, 9, 0}},
                  0,
                  true,
                  6,
                  true,
                  {{25, 30, 35, 128}, {39, 78, 11, 100}, {0, 0, 0, 0}}},
        AlphaCase{"StraightLeftWithoutPremultiply",
                  {{100, 200, 30, 100}, {0, 0, 0, 255}},
                  0,
                  false,
                  6,
                  true,
                  {{100, 200, 30, 100}, {0, 0, 0, 255}}},
        // Colour under zero alpha, then a partial pixel: straight even though no byte exceeds its alpha.
        AlphaCase{"ColourUnderZeroAlphaThenPartial",
                  {{1, 0, 0, 0}, {10, 20, 30, 200}},
                  0,
                  true,
                  6,
                  true,
                  {{0, 0, 0, 0}, {7, 15, 23, 200}}},
        // Colour under zero alpha, then an opaque pixel: a colour-keyed image with binary alpha.
        AlphaCase{"ColourUnderZeroAlphaThenOpaque",
                  {{0, 0, 4, 0}, {10, 20, 30, 255}},
                  0,
                  true,
                  6,
                  true,
                  {{0, 0, 0, 0}, {10, 20, 30, 255}}},
        AlphaCase{"EmptyBufferIsOpaque", {}, 0, true, 1, false, {}}),
    [](const ::testing::TestParamInfo<AlphaCase>& info) { return std::string(info.param.name); });

} // namespace
