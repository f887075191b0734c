#include "card/DllDef.h"

#include <cstdint>

namespace tqv::card {

namespace {

std::optional<int32_t> checkedProduct(int32_t a, int32_t b) {
    const int64_t product = int64_t{a} * int64_t{b};
    if (product < INT32_MIN || product > INT32_MAX) return std::nullopt;
    return static_cast<int32_t>(product);
}

}  // namespace

std::optional<int32_t> blockLength(const DllDef& dll) {
    return checkedProduct(dll.ChannelCount, dll.ScanCount);
}

std::optional<int32_t> ringLength(const DllDef& dll) {
    const auto n = blockLength(dll);
    if (!n) return std::nullopt;
    return checkedProduct(*n, dll.RingBlocks);
}

bool buffersMatchParameters(const DllDef& dll) {
    const auto n = blockLength(dll);
    const auto l = ringLength(dll);
    if (!n || !l || *n <= 0 || *l < *n) return false;
    return dll.BlockBuf.size() == static_cast<size_t>(*n) + 2 &&
           dll.RingBuf.size() == static_cast<size_t>(*l) + 1;
}

}  // namespace tqv::card
