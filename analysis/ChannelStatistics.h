// Minimum, maximum, mean and RMS of one channel's samples, in codes. Shared by the
// scope's lane headers and the self-test's acquisition check, so both report the
// same figures for the same samples.
#pragma once

#include <cstdint>
#include <span>

namespace tqv::analysis {

struct ChannelStatistics {
    int64_t count = 0;
    int16_t minimum = 0;
    int16_t maximum = 0;
    double mean = 0.0;
    double rms = 0.0;

    // Every sample equal: a channel that never moves (a dead input or a stuck converter).
    bool stuck() const { return count > 1 && minimum == maximum; }
};

// Adds samples one block at a time, so a long run needs no copy of its samples. The
// sums are exact integers: 2^33 samples of full scale still fit.
class StatisticsAccumulator {
public:
    void add(int16_t sample);
    // Scans of `channelCount` interleaved samples; adds those of `channel` only.
    void addInterleaved(std::span<const int16_t> scans, int channelCount, int channel);
    ChannelStatistics result() const;

private:
    int64_t m_count = 0;
    int64_t m_sum = 0;
    uint64_t m_sumOfSquares = 0;
    int16_t m_minimum = 0;
    int16_t m_maximum = 0;
};

}  // namespace tqv::analysis
