// What the corpus replay of fuzz_numeric_prefix cannot see: how a number looks, what
// ends a number although a person or the C library might read on, FPU rounding modes
// and the locale.
#include <gtest/gtest.h>

#include <cfenv>
#include <cstdint>
#include <locale>
#include <optional>
#include <string>

#include "text/TextConversions.h"

namespace tqv::text {
namespace {

TEST(NumberText, LeavesASignColumnThatPlainDecimalDoesNot) {
    EXPECT_EQ(numberText(5), " 5");
    EXPECT_EQ(numberText(0), " 0");
    EXPECT_EQ(numberText(-1), "-1");
    EXPECT_EQ(numberText(9), " 9");
    EXPECT_EQ(numberText(10), " 10");
    EXPECT_EQ(numberText(-10), "-10");
    EXPECT_EQ(plainDecimal(5), "5");
    EXPECT_EQ(plainDecimal(0), "0");
    EXPECT_EQ(plainDecimal(-1), "-1");
    EXPECT_EQ(plainDecimal(10), "10");
}

TEST(HexText, UpperCaseWithoutLeadingZerosAtTheWidthHeld) {
    EXPECT_EQ(hexText(int16_t{0}), "0");
    EXPECT_EQ(hexText(int16_t{0xF}), "F");
    EXPECT_EQ(hexText(int16_t{0x10}), "10");
    EXPECT_EQ(hexText(int16_t{0x100}), "100");
    EXPECT_EQ(hexText(int16_t{0x7FFF}), "7FFF");
    EXPECT_EQ(hexText(int16_t{-32768}), "8000");
    EXPECT_EQ(hexText(int16_t{-1}), "FFFF");
    EXPECT_EQ(hexText(int32_t{0}), "0");
    EXPECT_EQ(hexText(int32_t{0xF}), "F");
    EXPECT_EQ(hexText(int32_t{0x10}), "10");
    EXPECT_EQ(hexText(int32_t{-1}), "FFFFFFFF");
    EXPECT_EQ(hexText(int32_t{-32768}), "FFFF8000");
    EXPECT_EQ(hexText(int32_t{0xABCDEF}), "ABCDEF");
}

// Only spaces, tabs and line feeds are dropped; what looks blank to a person (CR, a
// no-break space), the words and forms the C library would read, and a comma end the
// number.
TEST(NumericPrefix, EndsAtEverythingButDigitsAndTheThreeBlanks) {
    EXPECT_EQ(numericPrefix("1 \t\n2"), 12.0);
    EXPECT_EQ(numericPrefix("1\r2"), 1.0);
    EXPECT_EQ(numericPrefix("1\u00A02"), 1.0);
    EXPECT_EQ(numericPrefix("inf"), 0.0);
    EXPECT_EQ(numericPrefix("nan"), 0.0);
    EXPECT_EQ(numericPrefix("0x1p3"), 0.0);
    EXPECT_EQ(numericPrefix("2,5"), 2.0);
    EXPECT_EQ(numericPrefix("-&H10"), 0.0);
}

// Driver code may leave the FPU in another rounding mode; ties still go to the even
// neighbour, also at both ends of each range.
TEST(Rounding, TiesGoToEvenInEveryFpuRoundingMode) {
    for (const int mode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO, FE_TONEAREST}) {
        ASSERT_EQ(std::fesetround(mode), 0);
        EXPECT_EQ(roundTo16(2.5), 2) << mode;
        EXPECT_EQ(roundTo16(-3.5), -4) << mode;
        EXPECT_EQ(roundTo16(0.49999999999999994), 0) << mode;
        EXPECT_EQ(prefixTo16("-32768.5"), -32768) << mode;
        EXPECT_EQ(prefixTo16("32767.5"), std::nullopt) << mode;
        EXPECT_EQ(roundTo32(-2147483648.5), INT32_MIN) << mode;
        EXPECT_EQ(roundTo32(2147483647.5), std::nullopt) << mode;
    }
}

// A global locale with a decimal comma and grouped thousands (built here, so no
// installed locale is needed) changes neither what is written nor what is read.
struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

TEST(Locale, ADecimalCommaLocaleChangesNothing) {
    const std::locale previous =
        std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
    EXPECT_EQ(numberText(1234567), " 1234567");
    EXPECT_EQ(numericPrefix("2.5"), 2.5);
    EXPECT_EQ(numericPrefix("1.234,5"), 1.234);
    EXPECT_EQ(finiteDecimal("-2.5e-1"), -0.25);
    std::locale::global(previous);
}

// A value typed in a unit is the whole text or nothing: no prefix taken, no infinity.
TEST(FiniteDecimal, TheWholeTextAFiniteNumberOrNothing) {
    EXPECT_EQ(finiteDecimal("448"), 448.0);
    for (const char* bad : {"", " 1", "1 ", "1,5", "2.5V", "inf", "nan", "1e999", "&H10"}) {
        EXPECT_EQ(finiteDecimal(bad), std::nullopt) << bad;
    }
}

}  // namespace
}  // namespace tqv::text
