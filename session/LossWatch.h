// Decides, after each fetch, whether blocks were lost on the card's side: the card's
// queue found full, its error code turned to a failure, or fewer blocks delivered than
// the clock allows for its scan rate. None of these tells how many blocks were lost,
// so a loss found here has no count; where the clock sees blocks missing, its estimate
// goes with it.
#pragma once

#include <cstdint>
#include <optional>

#include "session/BlockEvents.h"
#include "session/Clock.h"

namespace tqv::session {

// What one fetch saw.
struct FetchFacts {
    // QueryBuf's count, and the most the card queues.
    int16_t waiting = 0;
    int16_t queueCapacity = 0;
    // The card's error code after the fetch, when it was read.
    std::optional<int32_t> errorCode;
    // Blocks the card accounted for since the start: delivered, or reported and not
    // delivered.
    int64_t accounted = 0;
    Clock::Duration sinceStart{0};
};

class LossWatch {
public:
    // The card counts as behind once it has stayed behind this long: a card whose thread
    // was held up on a busy machine hands its blocks over late, but hands them over.
    static constexpr Clock::Duration ClockGrace = std::chrono::seconds(1);
    // How far behind the clock the card may fall before it counts as a loss: this many
    // blocks, plus a share of the blocks since the clock was last matched up, which
    // covers a block in transit and a card whose crystal runs slow.
    static constexpr int64_t ClockSlackBlocks = 2;
    static constexpr double ClockSlackShare = 0.01;
    // How often the clock is matched up afresh with what the card delivered, so that
    // drift never adds up into a loss and a loss never hides in a long run's slack. The
    // mark taken is the one of a window earlier, long past the grace, so a loss that
    // has not shown yet is never matched away.
    static constexpr Clock::Duration ClockWindow = std::chrono::seconds(10);

    // A new acquisition whose blocks take `blockPeriod`; a zero period checks no clock.
    // The error code as the start left it, where it was read.
    void started(Clock::Duration blockPeriod, std::optional<int32_t> errorCodeBefore);

    // The loss the fetch shows, if any; `storedBefore` is where it lies. At most one
    // per fetch, with the most telling cause: the queue, then the code, then the clock.
    // A code read after fetches that read none is where changes count from, never a
    // change itself: whatever happened while nobody looked belongs to nobody.
    std::optional<Loss> afterFetch(const FetchFacts& facts, int64_t storedBefore);

private:
    struct Mark {
        Clock::Duration at{0};
        int64_t accounted = 0;
    };
    // Blocks due since the mark, less those accounted for.
    int64_t deficit(const FetchFacts& facts) const;

    Clock::Duration m_blockPeriod{0};
    std::optional<int32_t> m_lastErrorCode;
    Mark m_mark;
    // Taken at each window's end; becomes the mark at the next one.
    Mark m_checkpoint;
    // Since when the card has been further behind the clock than the slack allows.
    std::optional<Clock::Duration> m_behindSince;
};

}  // namespace tqv::session
