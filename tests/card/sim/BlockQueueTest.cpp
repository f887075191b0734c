#include <gtest/gtest.h>

#include <algorithm>

#include "card/sim/BlockQueue.h"

namespace tqv::sim {
namespace {

bool push(BlockQueue& queue, std::int16_t value) {
    const auto slot = queue.reserve();
    if (slot.empty()) return false;
    std::ranges::fill(slot, value);
    queue.commit();
    return true;
}

std::int16_t take(BlockQueue& queue) {
    std::int16_t block[3] = {-1, -1, -1};
    if (!queue.takeOldest(block)) return -1;
    EXPECT_EQ(block[2], -1) << "wrote beyond one block";
    return block[1] == block[0] ? block[0] : -2;
}

TEST(BlockQueue, HandsOverOldestFirstHasNoRoomWhenFullAndReusesFreedSlots) {
    BlockQueue queue;
    EXPECT_FALSE(push(queue, 1)) << "unconfigured";
    queue.configure(3, 2);
    for (std::int16_t n = 1; n <= 3; ++n) ASSERT_TRUE(push(queue, n));
    EXPECT_FALSE(push(queue, 4));
    EXPECT_EQ(take(queue), 1);
    EXPECT_TRUE(push(queue, 4));
    EXPECT_EQ(queue.waiting(), 3U);
    for (std::int16_t n = 2; n <= 4; ++n) EXPECT_EQ(take(queue), n);
    EXPECT_EQ(take(queue), -1);
    push(queue, 5);
    queue.release();
    EXPECT_EQ(queue.waiting(), 0U);
}

}  // namespace
}  // namespace tqv::sim
