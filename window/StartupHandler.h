// The window's load handler: start values, the card's identity, idle buttons.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "window/FormContext.h"

namespace tqv::window {

// The command bytes that ask the card for its identity through IOCtl(100, command,
// 100, reply); the self-test sends the same exchange as the panel's start-up.
inline constexpr std::array<uint8_t, 3> IdentityCommand{70, 64, 0};
// Reply bytes the identity is read from: name part 1, name part 2, type.
inline constexpr std::array<std::size_t, 3> IdentityReplyBytes{0, 1, 4};

// "卡名:" + name part 1 + name part 2 + " 类型:" + type, from reply bytes 0, 1 and 4.
std::string cardInfoCaption(uint8_t namePart1, uint8_t namePart2, uint8_t type);
// The same from a whole reply of at least five bytes.
std::string cardInfoCaption(std::span<const uint8_t> reply);

void loadForm(FormContext& ctx);

}  // namespace tqv::window
