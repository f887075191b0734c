#include "card/sim/DigitalIo.h"

#include <utility>

namespace tqv::sim {

DigitalIo::DigitalIo(std::optional<InputWords> fixedInputs)
    : m_fixedInputs(std::move(fixedInputs)) {}

void DigitalIo::setBit(int bit, bool on) {
    const auto mask = static_cast<std::uint16_t>(1U << bit);
    replaceBits(mask, on ? mask : std::uint16_t{0});
}

void DigitalIo::setPort(int port, int value) {
    const unsigned shift = port == 0 ? 0U : 8U;
    const auto byte = static_cast<unsigned>(value) & 0xFFU;
    replaceBits(static_cast<std::uint16_t>(0xFFU << shift),
                static_cast<std::uint16_t>(byte << shift));
}

// Compare-and-swap so that two threads driving different bits never undo each other.
void DigitalIo::replaceBits(std::uint16_t mask, std::uint16_t bits) {
    std::uint16_t current = m_outputs.load();
    std::uint16_t next = 0;
    do {
        next = static_cast<std::uint16_t>((current & ~mask) | bits);
    } while (!m_outputs.compare_exchange_weak(current, next));
}

void DigitalIo::readInputs(int count, std::int16_t* words) {
    const std::uint32_t read = m_reads.fetch_add(1);
    const std::uint16_t outputs = m_outputs.load();
    InputWords first{};
    if (m_fixedInputs) {
        first = *m_fixedInputs;
    } else {
        first = {static_cast<std::int16_t>(outputs & 0xFFU),
                 static_cast<std::int16_t>(outputs >> 8U),
                 static_cast<std::int16_t>(static_cast<std::uint16_t>(read & 0xFFFFU)),
                 kFixedWord3,
                 static_cast<std::int16_t>(static_cast<std::uint16_t>(1U << (read % 16U))),
                 kFixedWord5};
    }
    for (int i = 0; i < count; ++i) {
        const auto index = static_cast<std::size_t>(i);
        words[i] = index < first.size() ? first[index] : std::int16_t{0};
    }
}

}  // namespace tqv::sim
