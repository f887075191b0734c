// The part of the time axis a zoomed view shows: whole scans, so that what is drawn and
// read off stays on the samples; always within the axis.
#pragma once

#include <cstdint>

namespace tqv::scope {

struct TimeWindow {
    // Scans from the axis's left end, and how many are shown.
    int64_t first = 0;
    int64_t count = 0;
    bool operator==(const TimeWindow&) const = default;
};

// Zooming in stops at this many scans across the view.
inline constexpr int64_t FewestScansShown = 8;

TimeWindow wholeAxis(int64_t axisScans);

// `factor` times fewer scans (below 1: more), the point `atScan` scans from the axis's
// left end staying where it is on the screen; kept within the axis, and no fewer than
// FewestScansShown.
TimeWindow zoomedWindow(const TimeWindow& window, double atScan, double factor, int64_t axisScans);

// Moved `scans` later (negative: earlier), kept within the axis.
TimeWindow pannedWindow(const TimeWindow& window, double scans, int64_t axisScans);

}  // namespace tqv::scope
