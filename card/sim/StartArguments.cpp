#include "card/sim/StartArguments.h"

namespace tqv::sim {

std::optional<AcquisitionSettings> checkStartArguments(
    std::int16_t queueBlocks, std::int32_t scansPerBlock, std::int16_t firstChannel,
    std::int16_t channelCount, std::int32_t scanRate, std::int32_t gain, std::int16_t mode) {
    using L = CardLimits;
    if (queueBlocks < 1 || queueBlocks > L::kMaxQueueBlocks) return std::nullopt;
    if (scansPerBlock < 1) return std::nullopt;
    if (firstChannel < 0 || firstChannel >= L::kChannels) return std::nullopt;
    if (channelCount < 1 || firstChannel + channelCount > L::kChannels) return std::nullopt;
    if (scanRate < 1 || scanRate > L::kMaxScanRate) return std::nullopt;
    if (std::int64_t{scanRate} * channelCount > L::kMaxSampleRate) return std::nullopt;
    const std::int64_t blockSamples = std::int64_t{scansPerBlock} * channelCount;
    if (blockSamples > L::kMaxBlockSamples) return std::nullopt;
    if (blockSamples * queueBlocks > L::kMaxQueueSamples) return std::nullopt;
    if (gain < 0 || gain > L::kMaxGain) return std::nullopt;
    if (mode < 0 || mode > L::kMaxMode) return std::nullopt;

    AcquisitionSettings settings;
    settings.queueBlocks = static_cast<std::size_t>(queueBlocks);
    settings.scansPerBlock = static_cast<std::size_t>(scansPerBlock);
    settings.firstChannel = firstChannel;
    settings.channelCount = channelCount;
    settings.scanRate = scanRate;
    settings.gain = gain;
    return settings;
}

}  // namespace tqv::sim
