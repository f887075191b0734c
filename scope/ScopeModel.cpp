#include "scope/ScopeModel.h"

#include <cmath>

#include "scope/RingTimeOrder.h"

namespace tqv::scope {

ScopeModel::RingState ScopeModel::stateOf(const card::DllDef& dll) {
    return {dll.BufferGeneration, dll.RingBuf.size(), dll.RingPos,      dll.StoredBlocks,
            dll.RingBlocks,       dll.ScanCount,      dll.ChannelCount, dll.ScanRate};
}

bool ScopeModel::take(const card::DllDef& dll) {
    if (m_paused) return false;
    const RingState now = stateOf(dll);
    if (m_taken == now) return false;
    m_taken = now;

    copyInTimeOrder(dll, m_samples);
    m_channelCount = card::buffersMatchParameters(dll) ? dll.ChannelCount : 0;
    m_axisScans = m_channelCount > 0 ? int64_t{dll.ScanCount} * dll.RingBlocks : 0;
    m_scanRate = dll.ScanRate;
    computeStatistics();
    return true;
}

void ScopeModel::computeStatistics() {
    // Sized once for the channel count; the statistics themselves allocate nothing.
    m_statistics.resize(static_cast<size_t>(m_channelCount));
    for (int c = 0; c < m_channelCount; ++c) {
        analysis::StatisticsAccumulator accumulator;
        accumulator.addInterleaved(m_samples, m_channelCount, c);
        m_statistics[static_cast<size_t>(c)] = accumulator.result();
    }
}

int64_t ScopeModel::scanCount() const {
    if (m_channelCount <= 0) return 0;
    return static_cast<int64_t>(m_samples.size()) / m_channelCount;
}

int16_t ScopeModel::sample(int64_t scan, int channel) const {
    if (scan < 0 || scan >= scanCount() || channel < 0 || channel >= m_channelCount) return 0;
    return m_samples[static_cast<size_t>(scan * m_channelCount + channel)];
}

std::optional<double> ScopeModel::scanTime(int64_t scan) const {
    if (m_scanRate <= 0) return std::nullopt;
    return static_cast<double>(scan) / m_scanRate;
}

std::optional<double> ScopeModel::axisMilliseconds() const {
    if (m_scanRate <= 0 || m_axisScans <= 0) return std::nullopt;
    return static_cast<double>(m_axisScans) * 1000.0 / m_scanRate;
}

std::optional<int64_t> ScopeModel::scanAt(double axisFraction) const {
    if (!(axisFraction >= 0.0 && axisFraction < 1.0)) return std::nullopt;
    const auto scan =
        static_cast<int64_t>(std::floor(axisFraction * static_cast<double>(m_axisScans)));
    if (scan >= scanCount()) return std::nullopt;
    return scan;
}

const analysis::ChannelStatistics& ScopeModel::statistics(int channel) const {
    static const analysis::ChannelStatistics none;
    if (channel < 0 || channel >= m_channelCount) return none;
    return m_statistics[static_cast<size_t>(channel)];
}

}  // namespace tqv::scope
