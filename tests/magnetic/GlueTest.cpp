#include "magnetic/Glue.h"
#include "tests/magnetic/MagneticTables.h"
#include "tests/support/SwallowedErrors.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace magnetic {
namespace {

using testing::At;
using testing::Table;

struct TouchCase {
    const char* name;
    Rect a;
    Rect b;
    bool touching;
    bool overflows; // the sum leaves 32 bits: the check answers "not touching" and swallows the error
};

class TouchingTest : public ::testing::TestWithParam<TouchCase> {};

TEST_P(TouchingTest, IsSymmetricAndMatchesTable) {
    const auto& c = GetParam();
    if (c.overflows) testsupport::ExpectSwallowed(rt::Swallowed::RtError);
    EXPECT_EQ(Touching(c.a, c.b), c.touching);
    EXPECT_EQ(Touching(c.b, c.a), c.touching);
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, TouchingTest,
    ::testing::Values(TouchCase{"SideBySide", At(0, 0, 100, 100), At(100, 20, 50, 50), true, false},
                      TouchCase{"Stacked", At(0, 0, 100, 100), At(30, 100, 50, 50), true, false},
                      TouchCase{"CornerToCorner", At(0, 0, 100, 100), At(100, 100, 50, 50), true, false},
                      TouchCase{"OnePixelGap", At(0, 0, 100, 100), At(101, 20, 50, 50), false, false},
                      TouchCase{"OverlapSharingLeftLine", At(0, 0, 100, 100), At(0, 10, 50, 50), true, false},
                      TouchCase{"OverlapNoSharedLine", At(0, 0, 100, 100), At(10, 10, 50, 50), false, false},
                      TouchCase{"SameLeftFarBelow", At(0, 0, 100, 100), At(0, 300, 100, 100), false, false},
                      TouchCase{"SameTopFarRight", At(0, 0, 100, 100), At(300, 0, 100, 100), false, false},
                      TouchCase{"ExtentBeyond32Bits", Rect{INT32_MIN, 0, 0, 10}, Rect{0, 0, INT32_MAX, 10},
                                false, true}),
    [](const auto& info) { return std::string(info.param.name); });

// Parent P (handle 100) at 300,200 size 200 x 200; siblings are given in the order they were registered.
constexpr Handle kP = 100;
const Rect kParent = At(300, 200, 200, 200);

std::vector<bool> GluedFlags(const EntryTable& t) {
    std::vector<bool> out;
    for (std::size_t k = 1; k < t.size(); ++k)
        out.push_back(t[k].glued);
    return out;
}

TEST(ApplyGlueing, SpreadsAlongAChainRegisteredInReverseOrder) {
    // C touches B, B touches A, A touches P; registered C, B, A so every round adds one link.
    auto t = Table({{kP, 0, false, kParent},
                    {3, kP, false, At(700, 200, 100, 50)},
                    {2, kP, false, At(600, 200, 100, 50)},
                    {1, kP, false, At(500, 200, 100, 50)}});
    ApplyGlueing(t);
    EXPECT_EQ(GluedFlags(t), (std::vector<bool>{false, true, true, true}));
}

TEST(ApplyGlueing, SiblingsTouchingEachOtherButNotTheParentStayLoose) {
    auto t = Table({{kP, 0, false, kParent},
                    {1, kP, false, At(505, 200, 100, 50)},
                    {2, kP, false, At(605, 200, 100, 50)}});
    ApplyGlueing(t);
    EXPECT_EQ(GluedFlags(t), (std::vector<bool>{false, false, false}));

    t[1].rect = At(500, 200, 100, 50);
    ApplyGlueing(t);
    EXPECT_EQ(GluedFlags(t), (std::vector<bool>{false, true, true}));
}

TEST(ApplyGlueing, OnlySiblingsOfTheSameParentJoinTheChain) {
    auto t = Table({{kP, 0, false, kParent},
                    {1, kP, false, At(500, 200, 100, 50)},
                    {2, 999, false, At(600, 200, 100, 50)},
                    {3, 0, false, At(500, 250, 100, 50)}});
    ApplyGlueing(t);
    EXPECT_EQ(GluedFlags(t), (std::vector<bool>{false, true, false, false}));
}

TEST(ApplyGlueing, UnregisteredParentMeansTheWorkArea) {
    auto t = Table({{1, 555, false, At(0, 100, 100, 100)}, {2, 555, false, At(10, 300, 100, 100)}});
    ApplyGlueing(t);
    EXPECT_EQ(GluedFlags(t), (std::vector<bool>{true, false}));
}

TEST(ApplyGlueing, ClearsFlagsOfWindowsThatNoLongerTouch) {
    auto t = Table({{kP, 0, false, kParent}, {1, kP, true, At(520, 200, 100, 50)}, {2, 0, true, kParent}});
    ApplyGlueing(t);
    EXPECT_EQ(GluedFlags(t), (std::vector<bool>{false, false, false}));
}

} // namespace
} // namespace magnetic
