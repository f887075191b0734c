// The latest value of each channel: shown from the block just fetched, then kept
// from the newest block in the ring for the sample text.
#pragma once

#include <cstdint>

#include "window/FormContext.h"

namespace tqv::acquisition {

// A sample's 16 bits read as an unsigned number: -1 gives 65535.
constexpr int32_t channelValue(int16_t sample) { return sample < 0 ? sample + 65536 : sample; }

void showChannelValues(window::FormContext& ctx);

}  // namespace tqv::acquisition
