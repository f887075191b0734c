// The one owner of the acquired blocks: the array the card delivers a block into
// (BlockBuf), the ring of the last RingBlocks stored blocks (RingBuf) with the position
// of the next one (RingPos), and the one voice that tells every listener of each stored
// block and each loss, in the order they happen. Views only ask; nothing but this class
// writes the ring. Lives on the thread that fetches blocks, as do its listeners' calls.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "session/BlockEvents.h"
#include "session/BlockListener.h"
#include "session/StartParameters.h"

namespace tqv::session {

// The stored part of the ring: `count` slots from `oldestSlot` on, wrapping after the
// last slot.
struct FilledSlots {
    int32_t oldestSlot = 0;
    int32_t count = 0;
};

class AcquiredBlocks {
public:
    AcquiredBlocks() = default;
    AcquiredBlocks(const AcquiredBlocks&) = delete;
    AcquiredBlocks& operator=(const AcquiredBlocks&) = delete;

    // The window's load: the ring's length in blocks, and the write position back at
    // the first slot. The buffers are made by the next recreate().
    void resetRing(int16_t ringBlocks);

    // A start's fresh, zeroed buffers for these parameters: BlockBuf of N + 2 and
    // RingBuf of L + 1 elements. False, with the old buffers kept, when N or L overflow
    // 32 bits or the memory cannot be had. RingPos stays where it was.
    bool recreate(const StartParameters& parameters);
    // The buffers exist with the sizes the parameters of the last recreate() give.
    bool ready() const;

    // Where the card writes a block: elements 1..N of N + 2. Needs ready().
    int16_t* deliveryBuffer() { return m_BlockBuf.data(); }
    // Copies BlockBuf[1..N] into the ring slot at RingPos, moves RingPos on by one block
    // (back to 0 after the last slot) and tells every listener. Needs ready().
    void storeDelivered();

    void announceStarted();
    void announceLoss(const Loss& loss);
    void announceFetchEnded();
    void announceStopped(StopCause cause);

    // A listener may add or remove itself or another inside a call it is told; one
    // added then hears from the next event on.
    void addListener(BlockListener& listener);
    void removeListener(BlockListener& listener);
    bool anyListenerWantsCardErrorCode() const;

    int16_t RingBlocks() const { return m_RingBlocks; }
    int32_t RingPos() const { return m_RingPos; }
    // Whole arrays, spare elements included (BlockBuf 0 and N + 1, RingBuf L).
    std::span<const int16_t> BlockBuf() const { return m_BlockBuf; }
    std::span<const int16_t> RingBuf() const { return m_RingBuf; }
    // The parameters the buffers were made for.
    const StartParameters& parameters() const { return m_parameters; }
    // Counted up each time recreate() makes the buffers afresh. The allocator may hand
    // a new ring the old one's address, so views tell one run's ring from the next by
    // this number, never by the address.
    int64_t generation() const { return m_generation; }
    // Blocks stored since the buffers were made: the slots before RingPos that hold
    // acquired data rather than the zeros of a fresh ring.
    int64_t storedSinceRecreated() const { return m_storedSinceRecreated; }
    // Blocks stored since the last announceStarted().
    int64_t storedSinceStart() const { return m_storedSinceStart; }

    // Which slots hold stored blocks; none before anything was stored into these buffers.
    FilledSlots filledSlots() const;
    // Replaces `scans` by the filled slots, oldest first, as interleaved scans. Only
    // grows `scans` when the ring is larger than anything it held before.
    void copyInTimeOrder(std::vector<int16_t>& scans) const;

private:
    template <typename Event>
    void tellEveryone(Event event);

    StartParameters m_parameters{0, 0, 0, 0, 0, 0, 0};
    std::vector<int16_t> m_BlockBuf;
    std::vector<int16_t> m_RingBuf;
    int16_t m_RingBlocks = PanelRingBlocks;
    int32_t m_RingPos = 0;
    int32_t m_blockLength = 0;
    int32_t m_ringLength = 0;
    int64_t m_generation = 0;
    int64_t m_storedSinceRecreated = 0;
    int64_t m_storedSinceStart = 0;

    // Null where a listener was removed while the list was being told an event.
    std::vector<BlockListener*> m_listeners;
    int m_telling = 0;
};

// A listener of the blocks for as long as this lives.
class ScopedListener {
public:
    ScopedListener(AcquiredBlocks& blocks, BlockListener& listener)
        : m_blocks(blocks), m_listener(listener) {
        m_blocks.addListener(m_listener);
    }
    ~ScopedListener() { m_blocks.removeListener(m_listener); }
    ScopedListener(const ScopedListener&) = delete;
    ScopedListener& operator=(const ScopedListener&) = delete;

private:
    AcquiredBlocks& m_blocks;
    BlockListener& m_listener;
};

}  // namespace tqv::session
