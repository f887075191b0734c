// The one drain loop of the headless programs: the panel's start, then every block
// fetched with ADResult as soon as QueryBuf reports it, a short wait when none is,
// and StopIntr on every way out. The self-test judges the blocks, the recorder
// writes them.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "acquisition/Clock.h"
#include "card/CardLibrary.h"
#include "card/DllDef.h"

namespace tqv::acquisition {

struct DrainCounts {
    long long delivered = 0;
    long long adResultFailures = 0;
    int largestQueue = 0;
};

// Each delivered block's N samples; false ends the run.
using BlockConsumer = std::function<bool(std::span<const int16_t>)>;

struct DrainLimits {
    // Empty: until interrupted or the consumer says stop.
    std::optional<Clock::Duration> runTime;
    // Set from a signal handler.
    const std::atomic<bool>* interrupted = nullptr;
    // Called after each poll with the time since the start.
    std::function<void(Clock::Duration)> afterPoll;
};

enum class DrainEnd { DurationReached, Interrupted, ConsumerStopped };

class BlockDrain {
public:
    // `queueBlocks`: the card library's queue; the panel's parameters otherwise.
    BlockDrain(card::CardLibrary& card, Clock& clock, int16_t queueBlocks,
               Clock::Duration pollInterval);
    // The card is left stopped however the drain ends.
    ~BlockDrain();
    BlockDrain(const BlockDrain&) = delete;
    BlockDrain& operator=(const BlockDrain&) = delete;

    // StopIntr, Initial, StartIntr with the panel's parameters; empty when started,
    // else "Initial failed, error code C" or "StartIntr failed, error code C".
    std::optional<std::string> start();
    // Fetches every block waiting, handing each to the consumer, or waits the poll
    // interval when none is. False when the consumer said stop.
    bool poll(const BlockConsumer& consumer);
    // Polls until the limits or the consumer end it.
    DrainEnd run(const DrainLimits& limits, const BlockConsumer& consumer);

    const DrainCounts& counts() const { return m_counts; }
    // The parameters started with (ScanCount, ChannelCount, ScanRate, QueueBlocks).
    const card::DllDef& parameters() const { return m_dll; }
    Clock::Duration startTime() const { return m_start; }
    Clock::Duration lastPollTime() const { return m_now; }

private:
    card::CardLibrary& m_card;
    Clock& m_clock;
    const Clock::Duration m_pollInterval;
    card::DllDef m_dll;
    std::span<const int16_t> m_samples;
    DrainCounts m_counts;
    Clock::Duration m_start{0};
    Clock::Duration m_now{0};
};

}  // namespace tqv::acquisition
