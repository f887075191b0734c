// Scans as CSV text, as the scope saves them and the recorder writes them:
// "time_s,ch0,..." then one row per scan, its time from the scan index and the scan
// rate. Written with std::to_chars into a buffer the caller keeps, so formatting
// allocates nothing once it has grown.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tqv::text {

std::string csvHeader(int channels);

// Appends one row per scan of `samples` (interleaved, `channels` a scan), the first
// at scan index `firstScan` (negative before a trigger point). The time is the
// shortest decimal that reads back as scan / scanRate; without a scan rate, the scan
// index itself.
void appendCsvRows(std::vector<char>& text, std::span<const int16_t> samples, int channels,
                   int64_t firstScan, int32_t scanRate);

}  // namespace tqv::text
