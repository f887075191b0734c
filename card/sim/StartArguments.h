// What StartIntr accepts: the card's limits, and the check that turns the caller's
// seven numbers into acquisition settings or refuses them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace tqv::sim {

struct CardLimits {
    static constexpr int kMaxQueueBlocks = 1000;
    static constexpr int kChannels = 64;                        // channels 0..63
    static constexpr std::int32_t kMaxScanRate = 100000;        // scans per second
    static constexpr std::int64_t kMaxSampleRate = 500000;      // scanRate x channelCount
    static constexpr std::int64_t kMaxBlockSamples = 1000000;   // channelCount x scans
    static constexpr std::int64_t kMaxQueueSamples = 16000000;  // the card's 32 MB buffer
    static constexpr std::int32_t kMaxGain = 3;                 // x1, x2, x4, x8
    static constexpr std::int16_t kMaxMode = 1;  // 0 and 1: both clocked continuously
};

struct AcquisitionSettings {
    std::size_t queueBlocks = 0;
    std::size_t scansPerBlock = 0;
    int firstChannel = 0;
    int channelCount = 0;
    std::int32_t scanRate = 0;
    std::int32_t gain = 0;
    double speed = 1.0;  // not the caller's: the simulator's speed-up

    std::size_t blockSamples() const {
        return scansPerBlock * static_cast<std::size_t>(channelCount);
    }
};

// Empty when any argument is outside CardLimits (speed is left at 1).
std::optional<AcquisitionSettings> checkStartArguments(
    std::int16_t queueBlocks, std::int32_t scansPerBlock, std::int16_t firstChannel,
    std::int16_t channelCount, std::int32_t scanRate, std::int32_t gain, std::int16_t mode);

}  // namespace tqv::sim
