#include "scrollbars/ScrollbarLayout.h"

#include "runtime/RtError.h"

#include <gtest/gtest.h>

#include "tests/support/RaisedError.h"

#include <climits>
#include <vector>

namespace {

using scrollbars::Arrow;
using scrollbars::ArrowBlits;
using scrollbars::Blit;
using scrollbars::BlitList;
using scrollbars::PartRect;
using scrollbars::SkinBitmap;
using scrollbars::ThumbBlits;
using scrollbars::TrackBlits;
using K = scrollbars::BlitKind;
using B = SkinBitmap;

constexpr int16_t kH = 1;
constexpr int16_t kV = 2;

std::vector<Blit> Listed(const BlitList& list) {
    return {list.begin(), list.end()};
}

using testsupport::RaisesOverflow;

TEST(TrackBlits, HorizontalTrackOfHeight17KeepsItsSlicesAtTheirOwnHeights) {
    const std::vector<Blit> expect{
        {B::BackH, K::Stretch, 2, 0, 2, 3, 18, 0, 100, 3},
        {B::BackH, K::Stretch, 2, 14, 2, 3, 18, 14, 100, 3},
        {B::BackH, K::Stretch, 2, 3, 2, 11, 18, 3, 100, 11},
    };
    EXPECT_EQ(Listed(TrackBlits(kH, 1, {18, 0, 118, 17})), expect);
}

TEST(TrackBlits, AnyOrientationButOneIsVerticalAndThinBarsKeepTheirEdges) {
    const auto vertical = Listed(TrackBlits(kV, 1, {0, 18, 17, 200}));
    ASSERT_EQ(vertical.size(), 3u);
    EXPECT_EQ(vertical[2], (Blit{B::BackV, K::Stretch, 3, 2, 11, 2, 3, 18, 11, 182}));
    EXPECT_EQ(Listed(TrackBlits(0, 1, {0, 18, 17, 200})), vertical);
    EXPECT_EQ(TrackBlits(kV, 0, {0, 0, 6, 50}).count, 2);
}

TEST(ThumbBlits, HorizontalThumbOf16IsNineSlicesAndAGrip) {
    const std::vector<Blit> expect{
        {B::ThumbH, K::Copy, 0, 17, 3, 3, 20, 0, 3, 3},
        {B::ThumbH, K::Copy, 12, 17, 3, 3, 33, 0, 3, 3},
        {B::ThumbH, K::Copy, 0, 31, 3, 3, 20, 14, 3, 3},
        {B::ThumbH, K::Copy, 12, 31, 3, 3, 33, 14, 3, 3},
        {B::ThumbH, K::Stretch, 3, 17, 9, 3, 23, 0, 10, 3},
        {B::ThumbH, K::Stretch, 3, 31, 9, 3, 23, 14, 10, 3},
        {B::ThumbH, K::Stretch, 0, 20, 3, 11, 20, 3, 3, 11},
        {B::ThumbH, K::Stretch, 12, 20, 3, 11, 33, 3, 3, 11},
        {B::ThumbH, K::Stretch, 3, 20, 9, 11, 23, 3, 10, 11},
        {B::GripH, K::MaskedCopy, 0, 9, 10, 9, 23, 4, 10, 9},
    };
    EXPECT_EQ(Listed(ThumbBlits(kH, 1, {20, 0, 36, 17})), expect);
    // At 144 DPI: corners 5 square, the grip 15 x 14 from a thumb of 24.
    EXPECT_EQ(ThumbBlits(kH, 1, {20, 0, 56, 26}, 144).items[9],
              (Blit{B::GripH, K::MaskedStretch, 0, 9, 10, 9, 30, 6, 15, 14}));
    EXPECT_EQ(ThumbBlits(kH, 0, {0, 0, 23, 26}, 144).count, 9);
}

struct GripCase {
    int32_t length;
    bool grip;
    int32_t along; // grip position along the bar, from the thumb's start
    int count;     // slices and grip
};

class GripTest : public ::testing::TestWithParam<GripCase> {};

TEST_P(GripTest, GripOnlyFrom16AndCentredHalfToEven) {
    const GripCase& c = GetParam();
    // The thumb sits 100 pixels down the bar's cross axis: the grip is placed from 0 there all the same.
    const BlitList h = ThumbBlits(kH, 0, {50, 100, 50 + c.length, 117});
    const BlitList v = ThumbBlits(kV, 0, {100, 50, 117, 50 + c.length});
    ASSERT_EQ(h.count, c.count);
    ASSERT_EQ(v.count, h.count);
    if (!c.grip) {
        for (const Blit& b : h)
            EXPECT_NE(b.bitmap, B::GripH);
        return;
    }
    const Blit& gh = h.items[static_cast<size_t>(h.count - 1)];
    EXPECT_EQ(gh.bitmap, B::GripH);
    EXPECT_EQ(gh.xDst, 50 + c.along);
    EXPECT_EQ(gh.yDst, 4);
    const Blit& gv = v.items[static_cast<size_t>(v.count - 1)];
    EXPECT_EQ(gv.bitmap, B::GripV);
    EXPECT_EQ(gv.xDst, 4);
    // The vertical grip is 10 long where the horizontal one is 10 wide: the same centring.
    EXPECT_EQ(gv.yDst, 50 + c.along);
}

INSTANTIATE_TEST_SUITE_P(Lengths, GripTest,
                         ::testing::Values(GripCase{0, false, 0, 0}, GripCase{6, false, 0, 6},
                                           GripCase{15, false, 0, 9}, GripCase{16, true, 3, 10},
                                           GripCase{17, true, 4, 10}, GripCase{19, true, 4, 10},
                                           GripCase{21, true, 6, 10}, GripCase{300, true, 145, 10}),
                         [](const auto& info) { return "Length" + std::to_string(info.param.length); });

// However short or thin the part, its opaque slices stay inside it (the masked grip and glyph are
// placed across the bar from 0).
TEST(Blits, EveryOpaqueSliceLandsInsideItsPart) {
    for (int32_t dpi : {96, 144, 192})
        for (int16_t orientation : {kH, kV})
            for (int32_t thickness : {1, 2, 17})
                for (int32_t length = 1; length <= 40; ++length) {
                    const PartRect r = orientation == kH ? PartRect{7, 0, 7 + length, thickness}
                                                         : PartRect{0, 7, thickness, 7 + length};
                    for (const BlitList& list :
                         {TrackBlits(orientation, 1, r, dpi), ThumbBlits(orientation, 3, r, dpi),
                          ArrowBlits(orientation, 2, r, Arrow::Second, dpi)})
                        for (const Blit& b : list) {
                            if (b.kind == K::MaskedCopy || b.kind == K::MaskedStretch) continue;
                            ASSERT_GT(b.wDst, 0);
                            ASSERT_GT(b.hDst, 0);
                            ASSERT_TRUE(b.xDst >= r.Left && b.yDst >= r.Top && b.xDst + b.wDst <= r.Right &&
                                        b.yDst + b.hDst <= r.Bottom)
                                << "orientation " << orientation << " " << length << "x" << thickness << " "
                                << dpi;
                        }
                }
}

TEST(ArrowBlits, ButtonIsEighteenLongWhateverTheRectangle) {
    const std::vector<Blit> expect{
        {B::ArrowH, K::Copy, 54, 0, 18, 3, 100, 0, 18, 3},
        {B::ArrowH, K::Copy, 54, 14, 18, 3, 100, 14, 18, 3},
        {B::ArrowH, K::Stretch, 54, 3, 18, 11, 100, 3, 18, 11},
        {B::ArrowHR, K::MaskedCopy, 54, 0, 18, 17, 100, 0, 18, 17},
    };
    EXPECT_EQ(Listed(ArrowBlits(kH, 3, {100, 0, 130, 17}, Arrow::Second)), expect);
    const std::vector<Blit> top{
        {B::ArrowV, K::Copy, 0, 72, 3, 18, 0, 0, 3, 18},
        {B::ArrowV, K::Copy, 14, 72, 3, 18, 14, 0, 3, 18},
        {B::ArrowV, K::Stretch, 3, 72, 11, 18, 3, 0, 11, 18},
        {B::ArrowVT, K::MaskedCopy, 0, 72, 17, 18, 0, 0, 17, 18},
    };
    EXPECT_EQ(Listed(ArrowBlits(kV, 4, {0, 0, 17, 30}, Arrow::First)), top);
    EXPECT_EQ(ArrowBlits(kH, 0, {0, 0, 18, 17}, Arrow::First).items[3].bitmap, B::ArrowHL);
    EXPECT_EQ(ArrowBlits(kV, 0, {0, 0, 17, 18}, Arrow::Second).items[3].bitmap, B::ArrowVB);
    // 27 long at 144 DPI on a bar 26 thick: the glyph stretched with its magenta kept.
    EXPECT_EQ(ArrowBlits(kH, 3, {100, 0, 130, 26}, Arrow::Second, 144).items[3],
              (Blit{B::ArrowHR, K::MaskedStretch, 54, 0, 18, 17, 100, 0, 27, 26}));
}

TEST(ArrowBlits, GlyphIsCentredAcrossThickerBarsHalfToEven) {
    for (auto [thickness, offset] :
         std::vector<std::pair<int32_t, int32_t>>{{17, 0}, {18, 0}, {20, 2}, {21, 2}, {23, 3}}) {
        EXPECT_EQ(ArrowBlits(kH, 0, {5, 0, 23, thickness}, Arrow::First).items[3].yDst, offset) << thickness;
        EXPECT_EQ(ArrowBlits(kV, 0, {0, 5, thickness, 23}, Arrow::First).items[3].xDst, offset) << thickness;
    }
}

TEST(Blits, StateOffsetsBeyondSixteenBitsAndRectanglesBeyondThirtyTwoBitsOverflow) {
    const PartRect r{0, 0, 40, 17};
    EXPECT_EQ(ThumbBlits(kH, 1927, r).items[0].ySrc, 32759);
    EXPECT_TRUE(RaisesOverflow([&] { ThumbBlits(kH, 1928, r); }));
    EXPECT_TRUE(RaisesOverflow([&] { ArrowBlits(kV, 1821, r, Arrow::First); }));
    EXPECT_TRUE(RaisesOverflow([&] { TrackBlits(kH, 16384, r); }));
    EXPECT_TRUE(RaisesOverflow([&] { TrackBlits(kH, 0, {INT32_MIN, 0, 100, 17}); }));
    EXPECT_TRUE(RaisesOverflow([&] { ThumbBlits(kV, 0, {0, INT32_MIN, 17, 5}); }));
    EXPECT_FALSE(RaisesOverflow([&] { ThumbBlits(kH, 0, {INT32_MAX - 20, 0, INT32_MAX, 17}); }));
}

} // namespace
