#include "selftest/LoopbackCheck.h"

#include <array>
#include <cstdint>
#include <string>

#include "text/TextConversions.h"

namespace tqv::selftest {

namespace {

constexpr int kBits = 16;

struct Mismatch {
    bool seen = false;
    std::string where;  // the first step that showed it
    int written = 0;
    int read = 0;
};

std::string hex(uint16_t value) { return "0x" + text::hexText(static_cast<int16_t>(value)); }

// Both ports as one 16-bit pattern, from the low byte of input words 0 and 1.
uint16_t readBack(session::CardSession& session) {
    std::array<int16_t, session::InputBufferWords> words{};
    session.readInputs(words);
    const auto port0 = static_cast<uint16_t>(words[0]) & 0xFFu;
    const auto port1 = static_cast<uint16_t>(words[1]) & 0xFFu;
    return static_cast<uint16_t>(port0 | (port1 << 8));
}

void compare(uint16_t written, uint16_t read, const std::string& step,
             std::array<Mismatch, kBits>& mismatches) {
    const uint16_t differing = written ^ read;
    for (int bit = 0; bit < kBits; ++bit) {
        auto& mismatch = mismatches[static_cast<std::size_t>(bit)];
        if ((differing >> bit & 1u) == 0 || mismatch.seen) continue;
        mismatch = {true, step + " wrote " + hex(written) + ", read " + hex(read),
                    written >> bit & 1, read >> bit & 1};
    }
}

void writePorts(session::CardSession& session, uint8_t byte) {
    session.writeByte(0, byte);
    session.writeByte(1, byte);
}

}  // namespace

CheckResult checkLoopback(session::CardSession& session) {
    CheckResult result;
    result.name = "loopback";
    std::array<Mismatch, kBits> mismatches{};

    writePorts(session, 0);
    for (int bit = 0; bit < kBits; ++bit) {
        session.writeBit(static_cast<int16_t>(bit), 1);
        compare(static_cast<uint16_t>(1u << bit), readBack(session),
                "Tqv_DOBit " + std::to_string(bit) + " 1", mismatches);
        session.writeBit(static_cast<int16_t>(bit), 0);
    }
    for (const uint8_t byte : {uint8_t{0x55}, uint8_t{0xAA}}) {
        writePorts(session, byte);
        compare(static_cast<uint16_t>(byte | byte << 8), readBack(session),
                "Tqv_DO " + hex(byte) + " on both ports", mismatches);
    }
    writePorts(session, 0);

    std::string reasons;
    for (int bit = 0; bit < kBits; ++bit) {
        const auto& mismatch = mismatches[static_cast<std::size_t>(bit)];
        if (!mismatch.seen) continue;
        if (!reasons.empty()) reasons += "; ";
        reasons += "bit " + std::to_string(bit) + " read " + std::to_string(mismatch.read) +
                   " where " + std::to_string(mismatch.written) + " was written (" +
                   mismatch.where + ")";
    }
    result.outcome = reasons.empty() ? Outcome::Pass : Outcome::Fail;
    result.summary = reasons.empty()
                         ? "16 bits alone and 0x55, 0xAA on both ports read back; outputs left at 0"
                         : reasons;
    return result;
}

CheckResult skippedLoopback() {
    return skipped("loopback", "no loopback plug declared (--loopback); outputs not touched");
}

}  // namespace tqv::selftest
