#include "scope/LaneHeader.h"

#include <array>
#include <cstdio>

namespace tqv::scope {

std::string laneHeader(int lane, const analysis::ChannelStatistics& statistics,
                       const analysis::SignalMeasurements& measurements, int32_t scanRate) {
    std::array<char, 200> text{};
    if (statistics.count == 0) {
        std::snprintf(text.data(), text.size(), "Ch %d   no samples", lane);
        return text.data();
    }
    const auto hz = measurements.frequencyHz(scanRate);
    const auto seconds = measurements.periodSeconds(scanRate);
    std::array<char, 32> frequency{};
    std::array<char, 32> period{};
    if (hz && seconds) {
        std::snprintf(frequency.data(), frequency.size(), "%.2f Hz", *hz);
        std::snprintf(period.data(), period.size(), "%.2f ms", *seconds * 1000.0);
    } else {
        std::snprintf(frequency.data(), frequency.size(), "\u2014 Hz");
        std::snprintf(period.data(), period.size(), "\u2014 ms");
    }
    std::snprintf(text.data(), text.size(),
                  "Ch %d   min %d   max %d   mean %.1f   RMS %.1f   %s   %s   pk-pk %d", lane,
                  int{statistics.minimum}, int{statistics.maximum}, statistics.mean, statistics.rms,
                  frequency.data(), period.data(), measurements.range.peakToPeak());
    return text.data();
}

}  // namespace tqv::scope
