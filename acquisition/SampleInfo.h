// The sample information text: every acquired channel's latest value, one line each.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "window/FormContext.h"

namespace tqv::acquisition {

// "Sample Information:" and then "Ch 0=0001" and so on, every line ended by CR LF.
std::string sampleInfoText(std::span<const int32_t> channelValues);

// Writes the text into txtInfo while chkDisp is on; leaves it alone otherwise.
void showSampleInfo(window::FormContext& ctx);

}  // namespace tqv::acquisition
