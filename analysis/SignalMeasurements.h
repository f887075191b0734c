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

// A frequency is given only when it is known this closely (a share of it): a tenth of a
// percent up to a tenth of the scan rate, a percent above that up to 0.4 of it. Faster
// signals have periods of fewer than 2.5 scans, too few to place their crossings.
inline constexpr double FineShare = 0.001;
inline constexpr double FineUpToScanRateShare = 0.1;
inline constexpr double CoarseShare = 0.01;
inline constexpr double HighestScanRateShare = 0.4;

// How far one period may stray from their mean before the crossings are taken to be
// miscounted (noise, or more than one crossing a period): a crossing missed doubles a
// period, one too many halves one.
inline constexpr double PeriodStrayShare = 0.25;

struct Periodicity {
    // Mean length of the whole periods in the span, in scans (a fraction where the
    // crossings fall between samples).
    double periodScans = 0;
    // Share of the period spent above the mid level, 0..1.
    double duty = 0;
    // Whole periods the figures are averaged over: two at least.
    int periods = 0;
};

// Why a span has no frequency.
enum class NoPeriod {
    Flat,
    FewerThanTwoPeriods,
    // Faster than HighestScanRateShare of the scan rate.
    TooFast,
    // A period strays more than PeriodStrayShare from their mean.
    Unsteady,
    // Steady, but not known within FineShare (or CoarseShare): too much noise on the
    // crossings, or too few periods to average it out.
    Imprecise,
};

// "flat", "fewer than two whole periods", ...: the reason in words.
const char* describe(NoPeriod reason);

struct SignalMeasurements {
    SampleRange range;
    // Given only when it is right (see FineShare): none when the signal is flat, holds
    // fewer than two whole periods, is too fast, unsteady or noisy; `noPeriod` says which.
    std::optional<Periodicity> periodicity;
    NoPeriod noPeriod = NoPeriod::Flat;

    std::optional<double> frequencyHz(double scanRate) const;
    std::optional<double> periodSeconds(double scanRate) const;
};

// Periods are counted between rising crossings of the mid level (halfway between the
// minimum and the maximum), each crossing placed between its two samples by linear
// interpolation and counted once the signal has come from below mid − h to above
// mid + h (h = HysteresisShare × peak-to-peak). The period is the mean from the first
// rising crossing to the last; it is given when every period stays within
// PeriodStrayShare of it, and when its error bound is within the share above: how far
// each end crossing may be off (the interpolation, a code's rounding and the spread
// of the mid crossings noise made before the signal cleared the band), and the
// periods' spread times Student's t (99 %, one-sided) for the noise on them.
// Allocates nothing.
SignalMeasurements measureSignal(std::span<const int16_t> scans, int channelCount, int channel);

// The most channels measureSignals() takes at once.
inline constexpr int MaxMeasuredChannels = 64;

// The same figures for every channel at once (`results` must hold channelCount), in
// two passes over the samples that skip the stretches where no channel nears an edge:
// the scope measures a whole ring at every tick this way.
void measureSignals(std::span<const int16_t> scans, int channelCount,
                    std::span<SignalMeasurements> results);

}  // namespace tqv::analysis
