// Which slots of the ring hold acquired blocks, and those blocks oldest first.
#pragma once

#include <cstdint>
#include <vector>

#include "card/DllDef.h"

namespace tqv::scope {

// The stored part of the ring: `count` slots from `oldestSlot` on, wrapping after
// the last slot. Empty before anything was stored since the ring was created, and
// whenever the buffers, the parameters and RingPos do not agree.
struct FilledSlots {
    int32_t oldestSlot = 0;
    int32_t count = 0;
};

FilledSlots filledSlots(const card::DllDef& dll);

// Replaces `scans` by the filled slots, oldest first, as interleaved scans. Only
// grows `scans` when the ring is larger than anything it held before.
void copyInTimeOrder(const card::DllDef& dll, std::vector<int16_t>& scans);

}  // namespace tqv::scope
