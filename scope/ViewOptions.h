// The scope's view as given on a command line (tqv-snapshot): `--span MS` and
// `--trigger CH,rising|falling[,LEVEL]`.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "channels/ChannelSetup.h"
#include "scope/Trigger.h"

namespace tqv::scope {

// One of the spans offered, in milliseconds (0: the whole ring); otherwise why not.
std::variant<int, std::string> parseSpanOption(std::string_view text);

// An Auto trigger on channel CH (0 .. channelCount − 1) with its slope and, when given,
// a level in the channel's unit, within what its codes −32768 .. 32767 stand for (a whole
// code for a channel read in codes); otherwise why not.
std::variant<TriggerSettings, std::string> parseTriggerOption(
    std::string_view text, int channelCount, const channels::ChannelSetup& setup = {});

// A level typed in the channel's unit, with or without the unit after it ("2.5",
// "2.5 V"): its nearest code, or none for what is no number or lies beyond the codes.
std::optional<int> levelCode(std::string_view text, const channels::Channel& channel);

}  // namespace tqv::scope
