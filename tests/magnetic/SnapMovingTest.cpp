#include "magnetic/SnapMath.h"
#include "tests/magnetic/MagneticTables.h"
#include "tests/support/SwallowedErrors.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace magnetic {
namespace {

using testing::At;
using testing::Table;

constexpr Handle kMover = 1;
// The user grabbed the window 50 pixels right of and 10 below its top-left corner.
constexpr Point kGrabInside{50, 10};

// Drags entry `moving` so that, following the cursor, its top-left would land on `target`.
std::optional<MoveResult> DragTo(const EntryTable& t, std::size_t moving, int32_t frame, Point target,
                                 int32_t snapWidth = 10, int32_t dpi = 96) {
    const Rect& start = t[moving].rect;
    MoveInput in;
    in.moving = moving;
    in.frame = frame;
    in.snapWidth = snapWidth;
    in.dpi = dpi;
    in.startCursor = {start.left + kGrabInside.x, start.top + kGrabInside.y};
    in.grabOffset = {-kGrabInside.x, -kGrabInside.y};
    in.cursor = {target.x + kGrabInside.x, target.y + kGrabInside.y};
    // The system proposes the start rectangle shifted by the cursor's travel.
    return SnapMoving(t, in, start);
}

struct EdgeCase {
    const char* name;
    int32_t frame;
    Point target;   // where the cursor alone would put the 200 x 200 window
    Point expected; // where it lands
    int32_t dpi = 96;
    Rect work = testing::kWorkArea; // of the monitor the window is on
};

// A second monitor right of the 1024-wide primary one, its task bar at the bottom.
constexpr Rect kSecondWork{1024, 0, 2304, 1000};

class MovingNearWorkAreaEdge : public ::testing::TestWithParam<EdgeCase> {};

TEST_P(MovingNearWorkAreaEdge, SnapsWithinNinePixelsOnly) {
    const auto& c = GetParam();
    auto t = Table({{kMover, 0, false, At(400, 300, 200, 200)}});
    t[0].rect = c.work;
    const auto r = DragTo(t, 1, c.frame, c.target, 10, c.dpi);
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->rect, At(c.expected.x, c.expected.y, 200, 200));
    EXPECT_TRUE(r->children.empty());
}

// Work area 1024 x 768; a 200 x 200 window whose right edge is at x lies at x - 200.
INSTANTIATE_TEST_SUITE_P(
    Edges, MovingNearWorkAreaEdge,
    ::testing::Values(
        EdgeCase{"Left9", 0, {9, 300}, {0, 300}}, EdgeCase{"Left10", 0, {10, 300}, {10, 300}},
        EdgeCase{"LeftOutside9", 0, {-9, 300}, {0, 300}}, EdgeCase{"Top9", 0, {400, 9}, {400, 0}},
        EdgeCase{"Top10", 0, {400, 10}, {400, 10}}, EdgeCase{"Right9", 0, {815, 300}, {824, 300}},
        EdgeCase{"Right10", 0, {814, 300}, {814, 300}}, EdgeCase{"Bottom9", 0, {400, 559}, {400, 568}},
        EdgeCase{"Bottom10", 0, {400, 558}, {400, 558}}, EdgeCase{"ThickLeft9", 3, {9, 300}, {-3, 300}},
        EdgeCase{"ThickLeft10", 3, {10, 300}, {10, 300}}, EdgeCase{"ThickTop9", 3, {400, 9}, {400, -3}},
        EdgeCase{"ThickRight9", 3, {815, 300}, {827, 300}},
        EdgeCase{"ThickBottom9", 3, {400, 559}, {400, 571}},
        EdgeCase{"ThickBottom10", 3, {400, 558}, {400, 558}},
        EdgeCase{"CornerBoth", 0, {5, 763 - 200}, {0, 568}},
        // On the second monitor at 150 % and 200 %: its edges, the snap width scaled, the frame as measured.
        EdgeCase{"SecondLeft14At144", 0, {1038, 300}, {1024, 300}, 144, kSecondWork},
        EdgeCase{"SecondLeft15At144", 0, {1039, 300}, {1039, 300}, 144, kSecondWork},
        EdgeCase{"SecondThickRight14At144", 4, {2090, 300}, {2108, 300}, 144, kSecondWork},
        EdgeCase{"SecondThickTop19At192", 4, {1500, 19}, {1500, -4}, 192, kSecondWork}),
    [](const auto& info) { return std::string(info.param.name); });

