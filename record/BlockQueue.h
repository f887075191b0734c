// The hand-over from the thread that stores blocks to the recording's writer thread:
// a fixed number of block slots allocated once, one producer and one consumer, no
// lock. A producer that finds it full is told so at once and never waits.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "record/LossBefore.h"

namespace tqv::record {

class BlockQueue {
public:
    BlockQueue(std::size_t capacityBlocks, std::size_t blockSamples);
    BlockQueue(const BlockQueue&) = delete;
    BlockQueue& operator=(const BlockQueue&) = delete;

    std::size_t capacityBlocks() const { return m_capacity; }
    std::size_t blockSamples() const { return m_blockSamples; }

    // Producer only. Copies the block into the next free slot with the scan index of
    // its first scan and what was lost just before it; false (nothing copied) when
    // every slot is taken or the block is not blockSamples() long.
    bool push(std::span<const int16_t> block, int64_t firstScan, const LossBefore& lostBefore);

    // Blocks in consecutive slots, ready for one write. A run never spans a gap: only
    // its first block may have blocks lost before it.
    struct Run {
        std::span<const int16_t> samples;
        std::size_t blocks = 0;
        int64_t firstScan = 0;
        LossBefore lostBefore;
    };
    // Consumer only: the oldest blocks waiting, up to the end of the storage or the
    // next gap; no blocks when the queue is empty.
    Run front() const;
    // Consumer only: frees the first `blocks` slots of front().
    void pop(std::size_t blocks);

private:
    struct SlotInfo {
        int64_t firstScan = 0;
        LossBefore lostBefore;
    };
    const std::size_t m_capacity;
    const std::size_t m_blockSamples;
    std::vector<int16_t> m_samples;
    std::vector<SlotInfo> m_slots;
    // Slots ever filled (written by the producer) and ever freed (by the consumer);
    // their difference is the number waiting.
    alignas(64) std::atomic<std::size_t> m_pushed{0};
    alignas(64) std::atomic<std::size_t> m_popped{0};
};

}  // namespace tqv::record
