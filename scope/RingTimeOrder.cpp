#include "scope/RingTimeOrder.h"

#include <algorithm>

namespace tqv::scope {

FilledSlots filledSlots(const card::DllDef& dll) {
    if (!card::buffersMatchParameters(dll) || dll.RingBlocks <= 0) return {};
    const int32_t n = *card::blockLength(dll);
    const int32_t l = *card::ringLength(dll);
    if (dll.RingPos < 0 || dll.RingPos > l - n || dll.RingPos % n != 0) return {};
    const int32_t slots = dll.RingBlocks;
    const int32_t nextSlot = dll.RingPos / n;
    const auto count = static_cast<int32_t>(std::clamp<int64_t>(dll.StoredBlocks, 0, slots));
    // Once every slot is written, the slot about to be overwritten is the oldest.
    return {(nextSlot - count + slots) % slots, count};
}

void copyInTimeOrder(const card::DllDef& dll, std::vector<int16_t>& scans) {
    const FilledSlots filled = filledSlots(dll);
    if (filled.count == 0) {
        scans.clear();
        return;
    }
    const auto n = static_cast<size_t>(*card::blockLength(dll));
    scans.resize(n * static_cast<size_t>(filled.count));
    auto out = scans.begin();
    for (int32_t k = 0; k < filled.count; ++k) {
        const auto slot = static_cast<size_t>((filled.oldestSlot + k) % dll.RingBlocks);
        const auto first = dll.RingBuf.begin() + static_cast<std::ptrdiff_t>(slot * n);
        out = std::copy(first, first + static_cast<std::ptrdiff_t>(n), out);
    }
}

}  // namespace tqv::scope
