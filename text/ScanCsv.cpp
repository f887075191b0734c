#include "text/ScanCsv.h"

#include <array>
#include <charconv>

namespace tqv::text {

namespace {

// A row's longest text: a time of up to 24 characters, then per channel a comma and a
// value (six characters for a code, "-32768"), and the line end.
constexpr std::size_t kTimeChars = 24;
constexpr std::size_t kCodeChars = 7;
constexpr std::size_t kValueChars = channels::Calibration::MaxValueChars + 1;
// Channels past this many are written in codes: the card has four.
constexpr int kMostConverted = 64;

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

}  // namespace

std::string csvHeader(int channels, const channels::ChannelSetup& setup, CsvValues values) {
    std::string text = "time_s";
    for (int c = 0; c < channels; ++c) {
        const auto& channel = setup.channel(c);
        std::string name = setup.name(c);
        if (values == CsvValues::Units && !channel.inCodes()) name += " (" + channel.unit + ")";
        text += "," + csvField(name);
    }
    text += '\n';
    return text;
}

void appendCsvRows(std::vector<char>& text, std::span<const int16_t> samples, int channels,
                   int64_t firstScan, int32_t scanRate, const channels::ChannelSetup& setup,
                   CsvValues values) {
    if (channels <= 0) return;
    // Each channel's calibration where its values are written in a unit, else none.
    std::array<const channels::Calibration*, kMostConverted> units{};
    std::size_t rowChars = kTimeChars + 1;
    for (int c = 0; c < channels; ++c) {
        const auto& calibration = setup.channel(c).calibration;
        const bool converted =
            values == CsvValues::Units && c < kMostConverted && !calibration.identity();
        if (converted) units[static_cast<std::size_t>(c)] = &calibration;
        rowChars += converted ? kValueChars : kCodeChars;
    }
    const std::size_t scans = samples.size() / static_cast<std::size_t>(channels);
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
            const channels::Calibration* unit =
                c < kMostConverted ? units[static_cast<std::size_t>(c)] : nullptr;
            out = unit != nullptr ? unit->write(out, *sample)
                                  : std::to_chars(out, out + kCodeChars, *sample).ptr;
            ++sample;
        }
        *out++ = '\n';
    }
    text.resize(static_cast<std::size_t>(out - text.data()));
}

}  // namespace tqv::text
