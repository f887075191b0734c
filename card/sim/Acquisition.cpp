#include "card/sim/Acquisition.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <new>
#include <system_error>

#if defined(__linux__)
#include <pthread.h>
#endif

namespace tqv::sim {

namespace {

// About 126 years in nanoseconds: far inside a 64-bit count.
constexpr double kLatestDeadline = 4e18;

}  // namespace

Acquisition::Acquisition(LastError& lastError, Trace& trace)
    : m_lastError(lastError), m_trace(trace) {}

Acquisition::~Acquisition() { stop(); }

bool Acquisition::start(const AcquisitionSettings& settings) {
    stop();
    try {
        m_signal.emplace(settings.scanRate, settings.gain);
        m_queue.configure(settings.queueBlocks, settings.blockSamples());
        m_settings = settings;
        m_overruns = 0;
        {
            const std::lock_guard lock(m_stopMutex);
            m_stopRequested = false;
        }
        m_thread = std::thread(&Acquisition::run, this, Clock::now());
    } catch (const std::bad_alloc&) {
        m_queue.release();
        return false;
    } catch (const std::system_error&) {
        m_queue.release();
        return false;
    }
    return true;
}

void Acquisition::stop() {
    if (m_thread.joinable()) {
        {
            const std::lock_guard lock(m_stopMutex);
            m_stopRequested = true;
        }
        m_stopWake.notify_all();
        m_thread.join();
    }
    m_queue.release();
}

void Acquisition::run(Clock::time_point start) {
#if defined(__linux__)
    // Named so that it can be told apart in top, a debugger, or a test that checks it ends.
    pthread_setname_np(pthread_self(), kThreadName);
#endif
    const double nanosecondsPerScan =
        1e9 / (static_cast<double>(m_settings.scanRate) * m_settings.speed);
    const std::uint64_t scansPerBlock = m_settings.scansPerBlock;

    std::uint64_t firstScan = 0;
    std::unique_lock lock(m_stopMutex);
    for (;;) {
        const std::uint64_t dueScans = firstScan + scansPerBlock;
        // Within the speeds the card accepts this stays far below the limit, which is
        // only a guard: a deadline past the clock's range would wrap into the past.
        const double dueNanoseconds =
            std::min(static_cast<double>(dueScans) * nanosecondsPerScan, kLatestDeadline);
        const auto deadline = start + std::chrono::duration_cast<Clock::duration>(
                                          std::chrono::nanoseconds(std::llround(dueNanoseconds)));
        if (m_stopWake.wait_until(lock, deadline, [this] { return m_stopRequested; })) return;
        lock.unlock();
        completeBlock(firstScan);
        firstScan = dueScans;
        lock.lock();
    }
}

void Acquisition::completeBlock(std::uint64_t firstScan) {
    const std::span<std::int16_t> slot = m_queue.reserve();
    if (slot.empty()) {
        // The card keeps what the caller has not fetched and drops the new block; its
        // scans still pass, so the counter channel shows the gap.
        const std::uint64_t overruns = ++m_overruns;
        m_lastError.set(Error::Overrun);
        m_trace.event("Overrun", static_cast<long long>(overruns));
        return;
    }
    m_signal->fill(slot, m_settings.firstChannel, m_settings.channelCount, firstScan);
    m_queue.commit();
}

}  // namespace tqv::sim
