#include "card/sim/SignalSource.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>

namespace tqv::sim {

namespace {

std::int16_t counterSample(std::uint64_t scan) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(scan & 0xFFFFU));
}

// Where a scan falls in a one-period table. The remainder is below the table's size,
// so it fits std::size_t also where that is 32 bits wide (32-bit Windows).
std::size_t tableIndex(std::uint64_t scan, const std::vector<std::int16_t>& table) {
    return static_cast<std::size_t>(scan % table.size());
}

template <typename Wave>
std::vector<std::int16_t> onePeriod(std::int32_t scanRate, std::int32_t frequency,
                                    std::int32_t gain, Wave wave) {
    const std::int64_t rate = scanRate;
    const std::int64_t length = rate / std::gcd(rate, std::int64_t{frequency});
    std::vector<std::int16_t> table(static_cast<std::size_t>(length));
    const double swingScale = std::ldexp(1.0, gain);
    for (std::int64_t scan = 0; scan < length; ++scan) {
        const double phase =
            static_cast<double>((frequency * scan) % rate) / static_cast<double>(rate);
        const double value = SignalSource::kMidScale + swingScale * wave(phase);
        table[static_cast<std::size_t>(scan)] = static_cast<std::int16_t>(
            std::clamp(std::lround(value), 0L, long{SignalSource::kFullScale}));
    }
    return table;
}

}  // namespace

SignalSource::SignalSource(std::int32_t scanRate, std::int32_t gain)
    : m_sine(onePeriod(
          scanRate, kSineHz, gain,
          [](double phase) { return kWaveAmplitude * std::sin(2.0 * std::numbers::pi * phase); })),
      m_triangle(onePeriod(scanRate, kTriangleHz, gain,
                           [](double phase) {
                               const double unit =
                                   phase < 0.5 ? 4.0 * phase - 1.0 : 3.0 - 4.0 * phase;
                               return kWaveAmplitude * unit;
                           })),
      m_square(onePeriod(scanRate, kSquareHz, gain, [](double phase) {
          return phase < 0.5 ? double{kSquareAmplitude} : -double{kSquareAmplitude};
      })) {}

std::int16_t SignalSource::sample(int channel, std::uint64_t scan) const {
    switch (channel % kPatterns) {
        case 0:
            return m_sine[tableIndex(scan, m_sine)];
        case 1:
            return m_triangle[tableIndex(scan, m_triangle)];
        case 2:
            return m_square[tableIndex(scan, m_square)];
        default:
            return counterSample(scan);
    }
}

void SignalSource::fill(std::span<std::int16_t> block, int firstChannel, int channelCount,
                        std::uint64_t firstScan) const {
    const std::size_t channels = static_cast<std::size_t>(channelCount);
    const std::size_t scans = block.size() / channels;
    // Positions in each table advance by one per scan; wrapping by hand keeps the
    // modulo out of the per-sample loop.
    std::size_t sine = tableIndex(firstScan, m_sine);
    std::size_t triangle = tableIndex(firstScan, m_triangle);
    std::size_t square = tableIndex(firstScan, m_square);
    std::int16_t* out = block.data();
    for (std::size_t s = 0; s < scans; ++s) {
        const std::int16_t values[kPatterns] = {m_sine[sine], m_triangle[triangle],
                                                m_square[square], counterSample(firstScan + s)};
        for (std::size_t c = 0; c < channels; ++c) {
            *out++ = values[(static_cast<std::size_t>(firstChannel) + c) % kPatterns];
        }
        if (++sine == m_sine.size()) sine = 0;
        if (++triangle == m_triangle.size()) triangle = 0;
        if (++square == m_square.size()) square = 0;
    }
}

}  // namespace tqv::sim
