#include "card/sim/BlockQueue.h"

#include <algorithm>
#include <cassert>

namespace tqv::sim {

void BlockQueue::configure(std::size_t capacity, std::size_t blockSamples) {
    std::vector<std::int16_t> pool(capacity * blockSamples);
    const std::lock_guard lock(m_mutex);
    m_pool.swap(pool);
    m_capacity = capacity;
    m_blockSamples = blockSamples;
    m_oldest = 0;
    m_waiting = 0;
}

void BlockQueue::release() {
    std::vector<std::int16_t> pool;
    const std::lock_guard lock(m_mutex);
    m_pool.swap(pool);
    m_capacity = 0;
    m_blockSamples = 0;
    m_oldest = 0;
    m_waiting = 0;
}

std::span<std::int16_t> BlockQueue::reserve() {
    const std::lock_guard lock(m_mutex);
    if (m_waiting == m_capacity) return {};
    const std::size_t slot = (m_oldest + m_waiting) % m_capacity;
    return std::span<std::int16_t>(m_pool).subspan(slot * m_blockSamples, m_blockSamples);
}

void BlockQueue::commit() {
    const std::lock_guard lock(m_mutex);
    assert(m_waiting < m_capacity);
    ++m_waiting;
}

bool BlockQueue::takeOldest(std::int16_t* dest) {
    const std::lock_guard lock(m_mutex);
    if (m_waiting == 0) return false;
    const auto first = m_pool.begin() + static_cast<std::ptrdiff_t>(m_oldest * m_blockSamples);
    std::copy(first, first + static_cast<std::ptrdiff_t>(m_blockSamples), dest);
    m_oldest = (m_oldest + 1) % m_capacity;
    --m_waiting;
    return true;
}

std::size_t BlockQueue::waiting() const {
    const std::lock_guard lock(m_mutex);
    return m_waiting;
}

}  // namespace tqv::sim
