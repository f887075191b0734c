#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <string>
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

// Waves between −1 and 1 at a phase 0..1.
double unitSine(double p) { return std::sin(2 * std::numbers::pi * p); }
double unitTriangle(double p) { return p < 0.5 ? 4 * p - 1 : 3 - 4 * p; }
double unitSquare(double p, double duty) { return p < duty ? 1 : -1; }

double sine(int scan, double hz) { return 2048 + 1600 * unitSine(phase(scan, hz)); }
double square(int scan, double hz, double duty) {
    return 2048 + 1000 * unitSquare(phase(scan, hz), duty);
}

TEST(SignalMeasurements, NoneForAFlatLineFewerThanTwoPeriodsOrNoSamples) {
    const auto flat = measureSignal(onChannelOne(5000, [](int) { return -7.0; }), 2, 1);
    EXPECT_EQ(flat.range.peakToPeak(), 0);
    EXPECT_FALSE(flat.periodicity.has_value());
    EXPECT_EQ(flat.noPeriod, NoPeriod::Flat);
    EXPECT_FALSE(flat.frequencyHz(kScanRate).has_value());

    // 50 Hz from its trough: rising crossings at scans 50, 250, 450, ...
    const auto fromTrough = [](int s) { return sine(s + 150, 50); };
    const auto short_ = measureSignal(onChannelOne(455, fromTrough), 2, 1);
    EXPECT_EQ(short_.range.peakToPeak(), 3200);
    EXPECT_FALSE(short_.periodicity.has_value()) << "one whole period";
    EXPECT_EQ(short_.noPeriod, NoPeriod::FewerThanTwoPeriods);
    const auto two = measureSignal(onChannelOne(470, fromTrough), 2, 1);
    ASSERT_TRUE(two.periodicity.has_value());
    EXPECT_EQ(two.periodicity->periods, 2);

    EXPECT_FALSE(measureSignal({}, 2, 1).periodicity.has_value());
    const std::vector<int16_t> oneScan{1, 2};
    EXPECT_FALSE(measureSignal(oneScan, 2, 2).periodicity.has_value()) << "no such channel";
}

// Gaussian noise from a seed, the same on every machine: a 64-bit LCG (Knuth's MMIX
// constants) through Box and Muller.
class SeededNoise {
public:
    SeededNoise(double sd, uint64_t seed) : m_sd(sd), m_state(seed) {}
    double operator()() {
        const double u1 = uniform();
        const double u2 = uniform();
        return m_sd * std::sqrt(-2 * std::log(1 - u1)) * std::cos(2 * std::numbers::pi * u2);
    }

private:
    double uniform() {
        m_state = m_state * 6364136223846793005u + 1442695040888963407u;
        return static_cast<double>(m_state >> 11) * 0x1p-53;
    }
    double m_sd;
    uint64_t m_state;
};

enum class Expect {
    Reads,        // a figure, right within the share its frequency allows
    ReadsOrNone,  // a figure only if right
    None,
};

struct SignalCase {
    const char* name;
    double hz;  // the signal's own frequency; 0 for noise alone
    double amplitude;
    double noiseSd;
    // 's' sine, 't' triangle, 'q' square of duty 0.3, 'n' noise alone, 'g' a sine with
    // one scan at its top in the trough halfway through: a glitch, one crossing too many.
    char shape;
    int scans;
    Expect expect;
    NoPeriod whyNone;  // for Expect::None
    uint64_t seed = 20240611;
};

std::vector<int16_t> generated(const SignalCase& signal) {
    SeededNoise noise(signal.noiseSd, signal.seed);
    // The sine's trough is at phase 0.45 of each period.
    const double periodsHalfway = std::floor(signal.scans * signal.hz / kScanRate / 2);
    const auto troughHalfway =
        signal.hz > 0
            ? static_cast<int>(std::lround((periodsHalfway + 0.45) * kScanRate / signal.hz))
            : -1;
    return onChannelOne(signal.scans, [&](int s) {
        const double p = phase(s, signal.hz);
        double wave = 0;
        switch (signal.shape) {
            case 's':
                wave = unitSine(p + 0.3);
                break;
            case 't':
                wave = unitTriangle(p);
                break;
            case 'q':
                wave = unitSquare(p, 0.3);
                break;
            case 'g':
                wave = s == troughHalfway ? 1 : unitSine(p + 0.3);
                break;
        }
        return signal.amplitude * wave + noise();
    });
}

class GeneratedSignal : public ::testing::TestWithParam<SignalCase> {};

// The rule for every figure: right within a tenth of a percent up to a tenth of the
// scan rate and a percent up to 0.4 of it, or none.
TEST_P(GeneratedSignal, GivesAFrequencyOnlyWhenItIsRight) {
    const SignalCase& signal = GetParam();
    const auto m = measureSignal(generated(signal), 2, 1);
    const auto hz = m.frequencyHz(kScanRate);
    if (signal.expect == Expect::None) {
        EXPECT_FALSE(hz.has_value()) << *hz << " Hz";
        EXPECT_EQ(m.noPeriod, signal.whyNone) << describe(m.noPeriod);
        EXPECT_FALSE(m.periodSeconds(kScanRate).has_value());
        return;
    }
    if (signal.expect == Expect::Reads) {
        ASSERT_TRUE(hz.has_value()) << describe(m.noPeriod);
    } else if (!hz) {
        return;
    }
    const double share = signal.hz <= kScanRate / 10 ? 0.001 : 0.01;
    EXPECT_NEAR(*hz, signal.hz, share * signal.hz);
    EXPECT_NEAR(*m.periodSeconds(kScanRate), 1 / signal.hz, share / signal.hz);
    EXPECT_NEAR(m.periodicity->duty, signal.shape == 'q' ? 0.3 : 0.5, 0.02);
}

