// The scope in a channel's unit, on exact data: a lane's header and its range, the
// CSV's header and values, and a trigger level typed in the unit. A channel read in
// codes is written as the scope always wrote it.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <variant>
#include <vector>

#include "analysis/ChannelStatistics.h"
#include "analysis/SignalMeasurements.h"
#include "channels/ChannelSetup.h"
#include "scope/LaneHeader.h"
#include "scope/LaneScale.h"
#include "scope/ScopeCsv.h"
#include "scope/ScopeModel.h"
#include "scope/ViewOptions.h"
#include "tests/support/TestRing.h"

namespace tqv::scope {
namespace {

channels::Calibration line(channels::CalibrationPoint a, channels::CalibrationPoint b) {
    return std::get<channels::Calibration>(channels::Calibration::fromPoints(a, b));
}

// Channel 0 "Supply" in volts (448 → -5 V, 3648 → +5 V), channel 1 inverted "Probe" in
// mV (0 → 100 mV, 1000 → -100 mV), the rest at their defaults.
channels::ChannelSetup benchSetup() {
    channels::ChannelSetup setup;
    setup.setChannel(0, {"Supply", "V", line({448, -5.0}, {3648, 5.0})});
    setup.setChannel(1, {"Probe", "mV", line({0, 100.0}, {1000, -100.0})});
    return setup;
}

// A square between 448 and 3648 with a period of 40 scans on channel 0, and channel
// 1 counting 0, 100, 200, ... on each of `scans` scans of two channels.
std::vector<int16_t> squareAndRamp(int scans) {
    std::vector<int16_t> samples;
    for (int s = 0; s < scans; ++s) {
        samples.push_back(s % 40 < 20 ? 448 : 3648);
        samples.push_back(static_cast<int16_t>((s % 10) * 100));
    }
    return samples;
}

analysis::ChannelStatistics statisticsOf(const std::vector<int16_t>& samples, int channel) {
    analysis::StatisticsAccumulator accumulator;
    accumulator.addInterleaved(samples, 2, channel);
    return accumulator.result();
}

TEST(LaneHeader, InCodesAsAlwaysInAUnitWithItsDigitsAndAFrequencyUnchanged) {
    // A hundred periods: enough for the frequency to be given to 0.1 %.
    const auto samples = squareAndRamp(4000);
    const auto measured = analysis::measureSignal(samples, 2, 0);
    EXPECT_EQ(laneHeader(0, channels::ChannelSetup::defaultChannel(0), statisticsOf(samples, 0),
                         measured, 10000),
              "Ch 0   min 448   max 3648   mean 2048.0   RMS 2598.9   250.00 Hz   4.00 ms   pk-pk "
              "3200");
    EXPECT_EQ(laneHeader(0, benchSetup().channel(0), statisticsOf(samples, 0), measured, 10000),
              "Supply   min -5.000 V   max 5.000 V   mean 0.0000 V   RMS 5.0000 V   250.00 Hz   "
              "4.00 ms   pk-pk 10.000 V");
    // A negative gain: the largest code is the smallest value; the peak-to-peak stays
    // positive.
    const auto ramp = analysis::measureSignal(samples, 2, 1);
    const std::string probe =
        laneHeader(1, benchSetup().channel(1), statisticsOf(samples, 1), ramp, 10000);
    EXPECT_EQ(probe.substr(0, probe.find("   RMS")),
              "Probe   min -80.0 mV   max 100.0 mV   mean 10.00 mV");
    EXPECT_NE(probe.find("pk-pk 180.0 mV"), std::string::npos) << probe;
}

TEST(LaneScale, TheRangeIsInTheUnitLowBelowHighWhicheverWayTheLineRuns) {
    analysis::ChannelStatistics statistics;
    statistics.count = 10;
    statistics.minimum = 0;
    statistics.maximum = 1000;
    const auto inverted = benchSetup().channel(1).calibration;
    const LaneRange full = laneRange(statistics, false, inverted);
    EXPECT_DOUBLE_EQ(full.low, 100.0 - 0.2 * 32767) << "the full scale, -32768 .. 32767 codes";
    EXPECT_DOUBLE_EQ(full.high, 100.0 + 0.2 * 32768);
    const LaneRange fitted = laneRange(statistics, true, inverted);
    EXPECT_DOUBLE_EQ(fitted.low, -100.0 - 10.0);
    EXPECT_DOUBLE_EQ(fitted.high, 100.0 + 10.0);
    EXPECT_DOUBLE_EQ(fractionOf(fitted, 0.0), 0.5);
    const LaneRange zoomed = zoomedRange({0.0, 10.0}, 2.5, 2.0);
    EXPECT_DOUBLE_EQ(zoomed.low, 1.25);
    EXPECT_DOUBLE_EQ(zoomed.high, 6.25);
}

TEST(ScopeCsv, EachChannelInItsUnitUnderItsNameOrInCodesWhenAskedFor) {
    test::TestRing ring(4, 2, 1);
    const std::vector<int16_t> block{448, 0, 1048, -32768, 449, 1000, 1048, 32767};
    ring.store(block);
    ScopeModel model;
    ASSERT_TRUE(model.take(ring.blocks));
    EXPECT_EQ(csvText(model, benchSetup()),
              "time_s,Supply (V),Probe (mV),ch2,ch3\n"
              "0,-5.000,100.0,1048,-32768\n"
              "0.0001,-4.997,-100.0,1048,32767\n");
    EXPECT_EQ(csvText(model, benchSetup(), text::CsvValues::Codes),
              "time_s,Supply,Probe,ch2,ch3\n"
              "0,448,0,1048,-32768\n"
              "0.0001,449,1000,1048,32767\n");
    EXPECT_EQ(csvText(model),
              "time_s,ch0,ch1,ch2,ch3\n0,448,0,1048,-32768\n0.0001,449,1000,1048,32767\n");
}

TEST(ViewOptions, ATriggerLevelIsTypedInTheSourcesUnit) {
    const auto setup = benchSetup();
    const auto supply = std::get<TriggerSettings>(parseTriggerOption("0,rising,0", 4, setup));
    EXPECT_EQ(supply.level, 2048);
    EXPECT_EQ(levelCode("2.5 V", setup.channel(0)), 2848);
    EXPECT_EQ(levelCode("-4.997", setup.channel(0)), 449);
    EXPECT_EQ(levelCode("1e9", setup.channel(0)), std::nullopt) << "beyond the codes";
    EXPECT_EQ(levelCode("2.5", setup.channel(2)), std::nullopt) << "codes are whole";
    EXPECT_EQ(std::get<std::string>(parseTriggerOption("0,rising,200", 4, setup)),
              "--trigger: the level is a value in V from -108.800 to 95.997, not \"200\"");
    EXPECT_EQ(std::get<TriggerSettings>(parseTriggerOption("2,falling,100", 4, setup)).level, 100);
}

}  // namespace
}  // namespace tqv::scope
