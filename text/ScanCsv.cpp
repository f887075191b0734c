#include "text/ScanCsv.h"

#include <charconv>

namespace tqv::text {

namespace {

// A row's longest text: a time of up to 24 characters, then per channel a comma and
// at most six characters ("-32768"), and the line end.
constexpr std::size_t kTimeChars = 24;
constexpr std::size_t kSampleChars = 7;

}  // namespace

std::string csvHeader(int channels) {
    std::string text = "time_s";
    for (int c = 0; c < channels; ++c) text += ",ch" + std::to_string(c);
    text += '\n';
    return text;
}

void appendCsvRows(std::vector<char>& text, std::span<const int16_t> samples, int channels,
                   int64_t firstScan, int32_t scanRate) {
    if (channels <= 0) return;
    const std::size_t scans = samples.size() / static_cast<std::size_t>(channels);
    const std::size_t rowChars = kTimeChars + kSampleChars * static_cast<std::size_t>(channels) + 1;
    std::size_t used = text.size();
    text.resize(used + scans * rowChars);
    char* out = text.data() + used;
    const int16_t* sample = samples.data();
    const double rate = scanRate;
    for (std::size_t s = 0; s < scans; ++s) {
        const int64_t scan = firstScan + static_cast<int64_t>(s);
        out = scanRate > 0 ? std::to_chars(out, out + kTimeChars, static_cast<double>(scan) / rate,
                                           std::chars_format::fixed)
                                 .ptr
                           : std::to_chars(out, out + kTimeChars, scan).ptr;
        for (int c = 0; c < channels; ++c) {
            *out++ = ',';
            out = std::to_chars(out, out + kSampleChars, *sample++).ptr;
        }
        *out++ = '\n';
    }
    text.resize(static_cast<std::size_t>(out - text.data()));
}

}  // namespace tqv::text
