#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "CommaLocale.h"
#include "text/TextConversions.h"
#include "RowName.h"

namespace tqv::text {
namespace {


using std::nullopt;

// Bytes rather than a C string, so rows can hold a NUL.
template <std::size_t N>
std::string bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

constexpr double kMaxDouble = std::numeric_limits<double>::max();
constexpr double kDenormMin = std::numeric_limits<double>::denorm_min();

struct PrefixCase {
    const char* name;
    std::string text;
    std::optional<double> expected;
};

// Rows with unprintable bytes would make a failure message unreadable otherwise.
void PrintTo(const PrefixCase& row, std::ostream* out) { *out << row.name; }

class NumericPrefixTest : public ::testing::TestWithParam<PrefixCase> {};

TEST_P(NumericPrefixTest, ReadsExpectedValue) {
    const PrefixCase& row = GetParam();
    EXPECT_EQ(numericPrefix(row.text), row.expected);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(DecimalForms, NumericPrefixTest, ::testing::Values(
    PrefixCase{"Empty",                   "",          0.0},
    PrefixCase{"Zero",                    "0",         0.0},
    PrefixCase{"Integer",                 "17",        17.0},
    PrefixCase{"Negative",                "-3",        -3.0},
    PrefixCase{"ExplicitPlus",            "+4",        4.0},
    PrefixCase{"Fraction",                "2.5",       2.5},
    PrefixCase{"NegativeFraction",        "-0.5",      -0.5},
    PrefixCase{"NoIntegerPart",           ".5",        0.5},
    PrefixCase{"TrailingPoint",           "5.",        5.0},
    PrefixCase{"LeadingZeros",            "007",       7.0},
    PrefixCase{"SecondPointStops",        "1.2.3",     1.2},
    PrefixCase{"LettersStop",             "7abc",      7.0},
    PrefixCase{"OnlyLetters",             "abc",       0.0},
    PrefixCase{"LonePoint",               ".",         0.0},
    PrefixCase{"LoneMinus",               "-",         0.0},
    PrefixCase{"LonePlus",                "+",         0.0},
    PrefixCase{"DoubleSign",              "--5",       0.0},
    PrefixCase{"SignPointExponentOnly",   "+.e5",      0.0},
    PrefixCase{"SignAfterDigits",         "5-3",       5.0},
    PrefixCase{"UpperExponent",           "1E3",       1000.0},
    PrefixCase{"LowerExponent",           "1e3",       1000.0},
    PrefixCase{"PlusExponent",            "1E+3",      1000.0},
    PrefixCase{"MinusExponent",           "25E-1",     2.5},
    PrefixCase{"ExponentAfterPoint",      "1.E2",      100.0},
    PrefixCase{"ExponentAfterFraction",   ".5e1",      5.0},
    PrefixCase{"BareExponentLetter",      "1E",        1.0},
    PrefixCase{"ExponentSignNoDigits",    "1E+",       1.0},
    PrefixCase{"ExponentMinusNoDigits",   "1e-x",      1.0},
    PrefixCase{"ExponentStopsAtPoint",    "1E2.5",     100.0},
    PrefixCase{"SecondExponentIgnored",   "1E2E3",     100.0},
    PrefixCase{"DIsNotAnExponent",        "1D3",       1.0},
    PrefixCase{"NoInfinityWord",          "inf",       0.0},
    PrefixCase{"NoInfinityWordSigned",    "-Infinity", 0.0},
    PrefixCase{"NoNanWord",               "nan",       0.0},
    PrefixCase{"NoHexFloat",              "0x1p3",     0.0},
    PrefixCase{"NoCommaDecimal",          "2,5",       2.0}),
    RowName{});

// Spaces, tabs and line feeds vanish wherever they stand; nothing else does.
INSTANTIATE_TEST_SUITE_P(Blanks, NumericPrefixTest, ::testing::Values(
    PrefixCase{"LeadingSpaces",           "   42",     42.0},
    PrefixCase{"SpaceInsideDigits",       "1 2",       12.0},
    PrefixCase{"TabInsideDigits",         "1\t2",      12.0},
    PrefixCase{"LineFeedInsideDigits",    "1\n2",      12.0},
    PrefixCase{"SpaceAfterSign",          "- 5",       -5.0},
    PrefixCase{"SpaceAroundPoint",        "2 . 5",     2.5},
    PrefixCase{"SpacesInExponent",        "1 e + 3",   1000.0},
    PrefixCase{"OnlyBlanks",              " \t\n ",    0.0},
    PrefixCase{"SpaceInsideHexPrefix",    "& H F F",   255.0},
    PrefixCase{"SpaceInsideHexDigits",    "&HF F",     255.0}),
    RowName{});

// Characters that look like blanks or digits to a person, or are not characters at
// all, end the number.
INSTANTIATE_TEST_SUITE_P(Stoppers, NumericPrefixTest, ::testing::Values(
    PrefixCase{"CarriageReturnStops",     "1\r2",                          1.0},
    PrefixCase{"LeadingCarriageReturn",   "\r5",                           0.0},
    PrefixCase{"VerticalTabStops",        "1\v2",                          1.0},
    PrefixCase{"FormFeedStops",           "1\f2",                          1.0},
    PrefixCase{"NoBreakSpaceStops",       "1\xC2\xA0" "2",                 1.0},
    PrefixCase{"LeadingNoBreakSpace",     "\xC2\xA0" "5",                  0.0},
    PrefixCase{"IdeographicSpaceStops",   "1\xE3\x80\x80" "2",             1.0},
    PrefixCase{"FullWidthDigitAlone",     "\xEF\xBC\x91",                  0.0},
    PrefixCase{"FullWidthDigitStops",     "5\xEF\xBC\x91",                 5.0},
    PrefixCase{"FullWidthMinusIsNoSign",  "\xEF\xBC\x8D" "5",              0.0},
    PrefixCase{"NulStops",                bytes("1\0" "2"),                1.0},
    PrefixCase{"LeadingNul",              bytes("\0" "5"),                 0.0},
    PrefixCase{"InvalidUtf8Stops",        "3\xFF" "4",                     3.0},
    PrefixCase{"LoneContinuationByte",    "\x80" "9",                      0.0},
    PrefixCase{"TruncatedSequence",       "6\xE3\x80",                     6.0},
    PrefixCase{"NonBmpCharacterStops",    "8\xF0\x9F\x98\x80" "1",         8.0},
    PrefixCase{"NoBreakSpaceInHex",       "&H1\xC2\xA0" "F",               1.0},
    PrefixCase{"CarriageReturnInExponent","1E\r3",                         1.0}),
    RowName{});

INSTANTIATE_TEST_SUITE_P(HexAndOctal, NumericPrefixTest, ::testing::Values(
    PrefixCase{"HexNoDigits",             "&H",                   0.0},
    PrefixCase{"HexZero",                 "&H00",                 0.0},
    PrefixCase{"HexLowerPrefix",          "&h10",                 16.0},
    PrefixCase{"HexLowerDigits",          "&Hff",                 255.0},
    PrefixCase{"HexStopsAtNonDigit",      "&H1G",                 1.0},
    PrefixCase{"HexNoSign",               "&H-1",                 0.0},
    PrefixCase{"HexSixteenBitMax",        "&H7FFF",               32767.0},
    PrefixCase{"HexSixteenBitSignBit",    "&H8000",               -32768.0},
    PrefixCase{"HexSixteenBitAllOnes",    "&HFFFF",               -1.0},
    PrefixCase{"HexJustOverSixteenBits",  "&H10000",              65536.0},
    PrefixCase{"HexThirtyTwoBitMax",      "&H7FFFFFFF",           2147483647.0},
    PrefixCase{"HexThirtyTwoBitSignBit",  "&H80000000",           -2147483648.0},
    PrefixCase{"HexThirtyTwoBitAllOnes",  "&HFFFFFFFF",           -1.0},
    PrefixCase{"HexNineDigitsDoNotFit",   "&H1FFFFFFFF",          nullopt},
    PrefixCase{"HexNineDigitsLowValue",   "&H100000000",          nullopt},
    PrefixCase{"HexLeadingZerosFit",      "&H0000000FF",          255.0},
    PrefixCase{"HexManyLeadingZeros",     "&H000000000000000000001", 1.0},
    PrefixCase{"HexZerosBeforeEight",     "&H00FFFFFFFF",         -1.0},
    PrefixCase{"HexNoDecimalPoint",       "&H1.5",                1.0},
    PrefixCase{"HexEIsADigit",            "&H1E3",                483.0},
    PrefixCase{"OctalUpper",              "&O17",                 15.0},
    PrefixCase{"OctalLower",              "&o777",                511.0},
    PrefixCase{"OctalStopsAtEight",       "&O18",                 1.0},
    PrefixCase{"OctalNoDigits",           "&O",                   0.0},
    PrefixCase{"OctalSixteenBitAllOnes",  "&O177777",             -1.0},
    PrefixCase{"OctalJustOverSixteenBits","&O200000",             65536.0},
    PrefixCase{"OctalThirtyTwoBitAllOnes","&O37777777777",        -1.0},
    PrefixCase{"OctalOverThirtyTwoBits",  "&O40000000000",        nullopt},
    PrefixCase{"OctalLeadingZerosFit",    "&O000000000000017",    15.0},
    PrefixCase{"AmpersandOtherLetter",    "&B101",                0.0},
    PrefixCase{"LoneAmpersand",           "&",                    0.0},
    PrefixCase{"SignBeforeHexPrefix",     "-&H10",                0.0}),
    RowName{});

INSTANTIATE_TEST_SUITE_P(RangeLimits, NumericPrefixTest, ::testing::Values(
    PrefixCase{"LargestDouble",           "1.7976931348623157e308", kMaxDouble},
    PrefixCase{"RoundsDownToLargest",     "1.7976931348623158e308", kMaxDouble},
    PrefixCase{"JustBeyondLargest",       "1.8e308",                nullopt},
    PrefixCase{"NegativeBeyondLargest",   "-1.8e308",               nullopt},
    PrefixCase{"ExponentTooLarge",        "1e400",                  nullopt},
    PrefixCase{"HugeExponent",            "1e99999999999999999999999", nullopt},
    PrefixCase{"TinyIsZero",              "1e-400",                 0.0},
    PrefixCase{"HugeNegativeExponent",    "1e-99999999999999999999999", 0.0},
    PrefixCase{"ZeroWithHugeExponent",    "0e999999999999999999",   0.0},
    PrefixCase{"ZeroFractionHugeExponent","0.000e999999999999999999", 0.0},
    PrefixCase{"SmallestDenormal",        "4.9406564584124654e-324", kDenormMin},
    PrefixCase{"SmallestNormal",          "2.2250738585072014e-308",
                                          std::numeric_limits<double>::min()},
    PrefixCase{"ExponentCancelsDigits",   "1000e-3",                1.0},
    PrefixCase{"ExponentCancelsZeros",    "0.001e3",                1.0}),
    RowName{});

// The scan hands digits over for conversion, so the result is the nearest double.
INSTANTIATE_TEST_SUITE_P(CorrectRounding, NumericPrefixTest, ::testing::Values(
    PrefixCase{"OneTenth",                "0.1",                  0.1},
    PrefixCase{"PointThree",              "0.3",                  0.3},
    PrefixCase{"ManyDigits",              "3.14159265358979323846264338327950288", 3.141592653589793},
    PrefixCase{"TwoPow53",                "9007199254740992",     9007199254740992.0},
    PrefixCase{"TieGoesToEven",           "9007199254740993",     9007199254740992.0},
    PrefixCase{"AboveTieRoundsUp",        "9007199254740993.0000000001", 9007199254740994.0}),
    RowName{});
// clang-format on

TEST(NumericPrefixSign, TinyNegativeKeepsItsSign) {
    const std::optional<double> value = numericPrefix("-1e-400");
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(*value, 0.0);
    EXPECT_TRUE(std::signbit(*value));
}

// A digit far beyond the 767 that can decide rounding must still break a tie.
TEST(NumericPrefixLongDigits, DistantDigitBreaksTie) {
    const std::string tie = "9007199254740993." + std::string(1000, '0');
    EXPECT_EQ(numericPrefix(tie), 9007199254740992.0);
    EXPECT_EQ(numericPrefix(tie + "1"), 9007199254740994.0);
    EXPECT_EQ(numericPrefix("-" + tie + "1"), -9007199254740994.0);
}

constexpr std::size_t kMegabyte = std::size_t{1} << 20;

// Operators paste whatever is on their clipboard; a huge text must read in linear
// time and without the exponent bookkeeping overflowing.
TEST(NumericPrefixLargeInput, MegabyteOfZerosIsZero) {
    EXPECT_EQ(numericPrefix(std::string(kMegabyte, '0')), 0.0);
}

TEST(NumericPrefixLargeInput, MegabyteOfDigitsDoesNotFit) {
    EXPECT_EQ(numericPrefix(std::string(kMegabyte, '9')), nullopt);
    EXPECT_EQ(numericPrefix("1" + std::string(400, '0')), nullopt);
}

TEST(NumericPrefixLargeInput, MegabyteOfLeadingZerosThenValue) {
    EXPECT_EQ(numericPrefix(std::string(kMegabyte, '0') + "42.5"), 42.5);
}

TEST(NumericPrefixLargeInput, MegabyteOfFractionZerosIsTiny) {
    EXPECT_EQ(numericPrefix("0." + std::string(kMegabyte, '0') + "1"), 0.0);
}

TEST(NumericPrefixLargeInput, ExponentBalancesLongMantissa) {
    EXPECT_EQ(numericPrefix("0." + std::string(999999, '0') + "1e1000000"), 1.0);
    EXPECT_EQ(numericPrefix("1" + std::string(1000000, '0') + "e-1000000"), 1.0);
    EXPECT_EQ(numericPrefix("2" + std::string(1000000, '0') + "e-1000001"), 0.2);
}

TEST(NumericPrefixLargeInput, MegabyteOfBlanksThenValue) {
    EXPECT_EQ(numericPrefix(std::string(kMegabyte, ' ') + "-7"), -7.0);
    EXPECT_EQ(numericPrefix("1" + std::string(kMegabyte, '\t') + "2"), 12.0);
}

TEST(NumericPrefixLargeInput, MegabyteExponent) {
    EXPECT_EQ(numericPrefix("1e" + std::string(kMegabyte, '9')), nullopt);
    EXPECT_EQ(numericPrefix("1e-" + std::string(kMegabyte, '9')), 0.0);
    EXPECT_EQ(numericPrefix("1e" + std::string(kMegabyte, '0') + "2"), 100.0);
}

TEST(NumericPrefixLargeInput, MegabyteHexRun) {
    EXPECT_EQ(numericPrefix("&H" + std::string(kMegabyte, '0') + "FF"), 255.0);
    EXPECT_EQ(numericPrefix("&H" + std::string(kMegabyte, 'F')), nullopt);
    EXPECT_EQ(numericPrefix("&O" + std::string(kMegabyte, '7')), nullopt);
}

TEST(NumericPrefixLargeInput, EveryByteValueIsSafe) {
    // Each byte on its own and as a stopper after a digit; reading must not crash,
    // and no byte other than a digit may add to the value.
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        const std::string after = std::string("4") + c + "9";
        const std::optional<double> value = numericPrefix(after);
        ASSERT_TRUE(value.has_value()) << "byte " << b;
        if (c == ' ' || c == '\t' || c == '\n') {
            EXPECT_EQ(*value, 49.0) << "byte " << b;
        } else if (c >= '0' && c <= '9') {
            EXPECT_EQ(*value, 400.0 + (b - '0') * 10.0 + 9.0) << "byte " << b;
        } else if (c == '.') {
            EXPECT_EQ(*value, 4.9) << "byte " << b;
        } else if (c == 'E' || c == 'e') {
            EXPECT_EQ(*value, 4e9) << "byte " << b;
        } else {
            EXPECT_EQ(*value, 4.0) << "byte " << b;
        }
    }
}

// The period is the decimal point on every machine, whatever the locale says.
TEST(NumericPrefixLocale, CommaLocaleKeepsPeriodAsPoint) {
    const test::CommaLocale locale;
    if (!locale.active()) {
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    }
    EXPECT_EQ(numericPrefix("2.5"), 2.5);
    EXPECT_EQ(numericPrefix("2,5"), 2.0);
    EXPECT_EQ(numericPrefix("1.234,5"), 1.234);
    EXPECT_EQ(prefixTo16("2,7"), int16_t{2});
}

// ---- numericPrefix followed by rounding ----

struct Prefix16Case {
    const char* name;
    const char* text;
    std::optional<int16_t> expected;
};

void PrintTo(const Prefix16Case& row, std::ostream* out) { *out << '"' << row.text << '"'; }

class PrefixTo16Test : public ::testing::TestWithParam<Prefix16Case> {};

TEST_P(PrefixTo16Test, ReadsAndRounds) {
    EXPECT_EQ(prefixTo16(GetParam().text), GetParam().expected);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(OperatorEntries, PrefixTo16Test, ::testing::Values(
    Prefix16Case{"Zero",               "0",         int16_t{0}},
    Prefix16Case{"MinusThree",         "-3",        int16_t{-3}},
    Prefix16Case{"Empty",              "",          int16_t{0}},
    Prefix16Case{"Letters",            "abc",       int16_t{0}},
    Prefix16Case{"Seventeen",          "17",        int16_t{17}},
    Prefix16Case{"Exponent",           "1E3",       int16_t{1000}},
    Prefix16Case{"TwoPointFive",       "2.5",       int16_t{2}},
    Prefix16Case{"ThreePointFive",     "3.5",       int16_t{4}},
    Prefix16Case{"OneHalf",            "0.5",       int16_t{0}},
    Prefix16Case{"SpaceInside",        "1 2",       int16_t{12}},
    Prefix16Case{"Hex10",              "&H10",      int16_t{16}},
    Prefix16Case{"HexFFFF",            "&HFFFF",    int16_t{-1}},
    Prefix16Case{"DigitsThenLetters",  "7abc",      int16_t{7}},
    Prefix16Case{"Int16Max",           "32767",     int16_t{32767}},
    Prefix16Case{"JustOverInt16Max",   "32768",     nullopt},
    Prefix16Case{"HalfOverInt16Max",   "32767.5",   nullopt},
    Prefix16Case{"JustUnderHalfOver",  "32767.49",  int16_t{32767}},
    Prefix16Case{"Int16Min",           "-32768",    int16_t{-32768}},
    Prefix16Case{"HalfUnderInt16Min",  "-32768.5",  int16_t{-32768}},
    Prefix16Case{"JustUnderInt16Min",  "-32769",    nullopt},
    Prefix16Case{"PointThree",         "0.3",       int16_t{0}},
    Prefix16Case{"PointSix",           "0.6",       int16_t{1}},
    Prefix16Case{"OnePointFive",       "1.5",       int16_t{2}},
    Prefix16Case{"MinusSeven",         "-7",        int16_t{-7}},
    Prefix16Case{"HexOverSixteenBits", "&H10000",   nullopt},
    Prefix16Case{"DoubleOverflow",     "1e400",     nullopt}),
    RowName{});
// clang-format on

struct Prefix32Case {
    const char* name;
    const char* text;
    std::optional<int32_t> expected;
};

void PrintTo(const Prefix32Case& row, std::ostream* out) { *out << '"' << row.text << '"'; }

class PrefixTo32Test : public ::testing::TestWithParam<Prefix32Case> {};

TEST_P(PrefixTo32Test, ReadsAndRounds) {
    EXPECT_EQ(prefixTo32(GetParam().text), GetParam().expected);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(HexEntries, PrefixTo32Test, ::testing::Values(
    Prefix32Case{"HexZeros",            "&H00",        0},
    Prefix32Case{"HexNoDigits",         "&H",          0},
    Prefix32Case{"HexBadFirstDigit",    "&HG1",        0},
    Prefix32Case{"HexFF",               "&HFF",        255},
    Prefix32Case{"HexLowerFF",          "&Hff",        255},
    Prefix32Case{"HexSpacedFF",         "&HF F",       255},
    Prefix32Case{"HexLooksDecimal",     "&H255",       0x255},
    Prefix32Case{"Hex1FF",              "&H1FF",       511},
    // Four digits fit 16 bits, so the top bit is the sign, as with &HFFFF.
    Prefix32Case{"HexABCDIsSigned16",   "&HABCD",      -21555},
    Prefix32Case{"HexABCDWithZeroAbove","&H1ABCD",     0x1ABCD},
    Prefix32Case{"HexStopsAtG",         "&H1G",        1},
    Prefix32Case{"HexFFFF",             "&HFFFF",      -1},
    Prefix32Case{"Hex10000",            "&H10000",     65536},
    Prefix32Case{"HexEightF",           "&HFFFFFFFF",  -1},
    Prefix32Case{"HexSignBit",          "&H80000000",  std::numeric_limits<int32_t>::min()},
    Prefix32Case{"HexInt32Max",         "&H7FFFFFFF",  std::numeric_limits<int32_t>::max()},
    Prefix32Case{"HexNineDigits",       "&H1FFFFFFFF", nullopt},
    Prefix32Case{"HexPrefixTwice",      "&H&HFF",      0},
    Prefix32Case{"HexMinus",            "&H-1",        0},
    Prefix32Case{"HexPlus",             "&H+1",        0}),
    RowName{});

INSTANTIATE_TEST_SUITE_P(DecimalEntries, PrefixTo32Test, ::testing::Values(
    Prefix32Case{"Int32Max",            "2147483647",    std::numeric_limits<int32_t>::max()},
    Prefix32Case{"JustOverInt32Max",    "2147483648",    nullopt},
    Prefix32Case{"HalfOverInt32Max",    "2147483647.5",  nullopt},
    Prefix32Case{"HalfBelowInt32Max",   "2147483646.5",  2147483646},
    Prefix32Case{"Int32Min",            "-2147483648",   std::numeric_limits<int32_t>::min()},
    Prefix32Case{"HalfUnderInt32Min",   "-2147483648.5", std::numeric_limits<int32_t>::min()},
    Prefix32Case{"JustUnderInt32Min",   "-2147483649",   nullopt},
    Prefix32Case{"BeyondInt16",         "40000",         40000},
    Prefix32Case{"ExponentForm",        "1.5E6",         1500000}),
    RowName{});
// clang-format on

}  // namespace
}  // namespace tqv::text
