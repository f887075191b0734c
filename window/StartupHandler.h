// The window's load handler: start values, the card's identity, idle buttons.
#pragma once

#include <cstdint>
#include <string>

#include "window/FormContext.h"

namespace tqv::window {

// "卡名:" + name part 1 + name part 2 + " 类型:" + type, from reply bytes 0, 1 and 4.
std::string cardInfoCaption(uint8_t namePart1, uint8_t namePart2, uint8_t type);

void loadForm(FormContext& ctx);

}  // namespace tqv::window
