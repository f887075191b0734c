// Paced acquisition with the panel's start parameters, drained as fast as the card
// completes blocks, judged against the wall clock.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>

#include "session/CardSession.h"
#include "selftest/AcquisitionVerdict.h"
#include "selftest/CheckResult.h"
#include "selftest/Clock.h"
#include "selftest/SignalCapture.h"

namespace tqv::selftest {

struct AcquisitionProgress {
    double elapsedSeconds = 0;
    double totalSeconds = 0;
    long long blocks = 0;
};

struct AcquisitionSettings {
    double seconds = 5;
    // How long to wait when no block is waiting. The card queues 50 blocks of 30 ms;
    // a short wait keeps the queue nearly empty even when the card runs far faster.
    Clock::Duration pollInterval = std::chrono::milliseconds(2);
    // Set from a signal handler: ends the run early (the check then fails).
    const std::atomic<bool>* interrupted = nullptr;
    // Called about four times a second while acquiring.
    std::function<void(const AcquisitionProgress&)> progress;
    // When given, keeps the first scans delivered (as many as it has room for).
    SignalCapture* capture = nullptr;
};

// The session's start with the panel's parameters; every block fetched as soon as
// QueryBuf reports it, for the settings' seconds, on the session's clock; then the
// library's error code. Fails on a refused start, a block count off the wall clock, an
// ADResult failure, a loss the card showed, a nonzero error code after the run, a
// channel whose samples are all equal, or an interrupt. The card is stopped on every
// way out.
CheckResult checkAcquisition(session::CardSession& session, const AcquisitionSettings& settings);

}  // namespace tqv::selftest
