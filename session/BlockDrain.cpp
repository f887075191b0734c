#include "session/BlockDrain.h"

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
    m_lastDelivery = m_start;
    return std::nullopt;
}

void BlockDrain::poll() {
    if (fetchWaiting()) return;
    m_session.clock().sleepFor(m_pollInterval);
    m_now = m_session.clock().now();
}

bool BlockDrain::fetchWaiting() {
    const int16_t waiting = m_session.queryBuf();
    if (waiting <= 0) {
        m_now = m_session.clock().now();
        return false;
    }
    const auto fetched = m_session.fetch(waiting);
    m_now = m_session.clock().now();
    if (fetched.delivered > 0) m_lastDelivery = m_now;
    return true;
}

DrainEnd BlockDrain::run(const DrainLimits& limits) {
    while (!limits.runTime || m_now - m_start < *limits.runTime) {
        if (limits.interrupted != nullptr && limits.interrupted->load()) return DrainEnd::Interrupted;
        poll();
        if (limits.afterPoll) limits.afterPoll(m_now - m_start);
        if (limits.stopWanted && limits.stopWanted()) return DrainEnd::ConsumerStopped;
        if (limits.stallAfter && m_now - m_lastDelivery >= *limits.stallAfter) {
            return DrainEnd::CardStalled;
        }
    }
    return DrainEnd::DurationReached;
}

}  // namespace tqv::session
