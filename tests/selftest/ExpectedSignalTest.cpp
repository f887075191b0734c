#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "selftest/ExpectedSignal.h"

namespace tqv::selftest {
namespace {

// The default run: four channels at 10 kHz, 5 s measured.
const MeasurableSignals kRun{4, 10000, 5};

struct ParseCase {
    const char* text;
    bool valid;
};

class ExpectOption : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ExpectOption, TakesOnlyAChannelAFrequencyTheRunResolvesAndAPeakToPeak) {
    const auto parsed = parseExpectedSignal(GetParam().text, kRun);
    EXPECT_EQ(std::holds_alternative<ExpectedSignal>(parsed), GetParam().valid)
        << (std::holds_alternative<std::string>(parsed) ? std::get<std::string>(parsed) : "");
}

// Frequencies from three periods in 5 s (0.6 Hz) to 0.4 of the scan rate (4000 Hz).
INSTANTIATE_TEST_SUITE_P(Texts, ExpectOption,
                         ::testing::Values(ParseCase{"0:50", true}, ParseCase{"3:0.6:3200", true},
                                           ParseCase{"0:4000", true}, ParseCase{"0:0.59", false},
                                           ParseCase{"0:4000.1", false}, ParseCase{"0:9950", false},
                                           ParseCase{"0:1e-300", false},
                                           ParseCase{"0:1e308", false}, ParseCase{"4:50", false},
                                           ParseCase{"-1:50", false}, ParseCase{"0:0", false},
                                           ParseCase{"0:-50", false}, ParseCase{"0:50Hz", false},
                                           ParseCase{"0:nan", false}, ParseCase{"0:50:0.5", false},
                                           ParseCase{"0:50:1", true},
                                           ParseCase{"0:50:70000", false},
                                           ParseCase{"0:50:3200:1", false}, ParseCase{"0", false},
                                           ParseCase{":50", false}, ParseCase{"", false}));

TEST(ExpectOption, ReadsItsFiguresAndTheTolerance) {
    const auto expected = std::get<ExpectedSignal>(parseExpectedSignal("2:10.5:2000", kRun));
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

TEST(ExpectOption, OneCheckPerChannelAndTheRangeTheRunResolvesNamed) {
    const std::vector<std::string> two{"0:50", "1:20", "0:60"};
    EXPECT_EQ(std::get<std::string>(parseExpectedSignals(two, kRun)),
              "--expect: channel 0 is given twice (\"0:50\" and \"0:60\"); one check per channel");
    const std::vector<std::string> each{"0:50", "1:20:3200"};
    const auto parsed = std::get<std::vector<ExpectedSignal>>(parseExpectedSignals(each, kRun));
    ASSERT_EQ(parsed.size(), 2u);
    EXPECT_EQ(parsed[1].channel, 1);

    // A one-second run measures one second: three periods need 3 Hz.
    const MeasurableSignals oneSecond{4, 10000, 1};
    EXPECT_EQ(std::get<std::string>(parseExpectedSignal("0:2.5", oneSecond)),
              "--expect: the frequency is from 3 Hz (three periods in the 1 s measured, so that "
              "two whole ones lie between rising edges) to 4000 Hz (0.4 of the scan rate), not "
              "\"2.5\"");
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

    auto unsteady = measured(0, -32768, 32767);
    unsteady.noPeriod = analysis::NoPeriod::Unsteady;
    const auto counter = checkExpectedSignal({3, 0.6, std::nullopt}, unsteady, 10000, tolerance);
    EXPECT_EQ(counter.outcome, Outcome::Fail);
    EXPECT_EQ(counter.summary,
              "channel 3: 0.6 Hz expected, none measured (unsteady periods: noise, or more than "
              "one crossing a period)");
}

// Figures with the digits they mean, however small or large what was typed.
TEST(ExpectedSignalCheck, ShowsEachFigureWithSensibleDigits) {
    const SignalTolerance fine{0.0001, 1e-300};
    const auto passed = checkExpectedSignal({0, 50.0, 3200.5}, measured(200, 448, 3648), 10000,
                                            SignalTolerance{0.005, 0.02});
    EXPECT_EQ(passed.summary,
              "50.00 Hz (expected 50.00, limit 0.5 %), 3200 codes peak-to-peak (expected "
              "3200.5, limit 2.0 %)");
    const auto failed =
        checkExpectedSignal({0, 0.61234567, 1}, measured(200, 448, 3648), 10000, fine);
    EXPECT_EQ(failed.summary,
              "channel 0: 0.6123 Hz expected, 50.00 Hz measured; 1 codes peak-to-peak expected, "
              "3200 measured");
    const auto tight = checkExpectedSignal({0, 50, 3200}, measured(200, 448, 3648), 10000, fine);
    EXPECT_EQ(tight.summary,
              "50.00 Hz (expected 50.00, limit 0.01 %), 3200 codes peak-to-peak (expected 3200, "
              "limit 1e-298 %)");
}

// With a channel setup the peak-to-peak is in the channel's unit: read, limited to the
// whole scale, measured and reported in it.
TEST(ExpectedSignalCheck, APeakToPeakInTheChannelsUnit) {
    channels::ChannelSetup setup;
    setup.setChannel(0, {"Supply", "V",
                         std::get<channels::Calibration>(
                             channels::Calibration::fromPoints({448, -5.0}, {3648, 5.0}))});
    EXPECT_EQ(std::get<ExpectedSignal>(parseExpectedSignal("0:50:10", kRun, setup)).peakToPeak, 10.0);
    EXPECT_EQ(std::get<std::string>(parseExpectedSignal("0:50:205", kRun, setup)),
              "--expect: the peak-to-peak is a number of V from 0.003 (one code) to 204.797 "
              "(channel 0's whole scale), not \"205\"");
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
