#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "card/sim/SignalSource.h"

namespace tqv::sim {
namespace {

// At the program's 10000 scans/s: sine period 200 scans, triangle 500, square 1000.
const SignalSource program(10000, 0);

TEST(ScanCounter, IsTheLow16BitsOfTheScanAsASignedSample) {
    EXPECT_EQ(program.sample(3, 0), 0);
    EXPECT_EQ(program.sample(3, 1), 1);
    EXPECT_EQ(program.sample(3, 32767), 32767);
    EXPECT_EQ(program.sample(3, 32768), -32768);
    EXPECT_EQ(program.sample(3, 65535), -1);
    EXPECT_EQ(program.sample(3, 65536), 0);
    EXPECT_EQ(program.sample(3, (std::uint64_t{1} << 40) + 5), 5);
}

TEST(ScanCounter, IgnoresGain) {
    const SignalSource amplified(10000, 3);
    for (std::uint64_t scan : {0ULL, 1234ULL, 40000ULL}) {
        EXPECT_EQ(amplified.sample(3, scan), program.sample(3, scan));
    }
}

TEST(Waves, SineIs50HzAboutMidScale) {
    EXPECT_EQ(program.sample(0, 0), 2048);
    EXPECT_EQ(program.sample(0, 50), 2048 + 1600);
    EXPECT_EQ(program.sample(0, 100), 2048);
    EXPECT_EQ(program.sample(0, 150), 2048 - 1600);
    for (std::uint64_t scan = 0; scan < 400; ++scan) {
        ASSERT_EQ(program.sample(0, scan + 200), program.sample(0, scan));
    }
}

TEST(Waves, TriangleIs20HzFromItsLowPoint) {
    EXPECT_EQ(program.sample(1, 0), 448);
    EXPECT_EQ(program.sample(1, 125), 2048);
    EXPECT_EQ(program.sample(1, 250), 3648);
    EXPECT_EQ(program.sample(1, 375), 2048);
    EXPECT_EQ(program.sample(1, 500), 448);
    EXPECT_LT(program.sample(1, 10), program.sample(1, 11)) << "rising first";
}

TEST(Waves, SquareIs10HzHighThenLow) {
    EXPECT_EQ(program.sample(2, 0), 3048);
    EXPECT_EQ(program.sample(2, 499), 3048);
    EXPECT_EQ(program.sample(2, 500), 1048);
    EXPECT_EQ(program.sample(2, 999), 1048);
    EXPECT_EQ(program.sample(2, 1000), 3048);
}

TEST(Waves, FrequenciesHoldAtOtherScanRates) {
    const SignalSource slow(1000, 0);  // sine period 20 scans
    EXPECT_EQ(slow.sample(0, 5), 3648);
    EXPECT_EQ(slow.sample(2, 49), 3048);
    EXPECT_EQ(slow.sample(2, 50), 1048);
}

TEST(Waves, RatesThatDoNotDivideEvenlyFollowTheFormula) {
    const SignalSource odd(333, 0);
    for (std::uint64_t scan = 0; scan < 2000; ++scan) {
        const double expected =
            2048 + 1600 * std::sin(2 * std::numbers::pi * 50.0 * static_cast<double>(scan) / 333.0);
        ASSERT_NEAR(odd.sample(0, scan), expected, 1.0) << "scan " << scan;
    }
}

TEST(Waves, StayWithin12BitsAtEveryGain) {
    for (std::int32_t gain = 0; gain <= 3; ++gain) {
        const SignalSource source(997, gain);
        for (std::uint64_t scan = 0; scan < 997; ++scan) {
            for (int channel = 0; channel < 3; ++channel) {
                ASSERT_GE(source.sample(channel, scan), 0);
                ASSERT_LE(source.sample(channel, scan), 4095);
            }
        }
    }
}

TEST(Waves, GainWidensTheSwingAboutMidScale) {
    const SignalSource doubled(10000, 1);
    EXPECT_EQ(doubled.sample(2, 0), 2048 + 2000);
    EXPECT_EQ(doubled.sample(2, 500), 2048 - 2000);
    EXPECT_EQ(doubled.sample(0, 50), 4095) << "clipped";
    EXPECT_EQ(doubled.sample(0, 150), 0) << "clipped";
}

TEST(Channels, RepeatEveryFourChannels) {
    for (std::uint64_t scan : {0ULL, 7ULL, 123ULL, 999ULL}) {
        for (int channel = 0; channel < 4; ++channel) {
            EXPECT_EQ(program.sample(channel + 4, scan), program.sample(channel, scan));
            EXPECT_EQ(program.sample(channel + 60, scan), program.sample(channel, scan));
        }
    }
}

TEST(Filling, LaysScansOutInChannelOrderAndMatchesSample) {
    constexpr int channels = 4;
    std::vector<std::int16_t> block(channels * 300);
    program.fill(block, 0, channels, 600);
    for (std::size_t s = 0; s < 300; ++s) {
        for (int c = 0; c < channels; ++c) {
            ASSERT_EQ(block[s * channels + static_cast<std::size_t>(c)],
                      program.sample(c, 600 + s));
        }
    }
}

TEST(Filling, StartsAtTheFirstChannelAndWrapsTablesMidBlock) {
    // 195..204 crosses the end of the sine's 200-scan table.
    constexpr int channels = 6;
    std::vector<std::int16_t> block(channels * 10);
    program.fill(block, 2, channels, 195);
    for (std::size_t s = 0; s < 10; ++s) {
        for (int c = 0; c < channels; ++c) {
            ASSERT_EQ(block[s * channels + static_cast<std::size_t>(c)],
                      program.sample(2 + c, 195 + s));
        }
    }
}

}  // namespace
}  // namespace tqv::sim
