// The text of a lane's header: the channel's statistics and measurements.
#pragma once

#include <cstdint>
#include <string>

#include "analysis/ChannelStatistics.h"
#include "analysis/SignalMeasurements.h"
#include "channels/ChannelSetup.h"

namespace tqv::scope {

// "Ch 0   min 448   max 3648   mean 2048.0   RMS 2341.5   50.00 Hz   20.00 ms   pk-pk 3200"
// for a channel read in codes; "Supply   min -5.000 V   max 5.000 V   mean 0.0000 V   RMS
// 3.5355 V   50.00 Hz   20.00 ms   pk-pk 10.000 V" in a unit (the frequency and period
// unchanged). "—" for a frequency and period that are not known well enough to give (see
// analysis::measureSignal: fewer than two whole periods, flat, too fast, unsteady or noisy)
// or that have no scan rate; UTF-8.
std::string laneHeader(int lane, const channels::Channel& channel,
                       const analysis::ChannelStatistics& statistics,
                       const analysis::SignalMeasurements& measurements, int32_t scanRate);

}  // namespace tqv::scope
