// The program's whole view of the card library: the functions it calls, with the
// library's own names and argument widths. The loaded adcard library and the
// tests' scripted fake card both implement it.
#pragma once

#include <cstdint>

namespace tqv::card {

class CardLibrary {
public:
    virtual ~CardLibrary() = default;

    virtual int32_t Initial(int32_t a, int32_t b, int32_t c, int32_t d) = 0;
    virtual int32_t StartIntr(int16_t queueBlocks, int32_t scansPerBlock, int16_t firstChannel,
                              int16_t channelCount, int32_t scanRate, int32_t gain,
                              int16_t mode) = 0;
    virtual int32_t StopIntr() = 0;
    virtual int16_t QueryBuf() = 0;
    // Writes one completed block into block[0 .. N+1]; 1 means it was delivered.
    virtual int32_t ADResult(int16_t* block) = 0;
    virtual int32_t GetLastADError() = 0;
    virtual int32_t IOCtl(int32_t commandSize, uint8_t* command, int32_t replySize,
                          uint8_t* reply) = 0;
    virtual int16_t Tqv_DI(int16_t count, int16_t* words) = 0;
    virtual int16_t Tqv_DO(int16_t port, int16_t value) = 0;
    virtual int16_t Tqv_DOBit(int16_t bit, int16_t value) = 0;
};

}  // namespace tqv::card
