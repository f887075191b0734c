#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "acquisition/BlockPoller.h"
#include "session/AcquiredBlocks.h"
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
    EXPECT_EQ(panel.blocks().RingPos(), 2400);
    EXPECT_EQ(panel.form.BlockCount, 5);
    EXPECT_EQ(panel.ui.caption(Control::lblBlock), " 5");
    EXPECT_EQ(panel.ui.caption(Control::lblptr), " 2400");
}

// What a listener of the acquired blocks hears of the tick, in order.
struct Heard final : session::BlockListener {
    bool wantsCode = false;
    std::vector<std::string> events;
    void blockStored(const session::StoredBlock& block) override {
        events.push_back("block " + std::to_string(block.samples.front()) + " #" +
                         std::to_string(block.sequence));
    }
    void blocksLost(const session::Loss& loss) override {
        events.push_back("lost: " + session::lossText(loss));
    }
    void fetchEnded() override { events.push_back("fetched"); }
    void acquisitionStopped(session::StopCause cause) override {
        events.push_back(cause == session::StopCause::Closing ? "closing" : "stopped");
    }
    bool wantsCardErrorCode() const override { return wantsCode; }
};

std::vector<std::string> callNames(const FakeCard& card) {
    std::vector<std::string> names;
    for (const auto& call : card.calls) names.push_back(call.substr(0, call.find(' ')));
    return names;
}

TEST_F(BlockPolling, ListenersHearEachBlockAndLossInOrderAndNoCardCallIsAdded) {
    Heard heard;
    const session::ScopedListener listening(panel.session.blocks(), heard);
    panel.card.adResults = {1, 0, 1};
    tickWith(3);
    EXPECT_THAT(heard.events,
                ElementsAre("block 0 #0", "lost: 1 block reported complete but not delivered",
                            "block 1200 #1", "fetched"));
    EXPECT_THAT(callNames(panel.card),
                ElementsAre("QueryBuf", "ADResult", "ADResult", "ADResult", "Tqv_DI"));
    panel.click(Control::cmdStop);
    panel.raise(Control::FrmMultiBuf, window::Event::Unload);
    EXPECT_EQ(heard.events.back(), "stopped") << "a stopped card is not stopped twice over";
}

TEST_F(BlockPolling, AListenerOfCardErrorsHasTheCodeReadAfterEachFetchAndHearsItsChange) {
    Heard heard;
    heard.wantsCode = true;
    const session::ScopedListener listening(panel.session.blocks(), heard);
    panel.card.lastError = -5;
    tickWith(1);
    EXPECT_THAT(callNames(panel.card), ElementsAre("QueryBuf", "ADResult", "GetLastADError", "Tqv_DI"));
    EXPECT_THAT(heard.events, ElementsAre("block 0 #0", "fetched"))
        << "a code from before anyone listened is nobody's loss";
    panel.card.lastError = -9;
    tickWith(1);
    EXPECT_THAT(heard.events, ElementsAre("block 0 #0", "fetched", "block 1200 #1",
                                          "lost: card error code -9", "fetched"));
}

TEST_F(BlockPolling, BlocksAreCopiedIntoTheirSlotsInOrder) {
    // The fake card numbers the delivered samples 0, 1, 2, ... across blocks.
    tickWith(2);
    EXPECT_EQ(panel.blocks().RingBuf()[0], 0);
    EXPECT_EQ(panel.blocks().RingBuf()[1199], 1199);
    EXPECT_EQ(panel.blocks().RingBuf()[1200], 1200);
    EXPECT_EQ(panel.blocks().RingBuf()[2399], 2399);
    EXPECT_EQ(panel.blocks().RingBuf()[2400], 0);
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
    EXPECT_EQ(panel.blocks().RingBuf()[0], static_cast<int16_t>(40 * 1200));
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
    EXPECT_EQ(panel.blocks().RingPos(), (32767 % 20) * 1200);
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
