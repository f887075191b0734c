#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "acquisition/BlockPoller.h"
#include "tests/support/Panel.h"

namespace tqv::test {
namespace {

using ::testing::ElementsAre;
using window::Control;

class BlockPolling : public ::testing::Test {
protected:
    void SetUp() override {
        panel.load();
        panel.click(Control::cmdStart);
        panel.card.clearCalls();
    }
    void tickWith(int16_t count) {
        panel.card.queryResults.push_back(count);
        panel.tick();
    }
    Panel panel;
};

TEST_F(BlockPolling, ATickWithNoBlocksChangesNothing) {
    panel.card.initialResult = 0;
    panel.card.lastError = -3;
    panel.click(Control::cmdStart);
    panel.card.clearCalls();

    tickWith(0);

    EXPECT_THAT(panel.card.calls, ElementsAre("QueryBuf -> 0"));
    EXPECT_EQ(panel.ui.caption(Control::lblBlock), "Error=-3");
    EXPECT_EQ(panel.ui.caption(Control::lblptr), "Label3");
    EXPECT_EQ(panel.ui.caption(Control::lblAD, 0), "0.000");
    EXPECT_EQ(panel.ui.caption(Control::lblDI), "00");
    EXPECT_EQ(panel.ui.text(Control::txtInfo), "Info");
}

TEST_F(BlockPolling, EveryReportedBlockIsFetchedButOnlyDeliveredOnesAreStored) {
    // Only a result of 1 is a delivered block.
    panel.card.adResults = {1, 0, 2, -1, 1};
    tickWith(5);

    EXPECT_EQ(panel.card.callsNamed("ADResult").size(), 5u);
    EXPECT_EQ(panel.dll.RingPos, 2400);
    EXPECT_EQ(panel.form.BlockCount, 5);
    EXPECT_EQ(panel.ui.caption(Control::lblBlock), " 5");
    EXPECT_EQ(panel.ui.caption(Control::lblptr), " 2400");
}

// A recording's view of the tick: each stored block as stored, nothing the card did not
// deliver, no card call of its own; the end at Stop and at the unload.
struct StoredBlocks final : window::StoredBlockListener {
    std::vector<int16_t> first;
    std::vector<bool> stops;
    void blockStored(std::span<const int16_t> samples) override {
        EXPECT_EQ(samples.size(), 1200u);
        first.push_back(samples.front());
    }
    void acquisitionStopped(bool byClosing) override { stops.push_back(byClosing); }
};

TEST_F(BlockPolling, TheListenerIsToldOfEachStoredBlockAndOfTheEnd) {
    StoredBlocks listener;
    panel.ctx.blockListener = &listener;
    panel.card.adResults = {1, 0, 1};
    tickWith(3);
    EXPECT_THAT(listener.first, ElementsAre(0, 1200));
    EXPECT_EQ(panel.card.callsNamed("ADResult").size(), 3u);
    panel.click(Control::cmdStop);
    panel.raise(Control::FrmMultiBuf, window::Event::Unload);
    EXPECT_THAT(listener.stops, ElementsAre(false, true));
}

TEST_F(BlockPolling, BlocksAreCopiedIntoTheirSlotsInOrder) {
    // The fake card numbers the delivered samples 0, 1, 2, ... across blocks.
    tickWith(2);
    EXPECT_EQ(panel.dll.RingBuf[0], 0);
    EXPECT_EQ(panel.dll.RingBuf[1199], 1199);
    EXPECT_EQ(panel.dll.RingBuf[1200], 1200);
    EXPECT_EQ(panel.dll.RingBuf[2399], 2399);
    EXPECT_EQ(panel.dll.RingBuf[2400], 0);
}

TEST_F(BlockPolling, TheRingPositionCyclesThroughTwentySlots) {
    std::vector<std::string> shown;
    for (int block = 1; block <= 41; ++block) {
        tickWith(1);
        shown.push_back(panel.ui.caption(Control::lblptr));
    }
    EXPECT_EQ(shown[0], " 1200");
    EXPECT_EQ(shown[18], " 22800");
    EXPECT_EQ(shown[19], " 0");
    EXPECT_EQ(shown[39], " 0");
    EXPECT_EQ(shown[40], " 1200");
    // The 21st block overwrote the oldest, the first slot.
    EXPECT_EQ(panel.dll.RingBuf[0], static_cast<int16_t>(40 * 1200));
}

TEST_F(BlockPolling, TheCounterRestartsOncePast32000AndDropsTheExcess) {
    panel.form.BlockCount = 31998;
    tickWith(2);
    EXPECT_EQ(panel.ui.caption(Control::lblBlock), " 32000");
    tickWith(0);
    EXPECT_EQ(panel.form.BlockCount, 32000);

    panel.form.BlockCount = 31999;
    tickWith(2);
    EXPECT_EQ(panel.form.BlockCount, 0);
    EXPECT_EQ(panel.ui.caption(Control::lblBlock), " 0");
}

TEST(BlockCount, StaysInsideSixteenBitsForAnyCount) {
    using acquisition::advanceBlockCount;
    EXPECT_EQ(advanceBlockCount(31999, 3), 0);
    EXPECT_EQ(advanceBlockCount(32000, 32767), 0);
    EXPECT_EQ(advanceBlockCount(0, -5), -5);
    EXPECT_EQ(advanceBlockCount(-32768, -1), 0);
    EXPECT_EQ(advanceBlockCount(-32000, -32768), 0);
}

TEST_F(BlockPolling, ANegativeCountFetchesNothingButCountsDownAndShows) {
    panel.card.inputWords = std::array<int16_t, 6>{1, 2, 3, 4, 5, 6};
    tickWith(-5);

    EXPECT_TRUE(panel.card.callsNamed("ADResult").empty());
    EXPECT_EQ(panel.ui.caption(Control::lblBlock), "-5");
    EXPECT_EQ(panel.ui.caption(Control::lblptr), " 0");
    EXPECT_EQ(panel.ui.caption(Control::lblDI), "1 2 3 4 5 6");
    EXPECT_EQ(panel.ui.text(Control::txtInfo),
              "Sample Information:\r\nCh 0=0000\r\nCh 1=0000\r\n"
              "Ch 2=0000\r\nCh 3=0000\r\n");
}

TEST_F(BlockPolling, TheLargestCountIsFetchedInFullWithoutLoopingForever) {
    tickWith(32767);
    EXPECT_EQ(panel.card.callsNamed("ADResult").size(), 32767u);
    EXPECT_EQ(panel.form.BlockCount, 0);
    EXPECT_EQ(panel.dll.RingPos, (32767 % 20) * 1200);
}

TEST(BlockPollingBeforeAnyStart, ACountWithNoBuffersFetchesNothing) {
    Panel panel;
    panel.load();
    panel.card.clearCalls();
    panel.card.queryResults = {4};
    panel.tick();

    EXPECT_THAT(panel.card.calls, ElementsAre("QueryBuf -> 4"));
    EXPECT_EQ(panel.ui.caption(Control::lblBlock), "Label2");
    EXPECT_EQ(panel.form.BlockCount, 0);
}

TEST_F(BlockPolling, TheTickRunsTheReadoutsInOrderAfterTheFetches) {
    tickWith(2);
    std::vector<std::string> names;
    for (const auto& call : panel.card.calls) names.push_back(call.substr(0, call.find(' ')));
    EXPECT_THAT(names, ElementsAre("QueryBuf", "ADResult", "ADResult", "Tqv_DI"));
    EXPECT_THAT(panel.card.callsNamed("Tqv_DI"), ElementsAre("Tqv_DI 6 * -> 6"));
}

}  // namespace
}  // namespace tqv::test
