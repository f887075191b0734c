// The first scans of the acquisition check, kept for the measurements of
// `--expect`: the run is measured on the samples it acquired, with no second run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tqv::selftest {

class SignalCapture {
public:
    // Room for `scans` scans of `channelCount` samples, allocated here once.
    SignalCapture(std::size_t scans, int channelCount);

    // Appends the whole scans of a block that still fit; the rest is left out.
    void add(std::span<const int16_t> block);

    int channelCount() const { return m_channelCount; }
    // Interleaved scans, oldest first.
    std::span<const int16_t> samples() const { return {m_samples.data(), m_used}; }

private:
    int m_channelCount;
    std::vector<int16_t> m_samples;
    std::size_t m_used = 0;
};

}  // namespace tqv::selftest
