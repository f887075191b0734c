#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/Panel.h"

namespace tqv::test {
namespace {

using ::testing::ElementsAre;
using window::Control;
using window::Event;

class AcquisitionControl : public ::testing::Test {
protected:
    void SetUp() override {
        panel.load();
        panel.card.clearCalls();
    }
    Panel panel;
};

TEST_F(AcquisitionControl, StartStopsInitialisesCreatesBuffersAndStarts) {
    panel.ui.setEnabled(Control::TimerAD, false);
    panel.click(Control::cmdStart);

    EXPECT_THAT(panel.card.calls, ElementsAre("StopIntr -> 1", "Initial 0 0 0 0 -> 1",
                                              "StartIntr 50 300 0 4 10000 0 1 -> 1"));
    EXPECT_EQ(panel.blocks().BlockBuf().size(), 1202u);
    EXPECT_EQ(panel.blocks().RingBuf().size(), 24001u);
    EXPECT_FALSE(panel.ui.isEnabled(Control::cmdStart));
    EXPECT_TRUE(panel.ui.isEnabled(Control::cmdStop));
    EXPECT_TRUE(panel.ui.isEnabled(Control::TimerAD));
    EXPECT_EQ(panel.ui.caption(Control::lblBlock), "Label2");
}

TEST_F(AcquisitionControl, ARefusedStartShowsTheCodeAndLeavesStartAvailable) {
    panel.click(Control::cmdStart);
    // The scripted card numbers its samples: the first block puts 5 at ring index 5.
    panel.card.queryResults = {1};
    panel.tick();
    panel.click(Control::cmdStop);
    panel.card.initialResult = 0;
    panel.card.lastError = -3;
    panel.card.clearCalls();

    panel.click(Control::cmdStart);
    EXPECT_THAT(panel.card.calls,
                ElementsAre("StopIntr -> 1", "Initial 0 0 0 0 -> 0", "GetLastADError -> -3"));
    EXPECT_EQ(panel.ui.caption(Control::lblBlock), "Error=-3");
    EXPECT_EQ(panel.blocks().RingBuf()[5], 5) << "a refused Initial leaves the old buffers";
    EXPECT_TRUE(panel.ui.isEnabled(Control::cmdStart));
    EXPECT_FALSE(panel.ui.isEnabled(Control::cmdStop));

    // A refused StartIntr comes after the buffers are made afresh. A code of 0 or
    // above has no space before it, unlike the panel's other numbers.
    panel.card.initialResult = 1;
    panel.card.startResult = 0;
    panel.card.lastError = 7;
    panel.click(Control::cmdStart);
    EXPECT_EQ(panel.ui.caption(Control::lblBlock), "Error=7");
    EXPECT_EQ(panel.blocks().RingBuf()[5], 0);
    EXPECT_EQ(panel.blocks().RingBuf().size(), 24001u);
    EXPECT_TRUE(panel.ui.isEnabled(Control::cmdStart));
    EXPECT_FALSE(panel.ui.isEnabled(Control::cmdStop));
    panel.card.lastError = 0;
    panel.click(Control::cmdStart);
    EXPECT_EQ(panel.ui.caption(Control::lblBlock), "Error=0");
}

TEST_F(AcquisitionControl, StopStopsTheCardAndSwapsTheButtonsButKeepsTheTimer) {
    panel.click(Control::cmdStart);
    panel.card.clearCalls();
    panel.click(Control::cmdStop);

    EXPECT_THAT(panel.card.calls, ElementsAre("StopIntr -> 1"));
    EXPECT_TRUE(panel.ui.isEnabled(Control::cmdStart));
    EXPECT_FALSE(panel.ui.isEnabled(Control::cmdStop));
    EXPECT_TRUE(panel.ui.isEnabled(Control::TimerAD));
}

TEST_F(AcquisitionControl, RingPositionAndCounterCarryOverARestart) {
    panel.click(Control::cmdStart);
    panel.card.queryResults = {3};
    panel.tick();
    const int64_t generation = panel.blocks().generation();
    panel.click(Control::cmdStop);
    panel.click(Control::cmdStart);

    EXPECT_EQ(panel.blocks().generation(), generation + 1) << "views tell the new ring by it";
    EXPECT_EQ(panel.blocks().RingPos(), 3600);
    EXPECT_EQ(panel.form.BlockCount, 3);
    EXPECT_TRUE(std::ranges::all_of(panel.blocks().RingBuf(), [](int16_t s) { return s == 0; }));

    panel.card.queryResults = {1};
    panel.tick();
    EXPECT_EQ(panel.ui.caption(Control::lblptr), " 4800");
    EXPECT_EQ(panel.ui.caption(Control::lblBlock), " 4");
}

TEST_F(AcquisitionControl, ExitStopsTheCardTwiceAndClosesTheWindow) {
    panel.click(Control::cmdStart);
    panel.card.clearCalls();
    panel.click(Control::cmdExit);

    EXPECT_THAT(panel.card.calls, ElementsAre("StopIntr -> 1", "StopIntr -> 1"));
    EXPECT_TRUE(panel.ui.isClosed());
}

}  // namespace
}  // namespace tqv::test
