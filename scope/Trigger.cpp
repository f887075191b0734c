#include "scope/Trigger.h"

#include <algorithm>

namespace tqv::scope {

std::optional<int64_t> findTrigger(std::span<const int16_t> scans, int channelCount,
                                   const EdgeSearch& edge, int64_t earliest, int64_t latest) {
    if (channelCount <= 0 || edge.source < 0 || edge.source >= channelCount) return std::nullopt;
    const auto stored = static_cast<int64_t>(scans.size() / static_cast<size_t>(channelCount));
    latest = std::min(latest, stored - 1);
    earliest = std::max<int64_t>(earliest, 0);
    if (latest < earliest) return std::nullopt;
    // A falling edge is a rising edge of the negated signal.
    const int sign = edge.slope == Slope::Rising ? 1 : -1;
    const int reached = sign * edge.level;
    const int armed = reached - std::max(edge.hysteresis, 1);
    const auto value = [&](int64_t scan) {
        return sign * scans[static_cast<size_t>(scan * channelCount + edge.source)];
    };
    // Going back in time: the earliest sample at the level seen since the newest
    // arming sample is the edge that arming sample leads to.
    std::optional<int64_t> atLevel;
    for (int64_t s = latest; s >= 0; --s) {
        const int v = value(s);
        if (v >= reached) {
            if (s < earliest) return std::nullopt;
            atLevel = s;
        } else if (v <= armed && atLevel) {
            return atLevel;
        }
    }
    return std::nullopt;
}

}  // namespace tqv::scope
