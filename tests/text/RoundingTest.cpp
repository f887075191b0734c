#include <gtest/gtest.h>

#include <cfenv>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "text/TextConversions.h"
#include "RowName.h"

namespace tqv::text {
namespace {


using std::nullopt;

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// The largest double below one half: adding 0.5 and flooring would give 1.
constexpr double kJustBelowHalf = 0.49999999999999994;

struct Round16Case {
    const char* name;
    double value;
    std::optional<int16_t> expected;
};

class RoundTo16Test : public ::testing::TestWithParam<Round16Case> {};

TEST_P(RoundTo16Test, RoundsHalfToEven) {
    EXPECT_EQ(roundTo16(GetParam().value), GetParam().expected);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Ties, RoundTo16Test, ::testing::Values(
    Round16Case{"ZeroPointFive",      0.5,       int16_t{0}},
    Round16Case{"OnePointFive",       1.5,       int16_t{2}},
    Round16Case{"TwoPointFive",       2.5,       int16_t{2}},
    Round16Case{"ThreePointFive",     3.5,       int16_t{4}},
    Round16Case{"MinusZeroPointFive", -0.5,      int16_t{0}},
    Round16Case{"MinusOnePointFive",  -1.5,      int16_t{-2}},
    Round16Case{"MinusTwoPointFive",  -2.5,      int16_t{-2}},
    Round16Case{"MinusThreePointFive",-3.5,      int16_t{-4}}),
    RowName{});

INSTANTIATE_TEST_SUITE_P(NotTies, RoundTo16Test, ::testing::Values(
    Round16Case{"Zero",               0.0,             int16_t{0}},
    Round16Case{"NegativeZero",       -0.0,            int16_t{0}},
    Round16Case{"PointThree",         0.3,             int16_t{0}},
    Round16Case{"PointSix",           0.6,             int16_t{1}},
    Round16Case{"MinusPointSix",      -0.6,            int16_t{-1}},
    Round16Case{"JustBelowHalf",      kJustBelowHalf,  int16_t{0}},
    Round16Case{"MinusJustBelowHalf", -kJustBelowHalf, int16_t{0}},
    Round16Case{"JustAboveTwoAndHalf",2.5000000000000004, int16_t{3}},
    Round16Case{"Denormal",           std::numeric_limits<double>::denorm_min(), int16_t{0}}),
    RowName{});

INSTANTIATE_TEST_SUITE_P(Limits, RoundTo16Test, ::testing::Values(
    Round16Case{"Max",                32767.0,   int16_t{32767}},
    Round16Case{"MaxPlusJustUnderHalf",32767.49, int16_t{32767}},
    Round16Case{"MaxPlusHalfGoesOver",32767.5,   nullopt},
    Round16Case{"MaxMinusHalf",       32766.5,   int16_t{32766}},
    Round16Case{"OverMax",            32768.0,   nullopt},
    Round16Case{"Min",                -32768.0,  int16_t{-32768}},
    Round16Case{"MinMinusHalfStays",  -32768.5,  int16_t{-32768}},
    Round16Case{"MinPlusHalf",        -32767.5,  int16_t{-32768}},
    Round16Case{"MinMinusMoreThanHalf",-32768.51,nullopt},
    Round16Case{"UnderMin",           -32769.0,  nullopt},
    Round16Case{"Huge",               1e300,     nullopt},
    Round16Case{"HugeNegative",       -1e300,    nullopt},
    Round16Case{"Infinity",           kInfinity, nullopt},
    Round16Case{"NegativeInfinity",   -kInfinity,nullopt},
    Round16Case{"NaN",                kNaN,      nullopt}),
    RowName{});
// clang-format on

struct Round32Case {
    const char* name;
    double value;
    std::optional<int32_t> expected;
};

class RoundTo32Test : public ::testing::TestWithParam<Round32Case> {};

TEST_P(RoundTo32Test, RoundsHalfToEven) {
    EXPECT_EQ(roundTo32(GetParam().value), GetParam().expected);
}

constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();
constexpr int32_t kInt32Min = std::numeric_limits<int32_t>::min();

// clang-format off
INSTANTIATE_TEST_SUITE_P(Values, RoundTo32Test, ::testing::Values(
    Round32Case{"TwoPointFive",        2.5,              2},
    Round32Case{"MinusOnePointFive",   -1.5,             -2},
    Round32Case{"JustBelowHalf",       kJustBelowHalf,   0},
    Round32Case{"BeyondInt16",         40000.5,          40000},
    Round32Case{"BeyondInt16Odd",      40001.5,          40002},
    Round32Case{"Max",                 2147483647.0,     kInt32Max},
    Round32Case{"MaxPlusJustUnderHalf",2147483647.4,     kInt32Max},
    Round32Case{"MaxPlusHalfGoesOver", 2147483647.5,     nullopt},
    Round32Case{"MaxMinusHalf",        2147483646.5,     2147483646},
    Round32Case{"OverMax",             2147483648.0,     nullopt},
    Round32Case{"Min",                 -2147483648.0,    kInt32Min},
    Round32Case{"MinMinusHalfStays",   -2147483648.5,    kInt32Min},
    Round32Case{"MinMinusMoreThanHalf",-2147483648.6,    nullopt},
    Round32Case{"UnderMin",            -2147483649.0,    nullopt},
    Round32Case{"BeyondExactIntegers", 9007199254740993.0, nullopt},
    Round32Case{"Infinity",            kInfinity,        nullopt},
    Round32Case{"NaN",                 kNaN,             nullopt}),
    RowName{});
// clang-format on

// Some driver code changes the FPU rounding mode and does not always put it back;
// captions must still round the same way.
class RoundingModeTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        previous_ = std::fegetround();
        if (std::fesetround(GetParam()) != 0) {
            GTEST_SKIP() << "rounding mode not supported";
        }
    }
    void TearDown() override { std::fesetround(previous_); }

private:
    int previous_ = FE_TONEAREST;
};

TEST_P(RoundingModeTest, TiesStillGoToEven) {
    EXPECT_EQ(roundTo16(0.5), int16_t{0});
    EXPECT_EQ(roundTo16(2.5), int16_t{2});
    EXPECT_EQ(roundTo16(3.5), int16_t{4});
    EXPECT_EQ(roundTo16(-2.5), int16_t{-2});
    EXPECT_EQ(roundTo16(0.6), int16_t{1});
    EXPECT_EQ(roundTo16(-0.6), int16_t{-1});
    EXPECT_EQ(roundTo16(kJustBelowHalf), int16_t{0});
    EXPECT_EQ(roundTo32(2147483646.5), 2147483646);
    EXPECT_EQ(roundTo32(-2147483648.5), kInt32Min);
    EXPECT_EQ(roundTo16(32767.5), nullopt);
}

TEST_P(RoundingModeTest, ReadingStillRoundsToEven) {
    EXPECT_EQ(prefixTo16("2.5"), int16_t{2});
    EXPECT_EQ(prefixTo16("3.5"), int16_t{4});
    EXPECT_EQ(prefixTo16("-32768.5"), int16_t{-32768});
}

INSTANTIATE_TEST_SUITE_P(Modes, RoundingModeTest,
                         ::testing::Values(FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO),
                         [](const ::testing::TestParamInfo<int>& mode) {
                             switch (mode.param) {
                                 case FE_UPWARD:
                                     return std::string("Upward");
                                 case FE_DOWNWARD:
                                     return std::string("Downward");
                                 case FE_TOWARDZERO:
                                     return std::string("TowardZero");
                                 default:
                                     return std::string("ToNearest");
                             }
                         });

}  // namespace
}  // namespace tqv::text
