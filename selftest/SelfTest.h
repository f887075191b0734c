// The self-test as a whole: the checks in their order, and what they add up to.
#pragma once

#include <atomic>
#include <functional>
#include <vector>

#include "selftest/AcquisitionCheck.h"
#include "selftest/CheckResult.h"
#include "selftest/Clock.h"
#include "selftest/ExpectedSignal.h"

namespace tqv::selftest {

struct SelfTestOptions {
    AcquisitionSettings acquisition;
    // A loopback plug joins the outputs to the inputs; without it no output is touched.
    bool loopback = false;
    // Known signals on the inputs: one check each, measured on the acquisition check's
    // first CaptureSeconds of samples.
    std::vector<ExpectedSignal> expectations;
    SignalTolerance tolerance;
    // The channels' units: the expected peak-to-peak is in them.
    channels::ChannelSetup channelSetup;
};

// The default run's length: 250 periods of 50 Hz, ten of anything from 2 Hz, in 400 kB
// for four channels at 10 kHz, however long the run.
inline constexpr double CaptureSeconds = 5;

// What a run of `seconds` can check with --expect: the panel's channels at its scan
// rate, measured over the first CaptureSeconds of the run at most.
MeasurableSignals measurableSignals(double seconds);

// Identity, acquisition, the expected signals, digital loopback, in this order; each
// timed on the session's clock. After an interrupt the remaining checks are skipped.
std::vector<CheckResult> runSelfTest(session::CardSession& session, const SelfTestOptions& options);

// The program's exit status for these results: 0 all passed or skipped, 1 a check
// failed, 2 a check could not be run (wrong options are refused before any check).
int exitStatus(const std::vector<CheckResult>& results);

inline constexpr int ExitPassed = 0;
inline constexpr int ExitCheckFailed = 1;
inline constexpr int ExitUnusable = 2;

}  // namespace tqv::selftest
