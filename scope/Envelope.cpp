#include "scope/Envelope.h"

#include <algorithm>

namespace tqv::scope {

void reduceToEnvelope(std::span<const int16_t> scans, int channelCount, int channel,
                      int64_t axisScans, std::span<EnvelopeColumn> columns) {
    std::fill(columns.begin(), columns.end(), EnvelopeColumn{});
    if (channelCount <= 0 || channel < 0 || channel >= channelCount || columns.empty()) return;
    const auto stride = static_cast<size_t>(channelCount);
    const auto available = static_cast<int64_t>(scans.size() / stride);
    const int64_t drawn = std::min(available, std::max<int64_t>(axisScans, 0));
    const auto width = static_cast<int64_t>(columns.size());
    const int16_t* samples = scans.data() + channel;

    for (int64_t x = 0; x < width; ++x) {
        const int64_t begin = x * axisScans / width;
        if (begin >= drawn) break;
        const int64_t end = std::clamp((x + 1) * axisScans / width, begin + 1, drawn);
        int16_t low = samples[static_cast<size_t>(begin) * stride];
        int16_t high = low;
        for (int64_t s = begin + 1; s < end; ++s) {
            const int16_t v = samples[static_cast<size_t>(s) * stride];
            low = std::min(low, v);
            high = std::max(high, v);
        }
        columns[static_cast<size_t>(x)] = {low, high, false};
    }
}

}  // namespace tqv::scope
