// The code range a lane's height stands for: the full signed 16-bit scale, or, when
// fitted, the range of the samples it shows.
#pragma once

#include "analysis/ChannelStatistics.h"

namespace tqv::scope {

struct LaneRange {
    double low = -32768.0;
    double high = 32767.0;
};

// A fitted lane keeps a margin so the trace does not touch its edges; a constant
// channel gets a small range around its value, and an empty one the full scale.
LaneRange laneRange(const analysis::ChannelStatistics& statistics, bool fit);

// Where a code lies in the range, 0 at `low` and 1 at `high`.
double fractionOf(const LaneRange& range, double code);

}  // namespace tqv::scope
