// The bit output handler on the in-memory window: what the digital-output fuzz
// target's corpus replay does not see (the initial texts, refusals heard as beeps,
// change events). The bounding, rounding and toggling rules themselves are checked
// there, every seed against a model of the handlers.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/Panel.h"

namespace tqv::test {
namespace {

using ::testing::ElementsAre;
using window::Control;

class BitOutput : public ::testing::Test {
protected:
    void SetUp() override {
        panel.load();
        panel.card.clearCalls();
    }
    // What the operator's edit leaves in the box raises the change handler.
    void typeChannel(const std::string& text) { panel.ui.setText(Control::txtDOChn, text); }
    void clickOutput() { panel.click(Control::cmdDOOutput); }
    Panel panel;
};

TEST_F(BitOutput, ANumberThatDoesNotFitStopsWithTheOperatorsTextAndTheSpinnerKept) {
    panel.ui.setSpinnerValue(Control::UpDownBitNum, 5);
    for (const std::string typed : {"32768", "-32769", "1e400", "&H100000000", "99999999999"}) {
        const int beeps = panel.ui.beeps();
        typeChannel(typed);
        EXPECT_EQ(panel.ui.text(Control::txtDOChn), typed);
        EXPECT_EQ(panel.ui.spinnerValue(Control::UpDownBitNum), 5);
        EXPECT_EQ(panel.ui.beeps(), beeps + 1)
            << "the operator hears that " << typed << " was refused";
    }
}

TEST_F(BitOutput, TypingFortyWhileTheSpinnerStandsAtFiveEndsAtSixteen) {
    panel.ui.setSpinnerValue(Control::UpDownBitNum, 5);
    const int textChanges = panel.ui.changeEvents(Control::txtDOChn);
    const int spinnerChanges = panel.ui.changeEvents(Control::UpDownBitNum);

    typeChannel("40");

    EXPECT_EQ(panel.ui.text(Control::txtDOChn), " 16");
    EXPECT_EQ(panel.ui.spinnerValue(Control::UpDownBitNum), 16);
    // "40" typed, then " 16" written once by the spinner handler; every later
    // write finds the same text or value and raises nothing.
    EXPECT_EQ(panel.ui.changeEvents(Control::txtDOChn) - textChanges, 2);
    EXPECT_EQ(panel.ui.changeEvents(Control::UpDownBitNum) - spinnerChanges, 1);
}

TEST_F(BitOutput, TheFirstClickWithTheInitialTextsSendsBitZeroValueZero) {
    EXPECT_EQ(panel.ui.text(Control::txtDOChn), "1");
    EXPECT_EQ(panel.ui.text(Control::txtDOValue), "0");
    clickOutput();
    EXPECT_THAT(panel.card.calls, ElementsAre("Tqv_DOBit 0 0 -> 0"));
    EXPECT_EQ(panel.ui.text(Control::txtDOValue), " 0");
}

TEST_F(BitOutput, AChannelThatDoesNotFitStopsAfterTheValueWasRewritten) {
    typeChannel("40000");
    panel.ui.setText(Control::txtDOValue, "1");
    clickOutput();
    EXPECT_EQ(panel.ui.text(Control::txtDOValue), " 1");
    EXPECT_TRUE(panel.card.calls.empty());
    EXPECT_GE(panel.ui.beeps(), 1);
}

}  // namespace
}  // namespace tqv::test
