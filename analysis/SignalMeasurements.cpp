#include "analysis/SignalMeasurements.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

// x86-64 always has SSE2, as has every 32-bit x86 target built for it.
#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define TQV_MEASURE_SSE2 1
#else
#define TQV_MEASURE_SSE2 0
#endif

namespace tqv::analysis {

namespace {

bool validChannel(std::span<const int16_t> scans, int channelCount, int channel) {
    return channelCount > 0 && channel >= 0 && channel < channelCount &&
           scans.size() >= static_cast<std::size_t>(channelCount);
}

// Student's t, 99 % one-sided, for `dof` degrees of freedom: how many standard
// deviations of the periods a mean over few of them may be off. Above ten degrees of
// freedom 2.33 + 4.4 / dof, which stays just above the true quantile.
double studentFactor(int dof) {
    constexpr std::array<double, 10> kSmall{31.82, 6.965, 4.541, 3.747, 3.365,
                                            3.143, 2.998, 2.896, 2.821, 2.764};
    if (dof < 1) return kSmall[0];
    if (dof <= static_cast<int>(kSmall.size())) return kSmall[static_cast<std::size_t>(dof - 1)];
    return 2.33 + 4.4 / dof;
}

// One channel's crossings of its mid level, sample by sample. The side changes only
// where the signal leaves the hysteresis band on the far side, so only those samples
// (`wakes`) need a look; between them the channel can be skipped wholesale.
class EdgeTracker {
public:
    EdgeTracker() = default;
    explicit EdgeTracker(const SampleRange& range)
        : m_mid((range.minimum + range.maximum) / 2.0),
          m_peakToPeak(range.peakToPeak()),
          m_upper(static_cast<int>(std::ceil(m_mid + HysteresisShare * range.peakToPeak()))),
          m_lower(static_cast<int>(std::floor(m_mid - HysteresisShare * range.peakToPeak()))),
          m_active(range.peakToPeak() > 0) {}

    // A sample outside (lowestQuiet, highestQuiet) may change the side.
    int16_t highestQuiet() const {
        return m_side == Side::High || !m_active ? int16_t{32767}
                                                 : static_cast<int16_t>(m_upper - 1);
    }
    int16_t lowestQuiet() const {
        return m_side == Side::Low || !m_active ? int16_t{-32768}
                                                : static_cast<int16_t>(m_lower + 1);
    }

    bool quiet(int16_t v) const { return v <= highestQuiet() && v >= lowestQuiet(); }

    void step(const int16_t* samples, std::size_t stride, std::size_t s) {
        if (!m_active) return;
        const int v = samples[s * stride];
        if (m_side != Side::High && v >= m_upper) {
            if (m_side == Side::Low) rise(risingCrossingBefore(samples, stride, s));
            m_side = Side::High;
        } else if (m_side != Side::Low && v <= m_lower) {
            if (m_side == Side::High) {
                m_lastFall = fallingCrossingBefore(samples, stride, s);
                m_fallSinceRise = m_rising > 0;
            }
            m_side = Side::Low;
        }
    }

    // The figures into `result`, or why there are none.
    void conclude(SignalMeasurements& result) const {
        result.periodicity.reset();
        if (const auto reason = unmeasurable()) {
            result.noPeriod = *reason;
            return;
        }
        const double length = m_lastRise - m_firstRise;
        result.periodicity =
            Periodicity{length / wholePeriods(), m_highTime / length, wholePeriods()};
    }

private:
    enum class Side { Unknown, Low, High };

    // Between the first rising crossing and the last.
    int wholePeriods() const { return m_rising - 1; }

    std::optional<NoPeriod> unmeasurable() const {
        if (!m_active) return NoPeriod::Flat;
        const int periods = wholePeriods();
        if (periods < 2) return NoPeriod::FewerThanTwoPeriods;
        const double length = m_lastRise - m_firstRise;
        const double period = length / periods;
        if (period * HighestScanRateShare < 1) return NoPeriod::TooFast;
        if (m_shortest < (1 - PeriodStrayShare) * period ||
            m_longest > (1 + PeriodStrayShare) * period) {
            return NoPeriod::Unsteady;
        }
        const double spread = std::sqrt(m_periodSquares / (periods - 1));
        const double bound =
            (studentFactor(periods - 1) * spread + m_firstUncertainty + m_lastUncertainty) / length;
        const double allowed = period * FineUpToScanRateShare >= 1 ? FineShare : CoarseShare;
        if (!(bound <= allowed)) return NoPeriod::Imprecise;
        return std::nullopt;
    }

    struct Crossing {
        double at = 0;
        // How far, in scans, the signal's own crossing may be from `at`.
        double uncertainty = 0;
    };

