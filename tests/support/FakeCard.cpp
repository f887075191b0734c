#include "tests/support/FakeCard.h"

#include <algorithm>

namespace tqv::test {

namespace {

template <typename... Args>
std::string line(const std::string& name, Args... args) {
    std::string text = name;
    ((text += " " + std::to_string(args)), ...);
    return text;
}

std::string withResult(std::string text, int64_t result) {
    return text + " -> " + std::to_string(result);
}

}  // namespace

void FakeCard::record(const std::string& text) {
    calls.push_back(text);
}

std::vector<std::string> FakeCard::callsNamed(const std::string& name) const {
    std::vector<std::string> named;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(named),
                 [&](const std::string& call) { return call.rfind(name + " ", 0) == 0; });
    return named;
}

int32_t FakeCard::Initial(int32_t a, int32_t b, int32_t c, int32_t d) {
    record(withResult(line("Initial", a, b, c, d), initialResult));
    return initialResult;
}

int32_t FakeCard::StartIntr(int16_t queueBlocks, int32_t scansPerBlock, int16_t firstChannel,
                            int16_t channelCount, int32_t scanRate, int32_t gain, int16_t mode) {
    record(withResult(line("StartIntr", queueBlocks, scansPerBlock, firstChannel, channelCount,
                           scanRate, gain, mode),
                      startResult));
    return startResult;
}

int32_t FakeCard::StopIntr() {
    record("StopIntr -> 1");
    return 1;
}

int16_t FakeCard::QueryBuf() {
    int16_t count = 0;
    if (!queryResults.empty()) {
        count = queryResults.front();
        queryResults.pop_front();
    }
    record(withResult("QueryBuf", count));
    return count;
}

int32_t FakeCard::ADResult(int16_t* block) {
    int32_t result = 1;
    if (!adResults.empty()) {
        result = adResults.front();
        adResults.pop_front();
    }
    if (fillBlock) {
        fillBlock(block);
    } else if (result == 1) {
        for (int32_t i = 1; i <= blockLength; ++i) {
            block[i] = static_cast<int16_t>(m_deliveredSamples++);
        }
    }
    record(withResult("ADResult *", result));
    return result;
}

int32_t FakeCard::GetLastADError() {
    record(withResult("GetLastADError", lastError));
    return lastError;
}

int32_t FakeCard::IOCtl(int32_t commandSize, uint8_t* command, int32_t replySize, uint8_t* reply) {
    std::copy(command, command + 3, lastCommand.begin());
    if (identityReply) std::copy(identityReply->begin(), identityReply->end(), reply);
    record(withResult(line("IOCtl", commandSize) + " *" + line("", replySize) + " *", 1));
    return 1;
}

int16_t FakeCard::Tqv_DI(int16_t count, int16_t* words) {
    if (inputWords) std::copy(inputWords->begin(), inputWords->end(), words);
    if (fillInputs) fillInputs(words);
    record(withResult(line("Tqv_DI", count) + " *", count));
    return count;
}

int16_t FakeCard::Tqv_DO(int16_t port, int16_t value) {
    if (port == 0 || port == 1) {
        const int shift = 8 * port;
        outputLines =
            static_cast<uint16_t>((outputLines & ~(0xFF << shift)) | ((value & 0xFF) << shift));
    }
    record(withResult(line("Tqv_DO", port, value), 0));
    return 0;
}

int16_t FakeCard::Tqv_DOBit(int16_t bit, int16_t value) {
    if (bit >= 0 && bit < 16) {
        const auto mask = static_cast<uint16_t>(1u << bit);
        outputLines = static_cast<uint16_t>(value != 0 ? outputLines | mask : outputLines & ~mask);
    }
    record(withResult(line("Tqv_DOBit", bit, value), 0));
    return 0;
}

}  // namespace tqv::test
