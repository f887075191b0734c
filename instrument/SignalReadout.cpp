#include "instrument/SignalReadout.h"

#include <algorithm>
#include <cmath>

#include "analysis/ChannelStatistics.h"
#include "instrument/RingScans.h"

namespace tqv::instrument {

const std::vector<ChannelFigures>& SignalReadout::measure(const channels::ChannelSetup& setup) {
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
        const channels::Channel& channel = setup.channel(c);
        const channels::Calibration& calibration = channel.calibration;
        ChannelFigures figures;
        figures.channel = c;
        figures.unit = channel.unit;
        if (span.scans > 0) {
            analysis::StatisticsAccumulator statistics;
            statistics.addInterleaved(scans, parameters.ChannelCount, c);
            const auto codes = statistics.result();
            // A negative gain turns the lowest code into the highest value.
            const double low = calibration.value(codes.minimum);
            const double high = calibration.value(codes.maximum);
            figures.minimum = std::min(low, high);
            figures.maximum = std::max(low, high);
            figures.peakToPeak = calibration.span(codes.maximum - codes.minimum);
            figures.mean = calibration.value(codes.mean);
            figures.rms = calibration.rms(codes.mean, codes.rms);
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
