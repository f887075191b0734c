// Scans as CSV text, as the scope saves them and the recorder writes them:
// "time_s,ch0,..." then one row per scan, its time from the scan index and the scan
// rate, each channel's value in its unit (or its code). Written with std::to_chars into
// a buffer the caller keeps, so formatting allocates nothing once it has grown.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "channels/ChannelSetup.h"

namespace tqv::text {

enum class CsvValues {
    // Each channel in its unit, with the digits that give back its code.
    Units,
    // The codes as the card delivered them, whatever the channel's unit.
    Codes,
};

// "time_s", then each channel's name, with " (unit)" where its values are in a unit:
// "time_s,ch0,Supply (V)\n". A name holding a comma or a quote is quoted.
std::string csvHeader(int channels, const channels::ChannelSetup& setup = {},
                      CsvValues values = CsvValues::Units);

// Appends one row per scan of `samples` (interleaved, `channels` a scan), the first
// at scan index `firstScan` (negative before a trigger point). The time is the
// shortest decimal that reads back as scan / scanRate; without a scan rate, the scan
// index itself.
void appendCsvRows(std::vector<char>& text, std::span<const int16_t> samples, int channels,
                   int64_t firstScan, int32_t scanRate, const channels::ChannelSetup& setup = {},
                   CsvValues values = CsvValues::Units);

}  // namespace tqv::text