    void rise(const Crossing& crossing) {
        const double at = crossing.at;
        if (m_rising > 0) {
            if (m_fallSinceRise) m_highTime += m_lastFall - m_lastRise;
            // The periods' spread, summed as it goes (Welford): no crossing is kept.
            const double period = at - m_lastRise;
            m_shortest = m_rising == 1 ? period : std::min(m_shortest, period);
            m_longest = m_rising == 1 ? period : std::max(m_longest, period);
            const double delta = period - m_meanPeriod;
            m_meanPeriod += delta / m_rising;
            m_periodSquares += delta * (period - m_meanPeriod);
        } else {
            m_firstRise = at;
            m_firstUncertainty = crossing.uncertainty;
        }
        m_lastRise = at;
        m_lastUncertainty = crossing.uncertainty;
        m_fallSinceRise = false;
        ++m_rising;
    }

    // Where the signal passed the mid level before sample `at`, which left the band:
    // between the newest sample on the other side and the one after it, by linear
    // interpolation. The walk back is per edge, not per sample.
    std::size_t newestOtherSide(const int16_t* samples, std::size_t stride, std::size_t at,
                                bool rising) const {
        const auto otherSide = [&](double x) { return rising ? x < m_mid : x >= m_mid; };
        std::size_t i = at;
        while (i > 0 && !otherSide(samples[(i - 1) * stride])) --i;
        return i;
    }

    double interpolated(const int16_t* samples, std::size_t stride, std::size_t i) const {
        const double before = samples[(i - 1) * stride];
        const double after = samples[i * stride];
        return static_cast<double>(i - 1) + (m_mid - before) / (after - before);
    }

    double fallingCrossingBefore(const int16_t* samples, std::size_t stride, std::size_t at) const {
        const std::size_t i = newestOtherSide(samples, stride, at, false);
        return i == 0 ? static_cast<double>(at) : interpolated(samples, stride, i);
    }

    // The rising crossing and how far it may be off: the straight line between two
    // samples misses a curve by up to half the step squared (as a share of the
    // peak-to-peak; a square wave's jump leaves half a scan), a code's rounding shifts
    // it by half a code over the step, and where noise took the signal across the mid
    // level more than once since it was last below the band, the crossing may be
    // anywhere from the first of those to the last. Walks back to that last low
    // sample: each sample at most once per rising edge.
    Crossing risingCrossingBefore(const int16_t* samples, std::size_t stride,
                                  std::size_t at) const {
        const std::size_t i = newestOtherSide(samples, stride, at, true);
        if (i == 0) return {static_cast<double>(at), 1.0};
        const double latest = interpolated(samples, stride, i);
        double earliest = latest;
        for (std::size_t q = i - 1; q > 0 && samples[q * stride] > m_lower; --q) {
            if (samples[(q - 1) * stride] < m_mid && samples[q * stride] >= m_mid) {
                earliest = interpolated(samples, stride, q);
            }
        }
        const double step = samples[i * stride] - samples[(i - 1) * stride];
        const double stepShare = step / m_peakToPeak;
        return {latest, 0.5 * stepShare * stepShare + 0.5 / step + (latest - earliest)};
    }

    double m_mid = 0;
    double m_peakToPeak = 0;
    int m_upper = 0;
    int m_lower = 0;
    bool m_active = false;
    Side m_side = Side::Unknown;
    int m_rising = 0;
    double m_firstRise = 0;
    double m_lastRise = 0;
    double m_firstUncertainty = 0;
    double m_lastUncertainty = 0;
    double m_shortest = 0;
    double m_longest = 0;
    double m_meanPeriod = 0;
    double m_periodSquares = 0;
    double m_lastFall = 0;
    bool m_fallSinceRise = false;
    double m_highTime = 0;
};

// Every channel's minimum and maximum in one pass, eight samples at a time for a
// channel count that divides eight.
template <std::size_t Channels>
void rangesOf(const int16_t* samples, std::size_t count, std::span<SignalMeasurements> results) {
    std::array<int16_t, Channels> low{};
    std::array<int16_t, Channels> high{};
    for (std::size_t c = 0; c < Channels; ++c) low[c] = high[c] = samples[c];
    std::size_t s = 1;
#if TQV_MEASURE_SSE2
    constexpr std::size_t ScansPerStep = 8 / Channels;
    if (count >= ScansPerStep) {
        __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples));
        __m128i hi = lo;
        for (s = ScansPerStep; s + ScansPerStep <= count; s += ScansPerStep) {
            const __m128i v =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + s * Channels));
            lo = _mm_min_epi16(lo, v);
            hi = _mm_max_epi16(hi, v);
        }
        alignas(16) std::array<int16_t, 8> los{};
        alignas(16) std::array<int16_t, 8> his{};
        _mm_store_si128(reinterpret_cast<__m128i*>(los.data()), lo);
        _mm_store_si128(reinterpret_cast<__m128i*>(his.data()), hi);
        for (std::size_t k = 0; k < 8; ++k) {
            low[k % Channels] = std::min(low[k % Channels], los[k]);
            high[k % Channels] = std::max(high[k % Channels], his[k]);
        }
    }
