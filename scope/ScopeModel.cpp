#include "scope/ScopeModel.h"

#include <cmath>
#include <utility>

namespace tqv::scope {

ScopeModel::RingState ScopeModel::stateOf(const session::AcquiredBlocks& blocks) {
    const auto& parameters = blocks.parameters();
    return {blocks.generation(),      blocks.RingBuf().size(), blocks.RingPos(),
            blocks.storedSinceRecreated(), blocks.RingBlocks(),  parameters.ScanCount,
            parameters.ChannelCount,  parameters.ScanRate};
}

bool ScopeModel::take(const session::AcquiredBlocks& blocks) {
    if (m_paused || m_singleFired) return false;
    const RingState now = stateOf(blocks);
    if (m_taken == now) return false;
    m_taken = now;

    blocks.copyInTimeOrder(m_incoming);
    const auto& parameters = blocks.parameters();
    const int channels = blocks.ready() ? parameters.ChannelCount : 0;
    const int64_t ringScans =
        channels > 0 ? int64_t{parameters.ScanCount} * blocks.RingBlocks() : 0;
    m_sourceRange = analysis::sampleRange(m_incoming, channels, m_trigger.source);
    const auto shown = choose(m_incoming, channels, ringScans, parameters.ScanRate);
    m_edgeFound = shown && shown->view.triggerScan.has_value();
    if (!shown) return false;
    std::swap(m_samples, m_incoming);
    m_channelCount = channels;
    m_ringScans = ringScans;
    m_scanRate = parameters.ScanRate;
    m_view = shown->view;
    m_level = shown->level;
    computeStatistics();
    return true;
}

std::optional<ScopeModel::Shown> ScopeModel::choose(std::span<const int16_t> ring,
                                                    int channelCount, int64_t ringScans,
                                                    int32_t scanRate) const {
    const int64_t stored =
        channelCount > 0 ? static_cast<int64_t>(ring.size()) / channelCount : 0;
    const int64_t span = spanScans(m_spanMs, scanRate, ringScans);
    if (m_trigger.mode == TriggerMode::Off || channelCount <= 0) {
        return Shown{newestSpan(stored, span), 0};
    }
    const EdgeSearch edge = edgeSearch(m_trigger, ring, channelCount);
    // The whole ring shown: an edge anywhere in it will do.
    const auto triggered = span >= ringScans
                               ? triggeredRing(ring, channelCount, ringScans, edge)
                               : triggeredSpan(ring, channelCount, span, m_trigger.position, edge);
    if (triggered) {
        return Shown{*triggered, edge.level};
    }
    if (m_trigger.mode == TriggerMode::Auto) return Shown{newestSpan(stored, span), edge.level};
    return std::nullopt;
}

void ScopeModel::setSpanMilliseconds(int spanMs) {
    if (spanMs == m_spanMs) return;
    m_spanMs = spanMs;
    settingsChanged();
}

void ScopeModel::setTrigger(const TriggerSettings& trigger) {
    if (trigger == m_trigger) return;
    m_trigger = trigger;
    m_singleFired = false;
    settingsChanged();
}

void ScopeModel::rearm() {
    m_singleFired = false;
    m_taken.reset();
}

void ScopeModel::settingsChanged() {
    m_taken.reset();
    // The ring held is shown anew, so a paused view follows its settings too.
    m_sourceRange = analysis::sampleRange(m_samples, m_channelCount, m_trigger.source);
    const auto shown = choose(m_samples, m_channelCount, m_ringScans, m_scanRate);
    m_edgeFound = shown && shown->view.triggerScan.has_value();
    if (shown) {
        m_view = shown->view;
        m_level = shown->level;
        computeStatistics();
    }
}

void ScopeModel::computeStatistics() {
    if (m_trigger.mode == TriggerMode::Single && m_view.triggerScan) m_singleFired = true;
    // Sized once for the channel count; the figures themselves allocate nothing.
    m_statistics.resize(static_cast<size_t>(m_channelCount));
    m_measurements.resize(static_cast<size_t>(m_channelCount));
    const auto shown = samples();
    for (int c = 0; c < m_channelCount; ++c) {
        analysis::StatisticsAccumulator accumulator;
        accumulator.addInterleaved(shown, m_channelCount, c);
        m_statistics[static_cast<size_t>(c)] = accumulator.result();
    }
    analysis::measureSignals(shown, m_channelCount, m_measurements);
}

TriggerState ScopeModel::triggerState(bool acquiring) const {
    if (!acquiring) return TriggerState::Stopped;
    if (m_paused) return TriggerState::Paused;
    if (m_singleFired) return TriggerState::Held;
    if (m_trigger.mode == TriggerMode::Off) return TriggerState::Auto;
    if (m_edgeFound) return TriggerState::Triggered;
    return m_trigger.mode == TriggerMode::Auto ? TriggerState::Auto : TriggerState::Armed;
}

bool ScopeModel::levelOutsideSamples() const {
    if (m_trigger.mode == TriggerMode::Off || !m_trigger.level || m_sourceRange.count == 0) {
        return false;
    }
    return *m_trigger.level < m_sourceRange.minimum || *m_trigger.level > m_sourceRange.maximum;
}

std::span<const int16_t> ScopeModel::samples() const {
    if (m_channelCount <= 0) return {};
    const auto channels = static_cast<size_t>(m_channelCount);
    return std::span<const int16_t>(m_samples).subspan(
        static_cast<size_t>(m_view.firstScan) * channels,
        static_cast<size_t>(m_view.scanCount) * channels);
}

int16_t ScopeModel::sample(int64_t scan, int channel) const {
    if (scan < 0 || scan >= scanCount() || channel < 0 || channel >= m_channelCount) return 0;
    return samples()[static_cast<size_t>(scan * m_channelCount + channel)];
}

std::optional<int> ScopeModel::triggerLevel() const {
    if (!m_view.triggerScan) return std::nullopt;
    return m_level;
}

std::optional<double> ScopeModel::scanTime(int64_t scan) const {
    if (m_scanRate <= 0) return std::nullopt;
    return static_cast<double>(scan - m_view.triggerScan.value_or(0)) / m_scanRate;
}

std::optional<double> ScopeModel::axisMilliseconds() const {
    if (m_scanRate <= 0 || axisScans() <= 0) return std::nullopt;
    return static_cast<double>(axisScans()) * 1000.0 / m_scanRate;
}

std::optional<double> ScopeModel::axisStartMilliseconds() const {
    if (!axisMilliseconds()) return std::nullopt;
    return *scanTime(0) * 1000.0;
}

std::optional<int64_t> ScopeModel::scanAt(double axisFraction) const {
    if (!(axisFraction >= 0.0 && axisFraction < 1.0)) return std::nullopt;
    const auto scan =
        static_cast<int64_t>(std::floor(axisFraction * static_cast<double>(axisScans())));
    if (scan >= scanCount()) return std::nullopt;
    return scan;
}

const analysis::ChannelStatistics& ScopeModel::statistics(int channel) const {
    static const analysis::ChannelStatistics none;
    if (channel < 0 || channel >= m_channelCount) return none;
    return m_statistics[static_cast<size_t>(channel)];
}

const analysis::SignalMeasurements& ScopeModel::measurements(int channel) const {
    static const analysis::SignalMeasurements none;
    if (channel < 0 || channel >= m_channelCount) return none;
    return m_measurements[static_cast<size_t>(channel)];
}

}  // namespace tqv::scope
