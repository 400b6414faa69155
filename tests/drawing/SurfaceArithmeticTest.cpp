#include "drawing/SurfacePixels.h"
#include "drawing/SurfaceUnits.h"
#include "drawing/SystemPalette.h"

#include "runtime/RtError.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace {

using namespace drawing;

TEST(HiMetricToPixels, EveryPixelSizeSurvivesTheRunTimesHiMetricAndHalvesGoToEven) {
    for (int32_t px = 0; px <= 4096; ++px)
        ASSERT_EQ(HiMetricToPixels((px * 2540 + 48) / 96, 96), px) << px;
    EXPECT_EQ(HiMetricToPixels(2540, 120), 120);
    EXPECT_EQ(HiMetricToPixels(-423, 96), -16);
    // 10 and 30 HiMetric at 127 dpi are 0.5 and 1.5 pixels.
    EXPECT_EQ(HiMetricToPixels(10, 127), 0);
    EXPECT_EQ(HiMetricToPixels(30, 127), 2);
    EXPECT_THROW(HiMetricToPixels(100, 0), rt::RtError);
}

TEST(FontSizes, PointsAndPixelHeightsConvertBothWays) {
    EXPECT_EQ(FontHeightForSize(9, 96), -12);
    EXPECT_EQ(FontHeightForSize(8, 96), -11);
    EXPECT_EQ(FontHeightForSize(9, 120), -15);
    EXPECT_EQ(FontHeightForSize(3.375, 96), -4) << "-4.5 goes to the even side";
    EXPECT_EQ(FontHeightForSize(4.125, 96), -6) << "-5.5 goes to the even side";
    EXPECT_THROW(FontHeightForSize(1e12, 96), rt::RtError);
    EXPECT_DOUBLE_EQ(FontSizeFromMetrics(11, 96), 8.25);
    EXPECT_DOUBLE_EQ(FontSizeFromMetrics(1, 7), 10.2857) << "four decimals";
    EXPECT_DOUBLE_EQ(FontSizeFromMetrics(12, 0), 0.0);
    EXPECT_DOUBLE_EQ(FontSizeFromHeight(-12, 96), 9.0);
    EXPECT_DOUBLE_EQ(FontSizeFromHeight(12, 96), 9.0) << "a cell height never gives a negative size";
    for (int32_t dpi : {72, 96, 120, 144})
        for (int32_t em = 1; em <= 200; ++em)
            ASSERT_EQ(FontHeightForSize(FontSizeFromMetrics(em, dpi), dpi), -em) << em << " px at " << dpi;
}

TEST(SystemPalette, OnlyA256EntryPaletteDeviceGetsTheRecordOfItsEntries) {
    EXPECT_TRUE(UsesSystemPalette(0x7F99, 256));
    EXPECT_FALSE(UsesSystemPalette(0x7E99, 256)) << "a true-colour display's capabilities";
    EXPECT_FALSE(UsesSystemPalette(0x0100, 16));

    std::array<PaletteEntry, 256> entries{};
    for (int i = 0; i < 256; ++i)
        entries[i] = {uint8_t(i), uint8_t(255 - i), uint8_t(i * 3), uint8_t(i % 5)};
    const std::vector<uint8_t> bytes = LogPaletteBytes(entries);
    ASSERT_EQ(bytes.size(), 4u + 256 * 4);
    EXPECT_EQ((std::vector<uint8_t>(bytes.begin(), bytes.begin() + 4)), (std::vector<uint8_t>{0, 3, 0, 1}));
    for (int i = 0; i < 256; ++i) {
        const uint8_t* e = &bytes[4 + 4 * i];
        ASSERT_EQ(
            (std::array<uint8_t, 4>{e[0], e[1], e[2], e[3]}),
            (std::array<uint8_t, 4>{entries[i].red, entries[i].green, entries[i].blue, entries[i].flags}))
            << i;
    }
    EXPECT_TRUE(LogPaletteBytes({}).empty());
    EXPECT_TRUE(LogPaletteBytes(std::vector<PaletteEntry>(65536)).empty());
}

constexpr uint32_t kHighlight = 0xF0F0F0;
constexpr uint32_t kShadow = 0x808080;

