#include "selftest/SignalCapture.h"

#include <algorithm>

namespace tqv::selftest {

SignalCapture::SignalCapture(std::size_t scans, int channelCount)
    : m_channelCount(std::max(channelCount, 1)),
      m_samples(scans * static_cast<std::size_t>(m_channelCount)) {}

void SignalCapture::add(std::span<const int16_t> block) {
    const auto channels = static_cast<std::size_t>(m_channelCount);
    const std::size_t room = m_samples.size() - m_used;
    const std::size_t taken = std::min(block.size(), room) / channels * channels;
    std::copy_n(block.begin(), taken, m_samples.begin() + static_cast<std::ptrdiff_t>(m_used));
    m_used += taken;
}

}  // namespace tqv::selftest
