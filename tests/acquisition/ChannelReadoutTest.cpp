#include <gtest/gtest.h>

#include "tests/support/Panel.h"

namespace tqv::test {
namespace {

using window::Control;

class ChannelReadout : public ::testing::Test {
protected:
    void SetUp() override {
        panel.load();
        panel.click(Control::cmdStart);
    }
    // Delivers blocks whose every sample is `fill` except the given last scan.
    void deliver(int blocks, std::array<int16_t, 4> lastScan, int16_t fill = 9) {
        panel.card.fillBlock = [=](int16_t* block) {
            std::fill(block + 1, block + 1201, fill);
            std::copy(lastScan.begin(), lastScan.end(), block + 1197);
        };
        panel.card.queryResults.push_back(static_cast<int16_t>(blocks));
        panel.tick();
    }
    std::array<std::string, 4> labels() const {
        return {panel.ui.caption(Control::lblAD, 0), panel.ui.caption(Control::lblAD, 1),
                panel.ui.caption(Control::lblAD, 2), panel.ui.caption(Control::lblAD, 3)};
    }
    Panel panel;
};

TEST_F(ChannelReadout, ShowsTheLastScanAsUnsignedHex) {
    deliver(1, {0, 2047, -1, -32768});
    EXPECT_EQ(labels(), (std::array<std::string, 4>{"0", "7FF", "FFFF", "8000"}));
    EXPECT_EQ(panel.form.ChanValue[0], 0);
    EXPECT_EQ(panel.form.ChanValue[1], 2047);
    EXPECT_EQ(panel.form.ChanValue[2], 65535);
    EXPECT_EQ(panel.form.ChanValue[3], 32768);
}

TEST_F(ChannelReadout, KeepsTheNewestStoredScanWhenTheLastFetchFailed) {
    deliver(1, {1, 2, 3, 4});
    panel.card.adResults = {0};
    deliver(1, {5, 6, 7, 8});

    // The labels show what the failed fetch left in the block; ChanValue the ring,
    // whose newest slot ends at RingPos 1200, indices 1196..1199.
    EXPECT_EQ(labels(), (std::array<std::string, 4>{"5", "6", "7", "8"}));
    EXPECT_EQ(panel.blocks().RingPos(), 1200);
    EXPECT_EQ(panel.form.ChanValue[0], 1);
    EXPECT_EQ(panel.form.ChanValue[3], 4);
}

TEST_F(ChannelReadout, AtRingPositionZeroReadsTheLastSlotOfTheRing) {
    deliver(19, {1, 1, 1, 1});
    panel.card.adResults = {1, 0};
    deliver(2, {-1, -1, -1, -1});
    // The 20th stored block filled the last slot; RingPos wrapped to 0.
    EXPECT_EQ(panel.blocks().RingPos(), 0);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(panel.blocks().RingBuf()[static_cast<size_t>(23996 + c)], -1);
    EXPECT_EQ(panel.form.ChanValue[0], 65535);
}

TEST_F(ChannelReadout, AFreshRingReadsZerosUntilABlockIsStored) {
    panel.card.adResults = {0};
    deliver(1, {1, 2, 3, 4});
    EXPECT_EQ(labels(), (std::array<std::string, 4>{"1", "2", "3", "4"}));
    EXPECT_EQ(panel.form.ChanValue[0], 0);
    EXPECT_EQ(panel.form.ChanValue[3], 0);
}

TEST_F(ChannelReadout, ChannelsBeyondTheAcquiredOnesAreNeverWritten) {
    panel.form.ChanValue[4] = 1234;
    deliver(1, {1, 2, 3, 4});
    EXPECT_EQ(panel.form.ChanValue[4], 1234);
}

}  // namespace
}  // namespace tqv::test
