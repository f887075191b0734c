// The one drain loop of the headless programs: the session's start, then every block
// fetched as soon as QueryBuf reports it, a short wait when none is, and the card
// stopped on every way out. The blocks go to the session's listeners: the self-test
// judges them, the recorder writes them, the server serves them.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>

#include "session/CardSession.h"
#include "session/Clock.h"

namespace tqv::session {

struct DrainLimits {
    // Empty: until interrupted or stopped.
    std::optional<Clock::Duration> runTime;
    // Set from a signal handler.
    const std::atomic<bool>* interrupted = nullptr;
    // Called after each poll with the time since the start.
    std::function<void(Clock::Duration)> afterPoll;
    // Asked after each poll: true ends the run (a consumer that cannot go on).
    std::function<bool()> stopWanted;
    // No block for this long ends the run: the card has stopped delivering.
    std::optional<Clock::Duration> stallAfter;
};

enum class DrainEnd { DurationReached, Interrupted, ConsumerStopped, CardStalled };

class BlockDrain {
public:
    BlockDrain(CardSession& session, Clock::Duration pollInterval);
    // The card is left stopped however the drain ends.
    ~BlockDrain();
    BlockDrain(const BlockDrain&) = delete;
    BlockDrain& operator=(const BlockDrain&) = delete;

    std::optional<StartFailure> start(const StartParameters& parameters);
    // Fetches every block waiting, or waits the poll interval when none is.
    void poll();
    // Fetches every block waiting and returns at once: for an event loop whose timer
    // does the waiting. True when the card reported blocks.
    bool fetchWaiting();
    // Polls until the limits end it.
    DrainEnd run(const DrainLimits& limits);

    Clock::Duration startTime() const { return m_start; }
    Clock::Duration lastPollTime() const { return m_now; }

private:
    CardSession& m_session;
    const Clock::Duration m_pollInterval;
    Clock::Duration m_start{0};
    Clock::Duration m_now{0};
    Clock::Duration m_lastDelivery{0};
};

}  // namespace tqv::session
