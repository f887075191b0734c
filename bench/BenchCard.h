// A card that always has the same number of blocks waiting and hands over a
// prepared block: the least a card library can cost the tick.
#pragma once

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <vector>

#include "card/CardLibrary.h"

namespace tqv::bench {

class BenchCard : public card::CardLibrary {
public:
    BenchCard(int16_t blocksPerPoll, size_t blockSamples)
        : m_blocksPerPoll(blocksPerPoll), m_block(blockSamples + 2) {
        std::iota(m_block.begin(), m_block.end(), int16_t{0});
    }

    int32_t Initial(int32_t, int32_t, int32_t, int32_t) override { return 1; }
    int32_t StartIntr(int16_t, int32_t, int16_t, int16_t, int32_t, int32_t, int16_t) override {
        return 1;
    }
    int32_t StopIntr() override { return 1; }
    int16_t QueryBuf() override { return m_blocksPerPoll; }
    int32_t ADResult(int16_t* block) override {
        std::copy(m_block.begin(), m_block.end(), block);
        return 1;
    }
    int32_t GetLastADError() override { return 0; }
    int32_t IOCtl(int32_t, uint8_t*, int32_t, uint8_t*) override { return 1; }
    int16_t Tqv_DI(int16_t count, int16_t* words) override {
        std::fill(words, words + count, int16_t{0x5A});
        return count;
    }
    int16_t Tqv_DO(int16_t, int16_t) override { return 1; }
    int16_t Tqv_DOBit(int16_t, int16_t) override { return 1; }

private:
    int16_t m_blocksPerPoll;
    std::vector<int16_t> m_block;
};

}  // namespace tqv::bench
