#include "record/BlockQueue.h"

#include <algorithm>
#include <stdexcept>

namespace tqv::record {

BlockQueue::BlockQueue(std::size_t capacityBlocks, std::size_t blockSamples)
    : m_capacity(capacityBlocks),
      m_blockSamples(blockSamples),
      m_samples(capacityBlocks * blockSamples),
      m_slots(capacityBlocks) {
    if (capacityBlocks == 0 || blockSamples == 0) {
        throw std::invalid_argument("a block queue needs at least one slot of one sample");
    }
}

bool BlockQueue::push(std::span<const int16_t> block, int64_t firstScan,
                      const LossBefore& lostBefore) {
    if (block.size() != m_blockSamples) return false;
    const std::size_t pushed = m_pushed.load(std::memory_order_relaxed);
    if (pushed - m_popped.load(std::memory_order_acquire) >= m_capacity) return false;
    const std::size_t slot = pushed % m_capacity;
    std::copy(block.begin(), block.end(),
              m_samples.begin() + static_cast<std::ptrdiff_t>(slot * m_blockSamples));
    m_slots[slot] = {firstScan, lostBefore};
    m_pushed.store(pushed + 1, std::memory_order_release);
    return true;
}

BlockQueue::Run BlockQueue::front() const {
    const std::size_t popped = m_popped.load(std::memory_order_relaxed);
    const std::size_t waiting = m_pushed.load(std::memory_order_acquire) - popped;
    if (waiting == 0) return {};
    const std::size_t first = popped % m_capacity;
    const std::size_t limit = std::min(waiting, m_capacity - first);
    std::size_t blocks = 1;
    while (blocks < limit && !m_slots[first + blocks].lostBefore.any()) ++blocks;
    Run run;
    run.samples = std::span<const int16_t>(m_samples.data() + first * m_blockSamples,
                                           blocks * m_blockSamples);
    run.blocks = blocks;
    run.firstScan = m_slots[first].firstScan;
    run.lostBefore = m_slots[first].lostBefore;
    return run;
}

void BlockQueue::pop(std::size_t blocks) {
    m_popped.store(m_popped.load(std::memory_order_relaxed) + blocks, std::memory_order_release);
}

}  // namespace tqv::record
