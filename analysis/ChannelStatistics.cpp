#include "analysis/ChannelStatistics.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace tqv::analysis {

void StatisticsAccumulator::add(int16_t sample) {
    if (m_count == 0) {
        m_minimum = sample;
        m_maximum = sample;
    } else {
        m_minimum = std::min(m_minimum, sample);
        m_maximum = std::max(m_maximum, sample);
    }
    ++m_count;
    m_sum += sample;
    const int64_t wide = sample;
    m_sumOfSquares += static_cast<uint64_t>(wide * wide);
}

void StatisticsAccumulator::addInterleaved(std::span<const int16_t> scans, int channelCount,
                                           int channel) {
    if (channelCount <= 0 || channel < 0 || channel >= channelCount) return;
    const auto stride = static_cast<std::size_t>(channelCount);
    for (std::size_t i = static_cast<std::size_t>(channel); i < scans.size(); i += stride) {
        add(scans[i]);
    }
}

ChannelStatistics StatisticsAccumulator::result() const {
    ChannelStatistics statistics;
    statistics.count = m_count;
    if (m_count == 0) return statistics;
    const auto count = static_cast<double>(m_count);
    statistics.minimum = m_minimum;
    statistics.maximum = m_maximum;
    statistics.mean = static_cast<double>(m_sum) / count;
    statistics.rms = std::sqrt(static_cast<double>(m_sumOfSquares) / count);
    return statistics;
}

}  // namespace tqv::analysis
