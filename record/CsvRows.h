// The recording's CSV text, the scope's columns: "time_s,ch0,..." then one row per
// scan, its time from the scan index and the scan rate. Written with std::to_chars
// into a buffer the caller keeps, so formatting allocates nothing once it has grown.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tqv::record {

std::string csvHeader(int channels);

// Appends one row per scan of `samples` (interleaved, `channels` a scan), the first
// at scan index `firstScan`. The time is the shortest decimal that reads back as
// scan / scanRate.
void appendCsvRows(std::vector<char>& text, std::span<const int16_t> samples, int channels,
                   int64_t firstScan, int32_t scanRate);

}  // namespace tqv::record
