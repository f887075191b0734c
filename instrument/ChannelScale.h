// The seam through which measurements leave codes for a channel's own unit: a straight
// line (value = gain × code + offset, the shape of a two-point calibration) and the
// unit's name. Whoever knows the channels' setup supplies the lookup; without one every
// channel stays in codes.
#pragma once

#include <functional>
#include <string>

namespace tqv::instrument {

struct ChannelScale {
    double gain = 1.0;
    double offset = 0.0;
    std::string unit = "codes";

    double value(double code) const { return gain * code + offset; }
};

using ChannelScaleLookup = std::function<ChannelScale(int channel)>;

// Every channel in codes.
inline ChannelScale inCodes(int) { return {}; }

}  // namespace tqv::instrument
