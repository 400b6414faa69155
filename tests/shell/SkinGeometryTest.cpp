#include "shell/SkinGeometry.h"

#include <gtest/gtest.h>

#include <climits>
#include <ostream>

#include "runtime/RtError.h"

namespace rt {

std::ostream& operator<<(std::ostream& os, const Rect& r) {
    return os << "(" << r.left << "," << r.top << "," << r.right << "," << r.bottom << ")";
}
std::ostream& operator<<(std::ostream& os, const Point& p) {
    return os << "(" << p.x << "," << p.y << ")";
}

} // namespace rt

namespace viewer::skin {

namespace {

struct HitCase {
    const char* name;
    bool thickFrame;
    bool maximized;
    int32_t x, y;
    int32_t code;
    Pointer pointer;
};

std::ostream& operator<<(std::ostream& os, const HitCase& c) {
    return os << c.name;
}

class HitTestTable : public ::testing::TestWithParam<HitCase> {};

TEST_P(HitTestTable, ChoosesTheFirstZoneWithInclusiveBounds) {
    const HitCase& c = GetParam();
    const SizingZones zones = ComputeSizingZones(300, 200);
    const HitChoice got = ChooseHitTest(zones, c.thickFrame, c.maximized, c.x, c.y);
    EXPECT_EQ(got.code, c.code) << "at " << c.x << "," << c.y;
    EXPECT_EQ(got.pointer, c.pointer) << "at " << c.x << "," << c.y;
}

constexpr Pointer D = Pointer::Default;
constexpr Pointer NWSE = Pointer::SizeNWSE;
constexpr Pointer NS = Pointer::SizeNS;
constexpr Pointer NESW = Pointer::SizeNESW;
constexpr Pointer WE = Pointer::SizeWE;

INSTANTIATE_TEST_SUITE_P(
    Zones, HitTestTable,
    ::testing::Values(HitCase{"TopLeftCorner", true, false, 0, 0, kHitTopLeft, NWSE},
                      HitCase{"TopLeftBeatsTopAtItsRightEdge", true, false, 8, 0, kHitTopLeft, NWSE},
                      HitCase{"TopLeftBeatsLeftAtItsBottomEdge", true, false, 8, 24, kHitTopLeft, NWSE},
                      HitCase{"TopJustRightOfTopLeft", true, false, 9, 0, kHitTop, NS},
                      HitCase{"TopBottomRowInclusive", true, false, 150, 6, kHitTop, NS},
                      HitCase{"TopBeatsTopRightAtItsLeftEdge", true, false, 292, 0, kHitTop, NS},
                      HitCase{"TopRightBelowTop", true, false, 292, 7, kHitTopRight, NESW},
                      HitCase{"TopRightOuterCorner", true, false, 300, 0, kHitTopRight, NESW},
                      HitCase{"TopRightBottomInclusive", true, false, 299, 24, kHitTopRight, NESW},
                      HitCase{"CaptionBelowTopZone", true, false, 150, 7, kHitCaption, D},
                      HitCase{"CaptionLastRow", true, false, 150, 24, kHitCaption, D},
                      HitCase{"NothingBelowCaption", true, false, 150, 25, kHitNone, D},
                      HitCase{"NothingInTheMiddle", true, false, 150, 100, kHitNone, D},
                      HitCase{"LeftTop", true, false, 0, 25, kHitLeft, WE},
                      HitCase{"LeftEnds32AboveBottom", true, false, 0, 168, kHitLeft, WE},
                      HitCase{"LeftGapAboveBottomLeft", true, false, 0, 169, kHitNone, D},
                      HitCase{"LeftGapLastRow", true, false, 8, 191, kHitNone, D},
                      HitCase{"RightTop", true, false, 300, 25, kHitRight, WE},
                      HitCase{"RightEnds8AboveBottom", true, false, 300, 191, kHitRight, WE},
                      HitCase{"RightBeatsBottomRightOnSharedRow", true, false, 292, 192, kHitRight, WE},
                      HitCase{"BottomLeftTop", true, false, 0, 192, kHitBottomLeft, NESW},
                      HitCase{"BottomLeftRightEdge", true, false, 8, 200, kHitBottomLeft, NESW},
                      HitCase{"BottomRightIs32Wide", true, false, 268, 193, kHitBottomRight, NWSE},
                      HitCase{"BottomRightCorner", true, false, 300, 200, kHitBottomRight, NWSE},
                      HitCase{"BottomLeftOfBottomRight", true, false, 267, 193, kHitBottom, NS},
                      HitCase{"BottomTopRow", true, false, 150, 192, kHitBottom, NS},
                      HitCase{"AboveBottom", true, false, 150, 191, kHitNone, D},
                      HitCase{"MaximizedCornerTakesNothing", true, true, 0, 0, kHitNone, D},
                      HitCase{"MaximizedCaptionTakesNothing", true, true, 150, 10, kHitNone, D},
                      HitCase{"MaximizedBottomRightTakesNothing", true, true, 300, 200, kHitNone, D},
                      HitCase{"NoThickFrameCornerIsCaption", false, false, 0, 0, kHitCaption, D},
                      HitCase{"NoThickFrameCaptionRow", false, false, 150, 24, kHitCaption, D},
                      HitCase{"NoThickFrameEdgeBelowCaption", false, false, 0, 100, kHitNone, D},
                      HitCase{"NoThickFrameCorner", false, false, 300, 200, kHitNone, D},
                      HitCase{"NoThickFrameMaximizedCaption", false, true, 150, 10, kHitCaption, D}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SizingZones, RectanglesFollowTheControlSize) {
    const SizingZones z = ComputeSizingZones(831, 532);
    EXPECT_EQ(z[0].rect, (Rect{0, 0, 8, 24}));
    EXPECT_EQ(z[1].rect, (Rect{8, 0, 823, 6}));
    EXPECT_EQ(z[2].rect, (Rect{823, 0, 831, 24}));
    EXPECT_EQ(z[3].rect, (Rect{0, 24, 8, 500}));
    EXPECT_EQ(z[4].rect, (Rect{823, 24, 831, 524}));
    EXPECT_EQ(z[5].rect, (Rect{0, 524, 8, 532}));
    EXPECT_EQ(z[6].rect, (Rect{799, 524, 831, 532}));
    EXPECT_EQ(z[7].rect, (Rect{8, 524, 823, 532}));
}

TEST(SizingZones, AtOneAndAHalfTimesTheZonesCaptionAndOpeningScale) {
    const Scale s{144};
    const SizingZones z = ComputeSizingZones(1247, 798, s);
    EXPECT_EQ(z[3].rect, (Rect{0, 36, 12, 750}));
    EXPECT_EQ(z[6].rect, (Rect{1199, 786, 1247, 798}));
    EXPECT_EQ(ChooseHitTest(z, false, false, 150, 37, s).code, kHitNone);
    EXPECT_EQ(ControlRegionShape(1247, 798, false, s).opening, (Rect{6, 36, 1241, 792}));
    EXPECT_EQ(ComputeCaptionTextBox(1247, true, s), (CaptionTextBox{32, 1087}));
}

TEST(SizingZones, ArithmeticLeavingTheLongRangeRaisesOverflow) {
    EXPECT_THROW(ComputeSizingZones(INT32_MIN + 4, 100), rt::RtError);
}

struct ButtonLayoutCase {
    int32_t width;
    std::array<int32_t, kButtonCount> lefts; // min, max, close, menu, stay-on-top
};

std::ostream& operator<<(std::ostream& os, const ButtonLayoutCase& c) {
    return os << "width " << c.width;
}

class ButtonLayoutTable : public ::testing::TestWithParam<ButtonLayoutCase> {};

TEST_P(ButtonLayoutTable, ButtonsStep17FromTheRightAt11By11Top6) {
    const auto r = LayoutCaptionButtons(GetParam().width);
    for (int i = 0; i < kButtonCount; ++i) {
        const int32_t left = GetParam().lefts[static_cast<size_t>(i)];
        EXPECT_EQ(r[static_cast<size_t>(i)], (Rect{left, 6, left + 11, 17})) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Widths, ButtonLayoutTable,
                         ::testing::Values(ButtonLayoutCase{831, {780, 797, 814, 746, 763}},
                                           ButtonLayoutCase{142, {91, 108, 125, 57, 74}},
                                           ButtonLayoutCase{0, {-51, -34, -17, -85, -68}}));

struct CellCase {
    int index;
    int16_t state;
    bool maximized;
    bool topMostOn;
    Point cell;
};

std::ostream& operator<<(std::ostream& os, const CellCase& c) {
    return os << "button " << c.index << " state " << c.state << (c.maximized ? " maximized" : "")
              << (c.topMostOn ? " on top" : "");
}

class ButtonCellTable : public ::testing::TestWithParam<CellCase> {};

TEST_P(ButtonCellTable, ColumnByButtonAndRowByState) {
    const CellCase& c = GetParam();
    EXPECT_EQ(ButtonSourceCell(c.index, c.state, c.maximized, c.topMostOn), c.cell);
}

INSTANTIATE_TEST_SUITE_P(Cells, ButtonCellTable,
                         ::testing::Values(CellCase{kMinButton, kNormal, false, false, {0, 0}},
                                           CellCase{kMinButton, kPressed, true, true, {0, 22}},
                                           CellCase{kMaxButton, kNormal, false, false, {11, 0}},
                                           CellCase{kMaxButton, kHover, true, false, {66, 11}},
                                           CellCase{kMaxButton, kPressed, true, false, {66, 22}},
                                           CellCase{kCloseButton, kHover, true, false, {22, 11}},
                                           CellCase{kMenuButton, kNormal, false, true, {33, 0}},
                                           CellCase{kTopMostButton, kNormal, true, false, {44, 0}},
                                           CellCase{kTopMostButton, kHover, false, true, {55, 11}},
                                           CellCase{kTopMostButton, kPressed, false, true, {55, 22}}));

TEST(ButtonReset, DisabledBoxesTakeTheGreyRowAndHiddenButtonsAreNotDrawn) {
    using S = std::array<int16_t, kButtonCount>;
    EXPECT_EQ(ResetButtonStates(true, true, true, true), (S{1, 1, 1, 1, 1}));
    EXPECT_EQ(ResetButtonStates(false, true, true, false), (S{3, 1, 1, 1, 0}));
    EXPECT_EQ(ResetButtonStates(true, false, false, true), (S{1, 3, 1, 0, 1}));
    EXPECT_EQ(ResetButtonStates(false, false, false, false), (S{3, 3, 1, 0, 0}));
}

TEST(CaptionText, IconShiftsTheTextAndTheWidthKeepsClearOfAllButtons) {
    EXPECT_EQ(ComputeCaptionTextBox(831, true), (CaptionTextBox{21, 725}));
    EXPECT_EQ(ComputeCaptionTextBox(831, false), (CaptionTextBox{6, 740}));
    EXPECT_EQ(ComputeCaptionTextBox(90, true), (CaptionTextBox{21, -16}));
}

struct MinMaxCase {
    Rect work;
    int32_t minWidth, minHeight;
    Point minTrack;
    Point maxSize;  // also the largest tracking size
    Point origin{}; // of the window's monitor
    int32_t dpi = 96;
    int32_t frame = 3; // hung off every side of the work area, maximized
};

std::ostream& operator<<(std::ostream& os, const MinMaxCase& c) {
    return os << "work " << c.work << " min " << c.minWidth << "x" << c.minHeight;
}

class MinMaxTable : public ::testing::TestWithParam<MinMaxCase> {};

TEST_P(MinMaxTable, WorkAreaPlusSixAtMinusThreeAndTheMinimumTracking) {
    const MinMaxCase& c = GetParam();
    const MinMaxNumbers n = ComputeMinMax(c.work, c.minWidth, c.minHeight, Scale{c.dpi}, c.origin, c.frame);
    EXPECT_EQ(n.maxSize, c.maxSize);
    EXPECT_EQ(n.maxTrackSize, c.maxSize);
    EXPECT_EQ(n.maxPosition, (Point{-c.frame, -c.frame}));
    EXPECT_EQ(n.minTrackSize, c.minTrack);
}

INSTANTIATE_TEST_SUITE_P(
    Limits, MinMaxTable,
    ::testing::Values(MinMaxCase{{0, 0, 1024, 768}, 0, 0, {142, 50}, {1030, 774}},
                      MinMaxCase{{0, 0, 1280, 1000}, 400, 300, {400, 300}, {1286, 1006}},
                      MinMaxCase{{0, 0, 800, 600}, 1, 1, {1, 1}, {806, 606}},
                      MinMaxCase{{0, 0, 800, 600}, -7, 60, {142, 60}, {806, 606}},
                      // A task bar on top: the bottom edge counts, not the height.
                      MinMaxCase{{0, 30, 800, 600}, 500, 0, {500, 50}, {806, 606}},
                      // A second monitor right of the primary: its own work area, from its corner.
                      MinMaxCase{{1024, 0, 2304, 1000}, 0, 0, {142, 50}, {1286, 1006}, {1024, 0}},
                      MinMaxCase{{1280, 40, 3200, 1080}, 0, 0, {213, 75}, {1928, 1088}, {1280, 0}, 144, 4}));

TEST(MinMax, AWorkAreaAtTheEdgeOfTheLongRangeRaisesOverflow) {
    EXPECT_THROW(ComputeMinMax(Rect{0, 0, INT32_MAX - 5, 600}, 0, 0), rt::RtError);
}

TEST(Regions, ParentRegionClipsTheSizingBorderOnlyWhenThereIsOne) {
    EXPECT_EQ(ParentRegionRect(400, 300, false), (Rect{0, 0, 401, 301}));
    EXPECT_EQ(ParentRegionRect(400, 300, true), (Rect{3, 3, 398, 298}));
}

TEST(Regions, ControlIsRoundedWhenNormalAndSquareWhenMaximizedWithTheOpeningCut) {
    EXPECT_EQ(ControlRegionShape(300, 200, false), (ControlShape{{0, 0, 301, 201}, true, {4, 24, 296, 196}}));
    EXPECT_EQ(ControlRegionShape(300, 200, true), (ControlShape{{0, 0, 300, 200}, false, {4, 24, 296, 196}}));
    EXPECT_EQ(OpeningFrameRect(300, 200), (Rect{3, 23, 297, 197}));
}

TEST(Regions, AControlSmallerThanItsBordersHasNoOpening) {
    EXPECT_TRUE(IsEmpty(ControlRegionShape(90, 24, false).opening));
    EXPECT_TRUE(IsEmpty(ControlRegionShape(8, 100, false).opening));
    EXPECT_FALSE(IsEmpty(ControlRegionShape(9, 29, false).opening));
}

struct DownCase {
    const char* name;
    int button;
    int32_t x, y;
    bool drawIcon, hasIcon;
    bool opens;
};
std::ostream& operator<<(std::ostream& os, const DownCase& c) {
    return os << c.name;
}

class SystemMenuOnDownTable : public ::testing::TestWithParam<DownCase> {};

TEST_P(SystemMenuOnDownTable, IconWithLeftOrCaptionRowWithRight) {
    const DownCase& c = GetParam();
    EXPECT_EQ(OpensSystemMenuOnDown(c.button, c.x, c.y, c.drawIcon, c.hasIcon), c.opens);
}

INSTANTIATE_TEST_SUITE_P(
    Down, SystemMenuOnDownTable,
    ::testing::Values(DownCase{"IconTopLeft", kLeftButton, 3, 5, true, true, true},
                      DownCase{"IconBottomRight", kLeftButton, 19, 21, true, true, true},
                      DownCase{"LeftOfIcon", kLeftButton, 2, 10, true, true, false},
                      DownCase{"RightOfIcon", kLeftButton, 20, 10, true, true, false},
                      DownCase{"BelowIcon", kLeftButton, 10, 22, true, true, false},
                      DownCase{"IconNotDrawn", kLeftButton, 10, 10, false, true, false},
                      DownCase{"NoIcon", kLeftButton, 10, 10, true, false, false},
                      DownCase{"RightInCaption", kRightButton, 400, 24, false, false, true},
                      DownCase{"RightOnIcon", kRightButton, 10, 10, true, true, true},
                      DownCase{"RightBelowCaption", kRightButton, 400, 25, true, true, false},
                      DownCase{"Middle", 4, 10, 10, true, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

struct DblCase {
    const char* name;
    int button;
    int32_t x, y;
    bool drawIcon, hasIcon, maxBox;
    DblClickAction action;
};
std::ostream& operator<<(std::ostream& os, const DblCase& c) {
    return os << c.name;
}

class DblClickTable : public ::testing::TestWithParam<DblCase> {};

TEST_P(DblClickTable, IconUnloadsCaptionTogglesWithExclusiveIconBounds) {
    const DblCase& c = GetParam();
    EXPECT_EQ(ChooseDblClickAction(c.button, c.x, c.y, c.drawIcon, c.hasIcon, c.maxBox), c.action);
}

constexpr auto kUnload = DblClickAction::UnloadParent;
constexpr auto kToggle = DblClickAction::ToggleMaximized;
constexpr auto kNone = DblClickAction::None;

INSTANTIATE_TEST_SUITE_P(
    Dbl, DblClickTable,
    ::testing::Values(DblCase{"OnIcon", kLeftButton, 10, 10, true, true, true, kUnload},
                      DblCase{"IconInnerCorner", kLeftButton, 3, 5, true, true, true, kUnload},
                      DblCase{"IconLeftBound", kLeftButton, 2, 10, true, true, true, kToggle},
                      DblCase{"IconRightBound", kLeftButton, 20, 10, true, true, true, kToggle},
                      DblCase{"IconTopBound", kLeftButton, 10, 4, true, true, true, kToggle},
                      DblCase{"IconBottomBound", kLeftButton, 10, 22, true, true, true, kToggle},
                      DblCase{"IconNotDrawn", kLeftButton, 10, 10, false, true, true, kToggle},
                      DblCase{"NoMaxBox", kLeftButton, 400, 10, true, true, false, kNone},
                      DblCase{"CaptionLastRow", kLeftButton, 400, 24, true, true, true, kToggle},
                      DblCase{"BelowCaption", kLeftButton, 400, 25, true, true, true, kNone},
                      DblCase{"RightButton", kRightButton, 10, 10, true, true, true, kNone}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CaptionButtonRelease, InsideIncludesTheRightAndBottomEdges) {
    EXPECT_TRUE(ReleaseInsideButton(0, 0));
    EXPECT_TRUE(ReleaseInsideButton(11, 11));
    EXPECT_FALSE(ReleaseInsideButton(-1, 5));
    EXPECT_FALSE(ReleaseInsideButton(12, 5));
    EXPECT_FALSE(ReleaseInsideButton(5, 12));
    EXPECT_FALSE(ReleaseInsideButton(5, -1));
}

TEST(BufferGrowth, KeepsWhatFitsAndGrowsByHalfUpToTheLimitUnlessMoreIsNeeded) {
    EXPECT_EQ(GrowBufferSide(0, 831, 1288), 831);
    EXPECT_EQ(GrowBufferSide(831, 831, 1288), 831);
    EXPECT_EQ(GrowBufferSide(831, 200, 1288), 831);
    EXPECT_EQ(GrowBufferSide(831, 832, 1288), 1246);
    EXPECT_EQ(GrowBufferSide(831, 1250, 1288), 1250);
    EXPECT_EQ(GrowBufferSide(1000, 1001, 1100), 1100);
    EXPECT_EQ(GrowBufferSide(1000, 1200, 1100), 1200);
    EXPECT_EQ(GrowBufferSide(INT32_MAX - 1, INT32_MAX, INT32_MAX), INT32_MAX);
}

TEST(NcActivate, ZeroPaintsInactiveOneAndTwoActiveOthersNothing) {
    EXPECT_EQ(NcActivatePaint(0), std::optional<bool>(false));
    EXPECT_EQ(NcActivatePaint(1), std::optional<bool>(true));
    EXPECT_EQ(NcActivatePaint(2), std::optional<bool>(true));
    EXPECT_EQ(NcActivatePaint(3), std::nullopt);
    EXPECT_EQ(NcActivatePaint(0xFFFFFFFFu), std::nullopt);
}

} // namespace
} // namespace viewer::skin
