#include "instrument/SignalReadout.h"

#include <algorithm>
#include <cmath>

#include "analysis/ChannelStatistics.h"
#include "instrument/RingScans.h"

namespace tqv::instrument {

const std::vector<ChannelFigures>& SignalReadout::measure(const ChannelScaleLookup& scale) {
    m_figures.clear();
    if (!m_blocks.ready()) return m_figures;
    const auto& parameters = m_blocks.parameters();
    const int channels = std::min<int>(parameters.ChannelCount, analysis::MaxMeasuredChannels);
    if (channels <= 0) return m_figures;
    const auto wanted = static_cast<int64_t>(std::ceil(MeasuredSeconds * parameters.ScanRate));
    const ScanSpan span = RingScans(m_blocks).newest(wanted);

    const std::size_t samples = span.pieces[0].size() + span.pieces[1].size();
    if (m_samples.size() < samples) m_samples.resize(samples);
    const auto end = std::copy(span.pieces[0].begin(), span.pieces[0].end(), m_samples.begin());
    std::copy(span.pieces[1].begin(), span.pieces[1].end(), end);
    const std::span<const int16_t> scans(m_samples.data(), samples);

    m_measured.resize(static_cast<std::size_t>(channels));
    analysis::measureSignals(scans, parameters.ChannelCount, m_measured);
    for (int c = 0; c < channels; ++c) {
        const ChannelScale channelScale = scale ? scale(c) : ChannelScale{};
        ChannelFigures figures;
        figures.channel = c;
        figures.unit = channelScale.unit;
        if (span.scans > 0) {
            analysis::StatisticsAccumulator statistics;
            statistics.addInterleaved(scans, parameters.ChannelCount, c);
            const auto codes = statistics.result();
            const double low = channelScale.value(codes.minimum);
            const double high = channelScale.value(codes.maximum);
            figures.minimum = std::min(low, high);
            figures.maximum = std::max(low, high);
            figures.peakToPeak = high - low >= 0 ? high - low : low - high;
            figures.mean = channelScale.value(codes.mean);
            // The RMS of gain × x + offset, from the mean and RMS of the codes x.
            const double g = channelScale.gain;
            const double o = channelScale.offset;
            const double meanSquare =
                g * g * codes.rms * codes.rms + 2 * g * o * codes.mean + o * o;
            figures.rms = std::sqrt(std::max(meanSquare, 0.0));
        }
        const auto& measured = m_measured[static_cast<std::size_t>(c)];
        figures.frequencyHz = measured.frequencyHz(parameters.ScanRate);
        figures.periodSeconds = measured.periodSeconds(parameters.ScanRate);
        if (measured.periodicity) figures.dutyPercent = measured.periodicity->duty * 100.0;
        m_figures.push_back(std::move(figures));
    }
    return m_figures;
}

}  // namespace tqv::instrument
