// The variables the window itself holds, shared by its handlers.
#pragma once

#include <array>
#include <cstdint>

namespace tqv::window {

struct FormState {
    // Blocks reported by the card since load; wraps to 0 past 32000.
    int16_t BlockCount = 0;
    // Latest value of each channel as an unsigned 16-bit number, 0..65535.
    std::array<int32_t, 66> ChanValue{};
    // Element 0 keeps the last byte sent to a digital-output port.
    std::array<int16_t, 9> DoByte{};
    // The card writes its digital-input words here; only elements 0..5 are shown.
    std::array<int16_t, 129> DiBuf{};
};

}  // namespace tqv::window
