#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <vector>

#include "analysis/SignalMeasurements.h"

namespace tqv::analysis {
namespace {

constexpr double kScanRate = 10000.0;

// Two interleaved channels: the wave on channel 1, a busy distraction on channel 0 that
// would spoil every figure if the stride were wrong.
std::vector<int16_t> onChannelOne(int scans, const std::function<double(int)>& wave) {
    std::vector<int16_t> samples;
    for (int s = 0; s < scans; ++s) {
        samples.push_back(static_cast<int16_t>(s % 3 == 0 ? 30000 : -30000));
        samples.push_back(static_cast<int16_t>(std::lround(wave(s))));
    }
    return samples;
}

double phase(int scan, double hz) { return std::fmod(scan * hz / kScanRate, 1.0); }

double sine(int scan, double hz) {
    return 2048 + 1600 * std::sin(2 * std::numbers::pi * phase(scan, hz));
}

double triangle(int scan, double hz) {
    const double p = phase(scan, hz);
    return 448 + 3200 * (p < 0.5 ? 2 * p : 2 - 2 * p);
}

double square(int scan, double hz, double duty) { return phase(scan, hz) < duty ? 3048 : 1048; }

struct Wave {
    const char* name;
    std::function<double(int)> generate;
    double hz;
    int32_t peakToPeak;
    double duty;
};

class PeriodicWave : public ::testing::TestWithParam<Wave> {};

// Five and a bit periods, at frequencies whose periods are not whole scans.
TEST_P(PeriodicWave, ReadsWithinAThousandthOfItsFrequency) {
    const Wave& wave = GetParam();
    const int scans = static_cast<int>(std::ceil(5.3 * kScanRate / wave.hz));
    const auto m = measureSignal(onChannelOne(scans, wave.generate), 2, 1);
    EXPECT_EQ(m.range.peakToPeak(), wave.peakToPeak);
    ASSERT_TRUE(m.periodicity.has_value());
    EXPECT_GE(m.periodicity->periods, 4);
    EXPECT_NEAR(*m.frequencyHz(kScanRate), wave.hz, wave.hz * 0.001);
    EXPECT_NEAR(*m.periodSeconds(kScanRate), 1 / wave.hz, 0.001 / wave.hz);
    EXPECT_NEAR(m.periodicity->duty, wave.duty, 0.01);
}

INSTANTIATE_TEST_SUITE_P(
    ExactData, PeriodicWave,
    ::testing::Values(Wave{"sine", [](int s) { return sine(s, 51.3); }, 51.3, 3200, 0.5},
                      Wave{"triangle", [](int s) { return triangle(s, 19.7); }, 19.7, 3200, 0.5},
                      Wave{"square30", [](int s) { return square(s, 97.0, 0.3); }, 97.0, 2000,
                           0.3}),
    [](const auto& wave) { return std::string(wave.param.name); });

TEST(SignalMeasurements, NoneForAFlatLineFewerThanTwoPeriodsOrNoSamples) {
    const auto flat = measureSignal(onChannelOne(5000, [](int) { return -7.0; }), 2, 1);
    EXPECT_EQ(flat.range.peakToPeak(), 0);
    EXPECT_FALSE(flat.periodicity.has_value());
    EXPECT_FALSE(flat.frequencyHz(kScanRate).has_value());

    // 50 Hz from its trough: rising crossings at scans 50, 250, 450, ...
    const auto fromTrough = [](int s) { return sine(s + 150, 50); };
    const auto short_ = measureSignal(onChannelOne(455, fromTrough), 2, 1);
    EXPECT_EQ(short_.range.peakToPeak(), 3200);
    EXPECT_FALSE(short_.periodicity.has_value()) << "one whole period";
    const auto two = measureSignal(onChannelOne(470, fromTrough), 2, 1);
    ASSERT_TRUE(two.periodicity.has_value());
    EXPECT_EQ(two.periodicity->periods, 2);

    EXPECT_FALSE(measureSignal({}, 2, 1).periodicity.has_value());
    const std::vector<int16_t> oneScan{1, 2};
    EXPECT_FALSE(measureSignal(oneScan, 2, 2).periodicity.has_value()) << "no such channel";
}

// Uniform noise of a tenth of the amplitude on a slow sine: the signal dwells near the
// mid level for many samples, where a plain comparison would count dozens of crossings.
TEST(SignalMeasurements, NoiseNearTheLevelDoesNotCountExtraCrossings) {
    uint32_t state = 12345;
    const auto noise = [&state] {
        state = state * 1664525u + 1013904223u;
        return (static_cast<double>(state >> 8) / (1u << 24) * 2 - 1) * 160;
    };
    const auto m =
        measureSignal(onChannelOne(60000, [&](int s) { return sine(s, 1.0) + noise(); }), 2, 1);
    ASSERT_TRUE(m.periodicity.has_value());
    // Six periods starting at a rising crossing, which is not counted as the state is
    // not yet known: five crossings, four whole periods.
    EXPECT_EQ(m.periodicity->periods, 4);
    EXPECT_NEAR(*m.frequencyHz(kScanRate), 1.0, 0.02);
}

}  // namespace
}  // namespace tqv::analysis

namespace tqv::analysis {
namespace {

// The fast pass over every channel against the plain one over each, on channel counts
// with and without the vector path, with noise so that woken blocks hold edges of
// several channels at once.
TEST(SignalMeasurements, EveryChannelAtOnceMatchesOneAtATime) {
    uint32_t state = 99;
    const auto noise = [&state] {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 24) - 128;
    };
    for (const int channels : {1, 3, 4, 8}) {
        std::vector<int16_t> scans;
        for (int s = 0; s < 4003; ++s) {
            for (int c = 0; c < channels; ++c) {
                const double hz = 37.0 + 11 * c;
                const double v = c % 2 == 0 ? sine(s, hz) : square(s, hz, 0.2 + 0.1 * c);
                scans.push_back(static_cast<int16_t>(std::lround(v + noise())));
            }
        }
        std::vector<SignalMeasurements> all(static_cast<size_t>(channels));
        measureSignals(scans, channels, all);
        for (int c = 0; c < channels; ++c) {
            SCOPED_TRACE(testing::Message() << channels << " channels, channel " << c);
            const auto one = measureSignal(scans, channels, c);
            const auto& fast = all[static_cast<size_t>(c)];
            EXPECT_EQ(fast.range.minimum, one.range.minimum);
            EXPECT_EQ(fast.range.maximum, one.range.maximum);
            ASSERT_TRUE(one.periodicity.has_value());
            ASSERT_TRUE(fast.periodicity.has_value());
            EXPECT_EQ(fast.periodicity->periods, one.periodicity->periods);
            EXPECT_DOUBLE_EQ(fast.periodicity->periodScans, one.periodicity->periodScans);
            EXPECT_DOUBLE_EQ(fast.periodicity->duty, one.periodicity->duty);
        }
    }
}

}  // namespace
}  // namespace tqv::analysis