// Each rule against another window, for a thick-frame mover (f = 3) of 100 x 100 and Q at
// 500,300 - 700,500.
class MovingAgainstAWindow : public ::testing::TestWithParam<EdgeCase> {};

TEST_P(MovingAgainstAWindow, AppliesTheRuleOfTheNearEdgePair) {
    const auto& c = GetParam();
    const auto t = Table({{2, 0, false, At(500, 300, 200, 200)}, {kMover, 0, false, At(100, 100, 100, 100)}});
    const auto r = DragTo(t, 2, c.frame, c.target);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->rect, At(c.expected.x, c.expected.y, 100, 100));
}

INSTANTIATE_TEST_SUITE_P(Rules, MovingAgainstAWindow,
                         ::testing::Values(EdgeCase{"LeftToLeft", 3, {505, 350}, {497, 350}},
                                           EdgeCase{"LeftToRight", 3, {705, 350}, {694, 350}},
                                           EdgeCase{"RightToLeft", 3, {395, 350}, {406, 350}},
                                           EdgeCase{"RightToRight", 3, {605, 350}, {603, 350}},
                                           EdgeCase{"TopToTop", 3, {550, 305}, {550, 297}},
                                           EdgeCase{"TopToBottom", 3, {550, 505}, {550, 494}},
                                           EdgeCase{"BottomToTop", 3, {550, 195}, {550, 203}},
                                           EdgeCase{"BottomToBottom", 3, {550, 405}, {550, 403}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SnapMoving, HigherEntryDecidesWhenTwoEdgesAreInRange) {
    // Two windows whose left edges are at 5 and 3; the mover's left would be at 9.
    const Rect at5 = At(5, 300, 100, 100);
    const Rect at3 = At(3, 420, 100, 100);
    const Rect mover = At(400, 380, 200, 100);
    {
        const auto t = Table({{2, 0, false, at5}, {3, 0, false, at3}, {kMover, 0, false, mover}});
        const auto r = DragTo(t, 3, 0, {9, 380});
        ASSERT_TRUE(r);
        EXPECT_EQ(r->rect.left, 3);
    }
    {
        const auto t = Table({{3, 0, false, at3}, {2, 0, false, at5}, {kMover, 0, false, mover}});
        const auto r = DragTo(t, 3, 0, {9, 380});
        ASSERT_TRUE(r);
        EXPECT_EQ(r->rect.left, 5);
    }
    {
        // An entry in range beats the work area (entry 0) whatever their distances.
        const auto t = Table({{kMover, 0, false, mover}, {2, 0, false, at5}});
        const auto r = DragTo(t, 1, 0, {1, 380});
        ASSERT_TRUE(r);
        EXPECT_EQ(r->rect.left, 5);
    }
}

TEST(SnapMoving, FirstMatchingRuleOfAnEntryWins) {
    // A window only 4 wide: the mover's left is near both its left and its right edge.
    const auto t = Table({{2, 0, false, At(500, 300, 4, 100)}, {kMover, 0, false, At(100, 300, 200, 100)}});
    const auto r = DragTo(t, 2, 0, {503, 300});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->rect.left, 500);
}

TEST(SnapMoving, EntriesOutsideTheBandAreIgnored) {
    // A window far below the mover: its left edge is in range, but the two do not overlap vertically.
    const auto t = Table({{2, 0, false, At(300, 600, 100, 100)}, {kMover, 0, false, At(100, 100, 200, 100)}});
    const auto r = DragTo(t, 2, 0, {305, 100});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->rect, At(305, 100, 200, 100));
}

TEST(SnapMoving, FollowsTheCursorSoEarlierSnapsDoNotAccumulate) {
    const auto t = Table({{kMover, 0, false, At(400, 300, 200, 200)}});
    MoveInput in;
    in.moving = 1;
    in.startCursor = {450, 310};
    in.grabOffset = {-50, -10};
    in.cursor = {59, 310};
    const auto first = SnapMoving(t, in, At(9, 300, 200, 200));
    ASSERT_TRUE(first);
    EXPECT_EQ(first->rect.left, 0);
    // The system proposes the snapped rectangle plus the cursor's 6 further pixels: left 6, which would
    // snap again; the cursor puts the window at 15.
    in.cursor = {65, 310};
    const auto second = SnapMoving(t, in, At(6, 300, 200, 200));
    ASSERT_TRUE(second);
    EXPECT_EQ(second->rect, At(15, 300, 200, 200));
}

