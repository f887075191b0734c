#include "session/BlockDrain.h"

#include <algorithm>

namespace tqv::session {

BlockDrain::BlockDrain(CardSession& session, Clock::Duration pollInterval)
    : m_session(session), m_pollInterval(pollInterval) {
    // No operator watches a headless run's card calls: every loss the card reports counts.
    m_session.setErrorCodeAlwaysRead(true);
}

BlockDrain::~BlockDrain() { m_session.stop(StopCause::Stopped); }

std::optional<StartFailure> BlockDrain::start(const StartParameters& parameters) {
    if (auto failure = m_session.start(parameters)) return failure;
    m_start = m_session.clock().now();
    m_now = m_start;
    m_withoutBlock = {};
    m_fetched = 0;
    return std::nullopt;
}

void BlockDrain::poll(int64_t mostBlocks) { pass(mostBlocks, true); }

bool BlockDrain::fetchWaiting() { return pass(INT16_MAX, false); }

bool BlockDrain::pass(int64_t mostBlocks, bool waitWhenNone) {
    const Clock::Duration before = m_now;
    const int16_t waiting = m_session.queryBuf();
    const bool reported = waiting > 0 && mostBlocks > 0;
    bool delivered = false;
    if (reported) {
        const auto count = static_cast<int16_t>(std::min<int64_t>(waiting, mostBlocks));
        const auto fetched = m_session.fetch(count);
        m_fetched += fetched.delivered + fetched.notDelivered;
        delivered = fetched.delivered > 0;
    } else if (waitWhenNone) {
        m_session.clock().sleepFor(m_pollInterval);
    }
    m_now = m_session.clock().now();
    m_withoutBlock = delivered ? Clock::Duration{0}
                               : m_withoutBlock + std::min(m_now - before, LongestCountedWait);
    return reported;
}

DrainEnd BlockDrain::run(const DrainLimits& limits) {
    while (!limits.runTime || m_now - m_start < *limits.runTime) {
        if (limits.blocks && m_fetched >= *limits.blocks) break;
        if (limits.interrupted != nullptr && limits.interrupted->load())
            return DrainEnd::Interrupted;
        poll(limits.blocks ? *limits.blocks - m_fetched : INT16_MAX);
        if (limits.afterPoll) limits.afterPoll(m_now - m_start);
        if (limits.stopWanted && limits.stopWanted()) return DrainEnd::ConsumerStopped;
        if (limits.stallAfter && m_withoutBlock >= *limits.stallAfter) return DrainEnd::CardStalled;
    }
    return DrainEnd::DurationReached;
}

}  // namespace tqv::session
