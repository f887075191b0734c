// How an instrument writes its answers: strings in double quotes, numbers as SCPI
// clients read them, "none" as the standard not-a-number value, and binary data as an
// IEEE 488.2 definite-length block ("#" then the digit count, the byte count, the
// bytes), which PyVISA's query_binary_values reads.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tqv::scpi {

// What SCPI answers where a measurement has no value ("none").
inline constexpr std::string_view NotANumber = "9.91E37";

// "text" with every double quote doubled.
std::string quotedString(std::string_view text);

// A real number with up to 10 significant digits ("50", "2048.5", "-1.25E-05"), or
// NotANumber for an empty one and for anything not finite.
std::string realText(std::optional<double> value);

// "#<d><len>": the header of a block of `bytes` bytes ("#10" for none, "#41200").
std::string blockHeader(std::size_t bytes);

}  // namespace tqv::scpi
