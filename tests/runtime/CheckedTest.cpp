#include "runtime/Checked.h"
#include "runtime/DpiScale.h"
#include "runtime/RtError.h"
#include "tests/support/SwallowedErrors.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <ostream>
#include <stdexcept>

namespace rt {
namespace {

constexpr int16_t kMin16 = std::numeric_limits<int16_t>::min();
constexpr int16_t kMax16 = std::numeric_limits<int16_t>::max();
constexpr int32_t kMin32 = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax32 = std::numeric_limits<int32_t>::max();
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// Either a result or the number of the error raised.
struct ArithCase {
    const char* name;
    std::function<int64_t()> run;
    std::optional<int64_t> result;
    int32_t error = 0;
};

ArithCase Gives(const char* name, std::function<int64_t()> run, int64_t result) {
    return {name, std::move(run), result, 0};
}
ArithCase Raises(const char* name, std::function<int64_t()> run, int32_t error) {
    return {name, std::move(run), std::nullopt, error};
}

void PrintTo(const ArithCase& c, std::ostream* os) {
    *os << c.name;
}

class CheckedArithmetic : public ::testing::TestWithParam<ArithCase> {};

TEST_P(CheckedArithmetic, GivesResultOrRaises) {
    const ArithCase& c = GetParam();
    if (c.result) {
        EXPECT_EQ(c.run(), *c.result);
        return;
    }
    try {
        const int64_t got = c.run();
        ADD_FAILURE() << "expected error " << c.error << ", got " << got;
    } catch (const RtError& e) {
        EXPECT_EQ(e.Number(), c.error) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Int16, CheckedArithmetic,
    ::testing::Values(Raises(
                          "MaxPlusOne", [] { return Add<int16_t>(kMax16, 1); }, kErrOverflow),
                      Gives(
                          "MaxMinusOnePlusOne", [] { return Add<int16_t>(kMax16 - 1, 1); }, kMax16),
                      Raises(
                          "MinPlusMinusOne", [] { return Add<int16_t>(kMin16, -1); }, kErrOverflow),
                      Raises(
                          "MinMinusOne", [] { return Sub<int16_t>(kMin16, 1); }, kErrOverflow),
                      Gives(
                          "MinPlusOneMinusOne", [] { return Sub<int16_t>(kMin16 + 1, 1); }, kMin16),
                      Raises(
                          "ZeroMinusMin", [] { return Sub<int16_t>(0, kMin16); }, kErrOverflow),
                      Raises(
                          "MinTimesMinusOne", [] { return Mul<int16_t>(kMin16, -1); }, kErrOverflow),
                      Gives(
                          "MinTimesOne", [] { return Mul<int16_t>(kMin16, 1); }, kMin16),
                      Gives(
                          "JustFits", [] { return Mul<int16_t>(181, 181); }, 32761),
                      Raises(
                          "JustOver", [] { return Mul<int16_t>(182, 181); }, kErrOverflow),
                      Raises(
                          "NegMin", [] { return Neg<int16_t>(kMin16); }, kErrOverflow),
                      Gives(
                          "NegMax", [] { return Neg<int16_t>(kMax16); }, -kMax16),
                      Raises(
                          "MinDivMinusOne", [] { return IntDiv<int16_t>(kMin16, -1); }, kErrOverflow),
                      Gives(
                          "MaxDivMinusOne", [] { return IntDiv<int16_t>(kMax16, -1); }, -kMax16),
                      Raises(
                          "DivByZero", [] { return IntDiv<int16_t>(7, 0); }, kErrDivisionByZero),
                      Gives(
                          "DivTruncatesNegative", [] { return IntDiv<int16_t>(-7, 2); }, -3),
                      Gives(
                          "DivTruncatesNegativeDivisor", [] { return IntDiv<int16_t>(7, -2); }, -3),
                      Gives(
                          "ModTakesDividendSign", [] { return Mod<int16_t>(-7, 2); }, -1),
                      Gives(
                          "ModPositiveDividend", [] { return Mod<int16_t>(7, -2); }, 1),
                      Gives(
                          "MinModMinusOne", [] { return Mod<int16_t>(kMin16, -1); }, 0),
                      Raises(
                          "ModByZero", [] { return Mod<int16_t>(7, 0); }, kErrDivisionByZero),
                      Raises(
                          "NarrowAboveMax", [] { return Narrow<int16_t>(int32_t{32768}); }, kErrOverflow),
                      Raises(
                          "NarrowBelowMin", [] { return Narrow<int16_t>(int64_t{-32769}); }, kErrOverflow),
                      Gives(
                          "NarrowMin", [] { return Narrow<int16_t>(int32_t{kMin16}); }, kMin16),
                      Raises(
                          "NarrowHugeUnsigned", [] { return Narrow<int16_t>(UINT64_MAX); }, kErrOverflow),
                      Gives(
                          "RoundHalfDown", [] { return RoundToInt16(0.5); }, 0),
                      Gives(
                          "RoundOneAndHalfUp", [] { return RoundToInt16(1.5); }, 2),
                      Gives(
                          "RoundTwoAndHalfDown", [] { return RoundToInt16(2.5); }, 2),
                      Gives(
                          "RoundMinusHalf", [] { return RoundToInt16(-0.5); }, 0),
                      Gives(
                          "RoundMinusOneAndHalf", [] { return RoundToInt16(-1.5); }, -2),
                      Gives(
                          "RoundMinusTwoAndHalf", [] { return RoundToInt16(-2.5); }, -2),
                      Gives(
                          "RoundJustBelowHalf", [] { return RoundToInt16(0.49999999999999994); }, 0),
                      Gives(
                          "RoundJustAboveHalf", [] { return RoundToInt16(2.5000001); }, 3),
                      Gives(
                          "RoundBelowMaxHalf", [] { return RoundToInt16(32766.5); }, 32766),
                      Raises(
                          "RoundMaxHalf", [] { return RoundToInt16(32767.5); }, kErrOverflow),
                      Gives(
                          "RoundMinHalf", [] { return RoundToInt16(-32768.5); }, kMin16),
                      Raises(
                          "RoundBelowMinHalf", [] { return RoundToInt16(-32768.51); }, kErrOverflow),
                      Raises(
                          "RoundNaN", [] { return RoundToInt16(kNaN); }, kErrOverflow),
                      Raises(
                          "RoundInfinity", [] { return RoundToInt16(-kInf); }, kErrOverflow)),
    [](const auto& info) { return info.param.name; });

// Design sizes at display scales, rounded as MulDiv rounds (halves away from zero).
INSTANTIATE_TEST_SUITE_P(
    DpiScale, CheckedArithmetic,
    ::testing::Values(Gives(
                          "At96Unchanged", [] { return ScaleForDpi(839, 96); }, 839),
                      Gives(
                          "At144HalfRoundsUp", [] { return ScaleForDpi(3, 144); }, 5),
                      Gives(
                          "At144NegativeHalfRoundsDown", [] { return ScaleForDpi(-3, 144); }, -5),
                      Gives(
                          "At120", [] { return ScaleForDpi(25, 120); }, 31),
                      Gives(
                          "At192", [] { return ScaleForDpi(559, 192); }, 1118),
                      Gives(
                          "BackFrom144", [] { return UnscaleForDpi(5, 144); }, 3),
                      Gives(
                          "BackFrom120", [] { return UnscaleForDpi(31, 120); }, 25),
                      Gives(
                          "LargeDoesNotOverflow", [] { return ScaleForDpi(kMax32 / 2, 192); }, kMax32 - 1)),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Int32, CheckedArithmetic,
    ::testing::Values(
        Raises(
            "MaxPlusOne", [] { return Add<int32_t>(kMax32, 1); }, kErrOverflow),
        Raises(
            "MinMinusOne", [] { return Sub<int32_t>(kMin32, 1); }, kErrOverflow),
        Gives(
            "MinPlusMax", [] { return Add<int32_t>(kMin32, kMax32); }, -1),
        Raises(
            "MinTimesMinusOne", [] { return Mul<int32_t>(kMin32, -1); }, kErrOverflow),
        Gives(
            "JustFits", [] { return Mul<int32_t>(46340, 46340); }, 2147395600),
        Raises(
            "JustOver", [] { return Mul<int32_t>(46341, 46341); }, kErrOverflow),
        Raises(
            "NegMin", [] { return Neg<int32_t>(kMin32); }, kErrOverflow),
        Raises(
            "MinDivMinusOne", [] { return IntDiv<int32_t>(kMin32, -1); }, kErrOverflow),
        Gives(
            "MinDivTwo", [] { return IntDiv<int32_t>(kMin32, 2); }, kMin32 / 2),
        Raises(
            "DivByZero", [] { return IntDiv<int32_t>(0, 0); }, kErrDivisionByZero),
        Gives(
            "MinModMinusOne", [] { return Mod<int32_t>(kMin32, -1); }, 0),
        Raises(
            "ModByZero", [] { return Mod<int32_t>(kMin32, 0); }, kErrDivisionByZero),
        Raises(
            "NarrowAboveMax", [] { return Narrow<int32_t>(int64_t{kMax32} + 1); }, kErrOverflow),
        Raises(
            "NarrowAllOnesUnsigned", [] { return Narrow<int32_t>(uint32_t{0xFFFFFFFF}); }, kErrOverflow),
        Gives(
            "NarrowMin", [] { return Narrow<int32_t>(int64_t{kMin32}); }, kMin32),
        Gives(
            "RoundTwoAndHalf", [] { return RoundToInt32(2.5); }, 2),
        Gives(
            "RoundThreeAndHalf", [] { return RoundToInt32(3.5); }, 4),
        Gives(
            "RoundBeyondInt16", [] { return RoundToInt32(32767.5); }, 32768),
        Gives(
            "RoundNearMax", [] { return RoundToInt32(2147483647.4); }, kMax32),
        Raises(
            "RoundMaxHalf", [] { return RoundToInt32(2147483647.5); }, kErrOverflow),
        Gives(
            "RoundMinHalf", [] { return RoundToInt32(-2147483648.5); }, kMin32),
        Raises(
            "RoundHuge", [] { return RoundToInt32(1e300); }, kErrOverflow),
        Raises(
            "RoundNaN", [] { return RoundToInt32(kNaN); }, kErrOverflow)),
    [](const auto& info) { return info.param.name; });

TEST(VbBool, TrueIsMinusOneAndAnyNonZeroReadsTrue) {
    EXPECT_EQ(ToVbBool(true), -1);
    EXPECT_EQ(ToVbBool(false), 0);
    EXPECT_TRUE(FromVbBool(1));
    EXPECT_TRUE(FromVbBool(kMin16));
    EXPECT_FALSE(FromVbBool(kFalse));
}

TEST(RtErrorTest, ObjectErrorIsNumberedFromTheBaseAndNamesTheClass) {
    try {
        RaiseObjectError(513, L"StockView", L"行情数据无效");
        FAIL() << "no error raised";
    } catch (const RtError& e) {
        EXPECT_EQ(e.Number(), static_cast<int32_t>(0x80040201));
        EXPECT_EQ(e.Source(), L"StockView");
        EXPECT_EQ(e.Description(), L"行情数据无效");
        EXPECT_NE(std::string(e.what()).find("行情数据无效"), std::string::npos) << e.what();
    }
}

TEST(RtErrorTest, TrapReportsWhetherTheStepFinishedAndCountsWhatItEnded) {
    testsupport::ExpectSwallowed(Swallowed::RtError);
    testsupport::ExpectSwallowed(Swallowed::OtherError);
    const int64_t rtErrors = SwallowedCount(Swallowed::RtError);
    const int64_t others = SwallowedCount(Swallowed::OtherError);
    int steps = 0;
    EXPECT_TRUE(Trap([&] { ++steps; }));
    EXPECT_FALSE(Trap([&] {
        ++steps;
        RaiseSubscript();
        ++steps;
    }));
    EXPECT_FALSE(Trap([] { throw std::runtime_error("socket closed"); }));
    EXPECT_EQ(steps, 2);
    EXPECT_EQ(SwallowedCount(Swallowed::RtError) - rtErrors, 1);
    EXPECT_EQ(SwallowedCount(Swallowed::OtherError) - others, 1);
}

} // namespace
} // namespace rt
