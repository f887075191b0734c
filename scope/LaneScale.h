// The range of values a lane's height stands for, in the channel's unit: the full
// signed 16-bit scale, or, when fitted, the range of the samples it shows; zoomed in or
// out about a value on a paused view.
#pragma once

#include "analysis/ChannelStatistics.h"
#include "channels/Calibration.h"

namespace tqv::scope {

struct LaneRange {
    double low = -32768.0;
    double high = 32767.0;
    bool operator==(const LaneRange&) const = default;
};

// A fitted lane keeps a margin so the trace does not touch its edges; a constant
// channel gets a small range around its value, and an empty one the full scale. The
// larger value is always `high`, whichever way the calibration runs.
LaneRange laneRange(const analysis::ChannelStatistics& statistics, bool fit,
                    const channels::Calibration& calibration);

// Where a value lies in the range, 0 at `low` and 1 at `high`.
double fractionOf(const LaneRange& range, double value);

// The range `factor` times narrower (above 1) or wider, `value` staying where it is.
LaneRange zoomedRange(const LaneRange& range, double value, double factor);

}  // namespace tqv::scope
