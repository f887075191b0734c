// A known input signal the self-test checks a channel against: `--expect CH:FREQ[:PKPK]`
// and `--tolerance`, and the check of the measured figures.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "analysis/SignalMeasurements.h"
#include "channels/ChannelSetup.h"
#include "selftest/CheckResult.h"

namespace tqv::selftest {

struct ExpectedSignal {
    int channel = 0;
    double hz = 0;
    // In the channel's unit (codes without a channel setup); none: the peak-to-peak is
    // not checked.
    std::optional<double> peakToPeak;
};

// Shares of the expected figure the measured one may differ by.
struct SignalTolerance {
    double frequency = 0.005;
    double peakToPeak = 0.02;
};

// What a run can check: its channels, and the frequencies its measured scans resolve.
struct MeasurableSignals {
    int channelCount = 0;
    double scanRate = 0;
    // How long the scans measured last.
    double seconds = 0;

    // Three periods in the scans measured: two whole ones between rising edges wherever
    // the first scan falls in the wave.
    double lowestHz() const { return 3 / seconds; }
    // Where the measurements stop giving a frequency (analysis::HighestScanRateShare).
    double highestHz() const;
};

// "CH:FREQ[:PKPK]": a channel 0..channelCount − 1, a frequency in Hz from lowestHz() to
// highestHz() and an optional peak-to-peak in the channel's unit, from what one code spans
// to what the card's whole scale spans (1 to 65535 codes). Otherwise why not, in a sentence.
std::variant<ExpectedSignal, std::string> parseExpectedSignal(
    std::string_view text, const MeasurableSignals& measurable,
    const channels::ChannelSetup& setup = {});

// Every --expect of a run: each as above, and one check per channel.
std::variant<std::vector<ExpectedSignal>, std::string> parseExpectedSignals(
    std::span<const std::string> texts, const MeasurableSignals& measurable,
    const channels::ChannelSetup& setup = {});

// "PCT" for both figures or "FREQ_PCT:PKPK_PCT", in percent, each above 0 and up to 100.
std::variant<SignalTolerance, std::string> parseSignalTolerance(std::string_view text);

// The check named "channel N": passes when the frequency, and the peak-to-peak (in the
// channel's unit) if given, are within the tolerance; a failure names the figures, e.g.
// "channel 0: 50.00 Hz expected, 60.02 Hz measured".
CheckResult checkExpectedSignal(const ExpectedSignal& expected,
                                const analysis::SignalMeasurements& measured, double scanRate,
                                const SignalTolerance& tolerance,
                                const channels::Channel& channel = {});

}  // namespace tqv::selftest
