// The text of a lane's header: the channel's statistics and measurements.
#pragma once

#include <cstdint>
#include <string>

#include "analysis/ChannelStatistics.h"
#include "analysis/SignalMeasurements.h"

namespace tqv::scope {

// "Ch 0   min 448   max 3648   mean 2048.0   RMS 2341.5   50.00 Hz   20.00 ms   pk-pk 3200",
// with "—" for a frequency and period that are not known well enough to give (see
// analysis::measureSignal: fewer than two whole periods, flat, too fast, unsteady or
// noisy) or that have no scan rate; UTF-8.
std::string laneHeader(int lane, const analysis::ChannelStatistics& statistics,
                       const analysis::SignalMeasurements& measurements, int32_t scanRate);

}  // namespace tqv::scope
