#include "session/StartParameters.h"

namespace tqv::session {

namespace {

std::optional<int32_t> checkedProduct(int32_t a, int32_t b) {
    const int64_t product = int64_t{a} * int64_t{b};
    if (product < INT32_MIN || product > INT32_MAX) return std::nullopt;
    return static_cast<int32_t>(product);
}

}  // namespace

std::optional<int32_t> blockLength(const StartParameters& parameters) {
    return checkedProduct(parameters.ChannelCount, parameters.ScanCount);
}

std::optional<int32_t> ringLength(const StartParameters& parameters, int16_t ringBlocks) {
    const auto n = blockLength(parameters);
    if (!n) return std::nullopt;
    return checkedProduct(*n, ringBlocks);
}

double blockSeconds(const StartParameters& parameters) {
    if (parameters.ScanRate <= 0 || parameters.ScanCount <= 0) return 0;
    return static_cast<double>(parameters.ScanCount) / parameters.ScanRate;
}

int64_t blocksLasting(int64_t seconds, const StartParameters& parameters) {
    if (parameters.ScanRate <= 0 || parameters.ScanCount <= 0 || seconds <= 0) return 0;
    const int64_t scans = seconds * parameters.ScanRate;
    return (scans + parameters.ScanCount - 1) / parameters.ScanCount;
}

}  // namespace tqv::session
