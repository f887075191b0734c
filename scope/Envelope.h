// The reduction that keeps a trace fast however many samples it has: one minimum and
// one maximum per pixel column.
#pragma once

#include <cstdint>
#include <span>

namespace tqv::scope {

struct EnvelopeColumn {
    int16_t minimum = 0;
    int16_t maximum = 0;
    // No sample falls in this column: it lies beyond the samples there are.
    bool empty = true;
};

// One channel of interleaved `scans` (`channelCount` samples a scan) reduced to
// `columns`. The columns share out an axis of `axisScans` scans (the whole ring,
// filled or not) evenly; a column narrower than one scan still shows the scan it
// starts in, and columns past the last scan are empty. Writes every column and
// allocates nothing.
void reduceToEnvelope(std::span<const int16_t> scans, int channelCount, int channel,
                      int64_t axisScans, std::span<EnvelopeColumn> columns);

}  // namespace tqv::scope
