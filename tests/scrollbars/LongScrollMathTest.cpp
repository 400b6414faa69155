#include "scrollbars/LongScrollMath.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

namespace {

using scrollbars::ClientPositionFor;
using scrollbars::ClientSnapshot;
using scrollbars::DivRoundHalfEven;
using scrollbars::LongRange;
using scrollbars::ValueAfterClientMove;
using scrollbars::ValueAfterMaxLet;
using scrollbars::ValueAfterMinLet;
using scrollbars::ValueForClientPosition;

// The client as the wrapper sets it up.
constexpr ClientSnapshot kClient{0, 0, 32767, 1, 10};

ClientSnapshot At(int16_t value) {
    ClientSnapshot c = kClient;
    c.Value = value;
    return c;
}

TEST(DivRoundHalfEven, HalvesGoToTheEvenNeighbourOnBothSidesOfZero) {
    struct Case {
        int64_t num, den, expect;
    };
    for (const Case& c : std::vector<Case>{{1, 2, 0},
                                           {3, 2, 2},
                                           {5, 2, 2},
                                           {7, 2, 4},
                                           {-1, 2, 0},
                                           {-3, 2, -2},
                                           {-5, 2, -2},
                                           {7, 4, 2},
                                           {5, 4, 1},
                                           {-5, 4, -1},
                                           {-7, 4, -2},
                                           {10, 3, 3},
                                           {11, 3, 4},
                                           {-11, 3, -4},
                                           {0, 9, 0},
                                           {(int64_t{1} << 48) + 1, 2, int64_t{1} << 47}})
        EXPECT_EQ(DivRoundHalfEven(c.num, c.den), c.expect) << c.num << " / " << c.den;
}

TEST(ClientPositionFor, MillionRangeMapsWithHalfEvenRoundingAndTheEndRule) {
    const LongRange r{0, 1'000'000};
    // 32767 x 0.5 = 16383.5 goes to the even 16384.
    EXPECT_EQ(ClientPositionFor(500'000, r, kClient), 16384);
    // 0.033 would put the thumb on the end while the value is not there.
    EXPECT_EQ(ClientPositionFor(1, r, kClient), 1);
    EXPECT_EQ(ClientPositionFor(999'999, r, kClient), 32766);
    EXPECT_EQ(ClientPositionFor(0, r, kClient), 0);
    EXPECT_EQ(ClientPositionFor(1'000'000, r, kClient), 32767);
}

TEST(ClientPositionFor, ReversedRangePutsMinAtTheClientsMinEnd) {
    const LongRange r{1'000'000, 0};
    EXPECT_EQ(ClientPositionFor(1'000'000, r, kClient), 0);
    EXPECT_EQ(ClientPositionFor(0, r, kClient), 32767);
    // 32767 - 16383.5 = 16383.5, again to the even side.
    EXPECT_EQ(ClientPositionFor(500'000, r, kClient), 16384);
    // The end rule holds in this direction too.
    EXPECT_EQ(ClientPositionFor(999'999, r, kClient), 1);
    EXPECT_EQ(ClientPositionFor(1, r, kClient), 32766);
}

TEST(ClientPositionFor, EmptyRangeAndSmallRanges) {
    EXPECT_EQ(ClientPositionFor(7, LongRange{7, 7}, kClient), 0);
    // Range 2: the middle value lands in the middle; the ends only for the end values.
    EXPECT_EQ(ClientPositionFor(10, LongRange{10, 12}, kClient), 0);
    EXPECT_EQ(ClientPositionFor(11, LongRange{10, 12}, kClient), 16384);
    EXPECT_EQ(ClientPositionFor(12, LongRange{10, 12}, kClient), 32767);
    // A value a reversed range left outside sits at the nearer end, not mirrored back inside.
    EXPECT_EQ(ClientPositionFor(-10, LongRange{0, 100}, kClient), 0);
    EXPECT_EQ(ClientPositionFor(-10, LongRange{100, 0}, kClient), 32767);
}

TEST(ClientPositionFor, WholeThirtyTwoBitRangeWithoutOverflow) {
    const LongRange r{INT32_MIN, INT32_MAX};
    EXPECT_EQ(ClientPositionFor(INT32_MIN, r, kClient), 0);
    EXPECT_EQ(ClientPositionFor(INT32_MAX, r, kClient), 32767);
    // 2^31 / (2^32 - 1) x 32767 lies just above the half: 16383.500004.
    EXPECT_EQ(ClientPositionFor(0, r, kClient), 16384);
    EXPECT_EQ(ClientPositionFor(-1, r, kClient), 16383);
    EXPECT_EQ(ClientPositionFor(INT32_MIN + 1, r, kClient), 1);
    EXPECT_EQ(ClientPositionFor(INT32_MAX - 1, r, kClient), 32766);
    const LongRange reversed{INT32_MAX, INT32_MIN};
    EXPECT_EQ(ClientPositionFor(INT32_MAX, reversed, kClient), 0);
    EXPECT_EQ(ClientPositionFor(INT32_MIN, reversed, kClient), 32767);
}

// Every value lands within half a position of its exact share of the span, the positions never go
// back as the value grows, and a position read back gives a value that maps onto it again.
TEST(ClientPositionFor, SweepOfHugeAndSmallRangesStaysWithinHalfAPositionAndRoundTrips) {
    for (const LongRange r : {LongRange{INT32_MIN, INT32_MAX}, LongRange{-5, 2'000'000'000},
                              LongRange{0, 1'000'000}, LongRange{-40'000, 40'000}, LongRange{0, 100}}) {
        const int64_t range = int64_t{r.Max} - r.Min;
        const int64_t step = range / 5000 + 1;
        int prev = -1;
        for (int64_t v = r.Min; v <= r.Max; v += step) {
            const auto value = static_cast<int32_t>(v);
            const int p = ClientPositionFor(value, r, kClient);
            ASSERT_GE(p, prev) << value;
            prev = p;
            const long double exact = static_cast<long double>(v - r.Min) * 32767 / range;
            if (p != 1 && p != 32766) {
                ASSERT_LE(std::abs(p - exact), 0.5L) << value;
            }
            if (range >= 32767) {
                const int32_t back =
                    ValueForClientPosition(static_cast<int16_t>(p), r, At(static_cast<int16_t>(p)));
                ASSERT_EQ(ClientPositionFor(back, r, kClient), p) << value;
            }
        }
    }
}

TEST(ValueForClientPosition, EndsAndMiddleOverTheWholeRange) {
    const LongRange r{INT32_MIN, INT32_MAX};
    EXPECT_EQ(ValueForClientPosition(0, r, At(0)), INT32_MIN);
    EXPECT_EQ(ValueForClientPosition(32767, r, At(32767)), INT32_MAX);
    // INT32_MIN + (2^32 - 1) x 16384 / 32767 = 65537.50005, just above the half.
    EXPECT_EQ(ValueForClientPosition(16384, r, At(16384)), 65538);
    const LongRange reversed{INT32_MAX, INT32_MIN};
    EXPECT_EQ(ValueForClientPosition(0, reversed, At(0)), INT32_MAX);
    EXPECT_EQ(ValueForClientPosition(32767, reversed, At(32767)), INT32_MIN);
    EXPECT_EQ(ValueForClientPosition(16384, reversed, At(16384)), -65539);
    // A client whose span is 0 stands for the start of the range.
    EXPECT_EQ(ValueForClientPosition(5, LongRange{3, 9}, ClientSnapshot{5, 5, 5, 1, 10}), 3);
}

struct MoveCase {
    const char* name;
    LongRange range;
    int32_t value, smallChange, largeChange;
    int16_t before, now;
    int32_t expect;
};

class ValueAfterClientMoveTest : public ::testing::TestWithParam<MoveCase> {};

TEST_P(ValueAfterClientMoveTest, StepsOrJumps) {
    const MoveCase& c = GetParam();
    EXPECT_EQ(ValueAfterClientMove(c.value, c.range, c.smallChange, c.largeChange, c.before, At(c.now)),
              c.expect);
}

INSTANTIATE_TEST_SUITE_P(
    Moves, ValueAfterClientMoveTest,
    ::testing::Values(
        MoveCase{"ArrowStepsBySmallChange", {0, 1'000'000}, 500'000, 250, 5000, 16384, 16385, 500'250},
        MoveCase{"PageStepsByLargeChange", {0, 1'000'000}, 500'000, 250, 5000, 16384, 16394, 505'000},
        MoveCase{"ReversedArrowMovesTowardMax", {1'000'000, 0}, 500'000, 250, 5000, 16384, 16385, 499'750},
        MoveCase{"ReversedPage", {1'000'000, 0}, 500'000, 250, 5000, 16384, 16374, 505'000},
        MoveCase{"StepClampsAtMax", {0, 1'000'000}, 999'900, 250, 5000, 32766, 32767, 1'000'000},
        MoveCase{"StepAtTheTopOfThe32BitRange",
                 {INT32_MIN, INT32_MAX},
                 INT32_MAX - 1,
                 250,
                 5000,
                 32766,
                 32767,
                 INT32_MAX},
        MoveCase{
            "HugeStepAtTheBottom", {INT32_MIN, INT32_MAX}, INT32_MIN + 5, 1, INT32_MAX, 10, 0, INT32_MIN},
        MoveCase{"MinimalLargeChange", {INT32_MIN, INT32_MAX}, 0, 1, INT32_MIN, 16384, 16394, INT32_MIN},
        MoveCase{"DragToTheEnd", {0, 1'000'000}, 3, 250, 5000, 0, 32767, 1'000'000},
        MoveCase{"OtherJumpMapsThePosition", {0, 1'000'000}, 0, 250, 5000, 0, 2, 61},
        MoveCase{"ReversedDragToTheEnd", {1'000'000, 0}, 1'000'000, 250, 5000, 0, 32767, 0}),
    [](const auto& info) { return std::string(info.param.name); });

struct LetCase {
    const char* name;
    LongRange range; // after the let
    int32_t value;
    std::optional<int32_t> expect;
};

class MaxLetTest : public ::testing::TestWithParam<LetCase> {};
class MinLetTest : public ::testing::TestWithParam<LetCase> {};

TEST_P(MaxLetTest, ClampsTheValue) {
    EXPECT_EQ(ValueAfterMaxLet(GetParam().range, GetParam().value), GetParam().expect);
}

TEST_P(MinLetTest, ClampsTheValue) {
    EXPECT_EQ(ValueAfterMinLet(GetParam().range, GetParam().value), GetParam().expect);
}

INSTANTIATE_TEST_SUITE_P(Lets, MaxLetTest,
                         ::testing::Values(LetCase{"InsideStays", {0, 100}, 50, std::nullopt},
                                           LetCase{"AboveClampsToMax", {0, 100}, 150, 100},
                                           LetCase{"EmptyRangeTakesMax", {5, 5}, 3, 5},
                                           LetCase{"BelowMinGoesToMin", {5, 100}, 3, 5},
                                           // Reversed: only a value above Min is clamped, and to Min.
                                           LetCase{"ReversedAboveMinGoesToMin", {100, 0}, 150, 100},
                                           LetCase{"ReversedBelowMaxIsLeft", {100, 50}, 20, std::nullopt},
                                           LetCase{"ReversedInsideStays", {100, 0}, 30, std::nullopt}),
                         [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Lets, MinLetTest,
                         ::testing::Values(LetCase{"InsideStays", {0, 100}, 50, std::nullopt},
                                           LetCase{"BelowClampsToMin", {60, 100}, 50, 60},
                                           LetCase{"AboveMaxGoesToMax", {0, 100}, 150, 100},
                                           // Reversed: a value below Max goes to the new Min, the far end.
                                           LetCase{"ReversedBelowMaxGoesToMin", {200, 100}, 30, 200},
                                           LetCase{"ReversedAboveMinIsLeft", {120, 100}, 150, std::nullopt},
                                           LetCase{"ReversedInsideStays", {200, 100}, 150, std::nullopt}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
