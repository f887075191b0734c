#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "CommaLocale.h"
#include "text/TextConversions.h"
#include "RowName.h"

namespace tqv::text {
namespace {


struct DecimalCase {
    const char* name;
    int64_t value;
    const char* numberText;
    const char* plainDecimal;
};

class DecimalTextTest : public ::testing::TestWithParam<DecimalCase> {};

TEST_P(DecimalTextTest, NumberTextHasSignColumn) {
    EXPECT_EQ(numberText(GetParam().value), GetParam().numberText);
}

TEST_P(DecimalTextTest, PlainDecimalHasNoSignColumn) {
    EXPECT_EQ(plainDecimal(GetParam().value), GetParam().plainDecimal);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Values, DecimalTextTest, ::testing::Values(
    //          name              value                                     numberText              plainDecimal
    DecimalCase{"Zero",           0,                                        " 0",                   "0"},
    DecimalCase{"Five",           5,                                        " 5",                   "5"},
    DecimalCase{"MinusFive",      -5,                                       "-5",                   "-5"},
    DecimalCase{"Sixteen",        16,                                       " 16",                  "16"},
    DecimalCase{"MinusOne",       -1,                                       "-1",                   "-1"},
    DecimalCase{"Int16Min",       -32768,                                   "-32768",               "-32768"},
    DecimalCase{"Int16Max",       32767,                                    " 32767",               "32767"},
    DecimalCase{"Uint16Max",      65535,                                    " 65535",               "65535"},
    DecimalCase{"Int32Min",       -2147483648LL,                            "-2147483648",          "-2147483648"},
    DecimalCase{"Int32Max",       2147483647,                               " 2147483647",          "2147483647"},
    DecimalCase{"Int64Min",       std::numeric_limits<int64_t>::min(),      "-9223372036854775808", "-9223372036854775808"},
    DecimalCase{"Int64Max",       std::numeric_limits<int64_t>::max(),      " 9223372036854775807", "9223372036854775807"},
    DecimalCase{"NoGrouping",     1234567,                                  " 1234567",             "1234567"}),
    RowName{});
// clang-format on

struct Hex16Case {
    const char* name;
    int16_t value;
    const char* expected;
};

class Hex16TextTest : public ::testing::TestWithParam<Hex16Case> {};

TEST_P(Hex16TextTest, UpperCaseAtSixteenBits) {
    EXPECT_EQ(hexText(GetParam().value), GetParam().expected);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Values, Hex16TextTest, ::testing::Values(
    //        name             value                      expected
    Hex16Case{"Zero",          int16_t{0},                "0"},
    Hex16Case{"One",           int16_t{1},                "1"},
    Hex16Case{"Fifteen",       int16_t{15},               "F"},
    Hex16Case{"ThirtyOne",     int16_t{31},               "1F"},
    Hex16Case{"A5",            int16_t{165},              "A5"},
    Hex16Case{"NoLeadingZero", int16_t{0x0100},           "100"},
    Hex16Case{"Hex1234",       int16_t{4660},             "1234"},
    Hex16Case{"Int16Max",      int16_t{32767},            "7FFF"},
    Hex16Case{"MinusOne",      int16_t{-1},               "FFFF"},
    Hex16Case{"MinusTwo",      int16_t{-2},               "FFFE"},
    Hex16Case{"Int16Min",      int16_t{-32768},           "8000"}),
    RowName{});
// clang-format on

struct Hex32Case {
    const char* name;
    int32_t value;
    const char* expected;
};

class Hex32TextTest : public ::testing::TestWithParam<Hex32Case> {};

TEST_P(Hex32TextTest, UpperCaseAtThirtyTwoBits) {
    EXPECT_EQ(hexText(GetParam().value), GetParam().expected);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Values, Hex32TextTest, ::testing::Values(
    //        name                 value                 expected
    Hex32Case{"Zero",              0,                    "0"},
    Hex32Case{"ThirtyOne",         31,                   "1F"},
    Hex32Case{"Uint16MaxStaysFour", 65535,               "FFFF"},
    Hex32Case{"Uint16MaxPlusOne",  65536,                "10000"},
    Hex32Case{"MixedLetters",      0x00ABCDEF,           "ABCDEF"},
    Hex32Case{"Int32Max",          2147483647,           "7FFFFFFF"},
    Hex32Case{"MinusOne",          -1,                   "FFFFFFFF"},
    Hex32Case{"MinusOneLowWord",   -65536,               "FFFF0000"},
    Hex32Case{"Int32Min",          std::numeric_limits<int32_t>::min(), "80000000"}),
    RowName{});
// clang-format on

// The same bit pattern shows with the digits of the width it is held in.
TEST(HexTextWidth, NegativeValueDependsOnHeldWidth) {
    EXPECT_EQ(hexText(int16_t{-1}), "FFFF");
    EXPECT_EQ(hexText(int32_t{-1}), "FFFFFFFF");
    EXPECT_EQ(hexText(int16_t{-32768}), "8000");
    EXPECT_EQ(hexText(int32_t{-32768}), "FFFF8000");
}

// Captions must read the same on an operator's machine whatever its locale.
TEST(FormattingLocale, CommaLocaleDoesNotGroupOrTranslate) {
    const test::CommaLocale locale;
    if (!locale.active()) {
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    }
    EXPECT_EQ(numberText(1234567), " 1234567");
    EXPECT_EQ(plainDecimal(-1234567), "-1234567");
    EXPECT_EQ(hexText(int32_t{0xABCDEF}), "ABCDEF");
}

}  // namespace
}  // namespace tqv::text
