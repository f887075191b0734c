// What a start asks of the card, passed to StartIntr in this order, and the ring that
// keeps the last blocks. The panel's own: 4 channels in blocks of 300 scans, 10000
// scans a second, up to 50 completed blocks queued in the card library, a ring of 20.
#pragma once

#include <cstdint>
#include <optional>

namespace tqv::session {

struct StartParameters {
    int16_t QueueBlocks = 50;
    int32_t ScanCount = 300;  // scans per block
    int16_t FirstChannel = 0;
    int16_t ChannelCount = 4;  // samples per scan
    int32_t ScanRate = 10000;
    int32_t Gain = 0;
    int16_t Mode = 1;

    bool operator==(const StartParameters&) const = default;
};

inline constexpr StartParameters PanelStart{};
// The panel's acquisition with the card library's deepest queue, for the programs
// without a window, which drain the card as soon as it has blocks. At a hundred times
// the panel's rate a block lasts 0.3 ms, so 1000 blocks let the drain be held up for
// 300 ms (a busy moment on a loaded machine) before the card overruns; at the card's
// own rate, 30 s.
inline constexpr StartParameters HeadlessStart = [] {
    StartParameters parameters = PanelStart;
    parameters.QueueBlocks = 1000;
    return parameters;
}();
inline constexpr int16_t PanelRingBlocks = 20;

// Samples in one block (N) and in a ring of `ringBlocks` blocks (L), in signed 32-bit
// arithmetic; empty when the product overflows.
std::optional<int32_t> blockLength(const StartParameters& parameters);
std::optional<int32_t> ringLength(const StartParameters& parameters, int16_t ringBlocks);

// How long the card takes for one block; 0 for parameters that give no rate.
double blockSeconds(const StartParameters& parameters);
// The fewest whole blocks that last at least `seconds`; 0 for parameters that give no rate.
int64_t blocksLasting(int64_t seconds, const StartParameters& parameters);

}  // namespace tqv::session
