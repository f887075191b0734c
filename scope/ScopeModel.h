// What the scope shows: the stored part of the ring, oldest first, with its time
// axis and each channel's statistics. Taken from the program's own memory after a
// tick; it never reaches the card.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "analysis/ChannelStatistics.h"
#include "card/DllDef.h"

namespace tqv::scope {

class ScopeModel {
public:
    // Takes the ring as it stands now. False, with nothing changed, while paused or
    // when the ring is as it was last taken.
    bool take(const card::DllDef& dll);

    // A paused model keeps what it has; resuming takes the ring at the next take().
    void setPaused(bool paused) { m_paused = paused; }
    bool paused() const { return m_paused; }

    int channelCount() const { return m_channelCount; }
    // Scans held, oldest first, and scans the whole ring would hold: the time axis.
    int64_t scanCount() const;
    int64_t axisScans() const { return m_axisScans; }
    int32_t scanRate() const { return m_scanRate; }
    // Interleaved scans, `channelCount` samples each.
    std::span<const int16_t> samples() const { return m_samples; }
    int16_t sample(int64_t scan, int channel) const;

    // Seconds from the oldest scan held; needs a positive scan rate.
    std::optional<double> scanTime(int64_t scan) const;
    std::optional<double> axisMilliseconds() const;
    // The scan at a fraction 0..1 of the time axis, if one is held there.
    std::optional<int64_t> scanAt(double axisFraction) const;

    // Statistics of the samples held; all counts 0 when nothing is held.
    const analysis::ChannelStatistics& statistics(int channel) const;

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
    static RingState stateOf(const card::DllDef& dll);
    void computeStatistics();

    std::optional<RingState> m_taken;
    bool m_paused = false;
    int m_channelCount = 0;
    int64_t m_axisScans = 0;
    int32_t m_scanRate = 0;
    std::vector<int16_t> m_samples;
    std::vector<analysis::ChannelStatistics> m_statistics;
};

}  // namespace tqv::scope
