// The simulated card as one object: the 23 exported functions each delegate to one
// member here (exports.cpp adds the trace line). Return values and error codes are
// listed in README.md.
//
// Threads: any of the caller's threads may call any member. Initial, StartIntr and
// StopIntr are serialised by m_controlMutex (which also guards m_initialised); the
// configuration is immutable after construction; the last error, the digital lines
// and the block queue synchronise themselves; the acquisition thread is described in
// Acquisition.h.
#pragma once

#include <cstdint>
#include <mutex>

#include "card/sim/Acquisition.h"
#include "card/sim/DigitalIo.h"
#include "card/sim/LastError.h"
#include "card/sim/SimConfig.h"
#include "card/sim/Trace.h"

namespace tqv::sim {

class Card {
public:
    static constexpr std::uint8_t kFirmwareMajor = 2;  // IOCtl reply byte 2
    static constexpr std::uint8_t kFirmwareMinor = 5;  // IOCtl reply byte 3
    static constexpr std::int32_t kIoctlMinimumSize = 5;
    static constexpr std::uint8_t kIdentityCommand[3] = {70, 64, 0};

    explicit Card(SimConfig config);

    std::int32_t initial();
    std::int32_t startIntr(std::int16_t queueBlocks, std::int32_t scansPerBlock,
                           std::int16_t firstChannel, std::int16_t channelCount,
                           std::int32_t scanRate, std::int32_t gain, std::int16_t mode);
    std::int32_t stopIntr();
    std::int16_t queryBuf() const;
    std::int32_t adResult(std::int16_t* block);
    std::int32_t lastError() const { return m_lastError.get(); }
    std::int32_t ioctl(std::int32_t commandSize, const std::uint8_t* command,
                       std::int32_t replySize, std::uint8_t* reply);
    std::int16_t readInputs(std::int16_t count, std::int16_t* words);
    std::int16_t writePort(std::int16_t port, std::int16_t value);
    std::int16_t writeBit(std::int16_t bit, std::int16_t value);
    // The functions the card declares without implementing them.
    std::int32_t notSupported();

    Trace& trace() { return m_trace; }

private:
    std::int16_t refuse(Error error);

    const SimConfig m_config;
    LastError m_lastError;
    Trace m_trace;
    DigitalIo m_io;
    std::mutex m_controlMutex;
    bool m_initialised = false;
    // Last, so that it is destroyed first: its thread uses the members above.
    Acquisition m_acquisition;
};

}  // namespace tqv::sim
