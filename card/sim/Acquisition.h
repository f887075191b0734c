// The card's acquisition engine: a thread that completes one block of S scans every
// S / (scanRate x speed) seconds and queues it for the caller.
//
// Pacing uses absolute deadlines on the monotonic clock, deadline k = start + k x
// period, so that late wake-ups never accumulate into drift: a late thread completes
// every block that has fallen due before it waits again. The start is the moment of
// the start() call, not the thread's first run, which on a busy machine can come
// milliseconds later and would shift every deadline by as much.
//
// Threads:
//  - start()/stop() run on the caller's thread, one at a time (the card serialises
//    them); they alone touch m_thread, m_settings and m_signal, and only while no
//    acquisition thread exists, so the thread reads the latter two without a lock.
//  - the acquisition thread fills and commits blocks (m_queue has its own mutex),
//    counts overruns (atomic), sets the last error (atomic) and writes the trace.
//  - waiting()/take() may run on any thread at any time: they only use m_queue.
//  - m_stopRequested is guarded by m_stopMutex.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

#include "card/sim/BlockQueue.h"
#include "card/sim/LastError.h"
#include "card/sim/SignalSource.h"
#include "card/sim/StartArguments.h"
#include "card/sim/Trace.h"

namespace tqv::sim {

class Acquisition {
public:
    // The acquisition thread's name where the system supports naming threads.
    static constexpr const char* kThreadName = "adcard-acquire";

    // Both outlive the acquisition (the card declares them first).
    Acquisition(LastError& lastError, Trace& trace);
    ~Acquisition();

    Acquisition(const Acquisition&) = delete;
    Acquisition& operator=(const Acquisition&) = delete;

    // Stops any running acquisition, then starts afresh with scan 0 and an empty
    // queue. False when the system refuses the memory or the thread.
    bool start(const AcquisitionSettings& settings);
    // Joins the thread and discards the waiting blocks; harmless when nothing runs.
    void stop();

    std::size_t waiting() const { return m_queue.waiting(); }
    // The oldest waiting block into dest[0 .. N-1]; false when nothing waits.
    bool take(std::int16_t* dest) { return m_queue.takeOldest(dest); }
    // Blocks dropped since the last start.
    std::uint64_t overruns() const { return m_overruns.load(); }

private:
    using Clock = std::chrono::steady_clock;

    void run(Clock::time_point start);
    void completeBlock(std::uint64_t firstScan);

    LastError& m_lastError;
    Trace& m_trace;
    BlockQueue m_queue;
    AcquisitionSettings m_settings;
    std::optional<SignalSource> m_signal;
    std::atomic<std::uint64_t> m_overruns{0};

    std::mutex m_stopMutex;
    std::condition_variable m_stopWake;
    bool m_stopRequested = false;

    std::thread m_thread;
};

}  // namespace tqv::sim
