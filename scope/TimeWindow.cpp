#include "scope/TimeWindow.h"

#include <algorithm>
#include <cmath>

namespace tqv::scope {

namespace {

TimeWindow within(double first, int64_t count, int64_t axisScans) {
    const int64_t shown = std::clamp<int64_t>(count, 1, std::max<int64_t>(axisScans, 1));
    const auto start = static_cast<int64_t>(std::llround(first));
    return {std::clamp<int64_t>(start, 0, std::max<int64_t>(axisScans - shown, 0)), shown};
}

}  // namespace

TimeWindow wholeAxis(int64_t axisScans) { return {0, std::max<int64_t>(axisScans, 0)}; }

TimeWindow zoomedWindow(const TimeWindow& window, double atScan, double factor, int64_t axisScans) {
    if (!(factor > 0) || window.count <= 0) return window;
    const auto wanted =
        static_cast<int64_t>(std::llround(static_cast<double>(window.count) / factor));
    const int64_t count =
        std::clamp<int64_t>(wanted, std::min(FewestScansShown, axisScans), axisScans);
    const double scale = static_cast<double>(count) / static_cast<double>(window.count);
    return within(atScan - (atScan - static_cast<double>(window.first)) * scale, count, axisScans);
}

TimeWindow pannedWindow(const TimeWindow& window, double scans, int64_t axisScans) {
    return within(static_cast<double>(window.first) + scans, window.count, axisScans);
}

}  // namespace tqv::scope
