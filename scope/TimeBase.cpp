#include "scope/TimeBase.h"

#include <algorithm>
#include <cmath>

#include "analysis/SignalMeasurements.h"

namespace tqv::scope {

int64_t spanScans(int spanMs, int32_t scanRate, int64_t ringScans) {
    if (spanMs <= 0 || scanRate <= 0) return ringScans;
    return std::max<int64_t>(std::llround(static_cast<double>(spanMs) * scanRate / 1000.0), 1);
}

VisibleSpan newestSpan(int64_t storedScans, int64_t spanScans) {
    const int64_t shown = std::clamp<int64_t>(storedScans, 0, std::max<int64_t>(spanScans, 0));
    return {storedScans - shown, shown, spanScans, std::nullopt};
}

std::optional<VisibleSpan> triggeredSpan(std::span<const int16_t> scans, int channelCount,
                                         int64_t spanScans, double position,
                                         const EdgeSearch& edge) {
    if (channelCount <= 0 || spanScans <= 0) return std::nullopt;
    const auto stored = static_cast<int64_t>(scans.size() / static_cast<size_t>(channelCount));
    if (spanScans > stored) return std::nullopt;
    const auto before =
        std::llround(std::clamp(position, 0.0, 1.0) * static_cast<double>(spanScans));
    const auto before64 = static_cast<int64_t>(before);
    const auto trigger =
        findTrigger(scans, channelCount, edge, before64, stored - spanScans + before64);
    if (!trigger) return std::nullopt;
    return VisibleSpan{*trigger - before64, spanScans, spanScans, before64};
}

std::optional<VisibleSpan> triggeredRing(std::span<const int16_t> scans, int channelCount,
                                         int64_t ringScans, const EdgeSearch& edge) {
    if (channelCount <= 0) return std::nullopt;
    const auto stored = static_cast<int64_t>(scans.size() / static_cast<size_t>(channelCount));
    const auto trigger = findTrigger(scans, channelCount, edge, 0, stored - 1);
    if (!trigger) return std::nullopt;
    VisibleSpan view = newestSpan(stored, std::max(ringScans, stored));
    view.triggerScan = *trigger - view.firstScan;
    return view;
}

EdgeSearch edgeSearch(const TriggerSettings& settings, std::span<const int16_t> scans,
                      int channelCount) {
    const auto range = analysis::sampleRange(scans, channelCount, settings.source);
    const int middle = (range.minimum + range.maximum) / 2;
    const auto hysteresis =
        static_cast<int>(std::lround(analysis::HysteresisShare * range.peakToPeak()));
    return {settings.source, settings.slope, settings.level.value_or(middle),
            std::max(hysteresis, 1)};
}

}  // namespace tqv::scope
