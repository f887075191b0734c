// The scope's view as given on a command line (tqv-snapshot): `--span MS` and
// `--trigger CH,rising|falling[,LEVEL]`.
#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "scope/Trigger.h"

namespace tqv::scope {

// One of the spans offered, in milliseconds (0: the whole ring); otherwise why not.
std::variant<int, std::string> parseSpanOption(std::string_view text);

// An Auto trigger on channel CH (0 .. channelCount − 1) with its slope and, when given,
// a level in codes (−32768 .. 32767); otherwise why not.
std::variant<TriggerSettings, std::string> parseTriggerOption(std::string_view text,
                                                              int channelCount);

}  // namespace tqv::scope
