// The completed blocks waiting for the caller: a ring of equal blocks in one pool
// allocated when acquisition starts, so that completing a block allocates nothing.
//
// One producer (the acquisition thread) and any number of consumers (the caller's
// threads). The producer fills the slot after the newest block outside the lock:
// no consumer reads that slot until commit() counts it, and a consumer only frees the
// oldest slot, never the reserved one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

namespace tqv::sim {

class BlockQueue {
public:
    // Sets the ring up empty. Only while no producer runs; throws std::bad_alloc.
    void configure(std::size_t capacity, std::size_t blockSamples);
    // Discards every block and gives the pool back. Only while no producer runs.
    void release();

    // Producer: the slot for the next block, or an empty span when the ring is full.
    std::span<std::int16_t> reserve();
    // Producer: the reserved slot becomes the newest waiting block.
    void commit();

    // Consumer: copies the oldest waiting block to dest[0 .. blockSamples - 1] and
    // frees its slot; false when nothing waits.
    bool takeOldest(std::int16_t* dest);
    std::size_t waiting() const;

private:
    mutable std::mutex m_mutex;
    std::vector<std::int16_t> m_pool;
    std::size_t m_capacity = 0;
    std::size_t m_blockSamples = 0;
    std::size_t m_oldest = 0;   // slot of the oldest waiting block
    std::size_t m_waiting = 0;  // blocks committed and not yet taken
};

}  // namespace tqv::sim
