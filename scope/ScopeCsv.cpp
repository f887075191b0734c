#include "scope/ScopeCsv.h"

#include <array>
#include <charconv>

namespace tqv::scope {

namespace {

void append(std::string& text, double value) {
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed);
    text.append(buffer.data(), result.ptr);
}

void append(std::string& text, int64_t value) {
    std::array<char, 24> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    text.append(buffer.data(), result.ptr);
}

}  // namespace

std::string csvText(const ScopeModel& model) {
    const int channels = model.channelCount();
    const int64_t scans = model.scanCount();
    std::string text = "time_s";
    for (int c = 0; c < channels; ++c) {
        text += ",ch";
        append(text, int64_t{c});
    }
    text += '\n';
    // About 8 characters a value: one allocation for the whole text.
    text.reserve(text.size() + static_cast<size_t>(scans) * static_cast<size_t>(12 + 8 * channels));
    for (int64_t s = 0; s < scans; ++s) {
        if (const auto time = model.scanTime(s)) {
            append(text, *time);
        } else {
            append(text, s);
        }
        for (int c = 0; c < channels; ++c) {
            text += ',';
            append(text, int64_t{model.sample(s, c)});
        }
        text += '\n';
    }
    return text;
}

}  // namespace tqv::scope
