#include "drawing/TextFit.h"

#include "runtime/RtError.h"

#include <gtest/gtest.h>

#include "tests/support/RaisedError.h"

#include <cstdint>
#include <limits>
#include <vector>

namespace {

using drawing::CutToFit;
using drawing::TextCut;

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

// Code units of uneven widths, as a proportional font gives them.
const std::vector<int32_t> kGlyphs = {9, 4, 12, 7, 7, 15, 3, 8, 10, 6};

int32_t PrefixWidth(int32_t n) {
    int32_t w = 0;
    for (int32_t i = 0; i < n; ++i)
        w += kGlyphs[static_cast<std::size_t>(i)];
    return w;
}

struct CutCase {
    const char* name;
    int32_t left;
    int32_t boxWidth;
    std::size_t length;
    int32_t ellipsis;
    int16_t count;
    int32_t width;
};

class CutToFitTable : public ::testing::TestWithParam<CutCase> {};

TEST_P(CutToFitTable, KeepsLongestPrefixThatLeavesRoomForEllipsis) {
    const CutCase& c = GetParam();
    const TextCut cut = CutToFit(c.left, c.boxWidth, c.length, c.ellipsis, PrefixWidth);
    EXPECT_EQ(cut.count, c.count);
    EXPECT_EQ(cut.width, c.width);
    EXPECT_EQ(cut.right, c.left + c.width + c.ellipsis);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CutToFitTable,
    ::testing::Values(
        // room 60 - 12 = 48: prefixes 9,13,25,32,39,54 -> five code units (39) fit.
        CutCase{"RoomForFive", 10, 60, 10, 12, 5, 39},
        // Exactly equal to the room still fits.
        CutCase{"ExactFit", 0, 51, 10, 12, 5, 39}, CutCase{"OneShort", 0, 50, 10, 12, 4, 32},
        // The whole text fits once "..." is not counted against it.
        CutCase{"WholeTextInRoom", -40, 200, 10, 12, 10, 81},
        // Nothing fits: the first code unit stays, however narrow the box.
        CutCase{"FirstAloneWhenNothingFits", 0, 5, 10, 12, 1, 9},
        CutCase{"NegativeBox", 100, -30, 10, 12, 1, 9}, CutCase{"EmptyText", 7, -1, 0, 12, 0, 0}),
    [](const ::testing::TestParamInfo<CutCase>& info) { return std::string(info.param.name); });

TEST(CutToFit, SearchesDownwardAndStopsAtFirstFit) {
    std::vector<int32_t> asked;
    const TextCut cut = CutToFit(0, 42, 8, 10, [&](int32_t n) {
        asked.push_back(n);
        return PrefixWidth(n);
    });
    EXPECT_EQ(cut.count, 4);
    EXPECT_EQ(asked, (std::vector<int32_t>{8, 7, 6, 5, 4}));
}

TEST(CutToFit, CounterIsSixteenBits) {
    int calls = 0;
    const auto wide = [&](int32_t n) {
        ++calls;
        return n * 5;
    };
    const TextCut longest = CutToFit(0, 100, 32767, 10, wide);
    EXPECT_EQ(longest.count, 18);
    EXPECT_EQ(longest.width, 90);

    calls = 0;
    try {
        CutToFit(0, 100, 32768, 10, wide);
        FAIL() << "a text of 32,768 code units must overflow the counter";
    } catch (const rt::RtError& e) {
        EXPECT_EQ(e.Number(), rt::kErrOverflow);
    }
    EXPECT_EQ(calls, 0);
}

TEST(CutToFit, BoxArithmeticOverflowRaises) {
    // Right edge left + width + ellipsis just past the top of the range.
    EXPECT_TRUE(testsupport::RaisesOverflow([] { CutToFit(kMax - 20, 1, 10, 12, PrefixWidth); }));
    EXPECT_EQ(CutToFit(kMax - 21, 1, 10, 12, PrefixWidth).right, kMax);
    // The room left for the text, box width minus the ellipsis.
    EXPECT_TRUE(testsupport::RaisesOverflow([] { CutToFit(0, kMin, 10, 1, PrefixWidth); }));
}

} // namespace
