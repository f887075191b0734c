#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "selftest/ExpectedSignal.h"

namespace tqv::selftest {
namespace {

struct ParseCase {
    const char* text;
    bool valid;
};

class ExpectOption : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ExpectOption, TakesOnlyAChannelAFrequencyAndAPeakToPeak) {
    const auto parsed = parseExpectedSignal(GetParam().text, 4);
    EXPECT_EQ(std::holds_alternative<ExpectedSignal>(parsed), GetParam().valid)
        << (std::holds_alternative<std::string>(parsed) ? std::get<std::string>(parsed) : "");
}

INSTANTIATE_TEST_SUITE_P(Texts, ExpectOption,
                         ::testing::Values(ParseCase{"0:50", true}, ParseCase{"3:0.5:3200", true},
                                           ParseCase{"4:50", false}, ParseCase{"-1:50", false},
                                           ParseCase{"0:0", false}, ParseCase{"0:-50", false},
                                           ParseCase{"0:50Hz", false}, ParseCase{"0:nan", false},
                                           ParseCase{"0:50:0", false},
                                           ParseCase{"0:50:70000", false},
                                           ParseCase{"0:50:3200:1", false}, ParseCase{"0", false},
                                           ParseCase{":50", false}, ParseCase{"", false}));

TEST(ExpectOption, ReadsItsFiguresAndTheTolerance) {
    const auto expected = std::get<ExpectedSignal>(parseExpectedSignal("2:10.5:2000", 4));
    EXPECT_EQ(expected.channel, 2);
    EXPECT_DOUBLE_EQ(expected.hz, 10.5);
    EXPECT_EQ(expected.peakToPeak, 2000.0);

    const auto both = std::get<SignalTolerance>(parseSignalTolerance("1"));
    EXPECT_DOUBLE_EQ(both.frequency, 0.01);
    EXPECT_DOUBLE_EQ(both.peakToPeak, 0.01);
    const auto each = std::get<SignalTolerance>(parseSignalTolerance("0.1:5"));
    EXPECT_DOUBLE_EQ(each.frequency, 0.001);
    EXPECT_DOUBLE_EQ(each.peakToPeak, 0.05);
    for (const char* bad : {"0", "101", "1:2:3", "x", ""}) {
        EXPECT_TRUE(std::holds_alternative<std::string>(parseSignalTolerance(bad))) << bad;
    }
}

// 50 Hz at 10 kHz: 200 scans a period; 3200 codes peak to peak.
analysis::SignalMeasurements measured(double periodScans, int16_t low, int16_t high) {
    analysis::SignalMeasurements m;
    m.range = {low, high, 50000};
    if (periodScans > 0) m.periodicity = analysis::Periodicity{periodScans, 0.5, 200};
    return m;
}

TEST(ExpectedSignalCheck, PassesWithinTheToleranceAndNamesTheFiguresOtherwise) {
    const SignalTolerance tolerance;
    const ExpectedSignal sine{0, 50.0, 3200.0};
    // 0.5 % of 50 Hz is 0.25 Hz: a period of 199.1 scans is 50.23 Hz, 198.9 beyond.
    EXPECT_EQ(checkExpectedSignal(sine, measured(199.1, 448, 3648), 10000, tolerance).outcome,
              Outcome::Pass);
    const auto fast = checkExpectedSignal(sine, measured(198.9, 448, 3648), 10000, tolerance);
    EXPECT_EQ(fast.outcome, Outcome::Fail);
    EXPECT_EQ(fast.name, "channel 0");
    EXPECT_EQ(fast.summary, "channel 0: 50.00 Hz expected, 50.28 Hz measured");

    // 2 % of 3200 is 64 codes.
    EXPECT_EQ(checkExpectedSignal(sine, measured(200, 448, 3712), 10000, tolerance).outcome,
              Outcome::Pass);
    EXPECT_EQ(checkExpectedSignal(sine, measured(200, 448, 3713), 10000, tolerance).summary,
              "channel 0: 3200 codes peak-to-peak expected, 3265 measured");

    const auto counter = checkExpectedSignal({3, 0.1526, std::nullopt}, measured(0, -32768, 32767),
                                             10000, tolerance);
    EXPECT_EQ(counter.outcome, Outcome::Fail);
    EXPECT_EQ(counter.summary,
              "channel 3: 0.1526 Hz expected, none measured (fewer than two "
              "whole periods, or flat)");
}

// With a channel setup the peak-to-peak is in the channel's unit: read, limited to the
// whole scale, measured and reported in it.
TEST(ExpectedSignalCheck, APeakToPeakInTheChannelsUnit) {
    channels::ChannelSetup setup;
    setup.setChannel(0, {"Supply", "V",
                         std::get<channels::Calibration>(
                             channels::Calibration::fromPoints({448, -5.0}, {3648, 5.0}))});
    EXPECT_EQ(std::get<ExpectedSignal>(parseExpectedSignal("0:50:10", 4, setup)).peakToPeak, 10.0);
    EXPECT_EQ(std::get<std::string>(parseExpectedSignal("0:50:205", 4, setup)),
              "--expect: the peak-to-peak is a number of V from above 0 to 204.797 (channel 0's "
              "whole scale), not \"205\"");
    const SignalTolerance tolerance;
    const auto passed = checkExpectedSignal({0, 50.0, 10.0}, measured(200, 448, 3648), 10000,
                                            tolerance, setup.channel(0));
    EXPECT_EQ(passed.outcome, Outcome::Pass);
    EXPECT_EQ(passed.summary,
              "50.00 Hz (expected 50.00, limit 0.5 %), 10.000 V peak-to-peak (expected 10.000, "
              "limit 2.0 %)");
    EXPECT_EQ(checkExpectedSignal({0, 50.0, 12.0}, measured(200, 448, 3648), 10000, tolerance,
                                  setup.channel(0))
                  .summary,
              "channel 0: 12.000 V peak-to-peak expected, 10.000 measured");
}

}  // namespace
}  // namespace tqv::selftest
