// What the owner of the acquired blocks tells its listeners: each stored block, each
// loss, the start and the end of acquisition.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tqv::session {

struct StoredBlock {
    // The block's N samples as just copied into the ring: ScanCount scans of
    // ChannelCount samples each.
    std::span<const int16_t> samples;
    // Blocks stored since the start before this one: 0 for the first.
    int64_t sequence = 0;
};

// How a loss came to light. A typed cause, since consumers word and count them apart.
enum class LossCause {
    // The card reported a block complete, but ADResult did not hand it over.
    NotDelivered,
    // The card's queue was found full: a block completing then may have been dropped.
    CardQueueFull,
    // The card's error code changed to a failure.
    CardError,
    // The card delivered fewer blocks than the clock allows for its scan rate.
    BehindClock,
};

struct Loss {
    LossCause cause = LossCause::NotDelivered;
    // The blocks lost, where it is known; empty where the card does not say.
    std::optional<int64_t> blocks;
    // What the clock makes of it, where it sees blocks missing: an estimate, never a count.
    std::optional<int64_t> estimatedBlocks;
    // Blocks stored since the start before the loss: it lies just before the block of
    // this sequence number.
    int64_t storedBefore = 0;
    // The card's error code when it was read for this loss, else 0.
    int32_t errorCode = 0;
};

// "1 block not delivered by ADResult", "the card's queue was full", "card error code
// -5", "the card delivered 12 blocks fewer than the clock allows".
std::string lossText(const Loss& loss);

enum class StopCause {
    // Stop was asked for (the Stop button, a command, the end of a run).
    Stopped,
    // The program is ending.
    Closing,
};

}  // namespace tqv::session
