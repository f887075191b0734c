#include "session/AcquiredBlocks.h"

#include <algorithm>
#include <new>

namespace tqv::session {

void AcquiredBlocks::resetRing(int16_t ringBlocks) {
    m_RingBlocks = ringBlocks;
    m_RingPos = 0;
}

bool AcquiredBlocks::recreate(const StartParameters& parameters) {
    const auto n = blockLength(parameters);
    const auto l = ringLength(parameters, m_RingBlocks);
    if (!n || !l || *n < 0 || *l < 0 || *n > INT32_MAX - 2) return false;
    try {
        std::vector<int16_t> block(static_cast<std::size_t>(*n) + 2);
        std::vector<int16_t> ring(static_cast<std::size_t>(*l) + 1);
        m_BlockBuf.swap(block);
        m_RingBuf.swap(ring);
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_parameters = parameters;
    m_blockLength = *n;
    m_ringLength = *l;
    m_storedSinceRecreated = 0;
    ++m_generation;
    return true;
}

bool AcquiredBlocks::ready() const {
    // A ring resized since, by another load, no longer fits the buffers.
    return m_blockLength > 0 && m_ringLength >= m_blockLength &&
           int64_t{m_blockLength} * m_RingBlocks == m_ringLength &&
           m_BlockBuf.size() == static_cast<std::size_t>(m_blockLength) + 2 &&
           m_RingBuf.size() == static_cast<std::size_t>(m_ringLength) + 1;
}

void AcquiredBlocks::storeDelivered() {
    const int32_t n = m_blockLength;
    // A position left by another ring length could not start a whole slot.
    if (m_RingPos < 0 || m_RingPos > m_ringLength - n || m_RingPos % n != 0) m_RingPos = 0;
    const auto first = m_BlockBuf.begin() + 1;
    const auto slot = m_RingBuf.begin() + m_RingPos;
    std::copy(first, first + n, slot);
    m_RingPos += n;
    if (m_RingPos >= m_ringLength) m_RingPos = 0;
    ++m_storedSinceRecreated;
    const StoredBlock block{std::span<const int16_t>(&*slot, static_cast<std::size_t>(n)),
                            m_storedSinceStart++};
    tellEveryone([&](BlockListener& listener) { listener.blockStored(block); });
}

void AcquiredBlocks::announceStarted() {
    m_storedSinceStart = 0;
    tellEveryone([&](BlockListener& listener) { listener.acquisitionStarted(m_parameters); });
}

void AcquiredBlocks::announceLoss(const Loss& loss) {
    tellEveryone([&](BlockListener& listener) { listener.blocksLost(loss); });
}

void AcquiredBlocks::announceFetchEnded() {
    tellEveryone([](BlockListener& listener) { listener.fetchEnded(); });
}

void AcquiredBlocks::announceStopped(StopCause cause) {
    tellEveryone([&](BlockListener& listener) { listener.acquisitionStopped(cause); });
}

template <typename Event>
void AcquiredBlocks::tellEveryone(Event event) {
    // Those added while this event is told hear from the next one on.
    const std::size_t told = m_listeners.size();
    ++m_telling;
    for (std::size_t i = 0; i < told; ++i) {
        if (m_listeners[i] != nullptr) event(*m_listeners[i]);
    }
    if (--m_telling == 0) std::erase(m_listeners, nullptr);
}

void AcquiredBlocks::addListener(BlockListener& listener) {
    if (std::find(m_listeners.begin(), m_listeners.end(), &listener) == m_listeners.end()) {
        m_listeners.push_back(&listener);
    }
}

void AcquiredBlocks::removeListener(BlockListener& listener) {
    const auto found = std::find(m_listeners.begin(), m_listeners.end(), &listener);
    if (found == m_listeners.end()) return;
    if (m_telling > 0) {
        *found = nullptr;
    } else {
        m_listeners.erase(found);
    }
}

bool AcquiredBlocks::anyListenerWantsCardErrorCode() const {
    return std::any_of(m_listeners.begin(), m_listeners.end(), [](const BlockListener* listener) {
        return listener != nullptr && listener->wantsCardErrorCode();
    });
}

FilledSlots AcquiredBlocks::filledSlots() const {
    if (!ready() || m_RingBlocks <= 0) return {};
    const int32_t n = m_blockLength;
    if (m_RingPos < 0 || m_RingPos > m_ringLength - n || m_RingPos % n != 0) return {};
    const int32_t slots = m_RingBlocks;
    const int32_t nextSlot = m_RingPos / n;
    const auto count = static_cast<int32_t>(std::clamp<int64_t>(m_storedSinceRecreated, 0, slots));
    // Once every slot is written, the slot about to be overwritten is the oldest.
    return {(nextSlot - count + slots) % slots, count};
}

void AcquiredBlocks::copyInTimeOrder(std::vector<int16_t>& scans) const {
    const FilledSlots filled = filledSlots();
    if (filled.count == 0) {
        scans.clear();
        return;
    }
    const auto n = static_cast<std::size_t>(m_blockLength);
    scans.resize(n * static_cast<std::size_t>(filled.count));
    auto out = scans.begin();
    for (int32_t k = 0; k < filled.count; ++k) {
        const auto slot = static_cast<std::size_t>((filled.oldestSlot + k) % m_RingBlocks);
        const auto first = m_RingBuf.begin() + static_cast<std::ptrdiff_t>(slot * n);
        out = std::copy(first, first + static_cast<std::ptrdiff_t>(n), out);
    }
}

}  // namespace tqv::session
