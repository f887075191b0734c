#include <gtest/gtest.h>

#include "card/DllDef.h"

namespace tqv::card {
namespace {

TEST(DllDef, LengthsThatOverflowEitherWayAreNoneAndARingOfOneBlockStillMatches) {
    DllDef dll;
    dll.ChannelCount = 4;
    dll.ScanCount = 300;
    dll.RingBlocks = 1;
    dll.BlockBuf.resize(1202);
    dll.RingBuf.resize(1201);
    EXPECT_TRUE(buffersMatchParameters(dll));
    dll.RingBuf.resize(1200);
    EXPECT_FALSE(buffersMatchParameters(dll));

    dll.ScanCount = -1'000'000'000;
    EXPECT_EQ(blockLength(dll), std::nullopt);
    dll.ScanCount = 1'000'000'000;
    EXPECT_EQ(blockLength(dll), std::nullopt);
}

}  // namespace
}  // namespace tqv::card
