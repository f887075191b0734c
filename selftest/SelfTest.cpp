#include "selftest/SelfTest.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "selftest/IdentityCheck.h"
#include "selftest/LoopbackCheck.h"

namespace tqv::selftest {

namespace {

bool interrupted(const SelfTestOptions& options) {
    return options.acquisition.interrupted != nullptr && options.acquisition.interrupted->load();
}

template <typename Check>
CheckResult timed(Clock& clock, Check check) {
    const auto start = clock.now();
    CheckResult result = check();
    result.duration = clock.now() - start;
    return result;
}

}  // namespace

MeasurableSignals measurableSignals(double seconds) {
    using session::PanelStart;
    return {PanelStart.ChannelCount, PanelStart.ScanRate, std::min(seconds, CaptureSeconds)};
}

std::vector<CheckResult> runSelfTest(session::CardSession& session, const SelfTestOptions& options) {
    Clock& clock = session.clock();
    std::vector<CheckResult> results;
    results.push_back(timed(clock, [&] { return checkIdentity(session); }));
    using session::PanelStart;
    std::optional<SignalCapture> capture;
    AcquisitionSettings acquisitionSettings = options.acquisition;
    if (!options.expectations.empty()) {
        capture.emplace(static_cast<std::size_t>(CaptureSeconds * PanelStart.ScanRate),
                        PanelStart.ChannelCount);
        acquisitionSettings.capture = &*capture;
    }
    results.push_back(timed(clock, [&] { return checkAcquisition(session, acquisitionSettings); }));
    if (capture) {
        std::array<analysis::SignalMeasurements, PanelStart.ChannelCount> measured;
        analysis::measureSignals(capture->samples(), capture->channelCount(), measured);
        for (const ExpectedSignal& expected : options.expectations) {
            if (interrupted(options)) {
                results.push_back(skipped("channel " + std::to_string(expected.channel),
                                          "interrupted"));
                continue;
            }
            const auto channel = static_cast<std::size_t>(expected.channel);
            const analysis::SignalMeasurements none;
            results.push_back(checkExpectedSignal(
                expected, channel < measured.size() ? measured[channel] : none, PanelStart.ScanRate,
                options.tolerance, options.channelSetup.channel(expected.channel)));
        }
    }
    if (interrupted(options)) {
        results.push_back(skipped("loopback", "interrupted"));
    } else if (options.loopback) {
        results.push_back(timed(clock, [&] { return checkLoopback(session); }));
    } else {
        results.push_back(skippedLoopback());
    }
    return results;
}

int exitStatus(const std::vector<CheckResult>& results) {
    const auto any = [&](Outcome outcome) {
        return std::any_of(results.begin(), results.end(),
                           [&](const CheckResult& r) { return r.outcome == outcome; });
    };
    if (any(Outcome::Error)) return ExitUnusable;
    return any(Outcome::Fail) ? ExitCheckFailed : ExitPassed;
}
}  // namespace tqv::selftest
