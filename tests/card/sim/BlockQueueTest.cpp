#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "card/sim/BlockQueue.h"

namespace tqv::sim {
namespace {

void push(BlockQueue& queue, std::int16_t value) {
    const auto slot = queue.reserve();
    ASSERT_FALSE(slot.empty());
    std::fill(slot.begin(), slot.end(), value);
    queue.commit();
}

std::vector<std::int16_t> take(BlockQueue& queue, std::size_t samples) {
    std::vector<std::int16_t> block(samples, -1);
    if (!queue.takeOldest(block.data())) return {};
    return block;
}

TEST(BlockQueue, StartsEmptyAndUnconfiguredHasNoRoom) {
    BlockQueue queue;
    EXPECT_EQ(queue.waiting(), 0U);
    EXPECT_TRUE(queue.reserve().empty());
    std::int16_t sample = 0;
    EXPECT_FALSE(queue.takeOldest(&sample));
}

TEST(BlockQueue, HandsBlocksOverOldestFirst) {
    BlockQueue queue;
    queue.configure(3, 4);
    push(queue, 1);
    push(queue, 2);
    EXPECT_EQ(queue.waiting(), 2U);
    EXPECT_EQ(take(queue, 4), std::vector<std::int16_t>(4, 1));
    EXPECT_EQ(take(queue, 4), std::vector<std::int16_t>(4, 2));
    EXPECT_TRUE(take(queue, 4).empty());
}

TEST(BlockQueue, FullHasNoRoomUntilTheOldestIsTaken) {
    BlockQueue queue;
    queue.configure(3, 2);
    push(queue, 1);
    push(queue, 2);
    push(queue, 3);
    EXPECT_TRUE(queue.reserve().empty());
    EXPECT_EQ(take(queue, 2), std::vector<std::int16_t>(2, 1));
    push(queue, 4);  // reuses the first slot
    EXPECT_EQ(take(queue, 2), std::vector<std::int16_t>(2, 2));
    EXPECT_EQ(take(queue, 2), std::vector<std::int16_t>(2, 3));
    EXPECT_EQ(take(queue, 2), std::vector<std::int16_t>(2, 4));
}

TEST(BlockQueue, TakeWritesExactlyOneBlock) {
    BlockQueue queue;
    queue.configure(2, 3);
    push(queue, 7);
    std::vector<std::int16_t> dest(5, -1);
    ASSERT_TRUE(queue.takeOldest(dest.data()));
    EXPECT_EQ(dest, (std::vector<std::int16_t>{7, 7, 7, -1, -1}));
}

TEST(BlockQueue, ReleaseAndReconfigureStartEmpty) {
    BlockQueue queue;
    queue.configure(2, 3);
    push(queue, 1);
    queue.release();
    EXPECT_EQ(queue.waiting(), 0U);
    EXPECT_TRUE(queue.reserve().empty());
    queue.configure(2, 3);
    push(queue, 5);
    queue.configure(4, 3);
    EXPECT_EQ(queue.waiting(), 0U);
}

// Each block is filled with its sequence number; the consumer must see every block it
// gets whole and in order. Mostly for ThreadSanitizer.
TEST(BlockQueue, OneProducerAndOneConsumerHandBlocksOverIntact) {
    constexpr int kBlocks = 2000;
    constexpr std::size_t kSamples = 64;
    BlockQueue queue;
    queue.configure(4, kSamples);
    std::thread producer([&queue] {
        for (int n = 0; n < kBlocks;) {
            const auto slot = queue.reserve();
            if (slot.empty()) {
                std::this_thread::yield();
                continue;
            }
            std::fill(slot.begin(), slot.end(), static_cast<std::int16_t>(n));
            queue.commit();
            ++n;
        }
    });
    std::vector<std::int16_t> block(kSamples);
    int expected = 0;
    int damaged = 0;
    while (expected < kBlocks) {
        if (!queue.takeOldest(block.data())) {
            std::this_thread::yield();
            continue;
        }
        const auto number = static_cast<std::int16_t>(expected);
        if (!std::all_of(block.begin(), block.end(), [&](std::int16_t s) { return s == number; })) {
            ++damaged;
        }
        ++expected;
    }
    producer.join();
    EXPECT_EQ(damaged, 0);
    EXPECT_EQ(queue.waiting(), 0U);
}

}  // namespace
}  // namespace tqv::sim