// Parent P (entry 1) with a glued child on its right and a loose sibling elsewhere.
EntryTable GroupTable() {
    return Table({{kMover, 0, false, At(300, 200, 200, 200)},
                  {2, kMover, true, At(500, 200, 100, 100)},
                  {3, kMover, false, At(100, 600, 50, 50)}});
}

TEST(SnapMoving, GluedChildrenKeepTheirOffset) {
    const auto r = DragTo(GroupTable(), 1, 0, {9, 250});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->rect, At(0, 250, 200, 200));
    ASSERT_EQ(r->children.size(), 1u);
    EXPECT_EQ(r->children[0].handle, 2u);
    EXPECT_EQ(r->children[0].topLeft, (Point{200, 250}));
}

TEST(SnapMoving, TheParentDoesNotSnapToItsOwnGluedChild) {
    // Moved 5 to the right, the parent's right edge is 5 from the child's old left edge.
    const auto r = DragTo(GroupTable(), 1, 0, {305, 200});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->rect.left, 305);
    EXPECT_EQ(r->children[0].topLeft, (Point{505, 200}));
}

TEST(SnapMoving, AGluedChildNearAnEdgeSnapsTheWholeGroup) {
    // The child's right edge would be at 1015, 9 from the work area's right edge.
    const auto r = DragTo(GroupTable(), 1, 0, {715, 200});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->rect.left, 724);
    EXPECT_EQ(r->children[0].topLeft, (Point{924, 200}));
}

TEST(SnapMoving, ChildSnapCountsTheParentsFrameOnItsFarEdges) {
    const auto r = DragTo(GroupTable(), 1, 3, {715, 200});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->rect.left, 727);
    EXPECT_EQ(r->children[0].topLeft, (Point{927, 200}));
}

TEST(SnapMoving, AGluedChildIgnoresOtherGluedWindows) {
    auto t = GroupTable();
    // Glued to some other parent, its left edge 9 right of where the child's right edge arrives.
    t.push_back({4, 99, true, At(609, 250, 50, 50)});
    const auto r = DragTo(t, 1, 0, {300, 250});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->rect.left, 300);
    t.back().glued = false;
    const auto loose = DragTo(t, 1, 0, {300, 250});
    ASSERT_TRUE(loose);
    EXPECT_EQ(loose->rect.left, 309);
}

struct OverflowCase {
    const char* name;
    Rect mover;
    Rect other;
    Point target;
    int32_t snapWidth;
};

class MovingOverflow : public ::testing::TestWithParam<OverflowCase> {};

TEST_P(MovingOverflow, GivesNoResult) {
    testsupport::ExpectSwallowed(rt::Swallowed::RtError);
    const auto& c = GetParam();
    const auto t = Table({{kMover, 0, false, c.mover}, {2, 0, false, c.other}});
    EXPECT_FALSE(DragTo(t, 1, 3, c.target, c.snapWidth).has_value());
}

INSTANTIATE_TEST_SUITE_P(
    NearInt32Max, MovingOverflow,
    ::testing::Values(
        OverflowCase{
            "RightEdgePastMax", At(100, 100, 200, 200), At(0, 0, 10, 10), {INT32_MAX - 100, 100}, 10},
        OverflowCase{
            "OtherBottomPlusSnap", At(100, 100, 200, 200), Rect{0, 0, 10, INT32_MAX - 5}, {100, 100}, 10},
        OverflowCase{"HugeSnapWidth", At(100, 100, 200, 200), At(0, 0, 10, 10), {100, 100}, INT32_MAX},
        OverflowCase{"DistanceBeyondRange",
                     At(100, 100, 200, 200),
                     Rect{INT32_MIN, 0, INT32_MIN + 10, 200},
                     {INT32_MAX - 300, 100},
                     10}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SnapMoving, UnknownEntryGivesNoResult) {
    const auto t = Table({{kMover, 0, false, At(0, 0, 10, 10)}});
    MoveInput in;
    in.moving = 5;
    EXPECT_FALSE(SnapMoving(t, in, At(0, 0, 10, 10)));
    in.moving = 0;
    EXPECT_FALSE(SnapMoving(t, in, At(0, 0, 10, 10)));
}

} // namespace
} // namespace magnetic
