// The card's digital lines: 16 output bits (port 0 = bits 0..7, port 1 = bits 8..15)
// and the input words, which by default see the outputs through a loopback cable.
//
// Input words:
//   0  output port 0 (0..255)          1  output port 1 (0..255)
//   2  number of earlier reads, low 16 bits (a slowly moving word)
//   3  0x1234 (fixed)                  4  a walking one: 1 << (earlier reads mod 16)
//   5  0x0F0F (fixed)                  6 and above: 0
// With fixed inputs configured, words 0..5 are those instead; the read count still
// advances.
//
// Any thread may call; the state is two atomics.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

#include "card/sim/SimConfig.h"

namespace tqv::sim {

class DigitalIo {
public:
    static constexpr int kOutputBits = 16;
    static constexpr int kPorts = 2;
    static constexpr int kMaxInputWords = 16;
    static constexpr std::int16_t kFixedWord3 = 0x1234;
    static constexpr std::int16_t kFixedWord5 = 0x0F0F;

    explicit DigitalIo(std::optional<InputWords> fixedInputs);

    // bit 0..15
    void setBit(int bit, bool on);
    // port 0..1; the low 8 bits of value
    void setPort(int port, int value);
    // count 1..kMaxInputWords
    void readInputs(int count, std::int16_t* words);

    std::uint16_t outputs() const { return m_outputs.load(); }

private:
    void replaceBits(std::uint16_t mask, std::uint16_t bits);

    const std::optional<InputWords> m_fixedInputs;
    std::atomic<std::uint16_t> m_outputs{0};
    std::atomic<std::uint32_t> m_reads{0};
};

}  // namespace tqv::sim
