#include "scope/LaneScale.h"

#include <algorithm>
#include <cmath>

namespace tqv::scope {

namespace {

LaneRange between(double a, double b) { return {std::min(a, b), std::max(a, b)}; }

}  // namespace

LaneRange laneRange(const analysis::ChannelStatistics& statistics, bool fit,
                    const channels::Calibration& calibration) {
    if (!fit || statistics.count == 0) {
        return between(calibration.value(-32768), calibration.value(32767));
    }
    const LaneRange samples =
        between(calibration.value(statistics.minimum), calibration.value(statistics.maximum));
    // At least one code's worth either side.
    const double margin =
        std::max((samples.high - samples.low) * 0.05, std::abs(calibration.gain()));
    return {samples.low - margin, samples.high + margin};
}

double fractionOf(const LaneRange& range, double value) {
    return (value - range.low) / (range.high - range.low);
}

LaneRange zoomedRange(const LaneRange& range, double value, double factor) {
    if (!(factor > 0)) return range;
    return {value - (value - range.low) / factor, value + (range.high - value) / factor};
}

}  // namespace tqv::scope
