#include "analysis/SignalMeasurements.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace tqv::analysis {

namespace {

bool validChannel(std::span<const int16_t> scans, int channelCount, int channel) {
    return channelCount > 0 && channel >= 0 && channel < channelCount &&
           scans.size() >= static_cast<std::size_t>(channelCount);
}

// Where the signal passes `mid` between the newest sample below it before `at` and the
// one after: walks back from `at`, the sample that left the hysteresis band, so the
// cost is per edge, not per sample.
template <typename Below>
double crossingBefore(const int16_t* samples, std::size_t stride, std::size_t at, double mid,
                      Below below) {
    std::size_t i = at;
    while (i > 0 && !below(samples[(i - 1) * stride])) --i;
    if (i == 0) return static_cast<double>(at);
    const double before = samples[(i - 1) * stride];
    const double after = samples[i * stride];
    return static_cast<double>(i - 1) + (mid - before) / (after - before);
}

}  // namespace

SampleRange sampleRange(std::span<const int16_t> scans, int channelCount, int channel) {
    SampleRange range;
    if (!validChannel(scans, channelCount, channel)) return range;
    const auto stride = static_cast<std::size_t>(channelCount);
    const std::size_t count = scans.size() / stride;
    const int16_t* samples = scans.data() + channel;
    int16_t low = samples[0];
    int16_t high = samples[0];
    for (std::size_t s = 1; s < count; ++s) {
        low = std::min(low, samples[s * stride]);
        high = std::max(high, samples[s * stride]);
    }
    return {low, high, static_cast<int64_t>(count)};
}

SignalMeasurements measureSignal(std::span<const int16_t> scans, int channelCount, int channel) {
    SignalMeasurements result;
    result.range = sampleRange(scans, channelCount, channel);
    const int32_t peakToPeak = result.range.peakToPeak();
    if (peakToPeak <= 0) return result;

    const auto stride = static_cast<std::size_t>(channelCount);
    const std::size_t count = scans.size() / stride;
    const int16_t* samples = scans.data() + channel;
    const double mid = (result.range.minimum + result.range.maximum) / 2.0;
    const double band = HysteresisShare * peakToPeak;
    const double upper = mid + band;
    const double lower = mid - band;

    // The state changes only where the signal leaves the band on the far side, so one
    // comparison a sample finds every edge.
    enum class Side { Unknown, Low, High } side = Side::Unknown;
    int rising = 0;
    double firstRise = 0;
    double lastRise = 0;
    double lastFall = 0;
    bool fallSinceRise = false;
    double highTime = 0;
    for (std::size_t s = 0; s < count; ++s) {
        const double v = samples[s * stride];
        if (side != Side::High && v >= upper) {
            if (side == Side::Low) {
                const double rise =
                    crossingBefore(samples, stride, s, mid, [mid](double x) { return x < mid; });
                if (rising > 0 && fallSinceRise) highTime += lastFall - lastRise;
                if (rising == 0) firstRise = rise;
                lastRise = rise;
                fallSinceRise = false;
                ++rising;
            }
            side = Side::High;
        } else if (side != Side::Low && v <= lower) {
            if (side == Side::High) {
                lastFall =
                    crossingBefore(samples, stride, s, mid, [mid](double x) { return x >= mid; });
                fallSinceRise = rising > 0;
            }
            side = Side::Low;
        }
    }
    const int periods = rising - 1;
    if (periods < 2) return result;
    const double length = lastRise - firstRise;
    result.periodicity = Periodicity{length / periods, highTime / length, periods};
    return result;
}

std::optional<double> SignalMeasurements::frequencyHz(double scanRate) const {
    if (!periodicity || !(scanRate > 0)) return std::nullopt;
    return scanRate / periodicity->periodScans;
}

std::optional<double> SignalMeasurements::periodSeconds(double scanRate) const {
    if (!periodicity || !(scanRate > 0)) return std::nullopt;
    return periodicity->periodScans / scanRate;
}

}  // namespace tqv::analysis
