// The figures MEASure answers and the fleet's readout publishes, over the newest 600 ms
// of the ring (the panel's whole ring at its scan rate): minimum, maximum, peak-to-peak,
// mean, RMS, frequency, period and duty cycle of each channel, in the channel's unit
// (codes where the channel setup gives none). Measured through analysis/, so the scope, the self-test and
// the network report the same figures for the same samples.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "analysis/SignalMeasurements.h"
#include "channels/ChannelSetup.h"
#include "session/AcquiredBlocks.h"

namespace tqv::instrument {

// How far back a measurement looks.
inline constexpr double MeasuredSeconds = 0.6;

struct ChannelFigures {
    int channel = 0;
    std::string unit;
    // Empty where nothing is stored yet; frequency, period and duty also where the
    // samples hold fewer than two whole periods or the signal is flat.
    std::optional<double> minimum;
    std::optional<double> maximum;
    std::optional<double> peakToPeak;
    std::optional<double> mean;
    std::optional<double> rms;
    std::optional<double> frequencyHz;
    std::optional<double> periodSeconds;
    // Percent of the period above the mid level.
    std::optional<double> dutyPercent;
};

class SignalReadout {
public:
    explicit SignalReadout(const session::AcquiredBlocks& blocks) : m_blocks(blocks) {}

    // The figures of every channel the ring holds. The copy of the newest samples it
    // measures grows only when a longer span is asked for than ever before.
    const std::vector<ChannelFigures>& measure(const channels::ChannelSetup& setup);

private:
    const session::AcquiredBlocks& m_blocks;
    std::vector<int16_t> m_samples;
    std::vector<analysis::SignalMeasurements> m_measured;
    std::vector<ChannelFigures> m_figures;
};

}  // namespace tqv::instrument
