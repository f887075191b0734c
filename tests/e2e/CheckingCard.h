// Passes every call through to the real card library and checks each delivered
// block on the way: channel 3 carries the simulated card's scan counter, so a lost
// block shows as a gap and a torn one as a break inside the block.
#pragma once

#include <cstdint>

#include "card/CardLibrary.h"

namespace tqv::test {

class CheckingCard : public card::CardLibrary {
public:
    CheckingCard(card::CardLibrary& real, int32_t channels, int32_t scansPerBlock)
        : m_real(real), m_channels(channels), m_scans(scansPerBlock) {}

    int64_t blocksDelivered = 0;
    int64_t blocksLost = 0;       // scans skipped between consecutive blocks, in blocks
    int64_t tornBlocks = 0;       // counter not consecutive inside one block
    int64_t restarts = 0;
    int64_t restartsWithBlocks = 0;  // starts followed by at least one block
    int64_t restartsFromZero = 0;    // ... whose first block began at scan 0
    int64_t reportedCount = 0;     // sum of QueryBuf results

    int32_t Initial(int32_t a, int32_t b, int32_t c, int32_t d) override {
        return m_real.Initial(a, b, c, d);
    }
    int32_t StartIntr(int16_t queueBlocks, int32_t scansPerBlock, int16_t firstChannel,
                      int16_t channelCount, int32_t scanRate, int32_t gain,
                      int16_t mode) override {
        const int32_t result = m_real.StartIntr(queueBlocks, scansPerBlock, firstChannel,
                                                channelCount, scanRate, gain, mode);
        if (result != 0) {
            ++restarts;
            m_expectFirst = true;
        }
        return result;
    }
    int32_t StopIntr() override { return m_real.StopIntr(); }
    int16_t QueryBuf() override {
        const int16_t count = m_real.QueryBuf();
        reportedCount += count;
        return count;
    }
    int32_t ADResult(int16_t* block) override {
        const int32_t result = m_real.ADResult(block);
        if (result == 1) check(block);
        return result;
    }
    int32_t GetLastADError() override { return m_real.GetLastADError(); }
    int32_t IOCtl(int32_t commandSize, uint8_t* command, int32_t replySize,
                  uint8_t* reply) override {
        return m_real.IOCtl(commandSize, command, replySize, reply);
    }
    int16_t Tqv_DI(int16_t count, int16_t* words) override { return m_real.Tqv_DI(count, words); }
    int16_t Tqv_DO(int16_t port, int16_t value) override { return m_real.Tqv_DO(port, value); }
    int16_t Tqv_DOBit(int16_t bit, int16_t value) override {
        return m_real.Tqv_DOBit(bit, value);
    }

private:
    uint16_t counterAt(const int16_t* block, int32_t scan) const {
        return static_cast<uint16_t>(block[1 + scan * m_channels + 3]);
    }

    void check(const int16_t* block) {
        ++blocksDelivered;
        const uint16_t first = counterAt(block, 0);
        for (int32_t s = 1; s < m_scans; ++s) {
            if (counterAt(block, s) != static_cast<uint16_t>(first + s)) {
                ++tornBlocks;
                break;
            }
        }
        if (m_expectFirst) {
            ++restartsWithBlocks;
            if (first == 0) ++restartsFromZero;
            m_expectFirst = false;
        } else {
            const auto skipped = static_cast<uint16_t>(first - m_nextCounter);
            blocksLost += skipped / m_scans;
        }
        m_nextCounter = static_cast<uint16_t>(first + m_scans);
    }

    card::CardLibrary& m_real;
    int32_t m_channels;
    int32_t m_scans;
    bool m_expectFirst = true;
    uint16_t m_nextCounter = 0;
};

}  // namespace tqv::test