#endif
    for (; s < count; ++s) {
        for (std::size_t c = 0; c < Channels; ++c) {
            low[c] = std::min(low[c], samples[s * Channels + c]);
            high[c] = std::max(high[c], samples[s * Channels + c]);
        }
    }
    for (std::size_t c = 0; c < Channels; ++c) {
        results[static_cast<std::size_t>(c)].range = {low[c], high[c], static_cast<int64_t>(count)};
    }
}

// The edge pass for a channel count that divides eight: 64 samples at a time are only
// compared with each channel's quiet band; a block where some sample leaves it is
// gone through sample by sample.
template <std::size_t Channels>
void edgesOf(const int16_t* samples, std::size_t count, std::span<EdgeTracker> trackers) {
    constexpr std::size_t ScansPerBlock = 64 / Channels;
    std::size_t s = 0;
#if TQV_MEASURE_SSE2
    const auto thresholds = [&](bool high) {
        alignas(16) std::array<int16_t, 8> lanes{};
        for (std::size_t k = 0; k < 8; ++k) {
            const EdgeTracker& t = trackers[k % Channels];
            lanes[k] = high ? t.highestQuiet() : t.lowestQuiet();
        }
        return _mm_load_si128(reinterpret_cast<const __m128i*>(lanes.data()));
    };
    __m128i highest = thresholds(true);
    __m128i lowest = thresholds(false);
    for (; s + ScansPerBlock <= count; s += ScansPerBlock) {
        const int16_t* block = samples + s * Channels;
        __m128i wake = _mm_setzero_si128();
        for (int k = 0; k < 64; k += 8) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + k));
            wake = _mm_or_si128(
                wake, _mm_or_si128(_mm_cmpgt_epi16(v, highest), _mm_cmplt_epi16(v, lowest)));
        }
        if (_mm_movemask_epi8(wake) == 0) continue;
        for (std::size_t c = 0; c < Channels; ++c) {
            EdgeTracker& t = trackers[c];
            for (std::size_t i = s; i < s + ScansPerBlock; ++i) {
                if (!t.quiet(samples[i * Channels + c])) t.step(samples + c, Channels, i);
            }
        }
        highest = thresholds(true);
        lowest = thresholds(false);
    }
#endif
    for (; s < count; ++s) {
        for (std::size_t c = 0; c < Channels; ++c) trackers[c].step(samples + c, Channels, s);
    }
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
    if (result.range.peakToPeak() <= 0) return result;
    const auto stride = static_cast<std::size_t>(channelCount);
    EdgeTracker tracker(result.range);
    for (std::size_t s = 0; s < scans.size() / stride; ++s) {
        tracker.step(scans.data() + channel, stride, s);
    }
    tracker.conclude(result);
    return result;
}

void measureSignals(std::span<const int16_t> scans, int channelCount,
                    std::span<SignalMeasurements> results) {
    std::fill(results.begin(), results.end(), SignalMeasurements{});
    if (channelCount <= 0 || channelCount > MaxMeasuredChannels ||
        results.size() < static_cast<std::size_t>(channelCount) ||
        scans.size() < static_cast<std::size_t>(channelCount)) {
        return;
    }
    const auto stride = static_cast<std::size_t>(channelCount);
    const std::size_t count = scans.size() / stride;
    const int16_t* samples = scans.data();
    switch (channelCount) {
        case 1:
            rangesOf<1>(samples, count, results);
            break;
        case 2:
            rangesOf<2>(samples, count, results);
            break;
        case 4:
            rangesOf<4>(samples, count, results);
            break;
        case 8:
            rangesOf<8>(samples, count, results);
            break;
        default:
            for (int c = 0; c < channelCount; ++c) {
                results[static_cast<std::size_t>(c)].range = sampleRange(scans, channelCount, c);
            }
    }
    std::array<EdgeTracker, MaxMeasuredChannels> trackers;
    for (std::size_t c = 0; c < stride; ++c) trackers[c] = EdgeTracker(results[c].range);
    const std::span<EdgeTracker> used(trackers.data(), stride);
    switch (channelCount) {
        case 1:
            edgesOf<1>(samples, count, used);
            break;
        case 2:
            edgesOf<2>(samples, count, used);
            break;
        case 4:
            edgesOf<4>(samples, count, used);
            break;
        case 8:
            edgesOf<8>(samples, count, used);
            break;
        default:
            for (std::size_t s = 0; s < count; ++s) {
                for (std::size_t c = 0; c < stride; ++c) used[c].step(samples + c, stride, s);
            }
    }
    for (std::size_t c = 0; c < stride; ++c) used[c].conclude(results[c]);
}

const char* describe(NoPeriod reason) {
    switch (reason) {
        case NoPeriod::Flat:
            return "flat";
        case NoPeriod::FewerThanTwoPeriods:
            return "fewer than two whole periods";
        case NoPeriod::TooFast:
            return "faster than 0.4 of the scan rate";
        case NoPeriod::Unsteady:
            return "unsteady periods: noise, or more than one crossing a period";
        case NoPeriod::Imprecise:
            return "too noisy or too few periods to be sure of it";
    }
    return "unknown";
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
