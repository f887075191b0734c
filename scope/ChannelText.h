// How the scope writes a channel: its title, and its values in its unit. A channel read
// in codes is written as the scope always wrote codes (whole codes, no unit), so that
// with no channel setup nothing changes.
#pragma once

#include <string>

#include "channels/ChannelSetup.h"

namespace tqv::scope {

// "Ch 0" under the default name, else the name.
std::string laneTitle(int lane, const channels::Channel& channel);

// A value in the channel's unit with the digits that tell its codes apart and
// `moreDecimals` more, then the unit: "-4.997 V"; "448" for a channel read in codes.
std::string unitText(const channels::Channel& channel, double value, int moreDecimals = 0);
// The value of a code, or of a fraction of one (a mean), written as unitText does.
std::string codeText(const channels::Channel& channel, double code, int moreDecimals = 0);

}  // namespace tqv::scope
