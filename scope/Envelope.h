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

// Every channel of interleaved `scans` (`channelCount` samples a scan) reduced to
// `width` columns, in one pass: channel c's columns are
// columns[c × width .. c × width + width − 1]. The columns share out an axis of
// `axisScans` scans (the whole ring, filled or not) evenly; a column narrower than one
// scan still shows the scan it starts in, and columns past the last scan are empty.
// Writes every column (`columns` must hold channelCount × width) and allocates nothing.
void reduceToEnvelopes(std::span<const int16_t> scans, int channelCount, int64_t axisScans,
                       int width, std::span<EnvelopeColumn> columns);

}  // namespace tqv::scope
