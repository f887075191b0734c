// The acquired blocks with parameters of a test's choosing, filled the way a fetch
// fills them: each block written where the card writes one, then stored.
#pragma once

#include <algorithm>
#include <span>

#include "session/AcquiredBlocks.h"

namespace tqv::test {

struct TestRing {
    session::AcquiredBlocks blocks;
    session::StartParameters parameters;

    TestRing(int16_t channels, int32_t scansPerBlock, int16_t ringBlocks, int32_t scanRate = 10000) {
        parameters.ChannelCount = channels;
        parameters.ScanCount = scansPerBlock;
        parameters.ScanRate = scanRate;
        blocks.resetRing(ringBlocks);
        restart();
    }
    // A start's fresh ring; the position stays where it was.
    void restart() { blocks.recreate(parameters); }
    void store(std::span<const int16_t> samples) {
        std::copy(samples.begin(), samples.end(), blocks.deliveryBuffer() + 1);
        blocks.storeDelivered();
    }
};

}  // namespace tqv::test
