#include "scope/LaneHeader.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "scope/ChannelText.h"

namespace tqv::scope {

std::string laneHeader(int lane, const channels::Channel& channel,
                       const analysis::ChannelStatistics& statistics,
                       const analysis::SignalMeasurements& measurements, int32_t scanRate) {
    const std::string title = laneTitle(lane, channel);
    if (statistics.count == 0) return title + "   no samples";
    const auto hz = measurements.frequencyHz(scanRate);
    const auto seconds = measurements.periodSeconds(scanRate);
    std::array<char, 64> timing{};
    if (hz && seconds) {
        std::snprintf(timing.data(), timing.size(), "%.2f Hz   %.2f ms", *hz, *seconds * 1000.0);
    } else {
        std::snprintf(timing.data(), timing.size(), "\u2014 Hz   \u2014 ms");
    }
    const auto& calibration = channel.calibration;
    // A negative gain turns the smallest code into the largest value.
    const double atMinimum = calibration.value(statistics.minimum);
    const double atMaximum = calibration.value(statistics.maximum);
    return title + "   min " + unitText(channel, std::min(atMinimum, atMaximum)) + "   max " +
           unitText(channel, std::max(atMinimum, atMaximum)) + "   mean " +
           codeText(channel, statistics.mean, 1) + "   RMS " +
           unitText(channel, calibration.rms(statistics.mean, statistics.rms), 1) + "   " +
           timing.data() + "   pk-pk " +
           unitText(channel, calibration.span(measurements.range.peakToPeak()));
}

}  // namespace tqv::scope
