// What the scope shows: the span of the stored ring that the time base and the trigger
// choose, oldest first, with its time axis and each channel's statistics and
// measurements. Taken from the program's own memory after a tick; it never reaches the
// card.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "analysis/ChannelStatistics.h"
#include "analysis/SignalMeasurements.h"
#include "scope/TimeBase.h"
#include "scope/Trigger.h"
#include "scope/TriggerState.h"
#include "session/AcquiredBlocks.h"

namespace tqv::scope {

class ScopeModel {
public:
    // Takes the ring as it stands now. False, with nothing changed, while paused, while
    // a single trigger holds its view, when the ring is as it was last taken, and when
    // a Normal or Single trigger finds no edge in it (the last view stays).
    bool take(const session::AcquiredBlocks& blocks);

    // A paused model keeps what it has; resuming takes the ring at the next take().
    void setPaused(bool paused) { m_paused = paused; }
    bool paused() const { return m_paused; }

    // The span shown, in milliseconds (0: the whole ring), and the trigger. A change
    // applies at once to the ring held, and the next take() reads the ring afresh.
    void setSpanMilliseconds(int spanMs);
    int spanMilliseconds() const { return m_spanMs; }
    void setTrigger(const TriggerSettings& trigger);
    const TriggerSettings& trigger() const { return m_trigger; }
    // A Single trigger that has fired holds its view until re-armed.
    void rearm();
    bool holdingSingle() const { return m_singleFired; }

    int channelCount() const { return m_channelCount; }
    // Scans shown, oldest first, and the scans the time axis stands for.
    int64_t scanCount() const { return m_view.scanCount; }
    int64_t axisScans() const { return m_view.axisScans; }
    int32_t scanRate() const { return m_scanRate; }
    // The shown scans, interleaved, `channelCount` samples each.
    std::span<const int16_t> samples() const;
    int16_t sample(int64_t scan, int channel) const;
    // The trigger point, in scans from the first shown, when the view is triggered, and
    // the level it was found at.
    std::optional<int64_t> triggerScan() const { return m_view.triggerScan; }
    std::optional<int> triggerLevel() const;

    // Seconds from the trigger point, or from the oldest scan shown when untriggered;
    // needs a positive scan rate.
    std::optional<double> scanTime(int64_t scan) const;
    std::optional<double> axisMilliseconds() const;
    // The time at the left end of the axis: negative before a trigger point.
    std::optional<double> axisStartMilliseconds() const;
    // The scan at a fraction 0..1 of the time axis, if one is held there.
    std::optional<int64_t> scanAt(double axisFraction) const;

    // What the trigger is doing, for a card that is acquiring or not.
    TriggerState triggerState(bool acquiring) const;
    // A level was set that the source's samples in the newest ring never reach (nor
    // go beyond): no edge can be found there.
    bool levelOutsideSamples() const;
    // The source's samples in the newest ring taken.
    const analysis::SampleRange& sourceRange() const { return m_sourceRange; }

    // Statistics and measurements of the samples shown; all counts 0 when none.
    const analysis::ChannelStatistics& statistics(int channel) const;
    const analysis::SignalMeasurements& measurements(int channel) const;

private:
    struct RingState {
        int64_t generation = 0;
        size_t ringSize = 0;
        int32_t ringPos = 0;
        int64_t storedBlocks = 0;
        int16_t ringBlocks = 0;
        int32_t scanCount = 0;
        int16_t channelCount = 0;
        int32_t scanRate = 0;
        bool operator==(const RingState&) const = default;
    };
    struct Shown {
        VisibleSpan view;
        int level = 0;
    };
    static RingState stateOf(const session::AcquiredBlocks& blocks);
    // What to show of a ring in time order, or none to keep the view shown.
    std::optional<Shown> choose(std::span<const int16_t> ring, int channelCount,
                                int64_t ringScans, int32_t scanRate) const;
    void settingsChanged();
    void computeStatistics();

    std::optional<RingState> m_taken;
    bool m_paused = false;
    int m_spanMs = 0;
    TriggerSettings m_trigger;
    bool m_singleFired = false;
    int m_channelCount = 0;
    int64_t m_ringScans = 0;
    int32_t m_scanRate = 0;
    VisibleSpan m_view;
    int m_level = 0;
    // The newest ring taken showed an edge (or the ring held did, after a change of
    // settings).
    bool m_edgeFound = false;
    analysis::SampleRange m_sourceRange;
    // The whole ring of the view shown, and the one being taken: swapped, so that once
    // both have held a ring, a tick allocates nothing.
    std::vector<int16_t> m_samples;
    std::vector<int16_t> m_incoming;
    std::vector<analysis::ChannelStatistics> m_statistics;
    std::vector<analysis::SignalMeasurements> m_measurements;
};

}  // namespace tqv::scope
