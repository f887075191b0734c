// Peak-to-peak, frequency, period and duty cycle of one channel, the figures an operator
// reads off an oscilloscope. Shared by the scope's lane headers and the self-test's
// check of a known input signal.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace tqv::analysis {

// How far from a level the signal must go before its next crossing counts, as a share
// of the peak-to-peak: noise that jitters about the level is not an edge.
inline constexpr double HysteresisShare = 0.1;

struct SampleRange {
    int16_t minimum = 0;
    int16_t maximum = 0;
    int64_t count = 0;
    int32_t peakToPeak() const { return int32_t{maximum} - int32_t{minimum}; }
};

// Minimum and maximum of `channel` in interleaved scans of `channelCount` samples.
SampleRange sampleRange(std::span<const int16_t> scans, int channelCount, int channel);

struct Periodicity {
    // Mean length of the whole periods in the span, in scans (a fraction where the
    // crossings fall between samples).
    double periodScans = 0;
    // Share of the period spent above the mid level, 0..1.
    double duty = 0;
    // Whole periods the figures are averaged over: two at least.
    int periods = 0;
};

struct SignalMeasurements {
    SampleRange range;
    // None when the span holds fewer than two whole periods or the signal is flat.
    std::optional<Periodicity> periodicity;

    std::optional<double> frequencyHz(double scanRate) const;
    std::optional<double> periodSeconds(double scanRate) const;
};

// Periods are counted between rising crossings of the mid level (halfway between the
// minimum and the maximum), each crossing placed between its two samples by linear
// interpolation and counted once the signal has come from below mid − h to above
// mid + h (h = HysteresisShare × peak-to-peak). Allocates nothing.
SignalMeasurements measureSignal(std::span<const int16_t> scans, int channelCount, int channel);

// The most channels measureSignals() takes at once.
inline constexpr int MaxMeasuredChannels = 64;

// The same figures for every channel at once (`results` must hold channelCount), in
// two passes over the samples that skip the stretches where no channel nears an edge:
// the scope measures a whole ring at every tick this way.
void measureSignals(std::span<const int16_t> scans, int channelCount,
                    std::span<SignalMeasurements> results);

}  // namespace tqv::analysis
