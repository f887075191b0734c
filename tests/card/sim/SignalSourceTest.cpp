#include <gtest/gtest.h>

#include <vector>

#include "card/sim/SignalSource.h"

namespace tqv::sim {
namespace {

// At the program's 10000 scans/s: sine period 200 scans, triangle 500, square 1000.
const SignalSource program(10000, 0);

TEST(SignalSource, CounterIsTheScansLow16BitsAsASignedSampleWhateverTheGain) {
    const SignalSource amplified(10000, 3);
    for (const auto& [scan, value] : {std::pair<std::uint64_t, int>{0, 0},
                                      {1, 1},
                                      {32767, 32767},
                                      {32768, -32768},
                                      {65535, -1},
                                      {65536 + 5, 5}}) {
        EXPECT_EQ(program.sample(3, scan), value) << scan;
        EXPECT_EQ(amplified.sample(7, scan), value) << scan;
    }
}

TEST(SignalSource, WavesHaveTheirFrequencyLevelsAndPhaseAtAnyRate) {
    EXPECT_EQ(program.sample(0, 0), 2048);
    EXPECT_EQ(program.sample(0, 50), 2048 + 1600);
    EXPECT_EQ(program.sample(0, 150), 2048 - 1600);
    EXPECT_EQ(program.sample(0, 250), 2048 + 1600);
    EXPECT_EQ(program.sample(1, 0), 448);
    EXPECT_EQ(program.sample(1, 125), 2048);
    EXPECT_EQ(program.sample(1, 250), 3648);
    EXPECT_EQ(program.sample(1, 500), 448);
    EXPECT_EQ(program.sample(2, 499), 3048);
    EXPECT_EQ(program.sample(2, 500), 1048);
    EXPECT_EQ(program.sample(6, 1000), 3048) << "channel 6 is channel 2";
    const SignalSource slow(1000, 0);
    EXPECT_EQ(slow.sample(0, 5), 3648);
    EXPECT_EQ(slow.sample(2, 50), 1048);
}

TEST(SignalSource, GainWidensTheSwingAboutMidScaleAndClipsTo12Bits) {
    const SignalSource doubled(10000, 1);
    EXPECT_EQ(doubled.sample(2, 0), 2048 + 2000);
    EXPECT_EQ(doubled.sample(2, 500), 2048 - 2000);
    EXPECT_EQ(doubled.sample(0, 50), 4095);
    EXPECT_EQ(doubled.sample(0, 150), 0);
}

TEST(SignalSource, FillLaysScansOutInChannelOrderFromTheFirstChannelAcrossTableEnds) {
    constexpr int channels = 6;  // scans 195..204 cross the end of the sine's table
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
