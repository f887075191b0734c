// The owner of the acquired blocks: its buffers' sizes at the edges, and what its
// listeners hear when they come and go in the middle of being told.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "session/AcquiredBlocks.h"

namespace tqv::session {
namespace {

using ::testing::ElementsAre;

StartParameters shape(int16_t channels, int32_t scans) {
    StartParameters parameters;
    parameters.ChannelCount = channels;
    parameters.ScanCount = scans;
    return parameters;
}

TEST(AcquiredBlocks, SizesThatOverflowEitherWayKeepTheOldBuffersAndARingOfOneBlockIsReady) {
    AcquiredBlocks blocks;
    blocks.resetRing(1);
    ASSERT_TRUE(blocks.recreate(shape(4, 300)));
    EXPECT_TRUE(blocks.ready());
    EXPECT_EQ(blocks.BlockBuf().size(), 1202u);
    EXPECT_EQ(blocks.RingBuf().size(), 1201u);
    const auto generation = blocks.generation();
    EXPECT_FALSE(blocks.recreate(shape(4, 1'000'000'000)));
    EXPECT_FALSE(blocks.recreate(shape(4, -1'000'000'000)));
    EXPECT_EQ(blocks.RingBuf().size(), 1201u);
    EXPECT_EQ(blocks.generation(), generation);
    blocks.resetRing(0);
    EXPECT_FALSE(blocks.ready()) << "a ring without a slot takes no block";
}

struct Ear final : BlockListener {
    Ear(std::string earName, std::vector<std::string>& log) : name(std::move(earName)), heard(&log) {}
    std::string name;
    std::vector<std::string>* heard;
    std::function<void()> onBlock;
    void blockStored(const StoredBlock& block) override {
        heard->push_back(name + " " + std::to_string(block.sequence) + ":" +
                         std::to_string(block.samples.front()));
        if (onBlock) onBlock();
    }
    void blocksLost(const Loss& loss) override {
        heard->push_back(name + " lost before " + std::to_string(loss.storedBefore));
    }
};

TEST(AcquiredBlocks, ListenersComingAndGoingWhileBeingToldHearFromTheNextEventOn) {
    AcquiredBlocks blocks;
    ASSERT_TRUE(blocks.recreate(shape(1, 2)));
    std::vector<std::string> heard;
    Ear a("a", heard), b("b", heard), c("c", heard);
    blocks.addListener(a);
    blocks.addListener(b);
    // a takes b off and puts c on while the first block is told.
    a.onBlock = [&] {
        blocks.removeListener(b);
        blocks.addListener(c);
        a.onBlock = nullptr;
    };
    const auto store = [&](int16_t value) {
        blocks.deliveryBuffer()[1] = value;
        blocks.deliveryBuffer()[2] = value;
        blocks.storeDelivered();
    };
    blocks.announceStarted();
    store(7);
    blocks.announceLoss(Loss{});
    store(8);
    blocks.announceStarted();
    store(9);
    EXPECT_THAT(heard, ElementsAre("a 0:7", "a lost before 0", "c lost before 0", "a 1:8", "c 1:8",
                                   "a 0:9", "c 0:9"));
}

}  // namespace
}  // namespace tqv::session
