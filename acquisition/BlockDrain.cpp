#include "acquisition/BlockDrain.h"

#include <algorithm>

#include "acquisition/AcquisitionControl.h"
#include "text/TextConversions.h"

namespace tqv::acquisition {

BlockDrain::BlockDrain(card::CardLibrary& card, Clock& clock, int16_t queueBlocks,
                       Clock::Duration pollInterval)
    : m_card(card), m_clock(clock), m_pollInterval(pollInterval) {
    StartParameters::applyTo(m_dll);
    m_dll.QueueBlocks = queueBlocks;
    const int32_t n = *card::blockLength(m_dll);
    // The library writes up to N + 2 elements; the block is at 1..N.
    m_dll.BlockBuf.assign(static_cast<std::size_t>(n) + 2, 0);
    m_samples = std::span<const int16_t>(m_dll.BlockBuf.data() + 1, static_cast<std::size_t>(n));
}

BlockDrain::~BlockDrain() { m_card.StopIntr(); }

std::optional<std::string> BlockDrain::start() {
    m_card.StopIntr();
    if (m_card.Initial(0, 0, 0, 0) == 0) {
        return "Initial failed, error code " + text::plainDecimal(m_card.GetLastADError());
    }
    if (m_card.StartIntr(m_dll.QueueBlocks, m_dll.ScanCount, m_dll.FirstChannel,
                         m_dll.ChannelCount, m_dll.ScanRate, m_dll.Gain, m_dll.Mode) == 0) {
        return "StartIntr failed, error code " + text::plainDecimal(m_card.GetLastADError());
    }
    m_start = m_clock.now();
    m_now = m_start;
    return std::nullopt;
}

bool BlockDrain::poll(const BlockConsumer& consumer) {
    const int16_t waiting = m_card.QueryBuf();
    if (waiting <= 0) {
        m_clock.sleepFor(m_pollInterval);
        m_now = m_clock.now();
        return true;
    }
    m_counts.largestQueue = std::max<int>(m_counts.largestQueue, waiting);
    bool goOn = true;
    for (int16_t k = 0; k < waiting && goOn; ++k) {
        if (m_card.ADResult(m_dll.BlockBuf.data()) != 1) {
            ++m_counts.adResultFailures;
            continue;
        }
        ++m_counts.delivered;
        goOn = consumer(m_samples);
    }
    m_now = m_clock.now();
    return goOn;
}

DrainEnd BlockDrain::run(const DrainLimits& limits, const BlockConsumer& consumer) {
    while (!limits.runTime || m_now - m_start < *limits.runTime) {
        if (limits.interrupted != nullptr && limits.interrupted->load()) return DrainEnd::Interrupted;
        const bool goOn = poll(consumer);
        if (limits.afterPoll) limits.afterPoll(m_now - m_start);
        if (!goOn) return DrainEnd::ConsumerStopped;
    }
    return DrainEnd::DurationReached;
}

}  // namespace tqv::acquisition
