#include "instrument/RingScans.h"

#include <algorithm>
#include <cmath>

#include "record/Recorder.h"

namespace tqv::instrument {

int16_t keptRingBlocks(const session::StartParameters& parameters) {
    const double blocks = std::ceil(KeptSeconds * static_cast<double>(record::FastestScanRate) /
                                    std::max(parameters.ScanCount, int32_t{1}));
    return static_cast<int16_t>(std::clamp(blocks, 1.0, 32767.0));
}

int64_t RingScans::endScan() const {
    if (!m_blocks.ready()) return 0;
    return m_blocks.storedSinceRecreated() * m_blocks.parameters().ScanCount;
}

int64_t RingScans::beginScan() const {
    if (!m_blocks.ready()) return 0;
    return (m_blocks.storedSinceRecreated() - m_blocks.filledSlots().count) *
           m_blocks.parameters().ScanCount;
}

ScanSpan RingScans::since(int64_t firstScan) const {
    ScanSpan span;
    const session::FilledSlots filled = m_blocks.filledSlots();
    if (filled.count == 0) {
        span.firstScan = firstScan;
        return span;
    }
    const int64_t begin = beginScan();
    const int64_t end = endScan();
    span.overwritten = std::max<int64_t>(begin - firstScan, 0);
    span.firstScan = std::clamp(firstScan, begin, end);
    span.scans = end - span.firstScan;
    if (span.scans == 0) return span;

    const auto& parameters = m_blocks.parameters();
    const int64_t channels = parameters.ChannelCount;
    const int64_t blockLength = channels * parameters.ScanCount;
    const int64_t ringLength = blockLength * m_blocks.RingBlocks();
    // The oldest held block sits in the oldest filled slot; the ring is slot after slot.
    const int64_t offsetInRing =
        (int64_t{filled.oldestSlot} * blockLength + (span.firstScan - begin) * channels) %
        ringLength;
    const int64_t samples = span.scans * channels;
    const int64_t first = std::min(samples, ringLength - offsetInRing);
    const auto ring = m_blocks.RingBuf();
    span.pieces[0] =
        ring.subspan(static_cast<std::size_t>(offsetInRing), static_cast<std::size_t>(first));
    span.pieces[1] = ring.subspan(0, static_cast<std::size_t>(samples - first));
    return span;
}

ScanSpan RingScans::newest(int64_t scans) const {
    ScanSpan span = since(endScan() - std::max<int64_t>(scans, 0));
    span.overwritten = 0;
    return span;
}

}  // namespace tqv::instrument
