// What the simulated card's inputs see: a pure function of (channel, scan index), so
// that a test can predict any sample and a lost block shows in the data.
//
// Pattern by channel (channel c behaves like channel c mod 4):
//   0  sine      50 Hz, mid-scale 2048 +/- 1600
//   1  triangle  20 Hz, mid-scale 2048 +/- 1600, starting at its low point
//   2  square    10 Hz, 3048 for the first half period, then 1048
//   3  scan counter: low 16 bits of the scan index as a signed sample
// The frequencies hold at the requested scan rate (the simulator's speed-up does not
// change the data). Gain g multiplies the swing about mid-scale by 2^g, clipped to the
// 12-bit range 0..4095; the counter ignores gain.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tqv::sim {

class SignalSource {
public:
    static constexpr int kPatterns = 4;
    static constexpr int kCounterPattern = 3;
    static constexpr std::int32_t kSineHz = 50;
    static constexpr std::int32_t kTriangleHz = 20;
    static constexpr std::int32_t kSquareHz = 10;
    static constexpr int kMidScale = 2048;
    static constexpr int kFullScale = 4095;
    static constexpr int kWaveAmplitude = 1600;
    static constexpr int kSquareAmplitude = 1000;

    // scanRate >= 1, gain 0..3 (the card's accepted ranges).
    SignalSource(std::int32_t scanRate, std::int32_t gain);

    std::int16_t sample(int channel, std::uint64_t scan) const;

    // Fills a block with whole scans, scan after scan, each in channel order, for
    // channels firstChannel .. firstChannel + channelCount - 1; the first scan has
    // index firstScan. block.size() must be a multiple of channelCount.
    void fill(std::span<std::int16_t> block, int firstChannel, int channelCount,
              std::uint64_t firstScan) const;

private:
    // One period per wave: the wave's phase at scan s is (f * s mod rate) / rate, so
    // its samples repeat every rate / gcd(rate, f) scans and can be looked up exactly.
    std::vector<std::int16_t> m_sine;
    std::vector<std::int16_t> m_triangle;
    std::vector<std::int16_t> m_square;
};

}  // namespace tqv::sim
