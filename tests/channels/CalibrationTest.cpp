// The line from codes to a unit at its edges: both points exact, a negative gain, the
// codes at both ends of the scale, a value that needs nine significant digits, and every
// code written and read back (by strtod, not by our own reader) to itself.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <variant>

#include "channels/Calibration.h"

namespace {

using tqv::channels::Calibration;
using tqv::channels::CalibrationPoint;

Calibration line(CalibrationPoint a, CalibrationPoint b) {
    auto made = Calibration::fromPoints(a, b);
    if (auto* problem = std::get_if<std::string>(&made)) ADD_FAILURE() << *problem;
    return std::get_if<Calibration>(&made) ? std::get<Calibration>(made) : Calibration();
}

std::string written(const Calibration& calibration, int16_t code) {
    char text[Calibration::MaxValueChars];
    return std::string(text, calibration.write(text, code));
}

TEST(Calibration, WithoutPointsEveryCodeIsItsOwnValueWrittenAsToday) {
    const Calibration identity;
    EXPECT_TRUE(identity.identity());
    EXPECT_EQ(identity.decimals(), 0);
    EXPECT_EQ(written(identity, -32768), "-32768");
    EXPECT_EQ(written(identity, 32767), "32767");
    EXPECT_EQ(identity.value(2048.5), 2048.5);
    EXPECT_EQ(identity.nearestCode(-32768.4), std::optional<int16_t>(-32768));
    EXPECT_EQ(identity.nearestCode(32767.6), std::nullopt);
}

TEST(Calibration, BothPointsAreExactAndTheStepSetsTheDigits) {
    const Calibration volts = line({448, -5.0}, {3648, 5.0});
    EXPECT_FALSE(volts.identity());
    EXPECT_EQ(volts.value(448), -5.0);
    EXPECT_EQ(volts.value(3648), 5.0);
    EXPECT_DOUBLE_EQ(volts.gain(), 10.0 / 3200);
    // 3.125 mV a code: three decimals tell the codes apart.
    EXPECT_EQ(volts.decimals(), 3);
    EXPECT_EQ(written(volts, 449), "-4.997");
    EXPECT_EQ(written(volts, 2048), "0.000");
    EXPECT_EQ(volts.nearestCode(-4.997), std::optional<int16_t>(449));
}

TEST(Calibration, ANegativeGainRunsTheOtherWay) {
    const Calibration inverted = line({0, 5.0}, {1000, -5.0});
    EXPECT_LT(inverted.gain(), 0);
    EXPECT_DOUBLE_EQ(inverted.value(-32768), 5.0 + 327.68);
    EXPECT_DOUBLE_EQ(inverted.value(32767), 5.0 - 327.67);
    EXPECT_EQ(inverted.nearestCode(0.0), std::optional<int16_t>(500));
    EXPECT_EQ(inverted.nearestCode(5.0 + 327.69), std::nullopt);
    // Codes 0 and 1000 read 5 and -5: an RMS of 5 whatever the sign.
    EXPECT_NEAR(inverted.rms(500, std::sqrt((0.0 + 1000.0 * 1000.0) / 2)), 5.0, 1e-12);
}

TEST(Calibration, PointsAtBothEndsOfTheScale) {
    const Calibration full = line({-32768, -10.0}, {32767, 10.0});
    EXPECT_EQ(full.value(-32768), -10.0);
    EXPECT_EQ(full.value(32767), 10.0);
    EXPECT_EQ(full.nearestCode(10.0), std::optional<int16_t>(32767));
    EXPECT_EQ(full.nearestCode(-10.0), std::optional<int16_t>(-32768));
}

TEST(Calibration, AValueThatNeedsNineSignificantDigitsKeepsThemAll) {
    // A tenth of a milli-unit a code on top of ten thousand.
    const Calibration fine = line({0, 10000.0}, {10000, 10001.0});
    EXPECT_EQ(fine.decimals(), 4);
    EXPECT_EQ(written(fine, 12345), "10001.2345");
    EXPECT_EQ(written(fine, -32768), "9996.7232");
}

TEST(Calibration, EveryCodeWrittenReadsBackAsItself) {
    for (const auto& [a, b] :
         {std::pair<CalibrationPoint, CalibrationPoint>{{448, -5.0}, {3648, 5.0}},
          {{0, 5.0}, {1000, -5.0}},
          {{-32768, 0.0}, {32767, 1.0}},
          {{0, 10000.0}, {10000, 10001.0}},
          {{-100, 1e-9}, {100, 3e-9}},
          {{7, 123456.789}, {8, 123456.790}}}) {
        const Calibration calibration = line(a, b);
        int wrong = 0;
        for (int code = -32768; code <= 32767; ++code) {
            const std::string text = written(calibration, static_cast<int16_t>(code));
            const double read = std::strtod(text.c_str(), nullptr);
            if (calibration.nearestCode(read) != code && ++wrong < 3) {
                ADD_FAILURE() << "code " << code << " written " << text << " (points " << a.code
                              << ", " << a.value << " and " << b.code << ", " << b.value << ")";
            }
        }
        EXPECT_EQ(wrong, 0);
    }
}

TEST(Calibration, PointsThatGiveNoUsableLineAreRefusedWithTheReason) {
    const auto refusal = [](CalibrationPoint a, CalibrationPoint b) {
        auto made = Calibration::fromPoints(a, b);
        return std::holds_alternative<std::string>(made) ? std::get<std::string>(made)
                                                         : std::string("(accepted)");
    };
    EXPECT_EQ(refusal({448, -5.0}, {448, 5.0}),
              "the two points have the same code (448): they give no line");
    EXPECT_EQ(refusal({448, 1.0}, {3648, 1.0}),
              "the two points have the same value (1): every code would read alike");
    EXPECT_EQ(refusal({-32769, 0.0}, {0, 1.0}),
              "a code is a whole number from -32768 to 32767, not -32769");
    EXPECT_EQ(refusal({0, 0.0}, {1, NAN}), "a value is a finite number");
    EXPECT_NE(refusal({0, 0.0}, {1, 1e12}).find("beyond the largest value kept"),
              std::string::npos);
    // Twenty-one significant digits: no double holds them.
    EXPECT_NE(refusal({-32768, 1e12}, {32767, 1e12 + 0.01}).find("too close together"),
              std::string::npos);
}

}  // namespace
