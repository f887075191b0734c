// What went missing just before a block of a recording: blocks it counted itself (its
// own queue full, blocks the card reported and did not deliver) and losses the card
// reported without a count, with the clock's estimate of those where it had one.
#pragma once

#include <cstdint>
#include <string>

#include "session/BlockEvents.h"

namespace tqv::record {

struct LossBefore {
    int64_t knownBlocks = 0;
    int64_t unknownLosses = 0;
    int64_t estimatedBlocks = 0;
    // One bit per cause (GapCause).
    unsigned causes = 0;
    // The card's error code, where a loss came with one.
    int32_t errorCode = 0;

    bool any() const { return knownBlocks > 0 || unknownLosses > 0; }
    // Blocks the acquisition went on by: the counted ones and the clock's estimate.
    int64_t blocksSkipped() const { return knownBlocks + estimatedBlocks; }
};

enum class GapCause : unsigned {
    RecordingQueueFull = 1u << 0,
    NotDelivered = 1u << 1,
    CardQueueFull = 1u << 2,
    CardError = 1u << 3,
    BehindClock = 1u << 4,
};

// Adds a loss the card session told of.
void addLoss(LossBefore& before, const session::Loss& loss);
void addOwnQueueLoss(LossBefore& before);
// The causes in words, "; " between them: "the recording's queue was full; card error".
std::string causesText(const LossBefore& before);

}  // namespace tqv::record
