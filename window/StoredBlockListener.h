// Told of each block the tick stores in the ring, and of the end of acquisition, by
// the handlers themselves: a recording takes the panel's own blocks, so it is lossless
// whenever the panel is. Called on the thread that runs the handlers; it must return
// at once and never call the card library.
#pragma once

#include <cstdint>
#include <span>

namespace tqv::window {

class StoredBlockListener {
public:
    virtual ~StoredBlockListener() = default;
    // The block's N samples, as just copied into the ring.
    virtual void blockStored(std::span<const int16_t> samples) = 0;
    // Stop was pressed (`byClosing` false), or the window is unloading.
    virtual void acquisitionStopped(bool byClosing) = 0;
};

}  // namespace tqv::window
