// The acquisition state shared by the handlers: the card's command and reply bytes,
// the block and ring buffers, the ring position and the start parameters.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace tqv::card {

struct DllDef {
    // Command and reply bytes of IOCtl, indices 0..32000, zero from the start.
    static constexpr int ByteBufSize = 32001;
    std::vector<uint8_t> CmdBuf = std::vector<uint8_t>(ByteBufSize);
    std::vector<uint8_t> ReplyBuf = std::vector<uint8_t>(ByteBufSize);

    // Created by each start that gets past Initial; empty before the first one.
    // BlockBuf holds one block at indices 1..N; RingBuf the last RingBlocks blocks
    // at indices 0..L-1 (index L is spare).
    std::vector<int16_t> BlockBuf;
    std::vector<int16_t> RingBuf;

    int16_t RingBlocks = 0;
    // RingBuf index where the next stored block begins; kept across stop and start.
    int32_t RingPos = 0;
    // Blocks stored into RingBuf since it was last created: the slots before RingPos
    // that hold acquired data rather than the zeros of a fresh ring. Only views of
    // the ring read it.
    int64_t StoredBlocks = 0;
    // Counted up each time a start creates BlockBuf and RingBuf afresh. The allocator
    // may hand a new ring the old one's address, so views tell one run's ring from the
    // next by this number, never by the address.
    int64_t BufferGeneration = 0;

    // Start parameters, passed to StartIntr in this order.
    int16_t QueueBlocks = 0;
    int32_t ScanCount = 0;  // scans per block
    int16_t FirstChannel = 0;
    int16_t ChannelCount = 0;  // samples per scan
    int32_t ScanRate = 0;
    int32_t Gain = 0;
    int16_t Mode = 0;
};

// Samples in one block (N) and in the ring (L), in signed 32-bit arithmetic;
// empty when the product overflows.
std::optional<int32_t> blockLength(const DllDef& dll);
std::optional<int32_t> ringLength(const DllDef& dll);

// True when BlockBuf and RingBuf exist with the sizes the current parameters give,
// so that every index the tick derives from them lies inside them.
bool buffersMatchParameters(const DllDef& dll);

}  // namespace tqv::card