struct EmbossCase {
    const char* name;
    // '#' black, 'n' navy, 'g' light grey, 'm' magenta, '.' white.
    std::array<const char*, 4> src;
    uint32_t mask;
    // 's' shadow, 'h' highlight, '.' the destination left as it was.
    std::array<const char*, 4> want;
};

class EmbossDisabledTest : public ::testing::TestWithParam<EmbossCase> {};

TEST_P(EmbossDisabledTest, ShadowOverHighlightOneDownRightElseUntouched) {
    const EmbossCase& c = GetParam();
    std::vector<uint32_t> src, backdrop;
    for (const char* row : c.src)
        for (const char* p = row; *p; ++p) {
            src.push_back(*p == '#'   ? 0xFF000000
                          : *p == 'n' ? 0x000080
                          : *p == 'g' ? 0xC0C0C0
                          : *p == 'm' ? 0xFF00FF
                                      : 0xFFFFFF);
            backdrop.push_back(0x102030 + static_cast<uint32_t>(backdrop.size()) * 0x010101);
        }
    std::vector<uint32_t> dst = backdrop;
    ASSERT_TRUE(EmbossDisabled(src, dst, 5, 4, c.mask, kHighlight, kShadow));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            const char w = c.want[y][x];
            EXPECT_EQ(dst[y * 5 + x], w == 's'   ? kShadow
                                      : w == 'h' ? kHighlight
                                                 : backdrop[y * 5 + x])
                << "at " << x << "," << y;
        }
    EXPECT_FALSE(EmbossDisabled(std::span(src).first(19), dst, 5, 4, c.mask, kHighlight, kShadow));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EmbossDisabledTest,
    ::testing::Values(
        // The shadow covers the highlight where the shape overlaps itself shifted.
        EmbossCase{"BlackGlyphOnWhite",
                   {".....", ".##..", ".##..", "....."},
                   0xFFFFFF,
                   {".....", ".ss..", ".ssh.", "..hh."}},
        // Shifted pixels that leave the rectangle are cut off, not wrapped.
        EmbossCase{"ClippedAtRightAndBottom",
                   {"....#", ".....", ".....", "#...."},
                   0xFFFFFF,
                   {"....s", ".....", ".....", "s...."}},
        // Light colours (magenta too) and the mask colour stay transparent, however dark the mask is.
        EmbossCase{"MaskAndLightPixelsAreTransparent",
                   {"mnn#g", "ggggg", "mmmmm", "....."},
                   0x000080,
                   {"...s.", "....h", ".....", "....."}}),
    [](const ::testing::TestParamInfo<EmbossCase>& info) { return std::string(info.param.name); });

TEST(SplitIconPlanes, KeyPixelsAreTransparentAndBlackAndTheKeyIsComparedAsGiven) {
    // 17 pixels wide: two 16-bit words per mask row.
    constexpr int w = 17, h = 2;
    std::vector<uint32_t> px(w * h);
    for (int i = 0; i < w * h; ++i)
        px[i] = 0xFF000000 | (i % 3 == 0 ? 0xFF00FF : 0x123456 + static_cast<uint32_t>(i));
    const IconPlanes planes = SplitIconPlanes(px, w, h, 0xFF00FF);
    ASSERT_EQ(planes.mask.size(), 8u);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int i = y * w + x;
            EXPECT_EQ((planes.mask[y * 4 + x / 8] & (0x80 >> (x % 8))) != 0, i % 3 == 0) << x << "," << y;
            EXPECT_EQ(planes.colour[i], i % 3 == 0 ? 0u : px[i] & 0xFFFFFF) << x << "," << y;
        }
        EXPECT_EQ(planes.mask[y * 4 + 3], 0) << "padding of row " << y;
    }
    // The window colour's system index is not translated, so nothing matches it.
    EXPECT_EQ(SplitIconPlanes(std::vector<uint32_t>(4, 0xFFFFFF), 2, 2, 0x80000005).mask,
              (std::vector<uint8_t>{0, 0, 0, 0}));
    EXPECT_TRUE(SplitIconPlanes(px, 18, 2, 0).colour.empty()) << "too few pixels";
}

} // namespace
