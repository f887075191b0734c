// The card's digital inputs: the six input words in hexadecimal, and words 0 and 1
// as rows of bits under a heading of bit numbers.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "window/FormContext.h"

namespace tqv::acquisition {

using InputWords = std::array<int16_t, 6>;

// The six hex texts joined by single spaces: "A5 3 0 1234 FFFF 80".
std::string inputWordsCaption(const InputWords& words);
// A word's hex text, six spaces, then its bits 7..0 with three spaces between.
std::string inputRowCaption(int16_t word);
// Twelve spaces, then the bit numbers 7..0 with three spaces between.
std::string bitHeadingCaption();

void showDigitalInputs(window::FormContext& ctx);

}  // namespace tqv::acquisition
