// The poll timer's tick: fetch the completed blocks into the ring, count them,
// show the counter and the ring position, then the readouts.
#pragma once

#include <cstdint>

#include "window/FormContext.h"

namespace tqv::acquisition {

// The block counter after `count` more blocks: it restarts at 0 once it passes
// 32000, and the excess is dropped, not carried. A sum below the counter's 16-bit
// range (negative counts piling up) restarts it at 0 as well.
int16_t advanceBlockCount(int16_t blockCount, int16_t count);

void pollBlocks(window::FormContext& ctx);

}  // namespace tqv::acquisition
