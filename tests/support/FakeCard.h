// A scripted card library: results come from queues the test fills, and every call
// is recorded in the simulator's trace format ("Tqv_DOBit 0 1 -> 0") so that tests
// assert on exactly what reached the card.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "card/CardLibrary.h"

namespace tqv::test {

class FakeCard : public card::CardLibrary {
public:
    // Script.
    int32_t initialResult = 1;
    int32_t startResult = 1;
    int32_t lastError = 0;
    std::deque<int16_t> queryResults;  // QueryBuf gives 0 once these run out
    std::deque<int32_t> adResults;     // ADResult gives 1 once these run out
    // Fills the caller's block on each ADResult call (its N+2 elements); by default
    // block 1..N carry the running sample numbers of the delivered samples.
    std::function<void(int16_t* block)> fillBlock;
    int32_t blockLength = 1200;                           // N, for the default filler
    std::optional<std::array<uint8_t, 5>> identityReply;  // untouched reply when empty
    std::optional<std::array<int16_t, 6>> inputWords;     // untouched words when empty
    // Called on each Tqv_DI after inputWords, e.g. to loop outputLines back.
    std::function<void(int16_t* words)> fillInputs;
    // The outputs as Tqv_DO and Tqv_DOBit left them: port 0 = bits 0..7, port 1 = 8..15.
    uint16_t outputLines = 0;

    // What reached the card, one line per call.
    std::vector<std::string> calls;
    std::vector<std::string> callsNamed(const std::string& name) const;
    void clearCalls() { calls.clear(); }

    int32_t Initial(int32_t a, int32_t b, int32_t c, int32_t d) override;
    int32_t StartIntr(int16_t queueBlocks, int32_t scansPerBlock, int16_t firstChannel,
                      int16_t channelCount, int32_t scanRate, int32_t gain, int16_t mode) override;
    int32_t StopIntr() override;
    int16_t QueryBuf() override;
    int32_t ADResult(int16_t* block) override;
    int32_t GetLastADError() override;
    int32_t IOCtl(int32_t commandSize, uint8_t* command, int32_t replySize,
                  uint8_t* reply) override;
    int16_t Tqv_DI(int16_t count, int16_t* words) override;
    int16_t Tqv_DO(int16_t port, int16_t value) override;
    int16_t Tqv_DOBit(int16_t bit, int16_t value) override;

    // Command bytes 0..2 as IOCtl last saw them.
    std::array<uint8_t, 3> lastCommand{};

private:
    void record(const std::string& line);
    int32_t m_deliveredSamples = 0;
};

}  // namespace tqv::test
