// Which part of the stored ring the scope shows: the span the time base chooses, and
// where the trigger puts it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "scope/Trigger.h"

namespace tqv::scope {

// The spans offered, in milliseconds; 0 stands for the whole ring (the default).
inline constexpr std::array<int, 9> SpanChoicesMs{0, 1, 2, 5, 10, 20, 50, 100, 200};

// Scans in a span of `spanMs` at `scanRate`, at least one; the whole ring for 0 or
// without a scan rate.
int64_t spanScans(int spanMs, int32_t scanRate, int64_t ringScans);

struct VisibleSpan {
    // The stored scans shown: `scanCount` from `firstScan`, oldest first.
    int64_t firstScan = 0;
    int64_t scanCount = 0;
    // Scans the time axis stands for; the shown scans start at its left end.
    int64_t axisScans = 0;
    // The trigger point, in scans from `firstScan`, when the view is triggered.
    std::optional<int64_t> triggerScan;
    bool operator==(const VisibleSpan&) const = default;
};

// The newest `spanScans` of `storedScans`, or all of them when fewer.
VisibleSpan newestSpan(int64_t storedScans, int64_t spanScans);

// The span around the newest edge whose whole span lies in the stored scans, with
// `position` of it before the edge; none when there is no such edge.
std::optional<VisibleSpan> triggeredSpan(std::span<const int16_t> scans, int channelCount,
                                         int64_t spanScans, double position,
                                         const EdgeSearch& edge);

// A span as long as the ring: every stored scan shown, the trigger point at the newest
// edge anywhere in them; none when there is no edge. The position cannot apply: the
// ring is all there is.
std::optional<VisibleSpan> triggeredRing(std::span<const int16_t> scans, int channelCount,
                                         int64_t ringScans, const EdgeSearch& edge);

// The edge the settings ask for on these scans: the level given, or the middle of the
// source's samples; the hysteresis a share of the source's peak-to-peak.
EdgeSearch edgeSearch(const TriggerSettings& settings, std::span<const int16_t> scans,
                      int channelCount);

}  // namespace tqv::scope
