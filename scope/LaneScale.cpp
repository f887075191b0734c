#include "scope/LaneScale.h"

#include <algorithm>

namespace tqv::scope {

LaneRange laneRange(const analysis::ChannelStatistics& statistics, bool fit) {
    if (!fit || statistics.count == 0) return {};
    const double low = statistics.minimum;
    const double high = statistics.maximum;
    const double margin = std::max((high - low) * 0.05, 1.0);
    return {low - margin, high + margin};
}

double fractionOf(const LaneRange& range, double code) {
    return (code - range.low) / (range.high - range.low);
}

}  // namespace tqv::scope