INSTANTIATE_TEST_SUITE_P(
    Table, GeneratedSignal,
    ::testing::Values(
        // Sines from the slow to 0.4 of the scan rate, none a whole number of scans
        // long, over the scope's ring of 6000 scans.
        SignalCase{"Sine19_7Hz", 19.7, 1600, 0, 's', 6000, Expect::Reads, {}},
        SignalCase{"Sine333_3Hz", 333.3, 1600, 0, 's', 6000, Expect::Reads, {}},
        SignalCase{"Sine999_7Hz", 999.7, 1600, 0, 's', 6000, Expect::Reads, {}},
        SignalCase{"Sine1234_5Hz", 1234.5, 1600, 0, 's', 6000, Expect::Reads, {}},
        SignalCase{"Sine3141_6Hz", 3141.6, 1600, 0, 's', 6000, Expect::Reads, {}},
        SignalCase{"Sine3999_1Hz", 3999.1, 1600, 0, 's', 6000, Expect::Reads, {}},
        SignalCase{"Sine3999_1HzIn600Scans", 3999.1, 1600, 0, 's', 600, Expect::Reads, {}},
        SignalCase{"Triangle19_7Hz", 19.7, 1600, 0, 't', 6000, Expect::Reads, {}},
        SignalCase{"Square97HzDuty0_3", 97.0, 1000, 0, 'q', 6000, Expect::Reads, {}},
        SignalCase{"Square999_7HzDuty0_3", 999.7, 1000, 0, 'q', 6000, Expect::Reads, {}},
        // Noise the hysteresis keeps from the count; a slow sine over 5 s.
        SignalCase{"Sine50HzSd30OnAmplitude1600", 50, 1600, 30, 's', 6000, Expect::Reads, {}},
        SignalCase{"Sine0_7HzIn5s", 0.7, 1600, 0, 's', 50000, Expect::Reads, {}},
        // Noise as strong as the signal: right, or none.
        SignalCase{"Sine50HzSd30OnAmplitude100", 50, 100, 30, 's', 6000, Expect::ReadsOrNone, {}},
        SignalCase{
            "Sine50HzSd30OnAmplitude100In5s", 50, 100, 30, 's', 50000, Expect::ReadsOrNone, {}},
        SignalCase{"Sine50HzSd10OnAmplitude100", 50, 100, 10, 's', 6000, Expect::ReadsOrNone, {}},
        SignalCase{
            "Sine1000HzSd30OnAmplitude100", 1000.3, 100, 30, 's', 6000, Expect::ReadsOrNone, {}},
        // No frequency to give.
        SignalCase{"NoiseSd30", 0, 0, 30, 'n', 6000, Expect::None, NoPeriod::Unsteady},
        // One extra crossing in 250 periods would read 0.4 % fast.
        SignalCase{"Sine50HzWithAGlitchIn5s", 50, 1600, 0, 'g', 50000, Expect::None,
                   NoPeriod::Unsteady},
        SignalCase{"Sine4900Hz", 4900, 1600, 0, 's', 6000, Expect::None, NoPeriod::TooFast},
        SignalCase{"Sine4100Hz", 4100, 1600, 0, 's', 6000, Expect::None, NoPeriod::TooFast},
        // Two periods of a square wave of 91.33 scans that both measure 91: either end
        // may be half a scan off, more than a tenth of a percent of two periods.
        SignalCase{"Square109_49HzIn300Scans", 109.49, 1000, 0, 'q', 300, Expect::None,
                   NoPeriod::Imprecise},
        // Noise that by chance left both periods within a few hundredths of a scan of
        // each other: at 6 Hz what shows it is the signal crossing its mid level again
        // and again near each end; at 46.2 Hz, that two periods are too few to judge
        // their spread by.
        SignalCase{"Sine6HzSd10OnAmplitude100", 6.0, 100, 10, 's', 6000, Expect::None,
                   NoPeriod::Imprecise, 869943},
        SignalCase{"Sine46_2HzSd2OnAmplitude100", 46.2, 100, 2, 's', 600, Expect::None,
                   NoPeriod::Imprecise, 780248}),
    [](const auto& signal) { return std::string(signal.param.name); });

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
        return (static_cast<double>(state >> 24) - 128) / 8;
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
            ASSERT_TRUE(one.periodicity.has_value()) << describe(one.noPeriod);
            ASSERT_TRUE(fast.periodicity.has_value()) << describe(fast.noPeriod);
            EXPECT_EQ(fast.periodicity->periods, one.periodicity->periods);
            EXPECT_DOUBLE_EQ(fast.periodicity->periodScans, one.periodicity->periodScans);
            EXPECT_DOUBLE_EQ(fast.periodicity->duty, one.periodicity->duty);
        }
    }
}

}  // namespace
}  // namespace tqv::analysis
