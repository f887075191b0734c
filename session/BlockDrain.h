// The one drain loop of the headless programs: the session's start, then every block
// fetched as soon as QueryBuf reports it, a short wait when none is, and the card
// stopped on every way out. The blocks go to the session's listeners: the self-test
// judges them, the recorder writes them, the server serves them.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

#include "session/CardSession.h"
#include "session/Clock.h"

namespace tqv::session {

struct DrainLimits {
    // Empty: until interrupted or stopped.
    std::optional<Clock::Duration> runTime;
    // Ends the run once the card has accounted for this many blocks (delivered, or
    // reported and not delivered): a length counted by the card's own clock, to the
    // block. Empty: no such limit.
    std::optional<int64_t> blocks;
    // Set from a signal handler.
    const std::atomic<bool>* interrupted = nullptr;
    // Called after each poll with the time since the start.
    std::function<void(Clock::Duration)> afterPoll;
    // Asked after each poll: true ends the run (a consumer that cannot go on).
    std::function<bool()> stopWanted;
    // No block for this long of the drain's watching ends the run: the card has stopped
    // delivering. See BlockDrain::LongestCountedWait.
    std::optional<Clock::Duration> stallAfter;
};

enum class DrainEnd { DurationReached, Interrupted, ConsumerStopped, CardStalled };

class BlockDrain {
public:
    // The most one pass of the loop counts towards a stall. A longer one is the program
    // itself held up (stopped with Ctrl-Z, a suspended machine, a debugger), not the card:
    // the card's blocks are waiting when it goes on.
    static constexpr Clock::Duration LongestCountedWait = std::chrono::milliseconds(250);

    BlockDrain(CardSession& session, Clock::Duration pollInterval);
    // The card is left stopped however the drain ends.
    ~BlockDrain();
    BlockDrain(const BlockDrain&) = delete;
    BlockDrain& operator=(const BlockDrain&) = delete;

    std::optional<StartFailure> start(const StartParameters& parameters);
    // Fetches every block waiting, up to `mostBlocks`, or waits the poll interval when
    // none is.
    void poll(int64_t mostBlocks = INT16_MAX);
    // Fetches every block waiting and returns at once: for an event loop whose timer
    // does the waiting. True when the card reported blocks.
    bool fetchWaiting();
    // Polls until the limits end it.
    DrainEnd run(const DrainLimits& limits);

    Clock::Duration startTime() const { return m_start; }
    Clock::Duration lastPollTime() const { return m_now; }
    // Blocks the card accounted for since the start: delivered, or reported and not.
    int64_t fetchedBlocks() const { return m_fetched; }

private:
    // One pass: the blocks waiting fetched, or the poll interval waited when asked to.
    bool pass(int64_t mostBlocks, bool waitWhenNone);

    CardSession& m_session;
    const Clock::Duration m_pollInterval;
    Clock::Duration m_start{0};
    Clock::Duration m_now{0};
    // Time watched since the last block delivered, each pass counted up to
    // LongestCountedWait.
    Clock::Duration m_withoutBlock{0};
    int64_t m_fetched = 0;
};

}  // namespace tqv::session
