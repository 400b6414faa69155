#include "magnetic/SnapMath.h"
#include "tests/magnetic/MagneticTables.h"
#include "tests/support/SwallowedErrors.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <tuple>

namespace magnetic {
namespace {

using testing::At;
using testing::kWorkArea;
using testing::Table;

// (edge code, frame offset, gap from every work-area edge)
class SizingEveryEdge : public ::testing::TestWithParam<std::tuple<int32_t, int32_t, int32_t>> {};

TEST_P(SizingEveryEdge, MovesOnlyTheDraggedEdgesAndOnlyWithinNinePixels) {
    const auto [edge, frame, gap] = GetParam();
    const auto t = Table({{1, 0, false, At(300, 200, 300, 300)}});
    // Every edge of the proposed rectangle is `gap` pixels inside the work area.
    const Rect proposed{gap, gap, kWorkArea.right - gap, kWorkArea.bottom - gap};
    const auto r = SnapSizing(t, 1, edge, frame, 10, proposed);
    ASSERT_TRUE(r.has_value());

    const bool snaps = gap < 10;
    const bool left = edge == 1 || edge == 4 || edge == 7;
    const bool right = edge == 2 || edge == 5 || edge == 8;
    const bool top = edge == 3 || edge == 4 || edge == 5;
    const bool bottom = edge == 6 || edge == 7 || edge == 8;
    const Rect expected{snaps && left ? -frame : proposed.left, snaps && top ? -frame : proposed.top,
                        snaps && right ? kWorkArea.right + frame : proposed.right,
                        snaps && bottom ? kWorkArea.bottom + frame : proposed.bottom};
    EXPECT_EQ(*r, expected);
}

INSTANTIATE_TEST_SUITE_P(Edges, SizingEveryEdge,
                         ::testing::Combine(::testing::Range(1, 9), ::testing::Values(0, 3),
                                            ::testing::Values(9, 10, -9)),
                         [](const auto& info) {
                             const int32_t gap = std::get<2>(info.param);
                             return "Edge" + std::to_string(std::get<0>(info.param)) + "Frame" +
                                    std::to_string(std::get<1>(info.param)) + "Gap" +
                                    (gap < 0 ? "Minus" : "") + std::to_string(gap < 0 ? -gap : gap);
                         });

TEST(SnapSizing, UnknownEdgeCodesChangeNothing) {
    const auto t = Table({{1, 0, false, At(300, 200, 300, 300)}});
    const Rect proposed{5, 5, 1020, 760};
    for (int32_t edge : {0, 9, -1}) {
        const auto r = SnapSizing(t, 1, edge, 3, 10, proposed);
        ASSERT_TRUE(r);
        EXPECT_EQ(*r, proposed) << "edge " << edge;
    }
}

TEST(SnapSizing, SnapsToAnotherWindowsFarEdgeAndTheLastEntryWins) {
    // The work area's left edge (0) and window A's right edge (5) are both in range of the left edge
    // dragged to 9: A, the higher entry, decides.
    const auto t = Table({{2, 0, false, At(-95, 100, 100, 300)}, {1, 0, false, At(300, 100, 300, 300)}});
    const auto r = SnapSizing(t, 2, 1, 3, 10, Rect{9, 150, 600, 400});
    ASSERT_TRUE(r);
    EXPECT_EQ(*r, (Rect{2, 150, 600, 400}));
}

TEST(SnapSizing, WindowsOutsideTheBandAreIgnored) {
    const auto t = Table({{2, 0, false, At(100, 500, 100, 100)}, {1, 0, false, At(300, 100, 300, 300)}});
    const auto r = SnapSizing(t, 2, 1, 0, 10, Rect{205, 100, 600, 300});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->left, 205);
}

TEST(SnapSizing, TheSizedWindowsOwnEntryIsSkipped) {
    const auto t = Table({{1, 0, false, At(300, 200, 300, 300)}});
    const auto r = SnapSizing(t, 1, 2, 0, 10, Rect{300, 200, 595, 500});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->right, 595);
}

TEST(SnapSizing, OverflowGivesNoResult) {
    testsupport::ExpectSwallowed(rt::Swallowed::RtError);
    const auto huge = Table({{2, 0, false, Rect{0, 0, 10, INT32_MAX - 5}}, {1, 0, false, At(0, 0, 10, 10)}});
    EXPECT_FALSE(SnapSizing(huge, 2, 8, 0, 10, At(100, 100, 100, 100)));
    const auto normal = Table({{1, 0, false, At(0, 0, 10, 10)}});
    EXPECT_FALSE(SnapSizing(normal, 1, 2, 3, INT32_MAX, At(100, 100, 100, 100)));
    EXPECT_FALSE(SnapSizing(normal, 1, 1, 0, 10, Rect{INT32_MIN + 5, 0, 100, 100}));
}

TEST(GrabOffset, IsTheCornerMinusTheCursorAndChecked) {
    testsupport::ExpectSwallowed(rt::Swallowed::RtError);
    EXPECT_EQ(GrabOffset(At(100, 50, 10, 10), {130, 60}), (Point{-30, -10}));
    EXPECT_FALSE(GrabOffset(Rect{INT32_MIN, 0, 0, 0}, {1, 0}));
}

} // namespace
} // namespace magnetic
