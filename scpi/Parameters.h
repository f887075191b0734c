// Reading the parameters of a program message unit as IEEE 488.2 and SCPI types:
// decimal numbers (NR1, NR2, NR3, and #H, #Q, #B non-decimal ones), character data
// in short or long form, quoted strings and channel lists. Each reader gives the value
// or the standard error a client is told.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "scpi/ScpiError.h"

namespace tqv::scpi {

template <typename T>
using Read = std::variant<T, Error>;

// "12", "+1.5", "-2E3", ".5", "#HFF", "#Q17", "#B101". A parameter of another type is
// -104; one that starts as a number and goes wrong, -120.
Read<double> readNumber(std::string_view parameter);

// A whole number within [minimum, maximum]; -222 outside it or for a fraction.
Read<int64_t> readInteger(std::string_view parameter, int64_t minimum, int64_t maximum);

// Which of `choices` (written "ASCii": short form upper case) the parameter names, in
// either form and any case; -141 for any other word, -104 for a number or a string.
Read<std::size_t> readChoice(std::string_view parameter,
                             std::initializer_list<std::string_view> choices);

// The text of a string in double or single quotes, a doubled quote read as one; -104
// for anything that is no string.
Read<std::string> readString(std::string_view parameter);

// "(@0)", "(@0,2)", "(@0:3)", "(@3:1,0)" with channels 0..lastChannel, in the order
// written (a range may run down); -104 for no channel list, -102 for a malformed one,
// -222 for a channel outside the range.
Read<std::vector<int>> readChannelList(std::string_view parameter, int lastChannel);

}  // namespace tqv::scpi
