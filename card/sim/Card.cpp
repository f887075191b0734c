#include "card/sim/Card.h"

#include <algorithm>
#include <utility>

namespace tqv::sim {

Card::Card(SimConfig config)
    : m_config(std::move(config)),
      m_trace(m_config.tracePath),
      m_io(m_config.fixedInputs),
      m_acquisition(m_lastError, m_trace) {}

std::int16_t Card::refuse(Error error) {
    m_lastError.set(error);
    return static_cast<std::int16_t>(code(error));
}

std::int32_t Card::initial() {
    if (m_config.fail.initial) {
        m_lastError.set(*m_config.fail.initial);
        return 0;
    }
    const std::lock_guard lock(m_controlMutex);
    m_acquisition.stop();
    m_initialised = true;
    m_lastError.clear();
    return 1;
}

std::int32_t Card::startIntr(std::int16_t queueBlocks, std::int32_t scansPerBlock,
                             std::int16_t firstChannel, std::int16_t channelCount,
                             std::int32_t scanRate, std::int32_t gain, std::int16_t mode) {
    if (m_config.fail.startIntr) {
        m_lastError.set(*m_config.fail.startIntr);
        return 0;
    }
    const std::lock_guard lock(m_controlMutex);
    if (!m_initialised) {
        m_lastError.set(Error::NotInitialised);
        return 0;
    }
    // Checked before anything stops, so a refused call leaves a running acquisition be.
    auto settings = checkStartArguments(queueBlocks, scansPerBlock, firstChannel, channelCount,
                                        scanRate, gain, mode);
    if (!settings) {
        m_lastError.set(Error::BadArgument);
        return 0;
    }
    settings->speed = m_config.speed;
    if (!m_acquisition.start(*settings)) {
        m_lastError.set(Error::StartFailed);
        return 0;
    }
    return 1;
}

std::int32_t Card::stopIntr() {
    const std::lock_guard lock(m_controlMutex);
    m_acquisition.stop();
    return 1;
}

std::int16_t Card::queryBuf() const {
    // At most CardLimits::kMaxQueueBlocks, which fits.
    return static_cast<std::int16_t>(m_acquisition.waiting());
}

std::int32_t Card::adResult(std::int16_t* block) {
    if (block == nullptr) {
        m_lastError.set(Error::NullPointer);
        return 0;
    }
    // Samples go to elements 1..N; element 0 and N+1 are the caller's.
    if (!m_acquisition.take(block + 1)) {
        m_lastError.set(Error::NoBlock);
        return 0;
    }
    return 1;
}

std::int32_t Card::ioctl(std::int32_t commandSize, const std::uint8_t* command,
                         std::int32_t replySize, std::uint8_t* reply) {
    if (command == nullptr || reply == nullptr) {
        m_lastError.set(Error::NullPointer);
        return 0;
    }
    if (commandSize < kIoctlMinimumSize || replySize < kIoctlMinimumSize) {
        m_lastError.set(Error::BadArgument);
        return 0;
    }
    if (!std::equal(std::begin(kIdentityCommand), std::end(kIdentityCommand), command)) {
        m_lastError.set(Error::UnknownCommand);
        return 0;
    }
    reply[0] = m_config.identity[0];
    reply[1] = m_config.identity[1];
    reply[2] = kFirmwareMajor;
    reply[3] = kFirmwareMinor;
    reply[4] = m_config.identity[2];
    return 1;
}

std::int16_t Card::readInputs(std::int16_t count, std::int16_t* words) {
    if (count < 0) {
        m_lastError.set(Error::BadArgument);
        return 0;
    }
    if (count == 0) return 0;
    if (words == nullptr) {
        m_lastError.set(Error::NullPointer);
        return 0;
    }
    const int filled = std::min<int>(count, DigitalIo::kMaxInputWords);
    m_io.readInputs(filled, words);
    return static_cast<std::int16_t>(filled);
}

std::int16_t Card::writePort(std::int16_t port, std::int16_t value) {
    if (port < 0 || port >= DigitalIo::kPorts) return refuse(Error::BadArgument);
    m_io.setPort(port, value);
    return 0;
}

std::int16_t Card::writeBit(std::int16_t bit, std::int16_t value) {
    if (bit < 0 || bit >= DigitalIo::kOutputBits) return refuse(Error::BadArgument);
    m_io.setBit(bit, value != 0);
    return 0;
}

std::int32_t Card::notSupported() {
    m_lastError.set(Error::NotSupported);
    return 0;
}

}  // namespace tqv::sim
