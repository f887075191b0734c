#include "CardFunctions.h"

#include <algorithm>
#include <thread>

namespace tqv::sim::test {

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds patience) {
    const auto giveUp = std::chrono::steady_clock::now() + patience;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > giveUp) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

GuardedBlock::GuardedBlock(std::size_t channels, std::size_t scans)
    : m_channels(channels),
      m_scans(scans),
      m_elements(channels * scans + 2 + kExtraGuards, kSentinel) {}

std::int16_t GuardedBlock::sample(std::size_t scan, std::size_t channel) const {
    return m_elements[1 + scan * m_channels + channel];
}

std::uint16_t GuardedBlock::counter(std::size_t scan, std::size_t column) const {
    return static_cast<std::uint16_t>(sample(scan, column));
}

bool GuardedBlock::guardsIntact() const {
    const auto beyond = m_elements.begin() + static_cast<std::ptrdiff_t>(samples() + 1);
    return m_elements.front() == kSentinel &&
           std::all_of(beyond, m_elements.end(), [](std::int16_t e) { return e == kSentinel; });
}

bool GuardedBlock::countsUp(std::size_t column) const {
    for (std::size_t scan = 1; scan < m_scans; ++scan) {
        if (counter(scan, column) != static_cast<std::uint16_t>(counter(scan - 1, column) + 1U)) {
            return false;
        }
    }
    return true;
}

std::vector<std::uint16_t> drainFirstCounters(const CardFunctions& card, std::size_t blocks,
                                              std::size_t channels, std::size_t scans,
                                              std::size_t counterColumn) {
    std::vector<std::uint16_t> firsts;
    GuardedBlock block(channels, scans);
    while (firsts.size() < blocks) {
        if (!waitUntil([&] { return card.QueryBuf() > 0; })) break;
        while (firsts.size() < blocks && card.ADResult(block.data()) == 1) {
            if (!block.countsUp(counterColumn)) return firsts;
            firsts.push_back(block.counter(0, counterColumn));
        }
    }
    return firsts;
}

}  // namespace tqv::sim::test
