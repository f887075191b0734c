// The card's identity exchange: the command bytes sent through IOCtl(100, command, 100,
// reply) and the line the panel shows from the reply.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tqv::session {

inline constexpr std::array<uint8_t, 3> IdentityCommand{70, 64, 0};
// Reply bytes the identity is read from: name part 1, name part 2, type.
inline constexpr std::array<std::size_t, 3> IdentityReplyBytes{0, 1, 4};

// "卡名:" + name part 1 + name part 2 + " 类型:" + type. A one-digit part is padded to
// two digits without its space ("07"); a longer one keeps its number text (" 42").
std::string cardInfoCaption(uint8_t namePart1, uint8_t namePart2, uint8_t type);
// The same from a whole reply of at least five bytes.
std::string cardInfoCaption(std::span<const uint8_t> reply);

}  // namespace tqv::session
